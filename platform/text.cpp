#include "platform/text.h"

#include <cstring>

#include "platform/platform.h"

namespace mm {

std::string_view UpToNul(std::string_view text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul == nullptr ? text
                        : text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) -
                                                                  text.data()));
}

namespace {

// The character that begins at `at`: its code point and its bytes (1 for a
// byte that does not begin a valid sequence, which reads as U+FFFD).
std::size_t DecodeUtf8(std::string_view text, std::size_t at, char32_t* point) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x80) {
    *point = c;
    return 1;
  }
  std::size_t length = c >= 0xF5 ? 0 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
  if (length == 0 || at + length > text.size()) {
    *point = 0xFFFD;
    return 1;
  }
  char32_t value = c & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      *point = 0xFFFD;
      return 1;
    }
    value = (value << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and points beyond Unicode are not text.
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kLeast[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
    *point = 0xFFFD;
    return 1;
  }
  *point = value;
  return length;
}

}  // namespace

std::size_t CharBytes(std::string_view text, std::size_t at) {
  const auto c = static_cast<unsigned char>(text[at]);
  // Lead bytes of every double-byte code page lie above 0x7F, so ASCII is
  // stepped without asking the system.
  if (c < 0x80 || at + 1 >= text.size()) return 1;
  Platform& os = Os();
  // Where the ANSI code page is UTF-8 a character takes up to four bytes;
  // a byte of a broken sequence is one character of its own.
  if (os.GetACP() == 65001) {
    char32_t point = 0;
    return DecodeUtf8(text, at, &point);
  }
  return os.IsDBCSLeadByte(c) ? 2 : 1;
}


std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t point = 0;
    at += DecodeUtf8(utf8, at, &point);
    if (point >= 0x10000) {
      point -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(point));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t at = 0; at < utf16.size(); ++at) {
    char32_t point = utf16[at];
    if (point >= 0xD800 && point <= 0xDBFF && at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 &&
        utf16[at + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (utf16[++at] - 0xDC00);
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      point = 0xFFFD;  // half a pair
    }
    if (point < 0x80) {
      out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (point >> 6)));
      out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (point >> 12)));
      out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (point >> 18)));
      out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
  }
  return out;
}

std::size_t Utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t point = 0;
    at += DecodeUtf8(utf8, at, &point);
    units += point >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::string_view Utf8Prefix(std::string_view utf8, std::size_t units) {
  std::size_t at = 0;
  while (at < utf8.size()) {
    char32_t point = 0;
    const std::size_t bytes = DecodeUtf8(utf8, at, &point);
    const std::size_t need = point >= 0x10000 ? 2 : 1;
    if (need > units) break;
    units -= need;
    at += bytes;
  }
  return utf8.substr(0, at);
}

std::string UpperAscii(std::string text) {
  for (std::size_t i = 0; i < text.size(); i += CharBytes(text, i)) {
    char& c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace mm
