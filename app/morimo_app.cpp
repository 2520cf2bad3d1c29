#include "app/morimo_app.h"

namespace mm {

CMorimoApp::~CMorimoApp() {
  try {
    manager_.reset();
  } catch (...) {
  }
}

bool CMorimoApp::InitInstance() {
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
  Os().InvalidateRect(Os().GetDesktopWindow(), nullptr, 1);
  return exitCode_;
}

int CMorimoApp::Run() {
  if (InitInstance()) exitCode_ = Os().RunMessageLoop();
  return ExitInstance();
}

}  // namespace mm
