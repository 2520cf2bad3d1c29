// Typed helpers for the control messages that carry no text, handle or
// pointer: they go through the seam's own-window send, so neither desktop
// needs a call of its own for each of them.
#pragma once

#include "platform/platform.h"

namespace mm::ui {

// List views.
int ListViewItemCount(HWND listView);
int ListViewSelectedCount(HWND listView);
// Next item after `start` (-1: from the beginning) with the LVNI_* flags, or -1.
int ListViewNextItem(HWND listView, int start, UINT flags);
BOOL ListViewDeleteItem(HWND listView, int index);
BOOL ListViewDeleteAllItems(HWND listView);
// Returns the image list the slot held before.
HIMAGELIST ListViewSetImageList(HWND listView, HIMAGELIST list, int which);
HIMAGELIST ListViewImageList(HWND listView, int which);
// WM_SETREDRAW: a control that is being refilled need not paint each step.
void SetRedraw(HWND control, bool redraw);
// A width in pixels, or LVSCW_AUTOSIZE / LVSCW_AUTOSIZE_USEHEADER.
BOOL ListViewSetColumnWidth(HWND listView, int column, int width);
int ListViewColumnWidth(HWND listView, int column);
// Sets the bits of `mask` to those of `styles`; returns the previous styles.
DWORD ListViewSetExtendedStyle(HWND listView, DWORD mask, DWORD styles);
DWORD ListViewExtendedStyle(HWND listView);

// Combo boxes.
int ComboBoxCount(HWND comboBox);
// Returns the count left, or CB_ERR.
int ComboBoxDeleteString(HWND comboBox, int index);
void ComboBoxResetContent(HWND comboBox);
int ComboBoxCurSel(HWND comboBox);
// An index outside the list selects nothing.
void ComboBoxSetCurSel(HWND comboBox, int index);

// Buttons.
void SetButtonCheck(HWND button, UINT check);

// Hotkey controls: the value as core/hot_key.h describes it.
WORD HotKeyValue(HWND control);
void SetHotKeyValue(HWND control, WORD value);
// A combination of none of `invalid` (HKCOMB_*) becomes one with `modifiers`.
void SetHotKeyRules(HWND control, UINT invalid, UINT modifiers);

}  // namespace mm::ui
