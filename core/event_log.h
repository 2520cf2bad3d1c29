// What happened to the windows, for the log a user reads when one went
// missing: one line an event, UTF-8, never a caption (captions carry
// document names). The program sends the lines to its log file; without a
// sink they go nowhere.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

using EventSink = void (*)(const std::string& lineUtf8);
void SetEventSink(EventSink sink);
void LogEvent(const std::string& lineUtf8);

// A window's handle as the log writes it ("0x0001A2B4").
std::string HandleForLog(HWND window);
// A window as the log names it: its handle, class and program file.
std::string WindowForLog(HWND window);

}  // namespace mm
