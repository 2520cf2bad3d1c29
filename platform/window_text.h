// Reading a window's caption and class name: the one reader of each, for
// the rules, the managed windows, the lists and the dialogs alike.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

// Class names are at most 256 characters. Read with a 255-byte buffer they
// arrive as at most 254 bytes, never half a double-byte character: the
// bytes every rule has been matched against, so every reader gives these.
constexpr int kClassNameBuffer = 255;
// A caption shown in a list row, where a cut title does: what a 255-byte
// buffer receives in one call (at most 254 bytes).
constexpr int kListedCaptionBuffer = 255;

// The whole caption, up to its first NUL. A caption of up to 255 bytes
// takes one call instead of two (under Wine every call about another
// program's window is a trip to the server).
void ReadWindowCaption(HWND window, std::string* out);
std::string WindowCaption(HWND window);

// The caption as a list row shows it (kListedCaptionBuffer), in one call.
std::string ListedWindowCaption(HWND window);

// The class name as rules see it (kClassNameBuffer).
void ReadWindowClassName(HWND window, std::string* out);
std::string WindowClassName(HWND window);

// The full path of the window's program file, as rules see it; empty when
// the process is gone or refuses the question.
void ReadWindowProgramPath(HWND window, std::string* out);
std::string WindowProgramPath(HWND window);

}  // namespace mm
