#include "dialogs/rule_editor_logic.h"

#include "platform/text.h"

namespace mm {

RuleEditorEnables EditorEnables(const CTrayWndSpec& rule) {
  RuleEditorEnables enables;
  enables.captionTest = rule.TestsCaption();
  enables.className = rule.TestsClassName();
  enables.programName = rule.TestsExeName();
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

void AfterProgramTestClicked(CTrayWndSpec& rule) {
  if (rule.MatchesEveryWindow()) rule.UseCaption = 1;
}

void AfterStyleLockClicked(CTrayWndSpec& rule) {
  // Locking keeps the style (its buttons are only disabled).
  if (rule.DisableTitleStyleChanging == 0) rule.TitleStyle = TitleStyleCode::Default;
}

MissingText FirstMissingText(const CTrayWndSpec& rule) {
  if (rule.TestsCaption() && rule.Caption.empty()) return MissingText::Caption;
  if (rule.TestsClassName() && rule.ClassName.empty()) return MissingText::ClassName;
  if (rule.TestsExeName() && rule.ExeName.empty()) return MissingText::ProgramName;
  return MissingText::None;
}

std::vector<std::string> ClassMatchChoices() {
  return {"と一致", "で始まる", "で終わる", "を含む", "パターン"};
}

StableClassPart StablePartOfClass(const std::string& className) {
  StableClassPart part;
  // WPF: the program's name, then a GUID made at each start.
  static const std::string kWpf = "HwndWrapper[";
  if (className.compare(0, kWpf.size(), kWpf) == 0 && className.back() == ']') {
    const std::size_t cut = className.find(";;", kWpf.size());
    if (cut != std::string::npos) part.prefix = className.substr(0, cut + 2);
    return part;
  }
  // MFC: the module's base address and handles of the class's cursor,
  // brush and icon, each of which may differ at the next start: only the
  // mark is left, which many programs share.
  static const std::string kMfc = "Afx:";
  if (className.size() > kMfc.size() && className.compare(0, kMfc.size(), kMfc) == 0) {
    bool hexFields = true;
    for (std::size_t i = kMfc.size(); i < className.size(); ++i) {
      const char c = className[i];
      const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
      if (!hex && c != ':') hexFields = false;
    }
    if (hexFields) {
      part.prefix = kMfc;
      part.wantsProgram = true;
    }
  }
  return part;
}

std::string PartWithoutLostCharacters(const std::string& ansiCaption) {
  std::string best;
  std::size_t start = 0;
  auto consider = [&](std::size_t end) {
    std::size_t from = start;
    while (from < end && ansiCaption[from] == ' ') ++from;
    while (end > from && ansiCaption[end - 1] == ' ') --end;
    if (end - from > best.size()) best = ansiCaption.substr(from, end - from);
  };
  // Stepped by characters: no "?" is taken from inside a double-byte one.
  for (std::size_t i = 0; i < ansiCaption.size(); i += CharBytes(ansiCaption, i)) {
    if (ansiCaption[i] != '?') continue;
    consider(i);
    start = i + 1;
  }
  consider(ansiCaption.size());
  return best;
}

std::vector<std::string> OpacityChoices() {
  std::vector<std::string> choices;
  for (int percent = 100; percent >= 0; percent -= 10) choices.push_back(std::to_string(percent));
  return choices;
}

}  // namespace mm
