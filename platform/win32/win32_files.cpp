// Files, folders, profiles and error codes.
#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_text.h"

#include <algorithm>

#include "platform/win32/win32_handles.h"

namespace mm {

using win32::W;

DWORD Win32Platform::GetPrivateProfileStringA(const char* section, const char* key,
                                              const char* defaultValue, char* buffer,
                                              DWORD size, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

UINT Win32Platform::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                          const char* fileName) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

BOOL Win32Platform::WritePrivateProfileStringA(const char* section, const char* key,
                                               const char* value, const char* fileName) {
  return ::WritePrivateProfileStringA(section, key, value, fileName);
}

DWORD Win32Platform::GetLastError() { return ::GetLastError(); }
void Win32Platform::SetLastError(DWORD code) { ::SetLastError(code); }

std::string Win32Platform::FormatMessageA(DWORD code) {
  char* text = nullptr;
  ::DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<::LPSTR>(&text),
      0, nullptr);
  win32::UniqueLocal owned(text);  // the system allocated it; LocalFree releases it
  if (length == 0 || text == nullptr) return std::string();
  return std::string(text, length);  // as the system gives it, line end included
}

BOOL Win32Platform::SHGetSpecialFolderPathA(HWND owner, char* buffer, int csidl, BOOL create) {
  return ::SHGetSpecialFolderPathA(W(owner), buffer, csidl, create);
}

BOOL Win32Platform::FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

BOOL Win32Platform::CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr);
}

DWORD Win32Platform::GetModuleFileNameA(char* buffer, DWORD size) {
  return ::GetModuleFileNameA(nullptr, buffer, size);
}

BOOL Win32Platform::ReadFileBytes(const std::string& path, std::string* bytes,
                                  std::size_t maxBytes) {
  win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  std::string content;
  ::LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 &&
      size.QuadPart < (static_cast<LONGLONG>(1) << 30)) {
    content.reserve(std::min(static_cast<size_t>(size.QuadPart), maxBytes));
  }
  // Read to the end (or the bound) rather than trusting the size: the file
  // may change under us.
  char chunk[64 * 1024];
  while (content.size() < maxBytes) {
    ::DWORD got = 0;
    const ::DWORD want = static_cast<::DWORD>(std::min(sizeof(chunk), maxBytes - content.size()));
    if (!::ReadFile(file.Get(), chunk, want, &got, nullptr)) return FALSE;
    if (got == 0) break;
    content.append(chunk, got);
  }
  if (bytes != nullptr) *bytes = std::move(content);
  return TRUE;
}

BOOL Win32Platform::WriteFileBytes(const std::string& path, const std::string& bytes) {
  win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  size_t done = 0;
  while (done < bytes.size()) {
    const ::DWORD want =
        static_cast<::DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    ::DWORD wrote = 0;
    if (!::WriteFile(file.Get(), bytes.data() + done, want, &wrote, nullptr)) return FALSE;
    if (wrote == 0) {  // a short write that says it succeeded: the disk is full
      ::SetLastError(ERROR_DISK_FULL);
      return FALSE;
    }
    done += wrote;
  }
  // The caller renames this file over the one it replaces next: its bytes
  // must be on the disk first.
  if (!::FlushFileBuffers(file.Get())) return FALSE;
  return file.Close() ? TRUE : FALSE;
}

BOOL Win32Platform::AppendFileBytes(const std::string& path, const std::string& bytes) {
  // Shared for reading, so the user can look at the file meanwhile.
  win32::UniqueFile file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  ::DWORD wrote = 0;
  if (!::WriteFile(file.Get(), bytes.data(), static_cast<::DWORD>(bytes.size()), &wrote, nullptr) ||
      wrote != bytes.size()) {
    return FALSE;
  }
  return file.Close() ? TRUE : FALSE;
}

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

BOOL Win32Platform::GetRunValueU8(const std::string& name, std::string* command) {
  wchar_t value[2048] = {};
  ::DWORD size = sizeof value - sizeof(wchar_t);  // room for a terminator it may lack
  if (::RegGetValueW(HKEY_CURRENT_USER, kRunKey, win32::WidenUtf8(name).c_str(),
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                     &size) != ERROR_SUCCESS) {
    return FALSE;
  }
  *command = win32::NarrowUtf8(value);
  return TRUE;
}

BOOL Win32Platform::SetRunValueU8(const std::string& name, const std::string& command) {
  ::HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return FALSE;
  }
  const std::wstring text = win32::WidenUtf8(command);
  const LONG done = ::RegSetValueExW(key, win32::WidenUtf8(name).c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<::DWORD>((text.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return done == ERROR_SUCCESS;
}

BOOL Win32Platform::DeleteRunValueU8(const std::string& name) {
  return ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, win32::WidenUtf8(name).c_str()) ==
         ERROR_SUCCESS;
}

void Win32Platform::GetLocalTime(SYSTEMTIME* time) {
  ::SYSTEMTIME now{};
  ::GetLocalTime(&now);
  *time = SYSTEMTIME{now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                     now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

BOOL Win32Platform::MoveFileReplaceA(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

HANDLE Win32Platform::CreateMutexA(const std::string& name) {
  return ::CreateMutexA(nullptr, FALSE, name.c_str());
}

BOOL Win32Platform::CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }

BOOL Win32Platform::DeleteFileA(const std::string& path) { return ::DeleteFileA(path.c_str()); }

}  // namespace mm
