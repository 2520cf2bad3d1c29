#include "core/event_log.h"

#include <cstdio>

#include "platform/platform.h"
#include "platform/window_text.h"
#include "core/tray_wnd_spec.h"

namespace mm {

namespace {

EventSink g_sink = nullptr;

}  // namespace

void SetEventSink(EventSink sink) { g_sink = sink; }

void LogEvent(const std::string& lineUtf8) {
  if (g_sink != nullptr) g_sink(lineUtf8);
}

std::string HandleForLog(HWND window) {
  char handle[24];
  std::snprintf(handle, sizeof handle, "0x%08lX",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window) & 0xFFFFFFFFu));
  return handle;
}

std::string WindowForLog(HWND window) {
  const std::string program(ProgramFileName(WindowProgramPath(window)));
  return HandleForLog(window) + " クラス=" + Os().AnsiToUtf8(WindowClassName(window)) +
         " プログラム=" + Os().AnsiToUtf8(program);
}

}  // namespace mm
