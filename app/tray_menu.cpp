#include "app/tray_menu.h"

#include <cstdio>

#include "res/resource.h"

namespace mm {

namespace {

constexpr UINT kSteps = 10;  // 100 % down to 0 % in steps of ten

MenuItemChange Grey(UINT id, bool grey) {
  MenuItemChange c;
  c.id = id;
  c.grayed = grey ? 1 : 0;
  return c;
}

MenuItemChange Tick(UINT id) {
  MenuItemChange c;
  c.id = id;
  c.checked = 1;
  return c;
}

// One opacity popup: its eleven items greyed when opacity is unavailable,
// its current-value item relabelled (and made inert), and the item of the
// current value ticked when there is one.
void AddOpacity(PopupMenuDescription& menu, UINT first, UINT current, int percent,
                bool available) {
  for (UINT id = first; id <= first + kSteps; ++id) menu.changes.push_back(Grey(id, !available));
  MenuItemChange label;
  label.id = current;
  label.relabel = true;
  label.textUtf8 = CurrentOpacityText(percent);
  label.newId = 0;
  menu.changes.push_back(label);
  if (percent >= 0 && percent <= 100 && percent % 10 == 0) {
    menu.changes.push_back(Tick(first + kSteps - static_cast<UINT>(percent / 10)));
  }
}

int OpacityOfCommand(UINT id, UINT first) {
  if (id < first || id > first + kSteps) return -1;
  return static_cast<int>(first + kSteps - id) * 10;
}

}  // namespace

std::string CurrentOpacityText(int percent) {
  char text[64];
  std::snprintf(text, sizeof text, "現在： %d %%", percent);
  return text;
}

PopupMenuDescription BuildTrayMenu(const TrayMenuState& state) {
  PopupMenuDescription menu;
  menu.menuResource = IDR_TRAYMENU;
  if (state.ownIcon) {
    menu.popupIndex = IDM_POPUP_MAIN;
    if (state.modalActive) {
      menu.changes.push_back(Grey(ID_MENU_EXIT, true));
      menu.changes.push_back(Grey(ID_MENU_SETTING, true));
      menu.changes.push_back(Grey(IDM_ABOUTBOX, true));
      menu.changes.push_back(Grey(ID_MENU_HOTKEYS, true));
      menu.changes.push_back(Grey(ID_MENU_RESTART_ELEVATED, true));
    }
    if (state.startsWithWindows) menu.changes.push_back(Tick(ID_MENU_START_WITH_WINDOWS));
    if (!state.canRestartElevated) {
      MenuItemChange gone;
      gone.id = ID_MENU_RESTART_ELEVATED;
      gone.remove = true;
      menu.changes.push_back(gone);
    }
    return menu;
  }
  menu.popupIndex = IDM_POPUP_TRAY;
  if (state.modalActive || state.ruleless) menu.changes.push_back(Grey(ID_MENU_SETTING, true));
  AddOpacity(menu, ID_MENU_ALPHA_100, ID_MENU_ALPHA_CURRENT, state.alphaActive,
             state.opacityAvailable);
  AddOpacity(menu, ID_MENU_ALPHA_BG_100, ID_MENU_ALPHA_BG_CURRENT, state.alphaInactive,
             state.opacityAvailable);
  if (state.protectedWindow) {
    for (UINT id : {ID_MENU_SHOW, ID_MENU_HIDE, ID_MENU_TOPMOST, ID_MENU_MAXIMIZE, ID_MENU_RESTORE,
                    ID_MENU_MINIMIZE}) {
      menu.changes.push_back(Grey(id, true));
    }
  }
  if (!state.canChangeTitleStyle) {
    for (UINT id : {ID_MENU_TITLE_DEFAULT, ID_MENU_TITLE_TOOLWINDOW, ID_MENU_TITLE_NONE}) {
      menu.changes.push_back(Grey(id, true));
    }
  }
  if (state.topMost) menu.changes.push_back(Tick(ID_MENU_TOPMOST));
  return menu;
}

int ActiveOpacityOfCommand(UINT id) { return OpacityOfCommand(id, ID_MENU_ALPHA_100); }

int InactiveOpacityOfCommand(UINT id) { return OpacityOfCommand(id, ID_MENU_ALPHA_BG_100); }

}  // namespace mm
