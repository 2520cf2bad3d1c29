// A hotkey as the settings file and the hotkey control hold it: the virtual
// key in the low byte, HOTKEYF_SHIFT, _CONTROL, _ALT and _EXT in the high
// byte; 0 is none.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

// A value some key combination can give: known modifier bits only, and a
// key that a keyboard has and that is not itself a modifier.
bool IsPressableHotKey(UINT value);
// A stored value: decimal digits and nothing else, pressable; anything
// else (damaged, out of range, a key no one can press) is none.
WORD ParseHotKeyValue(const std::string& text);
// What RegisterHotKey takes: MOD_* of the HOTKEYF_* bits (HOTKEYF_EXT
// makes no difference), and the key.
UINT HotKeyModifiers(WORD value);
UINT HotKeyVirtualKey(WORD value);
// "Ctrl + Shift + Alt + Down": the keys as the system names them, in the
// order the hotkey control shows them.
std::string HotKeyText(WORD value);

}  // namespace mm
