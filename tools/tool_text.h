// Small text helpers shared by the test tools: command-line arguments as
// wide strings, UTF-8 in and out, and number parsing that refuses junk.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace tools {

inline std::vector<std::wstring> WideArgs() {
  std::vector<std::wstring> args;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

inline std::string ToUtf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                      nullptr);
  return s;
}

inline std::wstring FromUtf8(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

// Accepts decimal or 0x-prefixed hexadecimal, with an optional minus sign.
inline bool ParseInt(const std::wstring& text, long long* out) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  long long v = std::wcstoll(text.c_str(), &end, 0);
  if (!end || *end != L'\0') return false;
  *out = v;
  return true;
}

inline std::wstring HwndText(HWND h) {
  wchar_t buf[32];
  std::swprintf(buf, 32, L"0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
  return buf;
}

// Writes a whole file and renames it into place, so that a poller never
// reads half of it.
inline bool WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  std::wstring tmp = path + L".tmp";
  HANDLE f = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  if (!ok || written != bytes.size()) return false;
  return MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace tools
