#include "storage/settings.h"

#include <cstdio>
#include <memory>
#include <set>

#include "core/event_log.h"
#include "core/hot_key.h"
#include "core/tray_wnd_spec.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "storage/ini_file.h"
#include "storage/ini_reader.h"
#include "storage/ini_text.h"
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

// A rule's keys, in the section the file has selected.
void ReadRule(CIniFile& file, CTrayWndSpec& spec) {
  for (const RuleField& f : RuleFields()) {
    if (f.number != nullptr) {
      spec.*f.number = file.GetInt(f.key, f.defaultNumber);
    } else {
      spec.*f.text = file.GetString(f.key, "");
    }
  }
}

// Whether a rule section can hold keys. A damaged count names thousands of
// sections that do not exist, and asking the profile functions about each
// one, let alone reading all its keys, takes seconds; one list of the
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

// The profile functions on a file that is no ANSI text: they know how the
// system reads a file in a Unicode encoding. Slow, and only for such files.
class ProfileWriter {
 public:
  explicit ProfileWriter(const std::string& path) : file_(path, "General"), sections_(file_) {}
  bool HasSection(const std::string& section) { return sections_.MayHaveKeys(section); }
  void WriteString(const std::string& section, const std::string& key, const std::string& value) {
    file_.SetSectionName(section);
    ok_ = file_.WriteString(key, value) != 0 && ok_;
  }
  void WriteInt(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
  }
  // Whether every write went through.
  bool ok() const { return ok_; }

 private:
  CIniFile file_;
  RuleSections sections_;
  bool ok_ = true;
};

// A byte order mark: UTF-8, or UTF-16 in either byte order.
bool HasByteOrderMark(const std::string& bytes) {
  return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
         bytes.compare(0, 2, "\xFE\xFF") == 0;
}

// General, then every rule in list order, into an IniText or a
// ProfileWriter.
template <typename Out>
void WriteSettings(Out& out, const GeneralSettings& settings, const TraySpecList& specs) {
  const std::string general = "General";
  out.WriteInt(general, "DisplayWidthStartup", settings.DisplayWidthStartup);
  out.WriteInt(general, "ShowTopMost", settings.ShowTopMost);
  out.WriteInt(general, "RealyHideOnHidden", settings.RealyHideOnHidden);
  out.WriteInt(general, "TimerPeriod", settings.TimerPeriod);
  out.WriteInt(general, "ShowOnlyHidden", settings.ShowOnlyHidden);
  out.WriteInt(general, "TraySpec_Count", static_cast<int>(specs.size()));
  out.WriteInt(general, "HotKeyToTray", settings.HotKeyToTray);
  out.WriteInt(general, "HotKeyRestore", settings.HotKeyRestore);
  out.WriteInt(general, "HotKeyManager", settings.HotKeyManager);
  // What a rule reads from a section that has no keys.
  DefaultsOnly defaults;
  CTrayWndSpec unwritten;
  ReadRule(defaults, unwritten);
  int index = 0;
  for (const auto& spec : specs) {
    const CTrayWndSpec& rule = *spec;
    const std::string section = RuleSectionName(index++);
    // Such a rule reads back the same from a missing section, so that is
    // left missing: the thousands of rules a damaged count conjures up are
    // all of this kind.
    if (SameRuleFields(rule, unwritten) && !out.HasSection(section)) continue;
    for (const RuleField& f : RuleFields()) {
      if (f.number != nullptr) {
        out.WriteInt(section, f.key, rule.*f.number);
      } else {
        out.WriteString(section, f.key, rule.*f.text);
      }
    }
  }
}

}  // namespace

std::string RuleSectionName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "TraySpec_%04d", index);
  return name;
}

void LoadSettings(GeneralSettings& settings, TraySpecList& specs) {
  // One read and one parse of the file answer every key; asking the profile
  // functions instead reads the whole file again for each of them.
  CIniReader file(SettingsFilePath(), "General");
  settings.DisplayWidthStartup = file.GetInt("DisplayWidthStartup", 1);
  settings.ShowTopMost = file.GetInt("ShowTopMost", 1);
  settings.RealyHideOnHidden = file.GetInt("RealyHideOnHidden", 0);
  settings.TimerPeriod = file.GetInt("TimerPeriod", settings.TimerPeriod);
  settings.ShowOnlyHidden = file.GetInt("ShowOnlyHidden", settings.ShowOnlyHidden);
  for (auto [key, value] : {std::pair{"HotKeyToTray", &settings.HotKeyToTray},
                            std::pair{"HotKeyRestore", &settings.HotKeyRestore},
                            std::pair{"HotKeyManager", &settings.HotKeyManager}}) {
    // Only a missing key answers each of two defaults with itself.
    const std::string text = file.GetString(key, "0");
    if (text != "0" || file.GetString(key, "1") != "1") *value = ParseHotKeyValue(text);
  }
  int count = file.GetInt("TraySpec_Count", 0);
  if (count > kMaxRulesRead) {
    LogEvent("設定ファイルの TraySpec_Count が " + std::to_string(count) + " と大きすぎるため、" +
             std::to_string(kMaxRulesRead) + " 件まで読みました");
    count = kMaxRulesRead;
  }

  DefaultsOnly defaults;
  // Only a file left to the profile functions needs the list of sections
  // to skip the missing ones; the parsed text answers for them at once.
  std::unique_ptr<RuleSections> sections;
  if (!file.Parsed()) sections = std::make_unique<RuleSections>(file);
  for (int i = 0; i < count; ++i) {
    auto spec = std::make_unique<CTrayWndSpec>();
    const std::string section = RuleSectionName(i);
    file.SetSectionName(section);
    // A section without keys gives the default of every key.
    if (sections && !sections->MayHaveKeys(section)) {
      ReadRule(defaults, *spec);
    } else {
      ReadRule(file, *spec);
    }
    specs.push_back(std::move(spec));
  }
}

void SaveSettings(const GeneralSettings& settings, const TraySpecList& specs) {
  const std::string path = SettingsFilePath();
  std::string bytes;
  // A file that is there but cannot be read is left alone: a new one would
  // lose what other programs keep in it. A missing one is created.
  if (!Os().ReadFileBytes(path, &bytes) && Os().FileExists(path)) return;
  // The whole file is written beside the old one and renamed over it: one
  // write instead of one rewrite a key, and never a mixture of old and new.
  if (HasByteOrderMark(bytes)) {
    ReplaceFileContent(path, bytes, [&](const std::string& newFile) {
      ProfileWriter out(newFile);
      WriteSettings(out, settings, specs);
      return out.ok();
    });
    return;
  }
  IniText out(std::move(bytes));
  WriteSettings(out, settings, specs);
  ReplaceFileContent(path, out.Bytes());
}

}  // namespace mm
