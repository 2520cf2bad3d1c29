// What the rule list dialog decides without a window system: the texts of a
// rule's row, which windows a search lists, which buttons are enabled, how
// the rule list changes, and which window a drag of the picker picks.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/tray_wnd_spec.h"

namespace mm {

// One cell of a rule's row: the rule's own bytes (ANSI, as captions and
// class names are) or a text of ours (UTF-8).
struct RuleCell {
  std::string text;
  bool ansi = false;
  bool operator==(const RuleCell& other) const {
    return text == other.text && ansi == other.ansi;
  }
};

constexpr int kRuleColumns = 8;

// The columns of the rule list, left to right: name, window name, class
// name, program, when minimised, tray icon, always on top, and an empty one.
std::array<RuleCell, kRuleColumns> RuleRowCells(const CTrayWndSpec& rule);

// Column 1 of the window list: "表示" or "非表示".
const char* WindowStateText(bool visible);

// Which windows a search lists. The title is read only for windows that
// pass the first test.
struct WindowFilter {
  bool showHidden = false;
  bool showUnnamed = false;
  bool ListsVisibility(bool visible) const { return visible || showHidden; }
  bool ListsTitle(const std::string& title) const { return showUnnamed || !title.empty(); }
};

struct ManageButtonStates {
  bool add = false;
  bool show = false;
  bool hide = false;
  bool edit = false;
  bool remove = false;
};

// `windowVisible` is that of the selected window (false without one).
ManageButtonStates ManageButtons(bool windowSelected, bool windowVisible, bool ruleSelected);

// A new rule with every field of `fields`, at the end of the list.
CTrayWndSpec& AppendRule(TraySpecList& rules, const CTrayWndSpec& fields);

// The rule of the list whose address is `candidate`, or nullptr: an address
// kept elsewhere (a row's item data) is compared, never followed.
CTrayWndSpec* FindRule(const TraySpecList& rules, const void* candidate);

// Removes `rule` from the list and destroys it, after `beforeRemoval` has
// run with the rule still alive and in the list (the manager lets go of
// the windows that use it). False, with nothing done, when the rule is not
// in the list.
bool DeleteRule(TraySpecList& rules, const CTrayWndSpec* rule,
                const std::function<void(CTrayWndSpec*)>& beforeRemoval);

// The window a drag picks when released over `window`: the last of its
// parents and owners (as GetParent gives them) that is neither null nor the
// desktop. Null when `window` is null or the desktop.
HWND PickedWindow(HWND window, HWND desktop, const std::function<HWND(HWND)>& parentOf);

}  // namespace mm
