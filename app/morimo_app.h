// The application object: creates the manager window, runs the message
// loop until the manager's exit operation ends it, and cleans up.
#pragma once

#include <memory>

#include "app/morimo_dlg.h"

namespace mm {

class CMorimoApp {
 public:
  // `handover`: started by a copy that restarts itself as administrator,
  // which is letting go of its windows meanwhile: waits for it to end.
  explicit CMorimoApp(bool handover = false) : handover_(handover) {}
  virtual ~CMorimoApp();
  CMorimoApp(const CMorimoApp&) = delete;
  CMorimoApp& operator=(const CMorimoApp&) = delete;

  // Creates the manager (invisible; its initialisation runs inside).
  virtual bool InitInstance();
  // After the loop: deletes the manager and repaints the desktop. Returns
  // the loop's exit code.
  virtual int ExitInstance();
  // The whole life of the program.
  int Run();

  CMorimoDlg* Manager() const { return manager_.get(); }

  // One copy a user session: a name the first copy holds while it runs.
  static constexpr char kInstanceMutex[] = "Local\\MoriMo.Manager";
  // The command line of such a copy.
  static constexpr char kHandoverSwitch[] = "/handover";
  // How long it waits for the old copy, at most.
  static constexpr DWORD kHandoverWaitMs = 10000;

 private:
  std::unique_ptr<CMorimoDlg> manager_;
  HANDLE instance_ = nullptr;
  int exitCode_ = 0;
  bool handover_ = false;
};

}  // namespace mm
