#include "storage/settings.h"

#include <cstdio>
#include <set>

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

// Whether a rule section can hold keys. A damaged count names thousands of
// sections that do not exist, and asking the profile functions about each
// one, let alone reading its sixteen keys, takes seconds; one list of the
// file's sections answers for all of them when it fits CIniFile's buffer.
class RuleSections {
 public:
  explicit RuleSections(CIniFile& file) : file_(file), listed_(file.GetSectionList()) {
    if (listed_) {
      for (const std::string& name : *listed_) names_.insert(Fold(name));
    }
  }
  // False only when the section has no key for certain. Leaves `section`
  // selected.
  bool MayHaveKeys(const std::string& section) {
    file_.SetSectionName(section);
    if (listed_) return names_.count(Fold(section)) != 0;
    std::unique_ptr<StringList> keys = file_.GetKeyList();
    return !(keys && keys->empty());
  }

 private:
  // The profile functions compare names without regard to ASCII case; a
  // double-byte name folded here can only look present when it is not,
  // which costs a lookup and nothing else.
  static std::string Fold(std::string name) {
    for (char& c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
  }

  CIniFile& file_;
  std::unique_ptr<StringList> listed_;
  std::set<std::string> names_;
};

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
  RuleSections sections(file);
  for (int i = 0; i < count; ++i) {
    auto spec = std::make_unique<CTrayWndSpec>();
    // A section without keys gives the default of every key.
    if (sections.MayHaveKeys(RuleSectionName(i))) {
      spec->Load(file);
    } else {
      spec->Load(defaults);
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
  RuleSections sections(file);
  int index = 0;
  for (const auto& spec : specs) {
    const std::string section = RuleSectionName(index++);
    // Such a rule reads back the same from a section without keys, so that
    // is left missing. The rules a damaged count conjures up are all of this
    // kind; writing thousands of them key by key would take the profile
    // functions, which rewrite the file on every call, hours.
    if (SameFields(*spec, unwritten) && !sections.MayHaveKeys(section)) continue;
    file.SetSectionName(section);
    spec->Save(file);
  }
}

}  // namespace mm
