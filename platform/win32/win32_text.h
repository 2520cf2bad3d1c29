// Text conversions of the Win32 backend. Every byte string that reaches a
// W API goes through here: our own texts are UTF-8, other programs' texts
// are in the ANSI code page, and the wide API is the one that shows both.
#pragma once

#include <string>

namespace mm::win32 {

// Code page identifiers as the conversion functions take them.
constexpr unsigned int kAnsiCodePage = 0;      // CP_ACP
constexpr unsigned int kUtf8CodePage = 65001;  // CP_UTF8

// Whole-string conversions; embedded NULs are kept. Bytes that are not
// valid in the source code page become U+FFFD (UTF-8) or the code page's
// default character; a conversion never fails as a whole.
std::wstring Widen(const std::string& bytes, unsigned int codePage);
std::string Narrow(const std::wstring& text, unsigned int codePage);

inline std::wstring WidenUtf8(const std::string& utf8) { return Widen(utf8, kUtf8CodePage); }
inline std::string NarrowUtf8(const std::wstring& text) { return Narrow(text, kUtf8CodePage); }

}  // namespace mm::win32
