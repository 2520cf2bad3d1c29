#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_sdk.h"
#include "platform/win32/win32_text.h"

// The records that cross the seam unchanged must have the real layouts.
// (Inside this file the SDK's macros and types are visible; ours are
// spelled mm::.)
#define MM_SAME_OFFSET(ours, theirs, field) \
  static_assert(offsetof(mm::ours, field) == offsetof(::theirs, field), #ours "::" #field)

static_assert(sizeof(mm::WINDOWINFO) == sizeof(::WINDOWINFO), "WINDOWINFO");
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, rcWindow);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, rcClient);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, dwStyle);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, dwExStyle);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, dwWindowStatus);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, cxWindowBorders);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, atomWindowType);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, wCreatorVersion);
static_assert(sizeof(mm::RECT) == sizeof(::RECT), "RECT");

// Ours is the shell 5.0 record: the real one up to guidItem.
static_assert(sizeof(mm::NOTIFYICONDATAA) == NOTIFYICONDATAA_V2_SIZE, "NOTIFYICONDATAA");
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, hWnd);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, uID);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, uFlags);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, uCallbackMessage);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, hIcon);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, szTip);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, dwState);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, dwStateMask);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, szInfo);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, szInfoTitle);
MM_SAME_OFFSET(NOTIFYICONDATAA, NOTIFYICONDATAA, dwInfoFlags);
static_assert(offsetof(mm::NOTIFYICONDATAA, uTimeoutOrVersion) ==
                  offsetof(::NOTIFYICONDATAA, uTimeout),
              "NOTIFYICONDATAA::uTimeout");

static_assert(sizeof(mm::NMHDR) == sizeof(::NMHDR), "NMHDR");
MM_SAME_OFFSET(NMHDR, NMHDR, idFrom);
MM_SAME_OFFSET(NMHDR, NMHDR, code);
static_assert(sizeof(mm::NMLISTVIEW) == sizeof(::NMLISTVIEW), "NMLISTVIEW");
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, iItem);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, iSubItem);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, uNewState);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, uOldState);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, uChanged);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, ptAction);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, lParam);
static_assert(sizeof(mm::NMITEMACTIVATE) == sizeof(::NMITEMACTIVATE), "NMITEMACTIVATE");
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, iItem);
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, ptAction);
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, lParam);
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, uKeyFlags);

// The class-icon indices we are given are the pointer-wide ones (64-bit
// Windows has no GCL_HICON at all).
static_assert(GCLP_HICON == -14 && GCLP_HICONSM == -34, "class icon indices");

// Our handle types are distinct pointer types of the same size; values pass
// unchanged.
static_assert(sizeof(mm::HWND) == sizeof(::HWND) && sizeof(mm::LPARAM) == sizeof(::LPARAM) &&
                  sizeof(mm::WPARAM) == sizeof(::WPARAM) &&
                  sizeof(mm::DWORD) == sizeof(::DWORD) && sizeof(mm::LONG) == sizeof(::LONG),
              "handle and integer widths");

