#include "dialogs/rule_list_logic.h"

namespace mm {

namespace {

constexpr char kNotUsed[] = "<使用しない>";

// Window chains are a handful of windows deep; a longer one is a loop that
// a changing window tree made.
constexpr int kMaxPickSteps = 1024;

RuleCell Ours(const char* text) { return RuleCell{text, false}; }

}  // namespace

std::array<RuleCell, kRuleColumns> RuleRowCells(const CTrayWndSpec& rule) {
  return {
      RuleCell{rule.UserName, true},
      rule.UseCaption != 0 ? RuleCell{rule.Caption, true} : Ours(kNotUsed),
      rule.UseClassname != 0 ? RuleCell{rule.ClassName, true} : Ours(kNotUsed),
      rule.UseExeName != 0 ? RuleCell{rule.ExeName, true} : Ours(kNotUsed),
      Ours(rule.HideIfIconized != 0 ? "隠す" : "隠さない"),
      // The icon column shows ShowIconOnlyHidden alone, whatever UseTrayIcon says.
      Ours(rule.ShowIconOnlyHidden != 0 ? "隠している間だけ表示" : "いつも表示"),
      Ours(rule.ShowTopMost != 0 ? "する" : "しない"),
      Ours(""),
  };
}

const char* WindowStateText(bool visible) { return visible ? "表示" : "非表示"; }

ManageButtonStates ManageButtons(bool windowSelected, bool windowVisible, bool ruleSelected) {
  ManageButtonStates states;
  states.add = windowSelected;
  states.show = windowSelected && !windowVisible;
  states.hide = windowSelected && windowVisible;
  states.edit = ruleSelected;
  states.remove = ruleSelected;
  return states;
}

CTrayWndSpec& AppendRule(TraySpecList& rules, const CTrayWndSpec& fields) {
  auto rule = std::make_unique<CTrayWndSpec>();
  CopyRuleFields(fields, *rule);
  rules.push_back(std::move(rule));
  return *rules.back();
}

CTrayWndSpec* FindRule(const TraySpecList& rules, const void* candidate) {
  for (const auto& rule : rules) {
    if (rule.get() == candidate) return rule.get();
  }
  return nullptr;
}

bool DeleteRule(TraySpecList& rules, const CTrayWndSpec* rule,
                const std::function<void(CTrayWndSpec*)>& beforeRemoval) {
  CTrayWndSpec* found = FindRule(rules, rule);
  if (found == nullptr) return false;
  beforeRemoval(found);
  // Looked up again: whatever ran meanwhile may have changed the list.
  for (auto it = rules.begin(); it != rules.end(); ++it) {
    if (it->get() != found) continue;
    std::unique_ptr<CTrayWndSpec> owned = std::move(*it);
    rules.erase(it);
    return true;
  }
  return true;
}

HWND PickedWindow(HWND window, HWND desktop, const std::function<HWND(HWND)>& parentOf) {
  if (window == nullptr || window == desktop) return nullptr;
  for (int step = 0; step < kMaxPickSteps; ++step) {
    const HWND up = parentOf(window);
    if (up == nullptr || up == desktop) break;
    window = up;
  }
  return window;
}

}  // namespace mm
