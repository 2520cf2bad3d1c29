#include "ui/dialog.h"

namespace mm {

void CDataExchange::Check(int id, int& value) {
  if (save_) {
    value = Os().IsDlgButtonChecked(dialog_, id) == BST_CHECKED ? 1 : 0;
  } else {
    Os().CheckDlgButton(dialog_, id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
}

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

void CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(hwnd_, saveAndValidate);
  DoDataExchange(dx);
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
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      // Menus send code 0, accelerators 1; buttons report BN_CLICKED (0).
      if (code == BN_CLICKED || code == 1) {
        if (id == IDOK) {
          OnOK();
          return true;
        }
        if (id == IDCANCEL) {
          OnCancel();
          return true;
        }
        auto it = commands_.find(id);
        if (it != commands_.end()) {
          it->second();
          return true;
        }
      }
      break;
    }
    case WM_NOTIFY: {
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

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return 1;
}

void CDialog::OnOK() {
  UpdateData(true);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CDialog::DefaultProc(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

}  // namespace mm