namespace mm {

namespace {

// ---- Handle conversions ----------------------------------------------------

::HWND W(HWND h) { return reinterpret_cast<::HWND>(h); }
HWND M(::HWND h) { return reinterpret_cast<HWND>(h); }
::HICON W(HICON h) { return reinterpret_cast<::HICON>(h); }
HICON M(::HICON h) { return reinterpret_cast<HICON>(h); }
::HMENU W(HMENU h) { return reinterpret_cast<::HMENU>(h); }
HMENU M(::HMENU h) { return reinterpret_cast<HMENU>(h); }
::HIMAGELIST W(HIMAGELIST h) { return reinterpret_cast<::HIMAGELIST>(h); }
HIMAGELIST M(::HIMAGELIST h) { return reinterpret_cast<HIMAGELIST>(h); }

::HINSTANCE OurModule() { return ::GetModuleHandleW(nullptr); }

// GetProcAddress gives a generic pointer; casting through void(*)() is the
// sanctioned way to reach the real signature.
template <typename Fn>
Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// ---- Modeless dialogs ----------------------------------------------------

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

bool RouteToModelessDialog(::MSG* msg) {
  if (msg->hwnd == nullptr) return false;
  // A copy: a dialog may be destroyed (and leave the list) while it handles
  // the message.
  const std::vector<::HWND> dialogs = ModelessDialogs();
  for (::HWND dialog : dialogs) {
    if (::IsWindow(dialog) && ::IsDialogMessageW(dialog, msg)) return true;
  }
  return false;
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
  if (msg == WM_INITDIALOG) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
  auto* host = reinterpret_cast<DialogHost*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    // The last message of the window: nothing may reach the host after it,
    // and the handle may be reused.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ForgetModeless(hwnd);
  }
  if (host == nullptr) return msg == WM_INITDIALOG ? TRUE : FALSE;  // TRUE: default focus

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

// ---- Window enumeration ----------------------------------------------------

struct EnumContext {
  WNDENUMPROC proc;
  LPARAM lParam;
  std::exception_ptr error;
};

BOOL CALLBACK EnumThunk(::HWND hwnd, ::LPARAM lParam) {
  auto* context = reinterpret_cast<EnumContext*>(lParam);
  try {
    return context->proc(M(hwnd), context->lParam) ? TRUE : FALSE;
  } catch (...) {
    // Carried past user32 and rethrown to our caller.
    context->error = std::current_exception();
    return FALSE;
  }
}

// ---- List views -------------------------------------------------------------

LRESULT ListViewSend(HWND listView, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
  return ::SendMessageW(W(listView), msg, wParam, lParam);
}

}  // namespace

// ---- Construction --------------------------------------------------------------

using GetLayeredFn = ::BOOL(WINAPI*)(::HWND, ::COLORREF*, ::BYTE*, ::DWORD*);
using SetLayeredFn = ::BOOL(WINAPI*)(::HWND, ::COLORREF, ::BYTE, ::DWORD);

// The layered-window calls, looked up once in user32 (which stays loaded
// while we hold it) and called through the pointers from then on.
struct Win32Platform::LayeredApi {
  win32::UniqueModule user32;
  GetLayeredFn get = nullptr;
  SetLayeredFn set = nullptr;
};

Win32Platform::Win32Platform() {
  // The list-view class must be registered before a dialog template that
  // names it is instantiated.
  ::INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_LISTVIEW_CLASSES;
  ::InitCommonControlsEx(&controls);
}

Win32Platform::~Win32Platform() = default;

Win32Platform::LayeredApi& Win32Platform::Layered() {
  if (!layered_) {
    layered_ = std::make_unique<LayeredApi>();
    layered_->user32.Reset(::LoadLibraryA("user32.dll"));
    if (layered_->user32) {
      ::HMODULE user32 = layered_->user32.Get();
      layered_->get = ProcAs<GetLayeredFn>(::GetProcAddress(user32, "GetLayeredWindowAttributes"));
      layered_->set = ProcAs<SetLayeredFn>(::GetProcAddress(user32, "SetLayeredWindowAttributes"));
    }
  }
  return *layered_;
}

// ---- Dialogs from memory ------------------------------------------------------

HWND Win32Platform::CreateDialogIndirectU8(const void* dialogTemplate, HWND parent,
                                           DialogHost* host) {
  ::HWND dialog = ::CreateDialogIndirectParamW(
      OurModule(), static_cast<const ::DLGTEMPLATE*>(dialogTemplate), W(parent), DialogThunk,
      reinterpret_cast<::LPARAM>(host));
  if (dialog != nullptr) ModelessDialogs().push_back(dialog);
  return M(dialog);
}

INT_PTR Win32Platform::DialogBoxIndirectU8(const void* dialogTemplate, HWND parent,
                                           DialogHost* host) {
  return ::DialogBoxIndirectParamW(OurModule(), static_cast<const ::DLGTEMPLATE*>(dialogTemplate),
                                   W(parent), DialogThunk, reinterpret_cast<::LPARAM>(host));
}

int Win32Platform::ModelessDialogCount() const {
  return static_cast<int>(ModelessDialogs().size());
}

// ---- Windows of any process -------------------------------------------------

BOOL Win32Platform::IsWindow(HWND hWnd) { return ::IsWindow(W(hWnd)); }
BOOL Win32Platform::IsWindowVisible(HWND hWnd) { return ::IsWindowVisible(W(hWnd)); }
BOOL Win32Platform::IsIconic(HWND hWnd) { return ::IsIconic(W(hWnd)); }
int Win32Platform::GetWindowTextLengthA(HWND hWnd) { return ::GetWindowTextLengthA(W(hWnd)); }

int Win32Platform::GetWindowTextA(HWND hWnd, char* buffer, int size) {
  return ::GetWindowTextA(W(hWnd), buffer, size);
}

int Win32Platform::GetClassNameA(HWND hWnd, char* buffer, int size) {
  return ::GetClassNameA(W(hWnd), buffer, size);
}

BOOL Win32Platform::EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  EnumContext context{proc, lParam, nullptr};
  BOOL result = ::EnumWindows(EnumThunk, reinterpret_cast<::LPARAM>(&context));
  if (context.error) std::rethrow_exception(context.error);
  return result;
}

