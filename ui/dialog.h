// A small dialog layer over the seam: a dialog object receives its
// template's messages through DialogHost and hands each to the handler
// registered for it, by control id and notification code. No window-system
// headers here; the platform creates the window from a template and
// delivers the messages.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/platform.h"

namespace mm {

// A whole number read the way the C library's atoi reads it: leading
// blanks, a sign, then digits up to the first other character; no digits
// read as 0. Values beyond an int are held at its ends.
int ReadIntLikeAtoi(std::string_view text);

class CHostedControl;

// Moves values between controls and members in one direction per pass,
// like the data exchange of dialog frameworks. A value that cannot be taken
// fails the pass: the member keeps its value and the rest is still moved.
class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate)
      : dialog_(dialog), save_(saveAndValidate) {}
  bool Saving() const { return save_; }
  HWND Dialog() const { return dialog_; }
  bool Failed() const { return failedId_ != 0; }
  int FailedId() const { return failedId_; }

  // A check box: saving reads 1 or 0; loading ticks it for any nonzero value.
  void Check(int id, int& value);
  void Check(int id, bool& value);
  // A radio group, its buttons in template order: the index of the ticked
  // one, -1 when none is; loading an index outside the group ticks none.
  void Radio(std::initializer_list<int> ids, int& index);
  // The control's text as ANSI bytes: rule fields (captions, class names)
  // that other programs' windows show.
  void Text(int id, std::string& ansi);
  // The control's text as UTF-8: texts of our own. A combo box with an
  // edit field exchanges the field's text this way.
  void TextU8(int id, std::string& utf8);
  // A whole number within [min, max], read like atoi. Out of range: the
  // message (UTF-8) in an OK box, the focus back in the control, and the
  // pass fails.
  void Int(int id, int& value, int min, int max, const std::string& rangeMessage);
  // Lets an object of ours take the control over (a link label): on the
  // first pass towards the controls only; later passes leave it bound.
  void Control(int id, CHostedControl& control);

 private:
  HWND Item(int id) const { return Os().GetDlgItem(dialog_, id); }
  void Fail(int id);

  HWND dialog_;
  bool save_;
  int failedId_ = 0;
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
  // False when a value could not be taken; the dialog then stays as it is.
  bool UpdateData(bool saveAndValidate);

  bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) final;

 protected:
  using Handler = std::function<void()>;
  using NotifyHandler = std::function<LRESULT(const NMHDR*)>;

  // A notification of a control (WM_COMMAND that names the control), by
  // its id and code: BN_CLICKED, EN_KILLFOCUS, CBN_SELCHANGE, STN_DBLCLK...
  void OnCommand(int id, UINT code, Handler handler) {
    controls_[{id, code}] = std::move(handler);
  }
  void OnClicked(int id, Handler handler) { OnCommand(id, BN_CLICKED, std::move(handler)); }
  // A menu item or an accelerator: WM_COMMAND without a control.
  void OnMenuCommand(int id, Handler handler) { menus_[id] = std::move(handler); }
  // WM_NOTIFY from a control of ours, by its id and code.
  void OnNotify(int id, UINT code, NotifyHandler handler) {
    notifies_[{id, code}] = std::move(handler);
  }

  // Default: members to controls. Return value as WM_INITDIALOG's (nonzero:
  // the dialog manager puts the focus on the first control).
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange& dx) { (void)dx; }
  // IDOK and IDCANCEL, from their buttons, Enter, Escape or the close box.
  // Default OK: controls to members, then end with IDOK unless a value
  // could not be taken. Cancel: end with IDCANCEL. A modeless dialog that
  // ends is only hidden.
  virtual void OnOK();
  virtual void OnCancel();
  // Ordinary handlers of messages the layer does not dispatch itself
  // (timers, system commands, mouse, registered messages). True when handled.
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
  bool DispatchCommand(WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND hwnd_ = nullptr;
  bool detached_ = false;
  std::map<std::pair<int, UINT>, Handler> controls_;
  std::map<int, Handler> menus_;
  std::map<std::pair<int, UINT>, NotifyHandler> notifies_;
};

}  // namespace mm
