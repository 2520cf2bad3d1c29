#include "platform/win32/win32_text.h"

#include <climits>

#include "platform/win32/win32_sdk.h"

namespace mm::win32 {

std::wstring Widen(const std::string& bytes, unsigned int codePage) {
  // The length is passed explicitly: no terminating NUL is produced or
  // needed, and embedded NULs survive. Strings beyond INT_MAX bytes do not
  // occur here; refusing them beats a truncated size.
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  const int inLength = static_cast<int>(bytes.size());
  int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), inLength, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  length = ::MultiByteToWideChar(codePage, 0, bytes.data(), inLength, &text[0], length);
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

std::string Narrow(const std::wstring& text, unsigned int codePage) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int inLength = static_cast<int>(text.size());
  int length =
      ::WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  length = ::WideCharToMultiByte(codePage, 0, text.data(), inLength, &bytes[0], length, nullptr,
                                 nullptr);
  bytes.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return bytes;
}

}  // namespace mm::win32
