// A window rule: how to recognise a top-level window and what to do with it.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace mm {

// How a rule's Caption is compared with a window's caption. Any other value
// (a settings file can hold one) makes the caption test fail.
// How a rule's caption or class name is compared (CaptionMatchType and
// ClassMatchType). Wildcard: `*` any run of characters, `?` one character,
// a double-byte character counting as one.
struct CaptionMatch {
  enum : int { Equal = 0, StartsWith = 1, EndsWith = 2, Contains = 3, Wildcard = 4 };
};

// Title-bar styles a managed window can be given. Any other value is the
// default look.
struct TitleStyleCode {
  enum : int { Default = 0, ToolWindow = 1, NoTitle = 2 };
};

class CTrayWndSpec {
 public:
  CTrayWndSpec();
  virtual ~CTrayWndSpec();

  // Which of a window's texts the rule tests. A rule that tests none
  // matches every window; every reader of rules asks these, never the
  // fields themselves.
  bool TestsCaption() const { return UseCaption != 0; }
  bool TestsClassName() const { return UseClassname != 0; }
  bool TestsExeName() const { return UseExeName != 0; }
  bool MatchesEveryWindow() const { return !TestsCaption() && !TestsClassName() && !TestsExeName(); }

  // Nonzero when a window with this caption, class name and program file
  // (read with ReadWindowCaption, ReadWindowClassName and
  // ReadWindowProgramPath) satisfies the rule. A text the rule does not
  // test is never looked at.
  int MatchesText(const std::string& caption, const std::string& className,
                  const std::string& programPath = std::string()) const;
  // The program test alone: ExeName against the file's name, or against
  // the whole path when it holds a backslash, without regard to ASCII case.
  bool ProgramPasses(const std::string& programPath) const;

  std::string UserName;
  std::string Caption;
  int UseCaption = 1;
  int CaptionMatchType = CaptionMatch::Equal;
  std::string ClassName;
  int UseClassname = 1;
  int HideIfIconized = 1;
  int AlphaPercent = 100;
  int AlphaPercentBG = 100;
  int ShowIconOnlyHidden = 0;
  int UseTrayIcon = 1;
  int ShowTopMost = 0;
  int HideOnStartup = 0;
  int CloseOnStartup = 0;
  int TitleStyle = TitleStyleCode::Default;
  int DisableTitleStyleChanging = 0;
  // Beyond the original keys; missing from a file, they test nothing new.
  int UseExeName = 0;
  std::string ExeName;
  int ClassMatchType = CaptionMatch::Equal;
};

// The file name of a path: what follows its last backslash (one that ends
// a character, never the trail byte of a double-byte one).
std::string_view ProgramFileName(std::string_view path);

// The rules in the order they are tried (and stored).
using TraySpecList = std::list<std::unique_ptr<CTrayWndSpec>>;

// One field of a rule: the name it is stored under, where it lives, and
// what a missing key reads as. A field is a number or a text.
struct RuleField {
  const char* key;
  int CTrayWndSpec::*number;        // null for a text field
  std::string CTrayWndSpec::*text;  // null for a number field
  int defaultNumber;                // what a missing key reads as
};

// Every field, in the order the settings file stores them.
const std::vector<RuleField>& RuleFields();

// Field by field, as the dialogs that edit a rule transfer it.
void CopyRuleFields(const CTrayWndSpec& from, CTrayWndSpec& to);
bool SameRuleFields(const CTrayWndSpec& a, const CTrayWndSpec& b);

}  // namespace mm
