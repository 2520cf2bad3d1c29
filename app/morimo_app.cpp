#include "app/morimo_app.h"

#include "storage/log_file.h"

namespace mm {

CMorimoApp::~CMorimoApp() {
  try {
    manager_.reset();
  } catch (...) {
  }
  StopEventLog();
  if (instance_ != nullptr) Os().CloseHandle(instance_);
}

bool CMorimoApp::InitInstance() {
  // Two managers over the same windows and files would fight: the second
  // copy shows the first one's window and ends without touching anything.
  instance_ = Os().CreateMutexA(kInstanceMutex);
  DWORD error = Os().GetLastError();
  // The copy that started us is giving back its windows: its end, not a
  // hand-over to it, is what we wait for (the first start takes nothing
  // meanwhile; the windows are ours once it has let them go).
  constexpr DWORD kRetryMs = 100;
  for (DWORD waited = 0; handover_ && instance_ != nullptr && error == ERROR_ALREADY_EXISTS &&
                         waited < kHandoverWaitMs;
       waited += kRetryMs) {
    Os().CloseHandle(instance_);
    Os().Sleep(kRetryMs);
    instance_ = Os().CreateMutexA(kInstanceMutex);
    error = Os().GetLastError();
  }
  // A first copy started as administrator holds a mutex we may not open.
  const bool another = instance_ != nullptr ? error == ERROR_ALREADY_EXISTS
                                            : error == ERROR_ACCESS_DENIED;
  if (another) {
    if (instance_ != nullptr) Os().CloseHandle(instance_);
    instance_ = nullptr;
    // The user started us, so we may let the first copy come to the front.
    Os().AllowSetForegroundWindow(ASFW_ANY);
    Os().PostMessageA(HwndBroadcast(), Os().RegisterWindowMessageA(kShowManagerMessage), 0, 0);
    return false;
  }
  StartEventLog();
  manager_ = std::make_unique<CMorimoDlg>();
  manager_->Create(nullptr);
  return true;
}

int CMorimoApp::ExitInstance() {
  // A failure while the manager goes is of no use to anyone at this point.
  try {
    manager_.reset();
  } catch (...) {
  }
  StopEventLog();
  if (instance_ != nullptr) {
    Os().CloseHandle(instance_);
    instance_ = nullptr;
  }
  Os().InvalidateRect(Os().GetDesktopWindow(), nullptr, 1);
  return exitCode_;
}

int CMorimoApp::Run() {
  if (InitInstance()) exitCode_ = Os().RunMessageLoop();
  return ExitInstance();
}

}  // namespace mm
