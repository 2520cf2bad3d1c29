#include "ui/hosted_control.h"

namespace mm {

CHostedControl::~CHostedControl() {
  if (hwnd_ != nullptr) Os().HostControl(hwnd_, nullptr);
}

bool CHostedControl::Attach(HWND control) {
  if (hwnd_ != nullptr || control == nullptr) return false;
  if (!Os().HostControl(control, this)) return false;
  hwnd_ = control;
  OnAttached();
  return true;
}

bool CHostedControl::HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         LRESULT* result) {
  if (hwnd != hwnd_) return false;
  *result = 0;
  const bool handled = OnMessage(msg, wParam, lParam, result);
  // The control's last message: its handle may be reused after it.
  if (msg == WM_NCDESTROY) hwnd_ = nullptr;
  return handled;
}

}  // namespace mm
