// Menus: the window menu we extend.
#include "platform/win32/win32_internal.h"

#include "platform/win32/win32_text.h"

namespace mm {

using win32::M;
using win32::W;

HMENU Win32Platform::GetSystemMenu(HWND hWnd, BOOL revert) {
  return M(::GetSystemMenu(W(hWnd), revert));
}

BOOL Win32Platform::AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) {
  const std::wstring wide = win32::WidenUtf8(text);
  // A separator carries no text.
  const wchar_t* item = (flags & MF_SEPARATOR) ? nullptr : wide.c_str();
  return ::AppendMenuW(W(menu), flags, id, item);
}

}  // namespace mm
