// A window rule: how to recognise a top-level window and what to do with it.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

class CIniFile;

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

  // The sixteen keys, in the section the caller has selected.
  void Save(CIniFile& file) const;
  void Load(CIniFile& file);

  std::string UserName;
  std::string Caption;
  int UseCaption = 1;
  int CaptionMatchType = 0;
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
  int TitleStyle = 0;
  int DisableTitleStyleChanging = 0;
};

}  // namespace mm
