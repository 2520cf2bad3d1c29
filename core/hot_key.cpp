#include "core/hot_key.h"

#include <cstdio>

#include "platform/platform.h"

namespace mm {

namespace {

constexpr UINT kKnownFlags = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;

bool IsPressableKey(UINT key) {
  struct Range {
    UINT first, last;
  };
  // Mouse buttons, modifiers (alone they make no combination), the
  // Windows keys, and codes no keyboard sends.
  static const Range kNever[] = {{0x00, 0x07}, {0x0A, 0x0B}, {0x0E, 0x0F}, {0x10, 0x12},
                                 {0x3A, 0x40}, {0x5B, 0x5C}, {0x5E, 0x5E}, {0x88, 0x8F},
                                 {0x97, 0x9F}, {0xA0, 0xA5}, {0xB8, 0xB9}, {0xC1, 0xDA},
                                 {0xE0, 0xE0}, {0xE5, 0xE5}, {0xE7, 0xE8}, {0xFC, 0xFC},
                                 {0xFF, 0xFF}};
  for (const Range& range : kNever) {
    if (key >= range.first && key <= range.last) return false;
  }
  return key <= 0xFF;
}

}  // namespace

bool IsPressableHotKey(UINT value) {
  if (value > 0xFFFF) return false;
  if (((value >> 8) & ~kKnownFlags) != 0) return false;
  return IsPressableKey(value & 0xFF);
}

WORD ParseHotKeyValue(const std::string& text) {
  // Five digits hold every value; more is damage, not a bigger number.
  if (text.empty() || text.size() > 5) return 0;
  UINT value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<UINT>(c - '0');
  }
  return IsPressableHotKey(value) ? static_cast<WORD>(value) : 0;
}

UINT HotKeyModifiers(WORD value) {
  const UINT flags = value >> 8;
  UINT modifiers = 0;
  if ((flags & HOTKEYF_SHIFT) != 0) modifiers |= MOD_SHIFT;
  if ((flags & HOTKEYF_CONTROL) != 0) modifiers |= MOD_CONTROL;
  if ((flags & HOTKEYF_ALT) != 0) modifiers |= MOD_ALT;
  return modifiers;
}

UINT HotKeyVirtualKey(WORD value) { return value & 0xFFu; }

std::string HotKeyText(WORD value) {
  auto name = [](UINT key) {
    std::string text = Os().KeyNameU8(key);
    if (text.empty()) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%02X", key);
      text = code;
    }
    return text;
  };
  std::string text;
  const UINT flags = value >> 8;
  if ((flags & HOTKEYF_CONTROL) != 0) text += name(VK_CONTROL) + " + ";
  if ((flags & HOTKEYF_SHIFT) != 0) text += name(VK_SHIFT) + " + ";
  if ((flags & HOTKEYF_ALT) != 0) text += name(VK_MENU) + " + ";
  return text + name(HotKeyVirtualKey(value));
}

}  // namespace mm
