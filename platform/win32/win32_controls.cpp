// Controls of our dialogs that a host of ours takes over (a link label):
// their messages go through one subclass procedure, a sibling of the dialog
// thunk, and the look of a link (colours, underlined font, hand cursor)
// lives here and nowhere above the seam.
#include "platform/win32/win32_internal.h"

#include <map>
#include <memory>

#include "platform/win32/win32_handles.h"

namespace mm {

using win32::M;
using win32::W;

namespace {

constexpr ::UINT_PTR kSubclassId = 0x4D4D;  // one subclass of ours per control
constexpr ::WORD kHelpHandCursor = 106;

struct LinkLook {
  ::COLORREF colour = 0;
  win32::UniqueFont font;  // made at the first paint
  win32::UniqueBrush brush;
  ::HCURSOR cursor = nullptr;
  win32::UniqueCursor ownedCursor;  // set when `cursor` is a copy of ours
};

// What a control of ours carries: the host its messages go to first, and
// the look of a link. The subclass lives as long as either does.
struct OurControl {
  DialogHost* host = nullptr;
  std::unique_ptr<LinkLook> look;
};

// Ours by window: there is one GUI thread, and an entry goes when its
// control does (or carries nothing of ours any more).
std::map<::HWND, std::unique_ptr<OurControl>>& Controls() {
  static std::map<::HWND, std::unique_ptr<OurControl>> controls;
  return controls;
}

OurControl* Find(::HWND hwnd) {
  auto it = Controls().find(hwnd);
  return it == Controls().end() ? nullptr : it->second.get();
}

LRESULT CALLBACK ControlThunk(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam,
                              ::UINT_PTR id, ::DWORD_PTR) {
  OurControl* control = Find(hwnd);
  if (control == nullptr) return ::DefSubclassProc(hwnd, msg, wParam, lParam);
  if (control->host != nullptr) {
    LRESULT result = 0;
    bool handled = false;
    try {
      handled = control->host->HandleDialogMessage(M(hwnd), msg, wParam, lParam, &result);
    } catch (...) {
      // Must not unwind through user32's frames; counts as unhandled.
      ::OutputDebugStringA("MoriMo: exception escaped a control handler\n");
      handled = false;
    }
    if (handled && msg != WM_NCDESTROY) return result;
    // The host may have given the control back meanwhile.
    control = Find(hwnd);
    if (control == nullptr) return ::DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  if (msg == WM_SETCURSOR && control->look != nullptr) {
    ::SetCursor(control->look->cursor);
    return TRUE;
  }
  if (msg == WM_NCDESTROY) {
    // The last message: the font, brush and cursor go with the control.
    ::RemoveWindowSubclass(hwnd, ControlThunk, id);
    Controls().erase(hwnd);
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// A control of a dialog of our own thread, of the given class.
bool IsOurControl(::HWND hwnd, const wchar_t* className) {
  if (!::IsWindow(hwnd) || (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) == 0) return false;
  if (::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) return false;
  if (className == nullptr) return true;
  wchar_t actual[32] = {};
  ::GetClassNameW(hwnd, actual, 32);
  return ::lstrcmpiW(actual, className) == 0;
}

OurControl* FindOrAttach(::HWND hwnd) {
  if (OurControl* found = Find(hwnd)) return found;
  if (!::SetWindowSubclass(hwnd, ControlThunk, kSubclassId, 0)) return nullptr;
  return (Controls()[hwnd] = std::make_unique<OurControl>()).get();
}

// Lets go of a control that carries nothing of ours any more.
void DetachIfBare(::HWND hwnd, const OurControl& control) {
  if (control.host != nullptr || control.look != nullptr) return;
  ::RemoveWindowSubclass(hwnd, ControlThunk, kSubclassId);
  Controls().erase(hwnd);
}

std::wstring HelpProgram() {
  wchar_t folder[MAX_PATH] = {};
  const ::UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  return std::wstring(folder, n) + L"\\winhlp32.exe";
}

}  // namespace

::HCURSOR win32::LoadLinkCursor(const std::wstring& helpProgram, bool* owned) {
  *owned = false;
  if (!helpProgram.empty() && ::GetFileAttributesW(helpProgram.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // As a data file: the resources are read, none of its code runs.
    win32::UniqueModule help(::LoadLibraryExW(helpProgram.c_str(), nullptr,
                                              LOAD_LIBRARY_AS_DATAFILE));
    if (help) {
      // The copy outlives the module; the loaded cursor does not.
      ::HCURSOR loaded = ::LoadCursorW(help.Get(), MAKEINTRESOURCEW(kHelpHandCursor));
      ::HCURSOR copy = loaded != nullptr ? ::CopyIcon(loaded) : nullptr;
      if (copy != nullptr) {
        *owned = true;
        return copy;
      }
    }
  }
  return ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));  // IDC_HAND, shared
}

::HBRUSH win32::LinkColours(::HWND control, ::HDC dc) {
  OurControl* ours = Find(control);
  if (ours == nullptr || ours->look == nullptr) return nullptr;
  LinkLook& look = *ours->look;
  if (!look.font) {
    // At the first paint: the font the dialog gave the control, underlined.
    // Set without redrawing, then the whole control again, background too.
    ::LOGFONTW description{};
    auto current = reinterpret_cast<::HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (current == nullptr) current = static_cast<::HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (::GetObjectW(current, sizeof description, &description) != 0) {
      description.lfUnderline = TRUE;
      look.font.Reset(::CreateFontIndirectW(&description));
    }
    if (look.font) {
      ::SendMessageW(control, WM_SETFONT, reinterpret_cast<::WPARAM>(look.font.Get()), FALSE);
      ::InvalidateRect(control, nullptr, TRUE);
    }
  }
  ::SetTextColor(dc, look.colour);
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return look.brush.Get();
}

BOOL Win32Platform::HostControl(HWND control, DialogHost* host) {
  ::HWND hwnd = W(control);
  if (!IsOurControl(hwnd, nullptr)) return FALSE;
  if (host == nullptr) {
    if (OurControl* ours = Find(hwnd)) {
      ours->host = nullptr;
      DetachIfBare(hwnd, *ours);
    }
    return TRUE;
  }
  OurControl* ours = FindOrAttach(hwnd);
  if (ours == nullptr) return FALSE;
  ours->host = host;
  return TRUE;
}

BOOL Win32Platform::SetLinkLook(HWND control, COLORREF textColour) {
  ::HWND hwnd = W(control);
  if (!IsOurControl(hwnd, L"Static")) return FALSE;
  OurControl* ours = FindOrAttach(hwnd);
  if (ours == nullptr) return FALSE;
  if (ours->look == nullptr) {
    auto look = std::make_unique<LinkLook>();
    look->colour = textColour;
    look->brush.Reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    bool owned = false;
    look->cursor = win32::LoadLinkCursor(HelpProgram(), &owned);
    if (owned) look->ownedCursor.Reset(look->cursor);
    ours->look = std::move(look);
    ::InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
  }
  if (ours->look->colour != textColour) {
    ours->look->colour = textColour;
    ::InvalidateRect(hwnd, nullptr, TRUE);
  }
  return TRUE;
}

}  // namespace mm
