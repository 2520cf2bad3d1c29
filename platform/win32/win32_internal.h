// What the files of the Win32 backend share: the conversions between our
// handle types and the SDK's, our module, the layout check for records that
// cross the seam, and the pieces one area lends another (the modeless-dialog
// list the message loop routes keys to; the menu changes). Not for the
// program above the seam: it pulls in <windows.h>, so include it after our
// other headers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sdk.h"

// The records that cross the seam unchanged must have the real layouts.
// (After <windows.h> the SDK's macros and types are visible; ours are
// spelled mm::.)
#define MM_SAME_OFFSET(ours, theirs, field) \
  static_assert(offsetof(mm::ours, field) == offsetof(::theirs, field), #ours "::" #field)

namespace mm::win32 {

// Our handle types are distinct pointer types of the same size as the
// SDK's (checked in win32_windows.cpp); values pass unchanged.
inline ::HWND W(HWND h) { return reinterpret_cast<::HWND>(h); }
inline HWND M(::HWND h) { return reinterpret_cast<HWND>(h); }
inline ::HICON W(HICON h) { return reinterpret_cast<::HICON>(h); }
inline HICON M(::HICON h) { return reinterpret_cast<HICON>(h); }
inline ::HMENU W(HMENU h) { return reinterpret_cast<::HMENU>(h); }
inline HMENU M(::HMENU h) { return reinterpret_cast<HMENU>(h); }
inline ::HIMAGELIST W(HIMAGELIST h) { return reinterpret_cast<::HIMAGELIST>(h); }
inline HIMAGELIST M(::HIMAGELIST h) { return reinterpret_cast<HIMAGELIST>(h); }

inline ::HINSTANCE OurModule() { return ::GetModuleHandleW(nullptr); }

// Dialogs and controls (win32_dialogs.cpp). Gives a queued message to the
// modeless dialog it belongs to, if any (Tab, Enter, Escape); true when
// that dialog took it.
bool RouteToModelessDialog(::MSG* msg);
// Whether the message a dialog of ours (or any window, outside them) is
// handling was sent by another thread: InSendMessage as the seam means it.
bool HandlingAnotherThreadsMessage();

// Menus (win32_menus.cpp). Applies the changes in order, each to the first
// item in menu order, at any depth, whose command id is the change's;
// changes naming no item are skipped.
void ApplyMenuChanges(::HMENU menu, const std::vector<MenuItemChange>& changes);

// Controls of ours (win32_controls.cpp). A link label answers the
// WM_CTLCOLORSTATIC its dialog gets for it: returns its brush, or nullptr
// for any other control.
::HBRUSH LinkColours(::HWND control, ::HDC dc);
// The hand a link shows: cursor 106 of `helpProgram` (the help program,
// winhlp32.exe), copied, when that file has it (*owned is then true); else
// the system's IDC_HAND.
::HCURSOR LoadLinkCursor(const std::wstring& helpProgram, bool* owned);

}  // namespace mm::win32
