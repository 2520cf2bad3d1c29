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
// byte after it, else 1; where the ANSI code page is UTF-8, the bytes of
// its UTF-8 sequence. Asks the seam's code page, so it must be set.
std::size_t CharBytes(std::string_view text, std::size_t at);

// UTF-8 and UTF-16, for the texts that reach the screen through the wide
// calls. A byte that does not begin a valid UTF-8 character stands for
// itself as U+FFFD, so broken input never stops a conversion.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// UTF-16 code units the text takes (a character beyond the BMP takes two).
std::size_t Utf16Units(std::string_view utf8);
// The longest start of the text that takes at most `units` UTF-16 units,
// never half a character (a surrogate pair stays whole or goes whole).
std::string_view Utf8Prefix(std::string_view utf8, std::size_t units);

// ASCII letters in upper case; double-byte characters are left whole (a
// trail byte may look like a lower-case letter).
std::string UpperAscii(std::string text);

}  // namespace mm
