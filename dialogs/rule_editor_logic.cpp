#include "dialogs/rule_editor_logic.h"

namespace mm {

RuleEditorEnables EditorEnables(const CTrayWndSpec& rule) {
  RuleEditorEnables enables;
  enables.captionTest = rule.TestsCaption();
  enables.className = rule.TestsClassName();
  enables.titleStyles = rule.DisableTitleStyleChanging == 0;
  enables.iconOnlyHidden = rule.UseTrayIcon != 0;
  return enables;
}

// A rule the editor writes always tests something: the test just turned
// off hands over to the other one.
void AfterCaptionTestClicked(CTrayWndSpec& rule) {
  if (rule.MatchesEveryWindow()) rule.UseClassname = 1;
}

void AfterClassTestClicked(CTrayWndSpec& rule) {
  if (rule.MatchesEveryWindow()) rule.UseCaption = 1;
}

void AfterStyleLockClicked(CTrayWndSpec& rule) {
  // Locking keeps the style (its buttons are only disabled).
  if (rule.DisableTitleStyleChanging == 0) rule.TitleStyle = TitleStyleCode::Default;
}

MissingText FirstMissingText(const CTrayWndSpec& rule) {
  if (rule.TestsCaption() && rule.Caption.empty()) return MissingText::Caption;
  if (rule.TestsClassName() && rule.ClassName.empty()) return MissingText::ClassName;
  return MissingText::None;
}

std::vector<std::string> OpacityChoices() {
  std::vector<std::string> choices;
  for (int percent = 100; percent >= 0; percent -= 10) choices.push_back(std::to_string(percent));
  return choices;
}

}  // namespace mm