BOOL Win32Platform::ShowWindow(HWND hWnd, int cmd) { return ::ShowWindow(W(hWnd), cmd); }
BOOL Win32Platform::ShowWindowAsync(HWND hWnd, int cmd) {
  return ::ShowWindowAsync(W(hWnd), cmd);
}

BOOL Win32Platform::SendMessageTimeoutA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                        UINT flags, UINT timeoutMs, DWORD_PTR* result) {
  ::DWORD_PTR answer = 0;
  ::LRESULT ok =
      ::SendMessageTimeoutA(W(hWnd), msg, wParam, lParam, flags, timeoutMs, &answer);
  if (result != nullptr) *result = ok ? answer : 0;
  return ok ? TRUE : FALSE;
}

BOOL Win32Platform::PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(W(hWnd), msg, wParam, lParam);
}

LRESULT Win32Platform::SendMessageToOwnWindow(HWND hWnd, UINT msg, WPARAM wParam,
                                              LPARAM lParam) {
  return ::SendMessageW(W(hWnd), msg, wParam, lParam);
}

BOOL Win32Platform::SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy,
                                 UINT flags) {
  return ::SetWindowPos(W(hWnd), W(insertAfter), x, y, cx, cy, flags);
}

BOOL Win32Platform::SetForegroundWindow(HWND hWnd) { return ::SetForegroundWindow(W(hWnd)); }
HWND Win32Platform::GetForegroundWindow() { return M(::GetForegroundWindow()); }

LONG Win32Platform::GetWindowLongA(HWND hWnd, int index) {
  return static_cast<LONG>(::GetWindowLongA(W(hWnd), index));
}

LONG Win32Platform::SetWindowLongA(HWND hWnd, int index, LONG value) {
  return static_cast<LONG>(::SetWindowLongA(W(hWnd), index, value));
}

BOOL Win32Platform::GetWindowInfo(HWND hWnd, WINDOWINFO* info) {
  if (info == nullptr) return ::GetWindowInfo(W(hWnd), nullptr);
  ::WINDOWINFO real;
  std::memcpy(&real, info, sizeof(real));  // cbSize is the caller's
  BOOL ok = ::GetWindowInfo(W(hWnd), &real);
  if (ok) std::memcpy(info, &real, sizeof(real));
  return ok;
}

BOOL Win32Platform::GetWindowRect(HWND hWnd, RECT* rect) {
  ::RECT real{};
  BOOL ok = ::GetWindowRect(W(hWnd), &real);
  if (ok && rect != nullptr) {
    *rect = RECT{static_cast<LONG>(real.left), static_cast<LONG>(real.top),
                 static_cast<LONG>(real.right), static_cast<LONG>(real.bottom)};
  }
  return ok;
}

DWORD Win32Platform::GetWindowThreadProcessId(HWND hWnd, DWORD* processId) {
  ::DWORD process = 0;
  ::DWORD thread = ::GetWindowThreadProcessId(W(hWnd), &process);
  if (processId != nullptr) *processId = process;
  return thread;
}

DWORD Win32Platform::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

// ---- Layered windows -------------------------------------------------------------

BOOL Win32Platform::QueryLayeredApi(BOOL* hasGet, BOOL* hasSet) {
  // A fresh look each time: this answers what the system offers, not what
  // we cached.
  win32::UniqueModule user32(::LoadLibraryA("user32.dll"));
  if (!user32) return FALSE;
  if (hasGet != nullptr)
    *hasGet = ::GetProcAddress(user32.Get(), "GetLayeredWindowAttributes") != nullptr;
  if (hasSet != nullptr)
    *hasSet = ::GetProcAddress(user32.Get(), "SetLayeredWindowAttributes") != nullptr;
  return TRUE;
}

