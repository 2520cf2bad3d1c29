// Helpers shared by the Win32 backend tests: an in-memory dialog template,
// a recording dialog host and a deadline-bounded pump.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sdk.h"

namespace mm::win32test {

inline ::HWND W(mm::HWND h) { return reinterpret_cast<::HWND>(h); }
inline mm::HWND M(::HWND h) { return reinterpret_cast<mm::HWND>(h); }
inline mm::HICON M(::HICON h) { return reinterpret_cast<mm::HICON>(h); }

// Control ids of the test dialog.
constexpr int kCheckId = 1001;
constexpr int kListId = 1002;
constexpr int kComboId = 1003;
constexpr int kEditId = 1004;

// A DLGTEMPLATE built in memory: an OK and a Cancel button, an automatic
// check box, a report-style list view, a drop-down list and an edit field.
// DWORD-aligned as the API needs.
class TestTemplate {
 public:
  explicit TestTemplate(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT) {
    Align(4);
    size_t header = Reserve(sizeof(::DLGTEMPLATE));
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(L"Test dialog");
    Word(8);  // DS_SETFONT: point size and face
    Text(L"MS Shell Dlg");
    ::DLGTEMPLATE t{};
    t.style = style;
    t.cdit = 6;
    t.cx = 200;
    t.cy = 120;
    Put(header, t);
    Item(IDOK, 0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 100, 50, 14, L"OK");
    Item(IDCANCEL, 0x0080, BS_PUSHBUTTON | WS_TABSTOP, 70, 100, 50, 14, L"Cancel");
    Item(kCheckId, 0x0080, BS_AUTOCHECKBOX | WS_TABSTOP, 10, 80, 100, 12, L"Check");
    ItemClass(kListId, L"SysListView32", LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER, 10, 10, 180,
              60);
    Item(kComboId, 0x0085, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 130, 80, 60, 60, L"");
    Item(kEditId, 0x0081, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 130, 100, 60, 12, L"");
  }
  const void* Data() const { return words_.data(); }

 private:
  void Item(int id, WORD atom, DWORD style, short x, short y, short cx, short cy,
            const wchar_t* text) {
    Header(id, style, x, y, cx, cy);
    Word(0xFFFF);
    Word(atom);
    Text(text);
    Word(0);  // no creation data
  }
  void ItemClass(int id, const wchar_t* cls, DWORD style, short x, short y, short cx, short cy) {
    Header(id, style, x, y, cx, cy);
    Text(cls);
    Text(L"");
    Word(0);
  }
  void Header(int id, DWORD style, short x, short y, short cx, short cy) {
    Align(4);
    size_t at = Reserve(sizeof(::DLGITEMTEMPLATE));
    ::DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = static_cast<WORD>(id);
    Put(at, item);
  }
  void Align(size_t bytes) {
    while ((words_.size() * 2) % bytes) words_.push_back(0);
  }
  size_t Reserve(size_t bytes) {
    size_t at = words_.size();
    words_.resize(at + bytes / 2);
    return at;
  }
  template <typename T>
  void Put(size_t at, const T& value) {
    std::memcpy(&words_[at], &value, sizeof(T));
  }
  void Word(WORD w) { words_.push_back(w); }
  void Text(const wchar_t* s) {
    do words_.push_back(static_cast<WORD>(*s)); while (*s++);
  }
  std::vector<WORD> words_;
};

// Records what reaches it and lets a test react to a message.
class RecordingHost : public DialogHost {
 public:
  struct Seen {
    UINT msg;
    WPARAM wParam;
  };
  // Return true (with *result set) to handle the message.
  std::function<bool(mm::HWND, UINT, WPARAM, LPARAM, LRESULT*)> onMessage;
  std::vector<Seen> seen;

  bool HandleDialogMessage(mm::HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) override {
    seen.push_back({msg, wParam});
    return onMessage ? onMessage(hwnd, msg, wParam, lParam, result) : false;
  }
  int Count(UINT msg) const {
    int n = 0;
    for (const Seen& s : seen) n += s.msg == msg;
    return n;
  }
  bool SawCommand(int id) const {
    for (const Seen& s : seen) {
      if (s.msg == WM_COMMAND && LOWORD(s.wParam) == id) return true;
    }
    return false;
  }
};

// Dispatches this thread's messages until `done` holds or `ms` pass.
inline bool PumpUntil(const std::function<bool()>& done, ::DWORD ms = 3000) {
  const ::DWORD start = ::GetTickCount();
  for (;;) {
    ::MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (::GetTickCount() - start > ms) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

}  // namespace mm::win32test
