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

std::size_t CharBytes(std::string_view text, std::size_t at) {
  const auto c = static_cast<unsigned char>(text[at]);
  // Lead bytes of every double-byte code page lie above 0x7F, so ASCII is
  // stepped without asking the system.
  if (c < 0x80 || at + 1 >= text.size()) return 1;
  return Os().IsDBCSLeadByte(c) ? 2 : 1;
}

std::string UpperAscii(std::string text) {
  for (std::size_t i = 0; i < text.size(); i += CharBytes(text, i)) {
    char& c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace mm