BOOL Win32Platform::GetLayeredWindowAttributes(HWND hWnd, COLORREF* key, BYTE* alpha,
                                               DWORD* flags) {
  GetLayeredFn get = Layered().get;
  if (get == nullptr) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  ::COLORREF realKey = 0;
  ::BYTE realAlpha = 0;
  ::DWORD realFlags = 0;
  BOOL ok = get(W(hWnd), &realKey, &realAlpha, &realFlags);
  if (ok) {
    if (key != nullptr) *key = realKey;
    if (alpha != nullptr) *alpha = realAlpha;
    if (flags != nullptr) *flags = realFlags;
  }
  return ok;
}

BOOL Win32Platform::SetLayeredWindowAttributes(HWND hWnd, COLORREF key, BYTE alpha,
                                               DWORD flags) {
  SetLayeredFn set = Layered().set;
  if (set == nullptr) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return set(W(hWnd), key, alpha, flags);
}

// ---- Icons and the tray ----------------------------------------------------------

BOOL Win32Platform::Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data) {
  if (data == nullptr) return FALSE;
  // The real record is the newest shell's; ours is its shell 5.0 prefix
  // (checked above). The shell reads only cbSize bytes, so the tail stays 0.
  ::NOTIFYICONDATAA real{};
  std::memcpy(&real, data, sizeof(*data));
  return ::Shell_NotifyIconA(message, &real);
}

HICON Win32Platform::GetClassIcon(HWND hWnd, int index) {
  // The pointer-wide form: the 32-bit one would cut a 64-bit handle.
  return M(reinterpret_cast<::HICON>(::GetClassLongPtrW(W(hWnd), index)));
}

HICON Win32Platform::LoadAppIcon(int resourceId) {
  return M(::LoadIconW(OurModule(), MAKEINTRESOURCEW(resourceId)));
}

UINT Win32Platform::RegisterWindowMessageA(const char* name) {
  return ::RegisterWindowMessageA(name);
}

// ---- Input, timers, loop ---------------------------------------------------------

SHORT Win32Platform::GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

UINT_PTR Win32Platform::SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs) {
  return ::SetTimer(W(hWnd), id, elapseMs, nullptr);
}

BOOL Win32Platform::KillTimer(HWND hWnd, UINT_PTR id) { return ::KillTimer(W(hWnd), id); }

void Win32Platform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

int Win32Platform::RunMessageLoop() {
  ::MSG msg{};
  for (;;) {
    ::BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);  // WM_QUIT
    if (got == -1) return -1;  // only for invalid arguments; nothing to wait for
    if (RouteToModelessDialog(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

BOOL Win32Platform::InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
  if (rect == nullptr) return ::InvalidateRect(W(hWnd), nullptr, erase);
  ::RECT real{rect->left, rect->top, rect->right, rect->bottom};
  return ::InvalidateRect(W(hWnd), &real, erase);
}

HWND Win32Platform::GetDesktopWindow() { return M(::GetDesktopWindow()); }

// ---- Our own user interface ------------------------------------------------------

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
  ::HWND dialog = ::CreateDialogParamW(OurModule(), MAKEINTRESOURCEW(templateId), W(parent),
                                       DialogThunk, reinterpret_cast<::LPARAM>(host));
  if (dialog != nullptr) ModelessDialogs().push_back(dialog);
  return M(dialog);
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
  int length = ::GetWindowTextLengthW(W(hWnd));
  if (length <= 0) return std::string();
  // The length may be an over-estimate (it can count an ANSI caption's
  // bytes); the copy reports the real one.
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = ::GetWindowTextW(W(hWnd), &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return win32::NarrowUtf8(text);
}

HMENU Win32Platform::GetSystemMenu(HWND hWnd, BOOL revert) {
  return M(::GetSystemMenu(W(hWnd), revert));
}

BOOL Win32Platform::AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) {
  const std::wstring wide = win32::WidenUtf8(text);
  // A separator carries no text.
  const wchar_t* item = (flags & MF_SEPARATOR) ? nullptr : wide.c_str();
  return ::AppendMenuW(W(menu), flags, id, item);
}

// ---- List views and image lists ------------------------------------------------------
//
// Item texts come from other programs, so they are ANSI bytes; the wide
// messages show them correctly whatever code page the control would assume.

int Win32Platform::ListViewInsertItem(HWND listView, int index, const std::string& text,
                                      int image) {
  std::wstring wide = win32::Widen(text, win32::kAnsiCodePage);
  ::LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(wide.c_str());  // read only; the record is not const
  item.iImage = image;
  return static_cast<int>(
      ListViewSend(listView, LVM_INSERTITEMW, 0, reinterpret_cast<::LPARAM>(&item)));
}

BOOL Win32Platform::ListViewSetItemParam(HWND listView, int index, LPARAM param) {
  ::LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  item.lParam = param;
  return ListViewSend(listView, LVM_SETITEMW, 0, reinterpret_cast<::LPARAM>(&item)) ? TRUE
                                                                                    : FALSE;
}

LPARAM Win32Platform::ListViewGetItemParam(HWND listView, int index) {
  ::LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!ListViewSend(listView, LVM_GETITEMW, 0, reinterpret_cast<::LPARAM>(&item))) return 0;
  return item.lParam;
}

