// morimo_bareloop: the floor of the idle cost. Every 500 ms it enumerates
// the top-level windows and reads each one's caption and class name, as a
// scan at its barest must; the idle measurement compares morimo.exe with it.
//
//   morimo_bareloop.exe [--period MS]
#include "../tool_text.h"

#include <cwchar>

namespace {

BOOL CALLBACK ReadWindow(HWND hwnd, LPARAM) {
  char caption[512];
  char className[256];
  GetWindowTextA(hwnd, caption, sizeof caption);
  GetClassNameA(hwnd, className, sizeof className);
  return TRUE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  UINT period = 500;
  const wchar_t* option = std::wcsstr(commandLine, L"--period ");
  if (option != nullptr) period = static_cast<UINT>(std::wcstoul(option + 9, nullptr, 10));
  // A timer of the thread, as the manager's is of its window: the same wait.
  SetTimer(nullptr, 0, period, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) EnumWindows(ReadWindow, 0);
  }
  return 0;
}
