// Reading another program's caption and class name as the rules see them.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

// The caption's bytes up to its first NUL, as CTrayWndSpec::Matches reads
// them. A caption of up to 255 bytes takes one call instead of two (under
// Wine every call about another program's window is a trip to the server).
void ReadWindowCaption(HWND window, std::string* out);

// The class name as a 256-byte buffer receives it (at most 255 bytes).
void ReadWindowClassName(HWND window, std::string* out);

// The taskbar, the desktop and the notification area's own windows (Wine's
// too): taking one would take every tray icon with it, ours included, so
// no rule ever does.
bool IsShellWindowClass(const std::string& className);

}  // namespace mm
