#include "storage/ini_reader.h"

#include <string_view>

#include "platform/platform.h"
#include "platform/text.h"

namespace mm {

namespace {

// What CIniFile's buffers hold: a value of up to 1,023 bytes, and the 29 of
// them the profile functions read a number from.
constexpr std::size_t kValueLimit = 1023;
constexpr std::size_t kNumberLimit = 29;

std::string Folded(std::string_view name) { return UpperAscii(std::string(UpToNul(name))); }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWith(const std::string& bytes, std::string_view mark) {
  return bytes.compare(0, mark.size(), mark) == 0;
}

// Whether the profile functions' reading of the file rests on the system's
// conversion of it to Unicode in a way the bytes alone do not show. They
// read a file with a byte order mark as Unicode; they convert any other
// file from the ANSI code page first, so bytes it does not map (a damaged
// double-byte character, a lead byte before a line break or a NUL) come
// back as other characters, and they trim blanks beyond ASCII (the
// ideographic space) that plain bytes do not know as blanks.
bool NeedsTheSystemsReading(const std::string& bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF") || StartsWith(bytes, "\xFF\xFE") ||
      StartsWith(bytes, "\xFE\xFF")) {
    return true;
  }
  bool ascii = true;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    // Control characters that are no blank of ours: the system's idea of
    // them may differ.
    if (b < 0x20 && b != 0 && !IsProfileBlank(c)) return true;
    if (b >= 0x80) ascii = false;
  }
  if (ascii) return false;
  const std::string utf8 = Os().AnsiToUtf8(bytes);
  if (Os().Utf8ToAnsi(utf8) != bytes) return true;
  for (const char* blank : {"\xC2\x85", "\xC2\xA0", "\xE1\x9A\x80", "\xE2\x80\xA8", "\xE2\x80\xA9",
                            "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"}) {
    if (utf8.find(blank) != std::string::npos) return true;
  }
  for (std::size_t at = utf8.find("\xE2\x80"); at != std::string::npos;
       at = utf8.find("\xE2\x80", at + 1)) {
    const auto third = static_cast<unsigned char>(at + 2 < utf8.size() ? utf8[at + 2] : 0);
    if (third >= 0x80 && third <= 0x8A) return true;  // U+2000 to U+200A
  }
  return false;
}

// A value without the pair of matching quotes around it.
std::string_view Unquoted(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// The system's integer parser on the text the profile functions give
// GetPrivateProfileIntA: blanks, a sign, a base (0x, 0o, 0b), digits
// up to the first that is none; it wraps at 32 bits.
// Where a number's digits (or its base mark) begin: past the blanks and
// the sign.
std::size_t DigitsStart(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size() && static_cast<unsigned char>(text[p]) <= ' ') ++p;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  return p;
}

UINT ParseProfileInt(std::string_view text) {
  std::size_t p = DigitsStart(text);
  const bool minus = p > 0 && text[p - 1] == '-';
  unsigned base = 10;
  if (p + 1 < text.size() && text[p] == '0') {
    const char b = text[p + 1];
    if (b == 'x' || b == 'o' || b == 'b') {
      base = b == 'o' ? 8 : b == 'b' ? 2 : 16;
      p += 2;
    }
  }
  UINT total = 0;
  for (; p < text.size(); ++p) {
    const unsigned c = static_cast<unsigned char>(text[p]);
    const unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'a' && c <= 'z' ? c - 'a' + 10
                           : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                                  : 99;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return minus ? 0u - total : total;
}

}  // namespace

CIniReader::CIniReader(const std::string& fileName, const std::string& sectionName)
    : CIniFile(fileName, sectionName) {
  std::string bytes;
  if (!Os().ReadFileBytes(fileName, &bytes)) {
    // A missing file reads as empty; one that is there but cannot be read
    // here is left to the profile functions.
    parsed_ = !Os().FileExists(fileName);
    return;
  }
  if (NeedsTheSystemsReading(bytes)) return;
  Parse(bytes);
  parsed_ = true;
}

void CIniReader::Parse(const std::string& bytes) {
  const std::string_view text(bytes);
  sections_.emplace_back();  // the keys before the first header
  sectionIndex_.emplace(std::string(), 0);
  // CR LF, a lone LF and a lone CR each end a line.
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trimmed(text.substr(pos, end - pos));
    pos = end < text.size() ? end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1) : end;
    if (line.empty()) continue;
    if (line.front() == '[') {
      // The last "]" character closes the name; a trail byte that looks
      // like one does not.
      std::size_t close = std::string_view::npos;
      for (std::size_t c = 0; c < line.size(); c += CharBytes(line, c)) {
        if (line[c] == ']') close = c;
      }
      if (close != std::string_view::npos) {
        // Of sections of the same name the first one is read.
        sectionIndex_.emplace(Folded(Trimmed(line.substr(1, close - 1))), sections_.size());
        sections_.emplace_back();
        continue;
      }
    }
    // "=" is never the second byte of a double-byte character. A line
    // without one is a key without a value: it reads as missing, yet hides
    // a later key of its name.
    const std::size_t eq = line.find('=');
    const bool hasValue = eq != std::string_view::npos;
    Key key{hasValue ? std::string(UpToNul(Trimmed(line.substr(eq + 1)))) : std::string(),
            hasValue};
    sections_.back().keys.emplace(Folded(Trimmed(line.substr(0, eq))), std::move(key));
  }
}

const CIniReader::Key* CIniReader::Find(const std::string& key) {
  auto s = sectionIndex_.find(Folded(GetSectionName()));
  if (s == sectionIndex_.end()) return nullptr;
  const auto& keys = sections_[s->second].keys;
  auto k = keys.find(Folded(key));
  return k == keys.end() || !k->second.hasValue ? nullptr : &k->second;
}

std::string CIniReader::GetString(const std::string& key, const std::string& defaultValue) {
  if (!parsed_ || GetFileName().empty() || GetSectionName().empty()) {
    return CIniFile::GetString(key, defaultValue);
  }
  std::string_view value;
  const Key* k = Find(key);
  if (k != nullptr) {
    value = Unquoted(k->value);
  } else {
    // The default loses its trailing blanks, never its first character.
    value = UpToNul(defaultValue);
    while (value.size() > 1 && value.back() == ' ') value.remove_suffix(1);
  }
  // Where a longer text is cut, and whether its quotes go, depends on the
  // system's characters.
  if (value.size() >= kValueLimit || (k != nullptr && k->value.size() >= kValueLimit)) {
    return CIniFile::GetString(key, defaultValue);
  }
  return std::string(value);
}

int CIniReader::GetInt(const std::string& key, int defaultValue) {
  if (!parsed_ || GetFileName().empty() || GetSectionName().empty()) {
    return CIniFile::GetInt(key, defaultValue);
  }
  const Key* k = Find(key);
  const std::string_view value = k != nullptr ? Unquoted(k->value) : std::string_view();
  // An empty value counts as missing.
  if (value.empty()) return defaultValue;
  // "0X": the system reads no base mark in it, the simulated desktop a
  // hexadecimal one; the profile functions of either say what it means.
  if (value.compare(DigitsStart(value), 2, "0X") == 0) return CIniFile::GetInt(key, defaultValue);
  return static_cast<int>(ParseProfileInt(value.substr(0, kNumberLimit)));
}

}  // namespace mm
