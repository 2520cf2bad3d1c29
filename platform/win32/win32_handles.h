// Owning wrappers for the Win32 handles the backend opens, so that no early
// return leaks one. Include after our own headers (this one pulls in
// <windows.h>, whose macros shadow the constants of platform/types.h).
#pragma once

#include <utility>

#include "platform/win32/win32_sdk.h"

namespace mm::win32 {

// One owned handle; `Close` is the function that releases it and `Invalid`
// the value that means "none" (INVALID_HANDLE_VALUE for files, 0 elsewhere).
template <typename Handle, typename Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(Handle h) : h_(h) {}
  ~Unique() { Reset(); }
  Unique(Unique&& other) noexcept : h_(other.Release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Handle Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  Handle Release() { return std::exchange(h_, Traits::Invalid()); }
  // Releases the old handle. Keeps the thread's last-error code, so that a
  // failure path can close its handles and still report why it failed.
  void Reset(Handle h = Traits::Invalid()) {
    if (Valid()) {
      DWORD error = ::GetLastError();
      Traits::Close(h_);
      ::SetLastError(error);
    }
    h_ = h;
  }
  // Closes and reports whether closing succeeded (a file's last write can
  // fail only here).
  bool Close() {
    return !Valid() || Traits::Close(Release());
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static bool Close(HMODULE h) { return ::FreeLibrary(h) != FALSE; }
};
struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE h) { return ::CloseHandle(h) != FALSE; }
};
struct LocalMemoryTraits {
  static HLOCAL Invalid() { return nullptr; }
  static bool Close(HLOCAL h) { return ::LocalFree(h) == nullptr; }
};
// Destroys the menu and every submenu it holds. (Spelled ::HMENU: in this
// namespace a bare HMENU is ours.)
struct MenuTraits {
  static ::HMENU Invalid() { return nullptr; }
  static bool Close(::HMENU h) { return ::DestroyMenu(h) != FALSE; }
};

// Fonts and brushes go back with DeleteObject; only a copied cursor is ours
// to destroy (a loaded one is shared).
template <typename Gdi>
struct GdiObjectTraits {
  static Gdi Invalid() { return nullptr; }
  static bool Close(Gdi h) { return ::DeleteObject(h) != FALSE; }
};
struct CursorTraits {
  static ::HCURSOR Invalid() { return nullptr; }
  static bool Close(::HCURSOR h) { return ::DestroyCursor(h) != FALSE; }
};

using UniqueModule = Unique<HMODULE, ModuleTraits>;
using UniqueFile = Unique<HANDLE, FileTraits>;
using UniqueLocal = Unique<HLOCAL, LocalMemoryTraits>;
using UniqueMenu = Unique<::HMENU, MenuTraits>;
using UniqueFont = Unique<::HFONT, GdiObjectTraits<::HFONT>>;
using UniqueBrush = Unique<::HBRUSH, GdiObjectTraits<::HBRUSH>>;
using UniqueCursor = Unique<::HCURSOR, CursorTraits>;

}  // namespace mm::win32
