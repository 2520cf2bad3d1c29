#include "storage/settings.h"

#include <cstdio>
#include <set>

#include "core/tray_wnd_spec.h"
#include "platform/text.h"
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

// A rule's sixteen keys, in the section the file has selected.
void ReadRule(CIniFile& file, CTrayWndSpec& spec) {
  for (const RuleField& f : RuleFields()) {
    if (f.number != nullptr) {
      spec.*f.number = file.GetInt(f.key, f.defaultNumber);
    } else {
      spec.*f.text = file.GetString(f.key, "");
    }
  }
}

void WriteRule(CIniFile& file, const CTrayWndSpec& spec) {
  for (const RuleField& f : RuleFields()) {
    if (f.number != nullptr) {
      file.WriteInt(f.key, spec.*f.number);
    } else {
      file.WriteString(f.key, spec.*f.text);
    }
  }
}

// Whether a rule section can hold keys. A damaged count names thousands of
// sections that do not exist, and asking the profile functions about each
// one, let alone reading its sixteen keys, takes seconds; one list of the
// file's sections answers for all of them when it fits CIniFile's buffer.
class RuleSections {
 public:
  explicit RuleSections(CIniFile& file) : file_(file), listed_(file.GetSectionList()) {
    // The profile functions compare names without regard to ASCII case.
    if (listed_) {
      for (const std::string& name : *listed_) names_.insert(UpperAscii(name));
    }
  }
  // False only when the section has no key for certain. Leaves `section`
  // selected.
  bool MayHaveKeys(const std::string& section) {
    file_.SetSectionName(section);
    if (listed_) return names_.count(UpperAscii(section)) != 0;
    std::unique_ptr<StringList> keys = file_.GetKeyList();
    return !(keys && keys->empty());
  }

 private:
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
      ReadRule(file, *spec);
    } else {
      ReadRule(defaults, *spec);
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
  ReadRule(defaults, unwritten);
  RuleSections sections(file);
  int index = 0;
  for (const auto& spec : specs) {
    const std::string section = RuleSectionName(index++);
    // Such a rule reads back the same from a section without keys, so that
    // is left missing. The rules a damaged count conjures up are all of this
    // kind; writing thousands of them key by key would take the profile
    // functions, which rewrite the file on every call, hours.
    if (SameRuleFields(*spec, unwritten) && !sections.MayHaveKeys(section)) continue;
    file.SetSectionName(section);
    WriteRule(file, *spec);
  }
}

}  // namespace mm
