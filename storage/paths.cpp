#include "storage/paths.h"

#include <vector>

#include "platform/platform.h"
#include "platform/text.h"

namespace mm {

namespace {

constexpr int kMaxPath = 260;
// Long-path systems can hand out longer module paths; beyond this the
// system itself cannot name the file.
constexpr DWORD kMaxModulePath = 32768;

std::string g_moduleDirectory;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Byte offsets at which the characters of `path` begin. A backslash can be
// the second byte of a double-byte character (0x5C in 932's "表"), so every
// test for a separator walks whole characters.
std::vector<size_t> CharStarts(const std::string& path) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < path.size(); i += CharBytes(path, i)) starts.push_back(i);
  return starts;
}

bool EndsWithBackslash(const std::string& path) {
  std::vector<size_t> starts = CharStarts(path);
  return !starts.empty() && starts.back() == path.size() - 1 && path.back() == '\\';
}

// The path without its trailing run of backslash characters.
std::string StripTrailingBackslashes(const std::string& path) {
  size_t end = 0;
  for (size_t start : CharStarts(path)) {
    if (path[start] != '\\') end = start + CharBytes(path, start);
  }
  return path.substr(0, end);
}

// Text before the last backslash character; empty when there is none.
std::string ParentOf(const std::string& path) {
  size_t cut = std::string::npos;
  for (size_t start : CharStarts(path)) {
    if (path[start] == '\\') cut = start;
  }
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string DataFolderWithBackslash() {
  std::string folder = GetSpecialFolder(CSIDL_LOCAL_APPDATA);
  // An unknown folder leaves "\": a folder at the root of the current
  // drive, which CreateDirectories will not make (its parent is empty).
  if (!EndsWithBackslash(folder)) folder += '\\';
  return folder;
}

}  // namespace

std::string GetSpecialFolder(int csidl) {
  char buffer[kMaxPath] = {};
  if (!Os().SHGetSpecialFolderPathA(nullptr, buffer, csidl, 1)) return std::string();
  buffer[kMaxPath - 1] = '\0';
  std::string path = buffer;
  if (path.empty()) return path;
  if (!EndsWithBackslash(path)) path += '\\';
  return path;
}

int CreateDirectories(const std::string& path, int lastIsFile) {
  if (path.empty()) return 0;
  // Walk up to the first ancestor that exists, then create downwards. The
  // loop does what a recursion over the parents would, without a stack
  // level per path component.
  std::vector<std::string> missing;  // the path itself first, then parents
  std::string current = StripTrailingBackslashes(path);
  while (current.empty() || !Os().FileExists(current)) {
    missing.push_back(current);
    std::string parent = ParentOf(current);
    if (parent.empty()) return 0;  // nothing above to build on
    current = StripTrailingBackslashes(parent);
  }
  if (missing.empty()) return 1;
  for (size_t i = missing.size() - 1; i >= 1; --i) {
    if (!Os().CreateDirectoryA(missing[i])) return 0;
  }
  if (lastIsFile) return 1;
  return Os().CreateDirectoryA(missing[0]) ? 1 : 0;
}

std::string ModuleFilePath() {
  for (DWORD size = kMaxPath; size <= kMaxModulePath; size *= 2) {
    std::vector<char> buffer(size, '\0');
    DWORD n = Os().GetModuleFileNameA(buffer.data(), size);
    if (n == 0) return std::string();
    // A result of the full size means the path was cut: ask with more room.
    if (n < size) return std::string(buffer.data(), n);
  }
  return std::string();
}

std::string GetModuleDirectory() {
  if (!g_moduleDirectory.empty()) return g_moduleDirectory;
  const std::string path = ModuleFilePath();
  if (path.empty()) return std::string();

  // Drive and folder, as the C library's path splitter gives them; the
  // folder keeps its trailing separator.
  size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  size_t lastSeparator = std::string::npos;
  for (size_t start : CharStarts(path)) {
    if (start >= drive && IsSeparator(path[start])) lastSeparator = start;
  }
  if (lastSeparator == std::string::npos) return std::string();
  g_moduleDirectory = path.substr(0, lastSeparator + 1);
  return g_moduleDirectory;
}

namespace {

// 1 portable, 0 not, -1 not asked yet: a copy does not change its mind
// while it runs (its files would be split between two places).
int g_portable = -1;

}  // namespace

bool PortableCopy() {
  if (g_portable >= 0) return g_portable == 1;
  g_portable = 0;
  const std::string folder = GetModuleDirectory();
  if (folder.empty() || !Os().FileExists(folder + "MoriMo.ini")) return false;
  // Writable as a folder, not only the file: the other files are made
  // beside it, and a save replaces the file by renaming a new one over it.
  const std::string probe = folder + "MoriMo.write-test";
  if (Os().WriteFileBytes(probe, std::string())) {
    Os().DeleteFileA(probe);
    g_portable = 1;
  }
  return g_portable == 1;
}

void ResetModuleDirectoryCache() {
  g_moduleDirectory.clear();
  g_portable = -1;
}

std::string DataFolder() {
  return PortableCopy() ? GetModuleDirectory() : DataFolderWithBackslash() + "MoriMo\\";
}

std::string SettingsFilePath() {
  std::string path = DataFolder() + "MoriMo.ini";
  CreateDirectories(path, 1);
  return path;
}

std::string HwndsFilePath() { return DataFolder() + "hwnds"; }

bool ReplaceFileContent(const std::string& path, const std::string& bytes,
                        const std::function<bool(const std::string& newFile)>& edit) {
  const std::string newFile = path + ".new";
  if (Os().WriteFileBytes(newFile, bytes) && (!edit || edit(newFile)) &&
      Os().MoveFileReplaceA(newFile, path)) {
    return true;
  }
  Os().DeleteFileA(newFile);  // partial or unused, if there at all
  return false;
}

}  // namespace mm
