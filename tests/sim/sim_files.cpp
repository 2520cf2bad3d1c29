#include "tests/sim/sim_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

BOOL DefaultLeadByte(void*, BYTE b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool HostIsDirectory(const std::string& host) {
  struct stat st;
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostExists(const std::string& host) {
  struct stat st;
  return ::stat(host.c_str(), &st) == 0;
}

}  // namespace

bool SimFileSystem::HostReadAll(const std::string& host, std::string* bytes) {
  return HostRead(host, bytes, ~std::size_t{0});
}

bool SimFileSystem::HostRead(const std::string& host, std::string* bytes, std::size_t maxBytes) {
  if (HostIsDirectory(host)) return false;
  std::string ignored;
  if (bytes == nullptr) bytes = &ignored;
  std::FILE* f = std::fopen(host.c_str(), "rb");
  if (f == nullptr) return false;
  std::string data;
  char chunk[65536];
  size_t n;
  while (data.size() < maxBytes &&
         (n = std::fread(chunk, 1, std::min(sizeof chunk, maxBytes - data.size()), f)) > 0) {
    data.append(chunk, n);
  }
  std::fclose(f);
  largestRead_ = std::max(largestRead_, data.size());
  *bytes = std::move(data);
  return true;
}

// ---- Paths -------------------------------------------------------------------

bool SimFileSystem::IsLead(unsigned char b) const {
  return isLead_ != nullptr ? isLead_(isLeadCtx_, b) != 0 : DefaultLeadByte(nullptr, b) != 0;
}

std::string SimFileSystem::FoldName(const std::string& name) const {
  // ASCII letters only, and never the second byte of a double-byte
  // character (0x41-0x5A and 0x61-0x7A are valid trail bytes in 932).
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLead(c) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

SimFileSystem::WinPath SimFileSystem::ParsePath(const std::string& windowsPath) const {
  WinPath p;
  std::string rest = windowsPath;
  if (rest.size() >= 2 && IsAsciiLetter(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
    p.drive = static_cast<char>(rest[0] & ~0x20);
    rest = rest.substr(2);
  }
  std::string part;
  auto flush = [&]() {
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (!p.parts.empty()) p.parts.pop_back();
    } else {
      p.parts.push_back(part);
    }
    part.clear();
  };
  for (size_t i = 0; i < rest.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(rest[i]);
    if (IsLead(c) && i + 1 < rest.size()) {
      part += rest[i];
      part += rest[++i];
      continue;
    }
    if (IsSeparator(static_cast<char>(c))) {
      flush();
      continue;
    }
    // Characters Windows refuses in a file name.
    if (c < 0x20 || std::strchr("<>:\"|?*", static_cast<char>(c)) != nullptr) p.valid = false;
    part += static_cast<char>(c);
  }
  flush();
  return p;
}

std::string SimFileSystem::HostPathOf(const WinPath& p) const {
  std::string host = root_ + "/" + std::string(1, p.drive);
  bool resolving = true;
  for (const std::string& part : p.parts) {
    std::string name = part;
    // Names are case-insensitive: reuse the spelling that exists. The
    // spelling asked for is tried first, so only a new name or another
    // spelling costs a look through the folder.
    if (resolving && !HostExists(host + "/" + part)) {
      DIR* dir = ::opendir(host.c_str());
      if (dir == nullptr) {
        resolving = false;
      } else {
        std::string folded = FoldName(part);
        while (dirent* e = ::readdir(dir)) {
          if (FoldName(e->d_name) == folded) {
            name = e->d_name;
            break;
          }
        }
        ::closedir(dir);
      }
    }
    host += "/" + name;
  }
  return host;
}

std::string SimFileSystem::KeyOf(const WinPath& p) const {
  std::string key(1, p.drive);
  key += ':';
  for (const std::string& part : p.parts) key += "\\" + FoldName(part);
  return key;
}

std::string SimFileSystem::HostPath(const std::string& windowsPath) const {
  return HostPathOf(ParsePath(windowsPath));
}

std::string SimFileSystem::ProfilePath(const char* fileName) const {
  // A bare file name means the Windows folder, as the profile functions do.
  std::string name = fileName != nullptr ? fileName : "";
  if (name.find_first_of("\\/:") == std::string::npos) return "C:\\Windows\\" + name;
  return name;
}

// Whether a file of this path could be created or written: its folder must
// exist, the name must be valid, and the file must not be read-only or a
// folder. Sets the last error when not.
bool SimFileSystem::CheckWritable(const WinPath& p, std::string* host) {
  if (!p.valid || p.parts.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return false;
  }
  WinPath parent = p;
  parent.parts.pop_back();
  if (!HostIsDirectory(HostPathOf(parent))) {
    lastError_ = ERROR_PATH_NOT_FOUND;
    return false;
  }
  *host = HostPathOf(p);
  // A read-only folder takes no new files either (a folder on a CD, a
  // program folder the user may not write to).
  if (readOnly_.count(KeyOf(p)) != 0 || readOnly_.count(KeyOf(parent)) != 0 ||
      HostIsDirectory(*host)) {
    lastError_ = ERROR_ACCESS_DENIED;
    return false;
  }
  return true;
}

bool SimFileSystem::HostWrite(const std::string& host, const std::string& bytes, bool append) {
  std::FILE* f = std::fopen(host.c_str(), append ? "ab" : "wb");
  if (f == nullptr) {
    lastError_ = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
    return false;
  }
  size_t amount = bytes.size();
  bool failing = false;
  if (failWriteAfter_ >= 0) {
    // The knob fires once: a disk that fills up in the middle of a write.
    if (static_cast<size_t>(failWriteAfter_) < amount) {
      amount = static_cast<size_t>(failWriteAfter_);
      failing = true;
    }
    failWriteAfter_ = -1;
  }
  bool ok = std::fwrite(bytes.data(), 1, amount, f) == amount;
  ok = std::fclose(f) == 0 && ok;
  if (failing || !ok) {
    lastError_ = ERROR_DISK_FULL;
    return false;
  }
  return true;
}

// ---- Test controls -------------------------------------------------------------

void SimFileSystem::SetSpecialFolder(const std::string& path, bool fails) {
  specialFolder_ = path;
  specialFolderFails_ = fails;
}

void SimFileSystem::SetModuleFileName(const std::string& path) { moduleFileName_ = path; }

void SimFileSystem::FailNextWriteAfter(long bytes) { failWriteAfter_ = bytes; }

void SimFileSystem::FailMoves(bool fail) { failMoves_ = fail; }

void SimFileSystem::SetReadOnly(const std::string& windowsPath, bool readOnly) {
  std::string key = KeyOf(ParsePath(windowsPath));
  if (readOnly) {
    readOnly_.insert(key);
  } else {
    readOnly_.erase(key);
  }
}

void SimFileSystem::SetLeadByteTest(BOOL (*isLead)(void* ctx, BYTE b), void* ctx) {
  isLead_ = isLead;
  isLeadCtx_ = ctx;
}

// ---- Error texts ------------------------------------------------------------------

std::string SimFileSystem::FormatMessageA(DWORD code) const {
  switch (code) {
    case 0: return "The operation completed successfully.\r\n";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.\r\n";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.\r\n";
    case ERROR_ACCESS_DENIED: return "Access is denied.\r\n";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.\r\n";
    case ERROR_DISK_FULL: return "There is not enough space on the disk.\r\n";
    case ERROR_INSUFFICIENT_BUFFER:
      return "The data area passed to a system call is too small.\r\n";
    case ERROR_INVALID_NAME:
      return "The filename, directory name, or volume label syntax is incorrect.\r\n";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.\r\n";
    default: return "";
  }
}

// ---- Folders and files --------------------------------------------------------------

BOOL SimFileSystem::SHGetSpecialFolderPathA(char* buffer, int csidl, BOOL create) {
  if (buffer == nullptr || specialFolderFails_ || csidl != CSIDL_LOCAL_APPDATA ||
      specialFolder_.empty() || specialFolder_.size() >= MAX_PATH) {
    return 0;
  }
  WinPath p = ParsePath(specialFolder_);
  if (!p.valid) return 0;
  if (!HostIsDirectory(HostPathOf(p))) {
    if (!create) return 0;
    // The shell creates every missing folder on the way.
    WinPath step;
    step.drive = p.drive;
    for (const std::string& part : p.parts) {
      step.parts.push_back(part);
      std::string host = HostPathOf(step);
      if (!HostIsDirectory(host) && ::mkdir(host.c_str(), 0777) != 0) return 0;
    }
  }
  std::memcpy(buffer, specialFolder_.c_str(), specialFolder_.size() + 1);
  return 1;
}

BOOL SimFileSystem::FileExists(const std::string& path) const {
  if (path.empty()) return 0;
  WinPath p = ParsePath(path);
  if (!p.valid) return 0;
  return HostExists(HostPathOf(p)) ? 1 : 0;
}

BOOL SimFileSystem::CreateDirectoryA(const std::string& path) {
  WinPath p = ParsePath(path);
  if (!p.valid || p.parts.empty()) {
    lastError_ = p.valid ? ERROR_ACCESS_DENIED : ERROR_INVALID_NAME;
    return 0;
  }
  std::string host = HostPathOf(p);
  if (HostExists(host)) {
    lastError_ = ERROR_ALREADY_EXISTS;
    return 0;
  }
  WinPath parent = p;
  parent.parts.pop_back();
  if (!HostIsDirectory(HostPathOf(parent))) {
    lastError_ = ERROR_PATH_NOT_FOUND;
    return 0;
  }
  if (readOnly_.count(KeyOf(parent)) != 0 || ::mkdir(host.c_str(), 0777) != 0) {
    lastError_ = ERROR_ACCESS_DENIED;
    return 0;
  }
  return 1;
}

DWORD SimFileSystem::GetModuleFileNameA(char* buffer, DWORD size) {
  if (moduleFileName_.empty() || buffer == nullptr || size == 0) return 0;
  DWORD n = static_cast<DWORD>(moduleFileName_.size());
  if (n >= size) {
    // Cut and NUL-terminated; the result is the buffer size, as the system
    // reports a cut path.
    std::memcpy(buffer, moduleFileName_.data(), size - 1);
    buffer[size - 1] = '\0';
    lastError_ = ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  std::memcpy(buffer, moduleFileName_.c_str(), n + 1);
  return n;
}

BOOL SimFileSystem::ReadFileBytes(const std::string& path, std::string* bytes,
                                  std::size_t maxBytes) {
  WinPath p = ParsePath(path);
  if (!p.valid || p.parts.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return 0;
  }
  std::string host = HostPathOf(p);
  if (HostIsDirectory(host)) {
    lastError_ = ERROR_ACCESS_DENIED;
    return 0;
  }
  if (!HostRead(host, bytes, maxBytes)) {
    WinPath parent = p;
    parent.parts.pop_back();
    lastError_ = HostIsDirectory(HostPathOf(parent)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return 0;
  }
  return 1;
}

BOOL SimFileSystem::AppendFileBytes(const std::string& path, const std::string& bytes) {
  WinPath p = ParsePath(path);
  std::string host;
  if (!CheckWritable(p, &host)) return 0;
  return HostWrite(host, bytes, /*append=*/true) ? 1 : 0;
}

BOOL SimFileSystem::WriteFileBytes(const std::string& path, const std::string& bytes) {
  WinPath p = ParsePath(path);
  std::string host;
  if (!CheckWritable(p, &host)) return 0;
  return HostWrite(host, bytes) ? 1 : 0;
}

BOOL SimFileSystem::MoveFileReplaceA(const std::string& from, const std::string& to) {
  WinPath src = ParsePath(from);
  WinPath dst = ParsePath(to);
  if (failMoves_) {
    lastError_ = ERROR_ACCESS_DENIED;
    return 0;
  }
  if (!src.valid || src.parts.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return 0;
  }
  std::string srcHost = HostPathOf(src);
  if (!HostExists(srcHost) || HostIsDirectory(srcHost)) {
    lastError_ = HostIsDirectory(srcHost) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    return 0;
  }
  std::string dstHost;
  if (!CheckWritable(dst, &dstHost)) return 0;
  if (::rename(srcHost.c_str(), dstHost.c_str()) != 0) {
    lastError_ = ERROR_ACCESS_DENIED;
    return 0;
  }
  return 1;
}

BOOL SimFileSystem::DeleteFileA(const std::string& path) {
  WinPath p = ParsePath(path);
  if (!p.valid || p.parts.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return 0;
  }
  std::string host = HostPathOf(p);
  if (!HostExists(host)) {
    WinPath parent = p;
    parent.parts.pop_back();
    lastError_ = HostIsDirectory(HostPathOf(parent)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return 0;
  }
  if (HostIsDirectory(host) || readOnly_.count(KeyOf(p)) != 0 || ::unlink(host.c_str()) != 0) {
    lastError_ = ERROR_ACCESS_DENIED;
    return 0;
  }
  return 1;
}

// ---- the desktop's calls -------------------------------------------------------------

DWORD SimDesktop::GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buffer, DWORD size,
                                           const char* fileName) {
  return s_->files.GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

UINT SimDesktop::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                       const char* fileName) {
  return s_->files.GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

BOOL SimDesktop::WritePrivateProfileStringA(const char* section, const char* key,
                                            const char* value, const char* fileName) {
  return s_->files.WritePrivateProfileStringA(section, key, value, fileName);
}

DWORD SimDesktop::GetLastError() { return s_->files.GetLastError(); }
void SimDesktop::SetLastError(DWORD code) { s_->files.SetLastError(code); }
std::string SimDesktop::FormatMessageA(DWORD code) { return s_->files.FormatMessageA(code); }

BOOL SimDesktop::SHGetSpecialFolderPathA(HWND owner, char* buffer, int csidl, BOOL create) {
  (void)owner;
  return s_->files.SHGetSpecialFolderPathA(buffer, csidl, create);
}

BOOL SimDesktop::FileExists(const std::string& path) { return s_->files.FileExists(path); }
BOOL SimDesktop::CreateDirectoryA(const std::string& path) { return s_->files.CreateDirectoryA(path); }
DWORD SimDesktop::GetModuleFileNameA(char* buffer, DWORD size) {
  return s_->files.GetModuleFileNameA(buffer, size);
}
BOOL SimDesktop::ReadFileBytes(const std::string& path, std::string* bytes,
                               std::size_t maxBytes) {
  return s_->files.ReadFileBytes(path, bytes, maxBytes);
}

std::size_t SimDesktop::LargestFileRead() const { return s_->files.LargestRead(); }
BOOL SimDesktop::WriteFileBytes(const std::string& path, const std::string& bytes) {
  return s_->files.WriteFileBytes(path, bytes);
}
BOOL SimDesktop::AppendFileBytes(const std::string& path, const std::string& bytes) {
  return s_->files.AppendFileBytes(path, bytes);
}

namespace {

// Value names are compared without regard to case, as the registry does.
std::string RunName(const std::string& name) {
  std::string upper = name;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return upper;
}

}  // namespace

BOOL SimDesktop::GetRunValueU8(const std::string& name, std::string* command) {
  auto it = s_->runValues.find(RunName(name));
  if (it == s_->runValues.end()) return FALSE;
  *command = it->second;
  return TRUE;
}

BOOL SimDesktop::SetRunValueU8(const std::string& name, const std::string& command) {
  s_->runValues[RunName(name)] = command;
  return TRUE;
}

BOOL SimDesktop::DeleteRunValueU8(const std::string& name) {
  return s_->runValues.erase(RunName(name)) != 0 ? TRUE : FALSE;
}

void SimDesktop::GetLocalTime(SYSTEMTIME* time) {
  // 2026-12-09 09:00:00 plus the simulated clock.
  const std::uint64_t seconds = s_->now / 1000;
  *time = SYSTEMTIME{2026, 12, 3, 9, static_cast<WORD>(9 + seconds / 3600 % 15),
                     static_cast<WORD>(seconds / 60 % 60), static_cast<WORD>(seconds % 60),
                     static_cast<WORD>(s_->now % 1000)};
}

BOOL SimDesktop::MoveFileReplaceA(const std::string& from, const std::string& to) {
  return s_->files.MoveFileReplaceA(from, to);
}
BOOL SimDesktop::DeleteFileA(const std::string& path) { return s_->files.DeleteFileA(path); }

HANDLE SimDesktop::CreateMutexA(const std::string& name) {
  State& s = *s_;
  if (s.privilegedMutexes.count(name) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  bool held = false;
  for (const auto& m : s.mutexes) held = held || m.second == name;
  const HANDLE h = reinterpret_cast<HANDLE>(s.nextMutex);
  s.nextMutex += 4;
  s.mutexes[h] = name;
  SetLastError(held ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL SimDesktop::CloseHandle(HANDLE handle) {
  if (s_->mutexes.erase(handle) == 0) {
    SetLastError(6);  // ERROR_INVALID_HANDLE
    return FALSE;
  }
  return TRUE;
}

void SimDesktop::HoldMutexAtHigherPrivilege(const std::string& name) {
  s_->privilegedMutexes.insert(name);
}

bool SimDesktop::MutexHeld(const std::string& name) const {
  for (const auto& m : s_->mutexes) {
    if (m.second == name) return true;
  }
  return false;
}

std::string SimDesktop::HostPath(const std::string& windowsPath) const {
  return s_->files.HostPath(windowsPath);
}
void SimDesktop::SetSpecialFolder(const std::string& path, bool fails) {
  s_->files.SetSpecialFolder(path, fails);
}
void SimDesktop::SetModuleFileName(const std::string& path) { s_->files.SetModuleFileName(path); }
void SimDesktop::FailNextWriteAfter(long bytes) { s_->files.FailNextWriteAfter(bytes); }
void SimDesktop::FailMoves(bool fail) { s_->files.FailMoves(fail); }
void SimDesktop::SetReadOnly(const std::string& windowsPath, bool readOnly) {
  s_->files.SetReadOnly(windowsPath, readOnly);
}

}  // namespace mm::sim
