// Byte-string helpers shared by every layer: captions, class names, rule
// fields and paths are bytes in the system's ANSI code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mm {

// Text as a C string holds it: up to its first NUL.
std::string_view UpToNul(std::string_view text);

// Bytes of the character that begins at `at`: 2 for a lead byte with a
// byte after it, else 1. Asks the seam's code page, so it must be set.
std::size_t CharBytes(std::string_view text, std::size_t at);

// ASCII letters in upper case; double-byte characters are left whole (a
// trail byte may look like a lower-case letter).
std::string UpperAscii(std::string text);

}  // namespace mm
