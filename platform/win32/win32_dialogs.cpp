// Our own dialogs and their controls: the one dialog procedure every dialog
// of ours runs through, the modeless dialogs the message loop serves, texts
// of ours into controls, message boxes and string resources.
#include "platform/win32/win32_internal.h"

#include <algorithm>
#include <vector>

#include "platform/win32/win32_text.h"

namespace mm {

using win32::M;
using win32::OurModule;
using win32::W;

namespace {

// The modeless dialogs whose keyboard input (Tab, Enter, Escape) the message
// loop routes through IsDialogMessageW. There is one GUI thread; a dialog
// leaves the list when its window is destroyed.
std::vector<::HWND>& ModelessDialogs() {
  static std::vector<::HWND> dialogs;
  return dialogs;
}

void ForgetModeless(::HWND dialog) {
  auto& dialogs = ModelessDialogs();
  dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

// ::InSendMessage speaks of the outermost message our thread took from
// another: while a list view of ours answers another program (one that
// reads its rows), the notifications it sends its dialog would count as
// that program's, and the dialog layer would refuse them. So our dialogs
// and their list views note each message they handle, innermost last: a
// dialog's message counts as another thread's only when it did not come
// straight from one of those list views.
struct Frame {
  bool listView;
  bool fromOtherThread;
};

std::vector<Frame>& Frames() {
  static std::vector<Frame> frames;  // the one GUI thread's
  return frames;
}

class FrameScope {
 public:
  explicit FrameScope(Frame frame) { Frames().push_back(frame); }
  ~FrameScope() { Frames().pop_back(); }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;
};

constexpr ::UINT_PTR kListViewFrameId = 0x4D4C;

LRESULT CALLBACK ListViewFrame(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam,
                               ::UINT_PTR id, ::DWORD_PTR) {
  FrameScope frame({true, false});
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, ListViewFrame, id);
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

BOOL CALLBACK WatchListView(::HWND child, ::LPARAM) {
  wchar_t name[32] = {};
  if (::GetClassNameW(child, name, 32) > 0 && ::lstrcmpiW(name, WC_LISTVIEWW) == 0) {
    ::SetWindowSubclass(child, ListViewFrame, kListViewFrameId, 0);
  }
  return TRUE;
}

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(::UINT msg) {
  switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

// The one dialog procedure of every dialog we create. The host arrives as
// the creation parameter with WM_INITDIALOG; messages before it (WM_SETFONT,
// WM_NCCREATE...) have no host and get the default handling.
INT_PTR CALLBACK DialogThunk(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
  const bool fromListView = !Frames().empty() && Frames().back().listView;
  FrameScope frame({false, !fromListView && ::InSendMessage()});
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
    ::EnumChildWindows(hwnd, WatchListView, 0);
  }
  auto* host = reinterpret_cast<DialogHost*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    // The last message of the window: nothing may reach the host after it,
    // and the handle may be reused.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ForgetModeless(hwnd);
  }
  if (host == nullptr) return msg == WM_INITDIALOG ? TRUE : FALSE;  // TRUE: default focus
  if (msg == WM_CTLCOLORSTATIC) {
    // A link label of ours gives its own colours, as a control that
    // reflects the message would.
    if (::HBRUSH brush = win32::LinkColours(reinterpret_cast<::HWND>(lParam),
                                            reinterpret_cast<::HDC>(wParam))) {
      return reinterpret_cast<INT_PTR>(brush);
    }
  }

  LRESULT result = 0;
  bool handled = false;
  try {
    handled = host->HandleDialogMessage(M(hwnd), msg, wParam, lParam, &result);
  } catch (...) {
    // An exception must not unwind through user32's frames; the message
    // counts as unhandled. (The handlers that can fail guard themselves
    // and tell the user; this is the last line.)
    ::OutputDebugStringA("MoriMo: exception escaped a dialog handler\n");
    handled = false;
  }
  if (!handled) return msg == WM_INITDIALOG ? TRUE : FALSE;  // TRUE: default focus
  if (ReturnsResultDirectly(msg)) return result;
  // Notifications (WM_NOTIFY) and the rest report their value here.
  ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

// Puts a newly created modeless dialog in the list the loop routes keys to.
HWND Modeless(::HWND dialog) {
  if (dialog != nullptr) ModelessDialogs().push_back(dialog);
  return M(dialog);
}

}  // namespace

bool win32::HandlingAnotherThreadsMessage() {
  if (!Frames().empty() && !Frames().back().listView) return Frames().back().fromOtherThread;
  return ::InSendMessage() != FALSE;
}

bool win32::RouteToModelessDialog(::MSG* msg) {
  if (msg->hwnd == nullptr) return false;
  // A copy: a dialog may be destroyed (and leave the list) while it handles
  // the message.
  const std::vector<::HWND> dialogs = ModelessDialogs();
  for (::HWND dialog : dialogs) {
    if (::IsWindow(dialog) && ::IsDialogMessageW(dialog, msg)) return true;
  }
  return false;
}

// ---- Dialogs from memory ------------------------------------------------------

HWND Win32Platform::CreateDialogIndirectU8(const void* dialogTemplate, HWND parent,
                                           DialogHost* host) {
  return Modeless(::CreateDialogIndirectParamW(
      OurModule(), static_cast<const ::DLGTEMPLATE*>(dialogTemplate), W(parent), DialogThunk,
      reinterpret_cast<::LPARAM>(host)));
}

INT_PTR Win32Platform::DialogBoxIndirectU8(const void* dialogTemplate, HWND parent,
                                           DialogHost* host) {
  return ::DialogBoxIndirectParamW(OurModule(), static_cast<const ::DLGTEMPLATE*>(dialogTemplate),
                                   W(parent), DialogThunk, reinterpret_cast<::LPARAM>(host));
}

int Win32Platform::ModelessDialogCount() const {
  return static_cast<int>(ModelessDialogs().size());
}

// ---- Dialogs of our resources, message boxes, control texts ----------------

int Win32Platform::MessageBoxU8(HWND owner, const std::string& text, const std::string& caption,
                                UINT type) {
  return ::MessageBoxW(W(owner), win32::WidenUtf8(text).c_str(),
                       win32::WidenUtf8(caption).c_str(), type);
}

std::string Win32Platform::LoadStringU8(UINT id) {
  // With a zero buffer size LoadStringW hands out a read-only pointer into
  // the resource itself (not NUL-terminated) and returns its length: no
  // length limit, no copy.
  const wchar_t* resource = nullptr;
  int length = ::LoadStringW(OurModule(), id, reinterpret_cast<::LPWSTR>(&resource), 0);
  if (length <= 0 || resource == nullptr) return std::string();
  return win32::NarrowUtf8(std::wstring(resource, static_cast<size_t>(length)));
}

HWND Win32Platform::CreateDialogU8(int templateId, HWND parent, DialogHost* host) {
  return Modeless(::CreateDialogParamW(OurModule(), MAKEINTRESOURCEW(templateId), W(parent),
                                       DialogThunk, reinterpret_cast<::LPARAM>(host)));
}

INT_PTR Win32Platform::DialogBoxU8(int templateId, HWND parent, DialogHost* host) {
  // A modal dialog runs its own loop, which already does the dialog
  // keyboard handling.
  return ::DialogBoxParamW(OurModule(), MAKEINTRESOURCEW(templateId), W(parent), DialogThunk,
                           reinterpret_cast<::LPARAM>(host));
}

BOOL Win32Platform::EndDialog(HWND dialog, INT_PTR result) {
  return ::EndDialog(W(dialog), result);
}

BOOL Win32Platform::DestroyWindow(HWND hWnd) { return ::DestroyWindow(W(hWnd)); }
HWND Win32Platform::GetDlgItem(HWND dialog, int id) { return M(::GetDlgItem(W(dialog), id)); }
int Win32Platform::GetDlgCtrlID(HWND control) { return ::GetDlgCtrlID(W(control)); }

BOOL Win32Platform::EnableWindow(HWND hWnd, BOOL enable) {
  return ::EnableWindow(W(hWnd), enable);
}

BOOL Win32Platform::IsWindowEnabled(HWND hWnd) { return ::IsWindowEnabled(W(hWnd)); }

BOOL Win32Platform::CheckDlgButton(HWND dialog, int id, UINT check) {
  return ::CheckDlgButton(W(dialog), id, check);
}

UINT Win32Platform::IsDlgButtonChecked(HWND dialog, int id) {
  return ::IsDlgButtonChecked(W(dialog), id);
}

BOOL Win32Platform::SetWindowTextU8(HWND hWnd, const std::string& text) {
  return ::SetWindowTextW(W(hWnd), win32::WidenUtf8(text).c_str());
}

std::string Win32Platform::GetWindowTextU8(HWND hWnd) {
  // No length is asked first: a title that fits the first buffer takes one
  // call (under Wine every call about another program's window is a trip
  // to the server). A copy that leaves room to spare was not cut.
  for (size_t size = 512;; size *= 8) {
    std::wstring text(size, L'\0');
    const int copied = ::GetWindowTextW(W(hWnd), &text[0], static_cast<int>(size));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    if (text.size() + 1 < size || size >= (size_t{1} << 24)) return win32::NarrowUtf8(text);
  }
}

BOOL Win32Platform::SetWindowTextA(HWND hWnd, const std::string& text) {
  // Our windows are Unicode; user32 widens the bytes from the ANSI code
  // page, as GetWindowTextA narrows them back.
  return ::SetWindowTextA(W(hWnd), text.c_str());
}

HWND Win32Platform::SetFocus(HWND hWnd) { return M(::SetFocus(W(hWnd))); }
HWND Win32Platform::GetFocus() { return M(::GetFocus()); }

int Win32Platform::ComboBoxAddStringU8(HWND comboBox, const std::string& text) {
  const std::wstring wide = win32::WidenUtf8(text);
  const LRESULT index =
      ::SendMessageW(W(comboBox), CB_ADDSTRING, 0, reinterpret_cast<::LPARAM>(wide.c_str()));
  // CB_ERRSPACE (-2) is a failure like any other to the caller.
  return index < 0 ? static_cast<int>(CB_ERR) : static_cast<int>(index);
}

}  // namespace mm
