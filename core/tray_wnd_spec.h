// A window rule: how to recognise a top-level window and what to do with it.
#pragma once

#include <array>
#include <list>
#include <memory>
#include <string>

#include "platform/types.h"

namespace mm {

// How a rule's Caption is compared with a window's caption. Any other value
// (a settings file can hold one) makes the caption test fail.
struct CaptionMatch {
  enum : int { Equal = 0, StartsWith = 1, EndsWith = 2, Contains = 3 };
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

  // Nonzero when the window satisfies the rule. Reads the caption and class
  // name from the window system each time; no side effects.
  int Matches(HWND window) const;
  // The same decision on a caption and class name the caller has already
  // read (the scan reads each window once for all rules). `className` is
  // only looked at when the caption test passes.
  int MatchesText(const std::string& caption, const std::string& className) const;

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
};

// The rules in the order they are tried (and stored).
using TraySpecList = std::list<std::unique_ptr<CTrayWndSpec>>;

// One of the sixteen fields of a rule: the name it is stored under, where
// it lives, and what a missing key reads as. A field is a number or a text.
struct RuleField {
  const char* key;
  int CTrayWndSpec::*number;        // null for a text field
  std::string CTrayWndSpec::*text;  // null for a number field
  int defaultNumber;                // what a missing key reads as
};

// All sixteen, in the order the settings file stores them.
const std::array<RuleField, 16>& RuleFields();

// Field by field, as the dialogs that edit a rule transfer it.
void CopyRuleFields(const CTrayWndSpec& from, CTrayWndSpec& to);
bool SameRuleFields(const CTrayWndSpec& a, const CTrayWndSpec& b);

}  // namespace mm
