// The desktop a contract test runs on: the simulated one natively, the real
// one under Wine. The same test sources run against both; where they
// disagree, the simulation is wrong.
#pragma once

#include <memory>
#include <string>

#include "platform/dialog_template.h"
#include "platform/platform.h"

namespace mm::contract {

class ContractWorld {
 public:
  virtual ~ContractWorld() = default;
  // The seam under test (also installed as Os()).
  virtual Platform& os() = 0;
  // A top-level window with this caption and class (ANSI bytes), created
  // the way an application creates one (real CreateWindowExA on Windows).
  virtual HWND CreateTopLevel(const std::string& caption, const std::string& className,
                              bool visible, DWORD style = WS_OVERLAPPEDWINDOW,
                              DWORD exStyle = 0) = 0;
  // The application destroys the window.
  virtual void Destroy(HWND hWnd) = 0;
  // Lets pending messages flow (the window's own queue, the shell's), so
  // that posted effects become visible; returns when nothing is pending.
  virtual void Settle() = 0;
  // A host-side folder for file tests, as a Windows path with a trailing
  // backslash; empty at the start of each test.
  virtual std::string ScratchFolder() = 0;
  // A modeless dialog of ours built from a portable template (in memory on
  // Windows; the simulated desktop builds every dialog this way). Its
  // WM_INITDIALOG reaches `host` during the call. Returns the dialog or 0.
  virtual HWND CreateDialogFrom(const DialogTemplate& dialogTemplate, HWND parent,
                                DialogHost* host) = 0;
  // Sends a message from another thread and waits for the answer, letting
  // our own messages flow meanwhile (another program's SendMessage).
  virtual LRESULT SendFromAnotherThread(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // The next message box with this caption is answered as a user would
  // answer it (a click on the button `answer`), once it is open.
  virtual void AnswerNextMessageBox(const std::string& caption, int answer) = 0;
  // True on the simulated desktop (for the few promises only it can keep,
  // such as failure knobs).
  virtual bool IsSimulated() const = 0;
};

// Defined by sim_world.cpp natively and win32_world.cpp on Windows.
std::unique_ptr<ContractWorld> MakeContractWorld();

}  // namespace mm::contract
