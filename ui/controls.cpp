#include "ui/controls.h"

namespace mm::ui {

namespace {

LRESULT Send(HWND control, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  return Os().SendMessageToOwnWindow(control, msg, wParam, lParam);
}

}  // namespace

int ListViewItemCount(HWND listView) { return static_cast<int>(Send(listView, LVM_GETITEMCOUNT)); }

int ListViewSelectedCount(HWND listView) {
  return static_cast<int>(Send(listView, LVM_GETSELECTEDCOUNT));
}

int ListViewNextItem(HWND listView, int start, UINT flags) {
  return static_cast<int>(
      Send(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(start), static_cast<LPARAM>(flags)));
}

BOOL ListViewDeleteItem(HWND listView, int index) {
  return Send(listView, LVM_DELETEITEM, static_cast<WPARAM>(index)) != 0 ? TRUE : FALSE;
}

BOOL ListViewDeleteAllItems(HWND listView) {
  return Send(listView, LVM_DELETEALLITEMS) != 0 ? TRUE : FALSE;
}

HIMAGELIST ListViewSetImageList(HWND listView, HIMAGELIST list, int which) {
  return reinterpret_cast<HIMAGELIST>(Send(listView, LVM_SETIMAGELIST,
                                           static_cast<WPARAM>(which),
                                           reinterpret_cast<LPARAM>(list)));
}

HIMAGELIST ListViewImageList(HWND listView, int which) {
  return reinterpret_cast<HIMAGELIST>(
      Send(listView, LVM_GETIMAGELIST, static_cast<WPARAM>(which)));
}

void SetRedraw(HWND control, bool redraw) { Send(control, WM_SETREDRAW, redraw ? 1 : 0); }

BOOL ListViewSetColumnWidth(HWND listView, int column, int width) {
  return Send(listView, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
              static_cast<LPARAM>(width)) != 0
             ? TRUE
             : FALSE;
}

int ListViewColumnWidth(HWND listView, int column) {
  return static_cast<int>(Send(listView, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

DWORD ListViewSetExtendedStyle(HWND listView, DWORD mask, DWORD styles) {
  return static_cast<DWORD>(Send(listView, LVM_SETEXTENDEDLISTVIEWSTYLE,
                                 static_cast<WPARAM>(mask), static_cast<LPARAM>(styles)));
}

DWORD ListViewExtendedStyle(HWND listView) {
  return static_cast<DWORD>(Send(listView, LVM_GETEXTENDEDLISTVIEWSTYLE));
}

int ComboBoxCount(HWND comboBox) { return static_cast<int>(Send(comboBox, CB_GETCOUNT)); }

int ComboBoxDeleteString(HWND comboBox, int index) {
  return static_cast<int>(Send(comboBox, CB_DELETESTRING, static_cast<WPARAM>(index)));
}

void ComboBoxResetContent(HWND comboBox) { Send(comboBox, CB_RESETCONTENT); }

int ComboBoxCurSel(HWND comboBox) { return static_cast<int>(Send(comboBox, CB_GETCURSEL)); }

void ComboBoxSetCurSel(HWND comboBox, int index) {
  const int count = ComboBoxCount(comboBox);
  Send(comboBox, CB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < count ? index : -1));
}

void SetButtonCheck(HWND button, UINT check) { Send(button, BM_SETCHECK, check); }

WORD HotKeyValue(HWND control) { return static_cast<WORD>(Send(control, HKM_GETHOTKEY) & 0xFFFF); }

void SetHotKeyValue(HWND control, WORD value) { Send(control, HKM_SETHOTKEY, value); }

void SetHotKeyRules(HWND control, UINT invalid, UINT modifiers) {
  Send(control, HKM_SETRULES, invalid, static_cast<LPARAM>(modifiers));
}

}  // namespace mm::ui
