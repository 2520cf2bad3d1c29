// A small dialog layer over the seam: a dialog object receives its
// template's messages through DialogHost and hands them to handlers named
// after the controls. No window-system headers here; the platform creates
// the window from a template and delivers the messages.
#pragma once

#include <functional>
#include <map>
#include <utility>

#include "platform/platform.h"

namespace mm {

// Moves values between controls and members in one direction per pass,
// like the data exchange of dialog frameworks.
class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate)
      : dialog_(dialog), save_(saveAndValidate) {}
  bool Saving() const { return save_; }
  HWND Dialog() const { return dialog_; }

  // A check box and an int flag: saving reads 1 or 0 from the box; loading
  // ticks the box for any nonzero value.
  void Check(int id, int& value);

 private:
  HWND dialog_;
  bool save_;
};

class CDialog : public DialogHost {
 public:
  explicit CDialog(int templateId) : templateId_(templateId) {}
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Modeless: the window exists from here on (OnInitDialog has run when
  // this returns). Returns the window or 0.
  HWND Create(HWND parent);
  // Modal: returns the EndDialog value, or -1.
  INT_PTR DoModal(HWND parent);

  HWND Hwnd() const { return hwnd_; }
  HWND Item(int id) const { return Os().GetDlgItem(hwnd_, id); }

  // Runs DoDataExchange in the given direction (true: controls to members).
  void UpdateData(bool saveAndValidate);

  bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) final;

 protected:
  using Handler = std::function<void()>;
  using NotifyHandler = std::function<LRESULT(const NMHDR*)>;

  // Handlers by control id: a command (button click, menu item), or a
  // notification code from that control.
  void OnCommandId(int id, Handler handler) { commands_[id] = std::move(handler); }
  void OnNotifyCode(int id, UINT code, NotifyHandler handler) {
    notifies_[{id, code}] = std::move(handler);
  }

  // Default: members to controls. Return value as WM_INITDIALOG's.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange& dx) { (void)dx; }
  // Default OK: controls to members, then end with IDOK. Cancel: end with
  // IDCANCEL. A modeless dialog that ends is only hidden.
  virtual void OnOK();
  virtual void OnCancel();
  // Ordinary handlers of messages the layer does not dispatch itself
  // (timers, system commands, registered messages). True when handled.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Sees every message nobody handled before the platform's default
  // processing; true when it handled the message itself.
  virtual bool DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Ends the dialog (hides a modeless one).
  void EndDialog(INT_PTR result) { Os().EndDialog(hwnd_, result); }
  // Destroys the window and stops delivering messages to this object, so
  // a derived destructor can call it before its members go.
  void DestroyDialog();

 private:
  bool Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

  int templateId_;
  HWND hwnd_ = nullptr;
  bool detached_ = false;
  std::map<int, Handler> commands_;
  std::map<std::pair<int, UINT>, NotifyHandler> notifies_;
};

}  // namespace mm
