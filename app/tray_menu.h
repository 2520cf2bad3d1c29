// The menus of the tray icons: which popup a click opens and how its items
// are greyed, ticked and relabelled for the window behind the icon. Plain
// data in, a menu description out; the platform shows it.
#pragma once

#include <string>

#include "platform/platform.h"

namespace mm {

// What the menu shows of one managed window and of the manager.
struct TrayMenuState {
  bool ownIcon = false;       // the manager's own icon: the main menu
  bool modalActive = false;   // a rule dialog, the about box or the exit question is open
  bool opacityAvailable = true;
  int alphaActive = 100;      // percent
  int alphaInactive = 100;
  bool canChangeTitleStyle = true;
  bool topMost = false;
  bool ruleless = false;      // taken by the hotkey without a rule: none to edit
  bool protectedWindow = false;  // its program runs as administrator: nothing to change
  bool canRestartElevated = false;  // the main menu offers a restart as administrator
  bool startsWithWindows = false;   // the logon list names this very program
};

PopupMenuDescription BuildTrayMenu(const TrayMenuState& state);

// "現在： 75 %": the text of a current-opacity item.
std::string CurrentOpacityText(int percent);

// The percent an opacity command sets, or -1 for another command.
int ActiveOpacityOfCommand(UINT id);
int InactiveOpacityOfCommand(UINT id);

}  // namespace mm
