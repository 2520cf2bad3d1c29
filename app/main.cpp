// The Windows entry point. MinGW's start-up code calls main() in a GUI
// (-mwindows) program too, so no WinMain and no <windows.h> are needed.
#include "app/morimo_app.h"
#include "platform/win32/win32_platform.h"

int main() {
  mm::Win32Platform platform;
  mm::SetOs(&platform);
  int code = 0;
  {
    mm::CMorimoApp app;
    code = app.Run();
  }
  mm::SetOs(nullptr);
  return code;
}
