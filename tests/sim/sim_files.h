// The file side of the simulated desktop: Windows paths mapped onto a host
// folder, the profile (INI) functions with the contracts of the Win32 ones,
// the special folder, the module path, and failure knobs.
//
// Drive letters map to <root>/<LETTER>/...; a path without a drive is taken
// on drive C: (the current drive), relative paths from C:\ (the current
// folder). Names are compared case-insensitively in ASCII, as NTFS does.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/types.h"

namespace mm::sim {

class SimFileSystem {
 public:
  explicit SimFileSystem(const std::string& root);
  ~SimFileSystem();
  SimFileSystem(const SimFileSystem&) = delete;
  SimFileSystem& operator=(const SimFileSystem&) = delete;

  std::string HostPath(const std::string& windowsPath) const;
  void SetSpecialFolder(const std::string& path, bool fails);
  void SetModuleFileName(const std::string& path);
  // The next file write (binary or profile) stops after `bytes` bytes and
  // fails with ERROR_DISK_FULL, leaving the partial file (-1: no failure).
  void FailNextWriteAfter(long bytes);
  // MoveFileReplaceA fails with ERROR_ACCESS_DENIED while set.
  void FailMoves(bool fail);
  // A read-only file: writes, replacing moves and deletion fail with
  // ERROR_ACCESS_DENIED; as a folder path, nothing can be created in it.
  void SetReadOnly(const std::string& windowsPath, bool readOnly);
  // Lead-byte test of the simulated code page, for double-byte-safe parsing.
  void SetLeadByteTest(BOOL (*isLead)(void* ctx, BYTE b), void* ctx);

  DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, DWORD size, const char* fileName);
  UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                             const char* fileName);
  BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                  const char* fileName);
  DWORD GetLastError() const { return lastError_; }
  void SetLastError(DWORD code) { lastError_ = code; }
  std::string FormatMessageA(DWORD code) const;
  BOOL SHGetSpecialFolderPathA(char* buffer, int csidl, BOOL create);
  BOOL FileExists(const std::string& path) const;
  BOOL CreateDirectoryA(const std::string& path);
  DWORD GetModuleFileNameA(char* buffer, DWORD size);
  BOOL ReadFileBytes(const std::string& path, std::string* bytes, std::size_t maxBytes);
  std::size_t LargestRead() const { return largestRead_; }
  BOOL WriteFileBytes(const std::string& path, const std::string& bytes);
  BOOL AppendFileBytes(const std::string& path, const std::string& bytes);
  BOOL MoveFileReplaceA(const std::string& from, const std::string& to);
  BOOL DeleteFileA(const std::string& path);

 private:
  // A Windows path taken apart: drive letter and names.
  struct WinPath {
    char drive = 'C';
    std::vector<std::string> parts;
    bool valid = true;
  };
  struct IniKey;
  struct IniSection;
  struct IniText;
  struct IniLine;
  struct IniCacheEntry;

  bool HostReadAll(const std::string& host, std::string* bytes);
  bool HostRead(const std::string& host, std::string* bytes, std::size_t maxBytes);
  std::size_t largestRead_ = 0;
  bool IsLead(unsigned char b) const;
  std::string FoldName(const std::string& name) const;
  WinPath ParsePath(const std::string& windowsPath) const;
  std::string HostPathOf(const WinPath& p) const;
  std::string KeyOf(const WinPath& p) const;
  std::string ProfilePath(const char* fileName) const;
  bool CheckWritable(const WinPath& p, std::string* host);
  bool HostWrite(const std::string& host, const std::string& bytes, bool append = false);
  IniLine ClassifyLine(const std::string& raw) const;
  IniText ParseIni(const std::string& bytes) const;
  const IniSection* FindSection(const IniText& ini, const std::string& name) const;
  const IniKey* FindKey(const IniSection& s, const std::string& name) const;
  std::shared_ptr<IniText> LoadIni(const std::string& host);
  void RememberIni(const std::string& host, std::shared_ptr<IniText> ini);
  std::shared_ptr<const IniText> LoadProfile(const char* fileName);

  std::string root_;
  std::string specialFolder_ = "C:\\Users\\sim\\AppData\\Local";
  bool specialFolderFails_ = false;
  std::string moduleFileName_ = "C:\\Program Files\\MoriMo\\morimo.exe";
  long failWriteAfter_ = -1;
  bool failMoves_ = false;
  std::set<std::string> readOnly_;  // host paths
  DWORD lastError_ = 0;
  BOOL (*isLead_)(void*, BYTE) = nullptr;
  void* isLeadCtx_ = nullptr;
  std::map<std::string, IniCacheEntry> iniCache_;  // by host path
};

}  // namespace mm::sim