std::string Win32Platform::ListViewGetItemText(HWND listView, int index) {
  // LVM_GETITEMTEXT tells only how much it copied; a full buffer may mean a
  // longer text, so grow until there is room to spare.
  for (size_t size = 256; size <= (1u << 20); size *= 4) {
    std::wstring buffer(size, L'\0');
    ::LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = &buffer[0];
    item.cchTextMax = static_cast<int>(size);
    LRESULT copied =
        ListViewSend(listView, LVM_GETITEMTEXTW, index, reinterpret_cast<::LPARAM>(&item));
    if (copied < 0) copied = 0;
    if (static_cast<size_t>(copied) + 1 < size) {
      // Some versions return the text through a pointer of their own.
      const wchar_t* text = item.pszText != nullptr ? item.pszText : buffer.c_str();
      return win32::Narrow(std::wstring(text, static_cast<size_t>(copied)), win32::kAnsiCodePage);
    }
  }
  return std::string();
}

int Win32Platform::ListViewGetItemCount(HWND listView) {
  return static_cast<int>(ListViewSend(listView, LVM_GETITEMCOUNT, 0, 0));
}

int Win32Platform::ListViewGetSelectedCount(HWND listView) {
  return static_cast<int>(ListViewSend(listView, LVM_GETSELECTEDCOUNT, 0, 0));
}

int Win32Platform::ListViewGetNextItem(HWND listView, int start, UINT flags) {
  return static_cast<int>(ListViewSend(listView, LVM_GETNEXTITEM, static_cast<::WPARAM>(start),
                                       MAKELPARAM(flags, 0)));
}

int Win32Platform::ListViewFindItemByParam(HWND listView, int start, LPARAM param) {
  ::LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = param;
  return static_cast<int>(ListViewSend(listView, LVM_FINDITEMW, static_cast<::WPARAM>(start),
                                       reinterpret_cast<::LPARAM>(&find)));
}

BOOL Win32Platform::ListViewDeleteItem(HWND listView, int index) {
  return ListViewSend(listView, LVM_DELETEITEM, static_cast<::WPARAM>(index), 0) ? TRUE : FALSE;
}

UINT Win32Platform::ListViewGetItemState(HWND listView, int index, UINT mask) {
  return static_cast<UINT>(
      ListViewSend(listView, LVM_GETITEMSTATE, static_cast<::WPARAM>(index), mask));
}

BOOL Win32Platform::ListViewSetItemState(HWND listView, int index, UINT state, UINT mask) {
  ::LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  return ListViewSend(listView, LVM_SETITEMSTATE, static_cast<::WPARAM>(index),
                      reinterpret_cast<::LPARAM>(&item))
             ? TRUE
             : FALSE;
}

HIMAGELIST Win32Platform::ListViewSetImageList(HWND listView, HIMAGELIST list, int which) {
  const LRESULT previous = ListViewSend(listView, LVM_SETIMAGELIST, static_cast<::WPARAM>(which),
                                        reinterpret_cast<::LPARAM>(W(list)));
  return M(reinterpret_cast<::HIMAGELIST>(previous));
}

