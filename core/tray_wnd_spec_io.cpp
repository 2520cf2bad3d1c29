#include "core/tray_wnd_spec.h"
#include "storage/ini_file.h"

namespace mm {

// The sixteen keys in the order they are written and read; a missing key
// gives the default beside it, so a rule read from the file never depends
// on the constructor's values.
void CTrayWndSpec::Save(CIniFile& file) const {
  file.WriteInt("UseCaption", UseCaption);
  file.WriteInt("UseClassname", UseClassname);
  file.WriteInt("HideIfIconized", HideIfIconized);
  file.WriteInt("UseTrayIcon", UseTrayIcon);
  file.WriteInt("ShowIconOnlyHidden", ShowIconOnlyHidden);
  file.WriteInt("ShowTopMost", ShowTopMost);
  file.WriteInt("CaptionMatchType", CaptionMatchType);
  file.WriteString("Caption", Caption);
  file.WriteString("ClassName", ClassName);
  file.WriteString("UserName", UserName);
  file.WriteInt("AlphaPercent", AlphaPercent);
  file.WriteInt("AlphaPercentBG", AlphaPercentBG);
  file.WriteInt("HideOnStartup", HideOnStartup);
  file.WriteInt("CloseOnStartup", CloseOnStartup);
  file.WriteInt("TitleStyle", TitleStyle);
  file.WriteInt("DisableTitleStyleChanging", DisableTitleStyleChanging);
}

void CTrayWndSpec::Load(CIniFile& file) {
  UseCaption = file.GetInt("UseCaption", 1);
  UseClassname = file.GetInt("UseClassname", 1);
  HideIfIconized = file.GetInt("HideIfIconized", 1);
  UseTrayIcon = file.GetInt("UseTrayIcon", 1);
  ShowIconOnlyHidden = file.GetInt("ShowIconOnlyHidden", 1);
  ShowTopMost = file.GetInt("ShowTopMost", 0);
  CaptionMatchType = file.GetInt("CaptionMatchType", 0);
  Caption = file.GetString("Caption", "");
  ClassName = file.GetString("ClassName", "");
  UserName = file.GetString("UserName", "");
  AlphaPercent = file.GetInt("AlphaPercent", 100);
  AlphaPercentBG = file.GetInt("AlphaPercentBG", 100);
  HideOnStartup = file.GetInt("HideOnStartup", 0);
  CloseOnStartup = file.GetInt("CloseOnStartup", 0);
  TitleStyle = file.GetInt("TitleStyle", 0);
  DisableTitleStyleChanging = file.GetInt("DisableTitleStyleChanging", 0);
}

}  // namespace mm
