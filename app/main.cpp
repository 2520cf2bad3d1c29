// The Windows entry point. MinGW's start-up code calls main() in a GUI
// (-mwindows) program too, so no WinMain and no <windows.h> are needed.
#include "app/morimo_app.h"
#include "platform/win32/win32_platform.h"

#include <cstring>

int main(int argc, char** argv) {
  mm::Win32Platform platform;
  mm::SetOs(&platform);
  bool handover = false;
  for (int i = 1; i < argc; ++i) {
    handover = handover || std::strcmp(argv[i], mm::CMorimoApp::kHandoverSwitch) == 0;
  }
  int code = 0;
  {
    mm::CMorimoApp app(handover);
    code = app.Run();
  }
  mm::SetOs(nullptr);
  return code;
}
