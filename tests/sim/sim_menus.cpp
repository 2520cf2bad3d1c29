// Menus: a window's system menu with what the program appended, and popup
// menus loaded from the resource script, changed as the program asks, shown
// and answered as the test's user decides.
#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

// The first item with that command in menu order, at any depth (a popup's
// own id is its submenu, never a command).
MenuItemRecord* FindCommand(std::vector<MenuItemRecord>& items, UINT_PTR id) {
  for (MenuItemRecord& item : items) {
    if (item.flags & MF_POPUP) {
      if (MenuItemRecord* found = FindCommand(item.items, id)) return found;
    } else if (item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

bool Remove(std::vector<MenuItemRecord>& items, UINT_PTR id) {
  for (auto it = items.begin(); it != items.end(); ++it) {
    if (it->flags & MF_POPUP) {
      if (Remove(it->items, id)) return true;
    } else if (it->id == id) {
      items.erase(it);
      return true;
    }
  }
  return false;
}

void Apply(const MenuItemChange& change, std::vector<MenuItemRecord>& items) {
  if (change.remove) {
    Remove(items, change.id);
    return;
  }
  MenuItemRecord* item = FindCommand(items, change.id);
  if (item == nullptr) return;
  if (change.relabel) *item = MenuItemRecord{MF_STRING, change.newId, change.textUtf8, {}};
  if (change.grayed == 1) item->flags |= MF_GRAYED;
  if (change.grayed == 0) item->flags &= ~(MF_GRAYED | MF_DISABLED);
  if (change.checked == 1) item->flags |= MF_CHECKED;
  if (change.checked == 0) item->flags &= ~MF_CHECKED;
}

}  // namespace

// ---- system menus ----------------------------------------------------------------------

HMENU SimDesktop::GetSystemMenu(HWND hWnd, BOOL revert) {
  State& s = *s_;
  Window* w = s.TopLevel(hWnd);
  if (w == nullptr) return nullptr;
  if (revert) {
    if (w->systemMenu != nullptr) s.menus.erase(w->systemMenu);
    w->systemMenu = nullptr;
    return nullptr;
  }
  if (w->systemMenu == nullptr) {
    w->systemMenu = reinterpret_cast<HMENU>(s.nextMenu);
    s.nextMenu += 4;
    s.menus[w->systemMenu] = SystemMenu{hWnd, {}};
  }
  return w->systemMenu;
}

BOOL SimDesktop::AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) {
  auto it = s_->menus.find(menu);
  if (it == s_->menus.end()) return FALSE;
  it->second.items.push_back({flags, id, (flags & MF_SEPARATOR) ? std::string() : text, {}});
  return TRUE;
}

std::vector<MenuItemRecord> SimDesktop::SystemMenuItems(HWND hWnd) const {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || w->systemMenu == nullptr) return {};
  auto it = s_->menus.find(w->systemMenu);
  return it == s_->menus.end() ? std::vector<MenuItemRecord>() : it->second.items;
}

// ---- popup menus ---------------------------------------------------------------------------

UINT SimDesktop::TrackPopupMenuU8(HWND owner, const PopupMenuDescription& menu, POINT at) {
  State& s = *s_;
  if (s.Find(owner) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto bar = s.script->menus.find(menu.menuResource);
  if (bar == s.script->menus.end() || menu.popupIndex < 0 ||
      static_cast<size_t>(menu.popupIndex) >= bar->second.size() ||
      !(bar->second[static_cast<size_t>(menu.popupIndex)].flags & MF_POPUP)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  MenuRecord shown{owner, at, s.active, bar->second[static_cast<size_t>(menu.popupIndex)].items};
  for (const MenuItemChange& change : menu.changes) Apply(change, shown.items);
  s.trackedMenus.push_back(shown);
  // The menu's own loop runs while it is open.
  Pump();
  UINT chosen = 0;
  if (!s.menuScripts.empty()) {
    auto script = std::move(s.menuScripts.front());
    s.menuScripts.pop_front();
    chosen = script(owner, shown);
  }
  const MenuItemRecord* item = FindCommand(shown.items, chosen);
  const UINT inert = MF_GRAYED | MF_DISABLED | MF_SEPARATOR;
  return chosen != 0 && item != nullptr && !(item->flags & inert) ? chosen : 0;
}

const std::vector<MenuRecord>& SimDesktop::TrackedMenus() const { return s_->trackedMenus; }

void SimDesktop::QueueMenuChoice(UINT id) {
  s_->menuScripts.push_back([id](HWND, const MenuRecord&) { return id; });
}

void SimDesktop::QueueMenuScript(std::function<UINT(HWND owner, const MenuRecord& menu)> script) {
  s_->menuScripts.push_back(std::move(script));
}

}  // namespace mm::sim
