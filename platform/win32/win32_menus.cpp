// Menus: the window menu we extend, and popups of our menu resources with
// the caller's changes applied.
#include "platform/win32/win32_internal.h"

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace mm {

using win32::M;
using win32::OurModule;
using win32::W;

namespace {

struct ItemPlace {
  ::HMENU menu = nullptr;
  int position = -1;
};

// The first item in menu order, at any depth, with command `id`. A popup
// item is searched, never matched: its id is no command. Nor is a
// separator's 0.
bool FindCommand(::HMENU menu, UINT id, ItemPlace* place) {
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    ::MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
    if (!::GetMenuItemInfoW(menu, static_cast<::UINT>(i), TRUE, &info)) continue;
    if (info.hSubMenu != nullptr) {
      if (FindCommand(info.hSubMenu, id, place)) return true;
    } else if (!(info.fType & MFT_SEPARATOR) && info.wID == id) {
      *place = ItemPlace{menu, i};
      return true;
    }
  }
  return false;
}

}  // namespace

void win32::ApplyMenuChanges(::HMENU menu, const std::vector<MenuItemChange>& changes) {
  for (const MenuItemChange& change : changes) {
    ItemPlace at;
    if (!FindCommand(menu, change.id, &at)) continue;
    const ::UINT position = static_cast<::UINT>(at.position);
    if (change.remove) {
      ::DeleteMenu(at.menu, position, MF_BYPOSITION);
      continue;
    }
    if (change.relabel) {
      // ModifyMenu sets the whole item, its state too: keep the state the
      // item has unless this change sets it below.
      const ::UINT state =
          ::GetMenuState(at.menu, position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
      ::ModifyMenuW(at.menu, position, MF_BYPOSITION | MF_STRING | state, change.newId,
                    win32::WidenUtf8(change.textUtf8).c_str());
    }
    if (change.grayed >= 0) {
      ::EnableMenuItem(at.menu, position, MF_BYPOSITION | (change.grayed ? MF_GRAYED : MF_ENABLED));
    }
    if (change.checked >= 0) {
      ::CheckMenuItem(at.menu, position,
                      MF_BYPOSITION | (change.checked ? MF_CHECKED : MF_UNCHECKED));
    }
  }
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

UINT Win32Platform::TrackPopupMenuU8(HWND owner, const PopupMenuDescription& menu, POINT at) {
  // Loaded afresh for every showing, so that no change outlives it; the
  // whole bar goes when this returns, the popup with it.
  win32::UniqueMenu bar(::LoadMenuW(OurModule(), MAKEINTRESOURCEW(menu.menuResource)));
  if (!bar) return 0;
  ::HMENU popup = ::GetSubMenu(bar.Get(), menu.popupIndex);
  if (popup == nullptr) return 0;
  win32::ApplyMenuChanges(popup, menu.changes);
  // TPM_RETURNCMD: the choice comes back here, not as a WM_COMMAND to the
  // owner; TPM_NONOTIFY: the owner hears nothing of the menu while it is
  // open. TPM_RIGHTBUTTON: a tray menu is opened with the right button, and
  // the user may choose with it too.
  const ::BOOL chosen = ::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                         at.x, at.y, 0, W(owner), nullptr);
  return chosen > 0 ? static_cast<UINT>(chosen) : 0;
}

}  // namespace mm
