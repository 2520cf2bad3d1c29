// What the rule editor decides without a window system: which controls are
// enabled, what its check boxes change besides themselves, and which text
// OK finds missing first.
#pragma once

#include <string>
#include <vector>

#include "core/tray_wnd_spec.h"

namespace mm {

struct RuleEditorEnables {
  bool captionTest = true;     // the title, its match buttons and their label
  bool className = true;       // the class name and its comparison
  bool programName = false;    // the program's file name
  bool titleStyles = true;     // the three visible style buttons
  bool iconOnlyHidden = true;  // "tray icon only while hidden"
};

// A disabled control keeps its value; only the user cannot change it.
RuleEditorEnables EditorEnables(const CTrayWndSpec& rule);

// What follows from a click on a check box, once its new state is in the
// rule. At least one of the two tests stays on: clearing one ticks the
// other. Allowing style changes again starts from the default style.
void AfterCaptionTestClicked(CTrayWndSpec& rule);
void AfterClassTestClicked(CTrayWndSpec& rule);
void AfterProgramTestClicked(CTrayWndSpec& rule);
void AfterStyleLockClicked(CTrayWndSpec& rule);

// The first text OK asks for: a test that is on needs its text; blanks
// count as text.
enum class MissingText { None, Caption, ClassName, ProgramName };
MissingText FirstMissingText(const CTrayWndSpec& rule);

// The opacity boxes' lists: "100" down to "0" in steps of ten.
std::vector<std::string> OpacityChoices();
// The class comparison's list, in CaptionMatch order.
std::vector<std::string> ClassMatchChoices();

// A class name with a part that changes from run to run (WPF's
// "HwndWrapper[app.exe;;GUID]", MFC's "Afx:base:style:..."): the part that
// stays, for a "starts with" test, and whether it is so general that the
// program test should go with it. Empty for any other class name.
struct StableClassPart {
  std::string prefix;
  bool wantsProgram = false;
};
StableClassPart StablePartOfClass(const std::string& className);

// A title with characters the ANSI code page cannot hold reaches the rules
// with "?" for them. The longest run of the ANSI caption between those
// marks (blanks at its ends dropped), for a "contains" test that does not
// depend on them; empty when there is none.
std::string PartWithoutLostCharacters(const std::string& ansiCaption);

}  // namespace mm