HIMAGELIST Win32Platform::ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
  return M(::ImageList_Create(cx, cy, flags, initial, grow));
}

int Win32Platform::ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  return ::ImageList_ReplaceIcon(W(list), index, W(icon));
}

BOOL Win32Platform::ImageListDestroy(HIMAGELIST list) { return ::ImageList_Destroy(W(list)); }

// ---- Shell -----------------------------------------------------------------------

INT_PTR Win32Platform::ShellExecuteA(HWND owner, const char* verb, const char* file,
                                     const char* parameters, const char* directory, int show) {
  // The result is an HINSTANCE only by history: a number, > 32 on success.
  return reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(W(owner), verb, file, parameters, directory, show));
}

// ---- Code page -------------------------------------------------------------------

BOOL Win32Platform::IsDBCSLeadByte(BYTE b) { return ::IsDBCSLeadByte(b); }

std::string Win32Platform::AnsiToUtf8(const std::string& ansi) {
  return win32::NarrowUtf8(win32::Widen(ansi, win32::kAnsiCodePage));
}

std::string Win32Platform::Utf8ToAnsi(const std::string& utf8) {
  return win32::Narrow(win32::WidenUtf8(utf8), win32::kAnsiCodePage);
}

// ---- Files and folders -------------------------------------------------------------

DWORD Win32Platform::GetPrivateProfileStringA(const char* section, const char* key,
                                              const char* defaultValue, char* buffer,
                                              DWORD size, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

UINT Win32Platform::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                          const char* fileName) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

BOOL Win32Platform::WritePrivateProfileStringA(const char* section, const char* key,
                                               const char* value, const char* fileName) {
  return ::WritePrivateProfileStringA(section, key, value, fileName);
}

DWORD Win32Platform::GetLastError() { return ::GetLastError(); }
void Win32Platform::SetLastError(DWORD code) { ::SetLastError(code); }

std::string Win32Platform::FormatMessageA(DWORD code) {
  char* text = nullptr;
  ::DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<::LPSTR>(&text),
      0, nullptr);
  win32::UniqueLocal owned(text);  // the system allocated it; LocalFree releases it
  if (length == 0 || text == nullptr) return std::string();
  return std::string(text, length);  // as the system gives it, line end included
}

BOOL Win32Platform::SHGetSpecialFolderPathA(HWND owner, char* buffer, int csidl, BOOL create) {
  return ::SHGetSpecialFolderPathA(W(owner), buffer, csidl, create);
}

BOOL Win32Platform::FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

BOOL Win32Platform::CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr);
}

DWORD Win32Platform::GetModuleFileNameA(char* buffer, DWORD size) {
  return ::GetModuleFileNameA(nullptr, buffer, size);
}

BOOL Win32Platform::ReadFileBytes(const std::string& path, std::string* bytes) {
  win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  std::string content;
  ::LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 &&
      size.QuadPart < (static_cast<LONGLONG>(1) << 30)) {
    content.reserve(static_cast<size_t>(size.QuadPart));
  }
  // Read to the end rather than trusting the size: the file may change
  // under us.
  char chunk[64 * 1024];
  for (;;) {
    ::DWORD got = 0;
    if (!::ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr)) return FALSE;
    if (got == 0) break;
    content.append(chunk, got);
  }
  if (bytes != nullptr) *bytes = std::move(content);
  return TRUE;
}

BOOL Win32Platform::WriteFileBytes(const std::string& path, const std::string& bytes) {
  win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  size_t done = 0;
  while (done < bytes.size()) {
    const ::DWORD want =
        static_cast<::DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    ::DWORD wrote = 0;
    if (!::WriteFile(file.Get(), bytes.data() + done, want, &wrote, nullptr)) return FALSE;
    if (wrote == 0) {  // a short write that says it succeeded: the disk is full
      ::SetLastError(ERROR_DISK_FULL);
      return FALSE;
    }
    done += wrote;
  }
  // The caller renames this file over the one it replaces next: its bytes
  // must be on the disk first.
  if (!::FlushFileBuffers(file.Get())) return FALSE;
  return file.Close() ? TRUE : FALSE;
}

BOOL Win32Platform::MoveFileReplaceA(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

BOOL Win32Platform::DeleteFileA(const std::string& path) { return ::DeleteFileA(path.c_str()); }

}  // namespace mm
