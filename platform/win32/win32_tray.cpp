// Layered windows (their calls looked up at run time in user32), icons and
// the tray; and the platform object's construction, which holds the
// looked-up calls.
#include "platform/win32/win32_internal.h"

#include <cstring>
#include <map>

#include "platform/win32/win32_handles.h"

// Ours is the shell 5.0 record: the real one up to guidItem.
static_assert(sizeof(mm::NOTIFYICONDATAW) == NOTIFYICONDATAW_V2_SIZE, "NOTIFYICONDATAW");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 texts");
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, hWnd);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, uID);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, uFlags);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, uCallbackMessage);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, hIcon);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, szTip);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, dwState);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, dwStateMask);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, szInfo);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, szInfoTitle);
MM_SAME_OFFSET(NOTIFYICONDATAW, NOTIFYICONDATAW, dwInfoFlags);
static_assert(offsetof(mm::NOTIFYICONDATAW, uTimeoutOrVersion) ==
                  offsetof(::NOTIFYICONDATAW, uTimeout),
              "NOTIFYICONDATAW::uTimeout");

// The class-icon indices we are given are the pointer-wide ones (64-bit
// Windows has no GCL_HICON at all).
static_assert(GCLP_HICON == -14 && GCLP_HICONSM == -34, "class icon indices");

namespace mm {

using win32::M;
using win32::OurModule;
using win32::W;

namespace {

// GetProcAddress gives a generic pointer; casting through void(*)() is the
// sanctioned way to reach the real signature.
template <typename Fn>
Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
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
  controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_HOTKEY_CLASS;
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

BOOL Win32Platform::Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
  if (data == nullptr) return FALSE;
  // The real record is the newest shell's; ours is its shell 5.0 prefix
  // (checked above). The shell reads only cbSize bytes, so the tail stays 0.
  ::NOTIFYICONDATAW real{};
  std::memcpy(&real, data, sizeof(*data));
  return ::Shell_NotifyIconW(message, &real);
}

HICON Win32Platform::GetClassIcon(HWND hWnd, int index) {
  // The pointer-wide form: the 32-bit one would cut a 64-bit handle.
  return M(reinterpret_cast<::HICON>(::GetClassLongPtrW(W(hWnd), index)));
}

HICON Win32Platform::LoadAppIcon(int resourceId) {
  return M(::LoadIconW(OurModule(), MAKEINTRESOURCEW(resourceId)));
}

HICON Win32Platform::LoadAppSmallIcon(int resourceId) {
  // Not LR_SHARED: the shared cache may answer with the large icon that
  // LoadIcon put there for the same resource. Each one is loaded once and
  // kept for the life of the process instead (a handful, never more).
  static std::map<int, ::HICON> loaded;
  auto it = loaded.find(resourceId);
  if (it != loaded.end()) return M(it->second);
  ::HICON icon = static_cast<::HICON>(
      ::LoadImageW(OurModule(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                   ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (icon != nullptr) loaded.emplace(resourceId, icon);
  return M(icon);
}

int Win32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

BOOL Win32Platform::AllowMessageFromLowerPrivilege(HWND hWnd, UINT msg) {
  // Windows 7 and later; looked up so that older systems (where an
  // elevated window filters nothing) still start.
  using FilterFn = ::BOOL(WINAPI*)(::HWND, ::UINT, ::DWORD, void*);
  static const FilterFn filter = ProcAs<FilterFn>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx"));
  if (filter == nullptr) return FALSE;
  return filter(W(hWnd), msg, 1 /* MSGFLT_ALLOW */, nullptr);
}

BOOL Win32Platform::AllowSetForegroundWindow(DWORD processId) {
  return ::AllowSetForegroundWindow(processId);
}

UINT Win32Platform::RegisterWindowMessageA(const char* name) {
  return ::RegisterWindowMessageA(name);
}

}  // namespace mm
