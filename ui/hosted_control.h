// A control of a dialog's template that an object of ours takes over (a
// link label): the control's messages reach the object first, and what it
// does not handle gets the control's own processing (Platform::HostControl).
#pragma once

#include "platform/platform.h"

namespace mm {

class CHostedControl : public DialogHost {
 public:
  CHostedControl() = default;
  // Gives the control back when it is still there (a modeless dialog may
  // outlive the object).
  ~CHostedControl() override;
  CHostedControl(const CHostedControl&) = delete;
  CHostedControl& operator=(const CHostedControl&) = delete;

  // Takes the control over; false when that cannot be (no such control of
  // ours, or one taken already).
  bool Attach(HWND control);
  // The control, or 0 before Attach and after the control has gone.
  HWND Hwnd() const { return hwnd_; }

  bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) final;

 protected:
  virtual void OnAttached() {}
  // A message of the control; true when handled, and the control's own
  // processing then does not run.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace mm
