// Version blocks for tests: the bytes of a VS_VERSIONINFO as the resource
// compiler writes them, to give the simulated desktop a block for a file or
// to hand version.dll one in memory.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace mm::testing {

struct VersionBlock {
  struct StringTable {
    std::string name;  // language and code page in hex, "041103A4"
    std::vector<std::pair<std::string, std::string>> values;  // UTF-8; NULs kept
  };

  DWORD fileVersionMS = 0, fileVersionLS = 0;
  DWORD productVersionMS = 0, productVersionLS = 0;
  std::vector<StringTable> tables;
  // (language, code page) in order; none leaves VarFileInfo out.
  std::vector<std::pair<WORD, WORD>> translations;

  static DWORD Pack(WORD high, WORD low) { return (static_cast<DWORD>(high) << 16) | low; }

  std::string Bytes() const {
    std::string out;
    Node(out, "VS_VERSION_INFO", 0, FixedPart(), sizeof(VS_FIXEDFILEINFO), [&] {
      if (!tables.empty()) {
        Node(out, "StringFileInfo", 1, "", 0, [&] {
          for (const StringTable& table : tables) {
            Node(out, table.name, 1, "", 0, [&] {
              for (const auto& [key, value] : table.values) {
                // With its NUL, counted in UTF-16 units.
                const std::u16string text = Utf16(value) + u'\0';
                Node(out, key, 1, Raw(text), static_cast<WORD>(text.size()), [] {});
              }
            });
          }
        });
      }
      if (!translations.empty()) {
        Node(out, "VarFileInfo", 1, "", 0, [&] {
          std::string pairs;
          for (const auto& [language, codePage] : translations) {
            Word(pairs, language);
            Word(pairs, codePage);
          }
          Node(out, "Translation", 0, pairs, static_cast<WORD>(pairs.size()), [] {});
        });
      }
    });
    return out;
  }

 private:
  std::string FixedPart() const {
    VS_FIXEDFILEINFO f{};
    f.dwSignature = 0xFEEF04BD;
    f.dwStrucVersion = 0x00010000;
    f.dwFileVersionMS = fileVersionMS;
    f.dwFileVersionLS = fileVersionLS;
    f.dwProductVersionMS = productVersionMS;
    f.dwProductVersionLS = productVersionLS;
    f.dwFileFlagsMask = 0x3F;
    f.dwFileOS = 0x40004;  // VOS_NT_WINDOWS32
    f.dwFileType = 1;      // VFT_APP
    std::string bytes(sizeof f, '\0');
    std::memcpy(&bytes[0], &f, sizeof f);
    return bytes;
  }

  static void Word(std::string& out, WORD w) {
    out.push_back(static_cast<char>(w & 0xFF));
    out.push_back(static_cast<char>(w >> 8));
  }
  static void Pad(std::string& out) {
    while (out.size() % 4 != 0) out.push_back('\0');
  }
  static std::string Raw(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) Word(bytes, static_cast<WORD>(c));
    return bytes;
  }
  static std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
      const auto c = static_cast<unsigned char>(utf8[i]);
      const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
      for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
      i += 1 + extra;
      if (cp >= 0x10000) {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      } else {
        out.push_back(static_cast<char16_t>(cp));
      }
    }
    return out;
  }

  // One node: wLength, wValueLength, wType, the key, the value and the
  // children, each part 4-byte aligned; wLength covers the node without the
  // padding after it.
  template <typename Children>
  static void Node(std::string& out, const std::string& key, WORD type, const std::string& value,
                   WORD valueLength, Children children) {
    Pad(out);
    const size_t start = out.size();
    Word(out, 0);
    Word(out, valueLength);
    Word(out, type);
    out += Raw(Utf16(key) + u'\0');
    Pad(out);
    out += value;
    children();
    const size_t length = out.size() - start;
    out[start] = static_cast<char>(length & 0xFF);
    out[start + 1] = static_cast<char>(length >> 8);
  }
};

}  // namespace mm::testing
