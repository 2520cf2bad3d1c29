#include "storage/settings.h"

#include <cstdio>

#include "core/tray_wnd_spec.h"
#include "storage/ini_file.h"
#include "storage/paths.h"

namespace mm {

namespace {

// Answers every read with its default without touching a file: how a rule
// reads a section that has no keys.
class DefaultsOnly : public CIniFile {
 public:
  DefaultsOnly() : CIniFile(std::string(), std::string()) {}
  std::string GetString(const std::string&, const std::string& defaultValue) override {
    return defaultValue.substr(0, 1023);
  }
  int GetInt(const std::string&, int defaultValue) override { return defaultValue; }
};

bool SameFields(const CTrayWndSpec& a, const CTrayWndSpec& b) {
  return a.UserName == b.UserName && a.Caption == b.Caption && a.ClassName == b.ClassName &&
         a.UseCaption == b.UseCaption && a.CaptionMatchType == b.CaptionMatchType &&
         a.UseClassname == b.UseClassname && a.HideIfIconized == b.HideIfIconized &&
         a.AlphaPercent == b.AlphaPercent && a.AlphaPercentBG == b.AlphaPercentBG &&
         a.ShowIconOnlyHidden == b.ShowIconOnlyHidden && a.UseTrayIcon == b.UseTrayIcon &&
         a.ShowTopMost == b.ShowTopMost && a.HideOnStartup == b.HideOnStartup &&
         a.CloseOnStartup == b.CloseOnStartup && a.TitleStyle == b.TitleStyle &&
         a.DisableTitleStyleChanging == b.DisableTitleStyleChanging;
}

}  // namespace

std::string RuleSectionName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "TraySpec_%04d", index);
  return name;
}

void LoadSettings(GeneralSettings& settings, TraySpecList& specs) {
  CIniFile file(SettingsFilePath(), "General");
  settings.DisplayWidthStartup = file.GetInt("DisplayWidthStartup", 1);
  settings.ShowTopMost = file.GetInt("ShowTopMost", 1);
  settings.RealyHideOnHidden = file.GetInt("RealyHideOnHidden", 0);
  settings.TimerPeriod = file.GetInt("TimerPeriod", settings.TimerPeriod);
  settings.ShowOnlyHidden = file.GetInt("ShowOnlyHidden", settings.ShowOnlyHidden);
  int count = file.GetInt("TraySpec_Count", 0);
  if (count > kMaxRulesRead) count = kMaxRulesRead;

  DefaultsOnly defaults;
  for (int i = 0; i < count; ++i) {
    auto spec = std::make_unique<CTrayWndSpec>();
    file.SetSectionName(RuleSectionName(i));
    // A section without keys (a damaged count names many of them) gives the
    // defaults of every key; one list of its keys costs less than sixteen
    // lookups that all miss.
    std::unique_ptr<StringList> keys = file.GetKeyList();
    if (keys && keys->empty()) {
      spec->Load(defaults);
    } else {
      spec->Load(file);
    }
    specs.push_back(std::move(spec));
  }
}

void SaveSettings(const GeneralSettings& settings, const TraySpecList& specs) {
  CIniFile file(SettingsFilePath(), "General");
  file.WriteInt("DisplayWidthStartup", settings.DisplayWidthStartup);
  file.WriteInt("ShowTopMost", settings.ShowTopMost);
  file.WriteInt("RealyHideOnHidden", settings.RealyHideOnHidden);
  file.WriteInt("TimerPeriod", settings.TimerPeriod);
  file.WriteInt("ShowOnlyHidden", settings.ShowOnlyHidden);
  file.WriteInt("TraySpec_Count", static_cast<int>(specs.size()));
  // What a rule reads from a section that has no keys.
  DefaultsOnly defaults;
  CTrayWndSpec unwritten;
  unwritten.Load(defaults);
  int index = 0;
  for (const auto& spec : specs) {
    file.SetSectionName(RuleSectionName(index++));
    // Such a rule whose section is missing reads back the same without one.
    // The rules a damaged count conjures up are all of this kind; writing
    // thousands of them key by key would take the profile functions, which
    // rewrite the file on every call, hours.
    if (SameFields(*spec, unwritten)) {
      std::unique_ptr<StringList> keys = file.GetKeyList();
      if (keys && keys->empty()) continue;
    }
    spec->Save(file);
  }
}

}  // namespace mm
