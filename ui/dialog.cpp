#include "ui/dialog.h"

#include <climits>
#include <vector>

#include "platform/window_text.h"
#include "res/version.h"
#include "ui/hosted_control.h"

namespace mm {

int ReadIntLikeAtoi(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= INT_MAX) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// ---- Data exchange ------------------------------------------------------------

void CDataExchange::Fail(int id) {
  if (failedId_ == 0) failedId_ = id;
}

void CDataExchange::Check(int id, int& value) {
  if (save_) {
    value = Os().IsDlgButtonChecked(dialog_, id) == BST_CHECKED ? 1 : 0;
  } else {
    Os().CheckDlgButton(dialog_, id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
}

void CDataExchange::Check(int id, bool& value) {
  int flag = value ? 1 : 0;
  Check(id, flag);
  value = flag != 0;
}

void CDataExchange::Radio(std::initializer_list<int> ids, int& index) {
  int position = 0;
  if (save_) {
    index = -1;
    for (int id : ids) {
      if (Os().IsDlgButtonChecked(dialog_, id) == BST_CHECKED) {
        index = position;
        return;
      }
      ++position;
    }
    return;
  }
  for (int id : ids) {
    Os().CheckDlgButton(dialog_, id, position == index ? BST_CHECKED : BST_UNCHECKED);
    ++position;
  }
}

void CDataExchange::Text(int id, std::string& ansi) {
  if (save_) {
    ansi = WindowCaption(Item(id));
  } else {
    Os().SetWindowTextA(Item(id), ansi);
  }
}

void CDataExchange::TextU8(int id, std::string& utf8) {
  if (save_) {
    utf8 = Os().GetWindowTextU8(Item(id));
  } else {
    Os().SetWindowTextU8(Item(id), utf8);
  }
}

void CDataExchange::Control(int id, CHostedControl& control) {
  if (!save_ && control.Hwnd() == nullptr) control.Attach(Item(id));
}

void CDataExchange::Int(int id, int& value, int min, int max, const std::string& rangeMessage) {
  if (!save_) {
    Os().SetWindowTextU8(Item(id), std::to_string(value));
    return;
  }
  const int read = ReadIntLikeAtoi(Os().GetWindowTextU8(Item(id)));
  if (read >= min && read <= max) {
    value = read;
    return;
  }
  Os().MessageBoxU8(dialog_, rangeMessage, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
  Os().SetFocus(Item(id));
  Fail(id);
}

// ---- Dialog ---------------------------------------------------------------------

CDialog::~CDialog() { DestroyDialog(); }

HWND CDialog::Create(HWND parent) {
  HWND hwnd = Os().CreateDialogU8(templateId_, parent, this);
  if (hwnd_ == nullptr) hwnd_ = hwnd;
  return hwnd;
}

INT_PTR CDialog::DoModal(HWND parent) {
  INT_PTR result = Os().DialogBoxU8(templateId_, parent, this);
  // The modal window is gone; nothing more reaches this object.
  hwnd_ = nullptr;
  return result;
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(hwnd_, saveAndValidate);
  DoDataExchange(dx);
  return !dx.Failed();
}

void CDialog::DestroyDialog() {
  if (hwnd_ == nullptr || detached_) return;
  detached_ = true;
  Os().DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

bool CDialog::HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT* result) {
  if (detached_) return false;
  if (msg == WM_INITDIALOG) hwnd_ = hwnd;
  *result = 0;
  if (Dispatch(msg, wParam, lParam, result)) return true;
  return DefaultProc(msg, wParam, lParam, result);
}

bool CDialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_INITDIALOG:
      *result = OnInitDialog();
      return true;
    case WM_COMMAND:
      if (DispatchCommand(wParam, lParam)) return true;
      break;
    case WM_NOTIFY: {
      // Another program's notification carries a pointer into its own
      // memory (the system does not translate WM_NOTIFY): never followed.
      if (Os().InSendMessage()) return true;
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr == nullptr) break;
      auto it = notifies_.find({static_cast<int>(hdr->idFrom), hdr->code});
      if (it != notifies_.end()) {
        *result = it->second(hdr);
        return true;
      }
      break;
    }
    default:
      break;
  }
  return OnMessage(msg, wParam, lParam, result);
}

bool CDialog::DispatchCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  // The dialog manager reports Enter, Escape and the close box as the
  // clicks of IDOK and IDCANCEL, with or without a button behind them.
  if ((id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
    if (id == IDOK) {
      OnOK();
    } else {
      OnCancel();
    }
    return true;
  }
  if (lParam == 0) {
    // A menu item (code 0) or an accelerator (code 1): no control sent it.
    auto it = menus_.find(id);
    if (it == menus_.end()) return false;
    it->second();
    return true;
  }
  auto it = controls_.find({id, code});
  if (it == controls_.end()) return false;
  it->second();
  return true;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return 1;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CDialog::DefaultProc(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

}  // namespace mm
