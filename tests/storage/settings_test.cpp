// The settings file: path, General keys and defaults, rule sections in list
// order, and what a save leaves behind.
#include "storage/settings.h"

#include "core/tray_wnd_spec.h"
#include "storage/ini_file.h"
#include "tests/storage/storage_world.h"

namespace mm::test {
namespace {

using SettingsTest = StorageTest;

std::unique_ptr<CTrayWndSpec> Rule(const std::string& name) {
  auto spec = std::make_unique<CTrayWndSpec>();
  spec->UserName = name;
  return spec;
}

// Every field, so that a mix-up of two keys shows.
void ExpectSameRule(const CTrayWndSpec& a, const CTrayWndSpec& b) {
  EXPECT_EQ(a.UserName, b.UserName);
  EXPECT_EQ(a.Caption, b.Caption);
  EXPECT_EQ(a.ClassName, b.ClassName);
  const int CTrayWndSpec::*fields[] = {
      &CTrayWndSpec::UseCaption,         &CTrayWndSpec::CaptionMatchType,
      &CTrayWndSpec::UseClassname,       &CTrayWndSpec::HideIfIconized,
      &CTrayWndSpec::AlphaPercent,       &CTrayWndSpec::AlphaPercentBG,
      &CTrayWndSpec::ShowIconOnlyHidden, &CTrayWndSpec::UseTrayIcon,
      &CTrayWndSpec::ShowTopMost,        &CTrayWndSpec::HideOnStartup,
      &CTrayWndSpec::CloseOnStartup,     &CTrayWndSpec::TitleStyle,
      &CTrayWndSpec::DisableTitleStyleChanging};
  for (auto field : fields) EXPECT_EQ(a.*field, b.*field);
}

TEST_F(SettingsTest, NoFileGivesDefaultsAndTheFirstSaveWritesEverythingInOrder) {
  GeneralSettings settings;
  TraySpecList specs;
  LoadSettings(settings, specs);
  EXPECT_EQ(settings.DisplayWidthStartup, 1);
  EXPECT_EQ(settings.ShowTopMost, 1);
  EXPECT_EQ(settings.RealyHideOnHidden, 0);
  EXPECT_EQ(settings.TimerPeriod, 500);
  EXPECT_EQ(settings.ShowOnlyHidden, 0);
  EXPECT_TRUE(specs.empty());

  specs.push_back(Rule("\x83\x81\x83\x82"));  // メモ
  specs.back()->Caption = "  Notepad";
  SaveSettings(settings, specs);
  EXPECT_EQ(HostRead(kIniPath),
            "[General]\r\nDisplayWidthStartup=1\r\nShowTopMost=1\r\nRealyHideOnHidden=0\r\n"
            "TimerPeriod=500\r\nShowOnlyHidden=0\r\nTraySpec_Count=1\r\n"
            "HotKeyToTray=1832\r\nHotKeyRestore=1830\r\nHotKeyManager=0\r\n"
            "[TraySpec_0000]\r\nUseCaption=1\r\nUseClassname=1\r\nHideIfIconized=1\r\n"
            "UseTrayIcon=1\r\nShowIconOnlyHidden=0\r\nShowTopMost=0\r\nCaptionMatchType=0\r\n"
            "Caption=\"  Notepad\"\r\nClassName=\r\nUserName=\x83\x81\x83\x82\r\n"
            "AlphaPercent=100\r\nAlphaPercentBG=100\r\nHideOnStartup=0\r\nCloseOnStartup=0\r\n"
            "TitleStyle=0\r\nDisableTitleStyleChanging=0\r\n"
            "UseExeName=0\r\nExeName=\r\nClassMatchType=0\r\n");
}

TEST_F(SettingsTest, HotKeysMissingGetTheDefaultsAndDamagedOnesReadAsNone) {
  // A file of before the hotkeys: the defaults.
  HostWrite(kIniPath, "[General]\r\nTraySpec_Count=0\r\n");
  GeneralSettings settings;
  TraySpecList specs;
  LoadSettings(settings, specs);
  EXPECT_EQ(settings.HotKeyToTray, 1832);
  EXPECT_EQ(settings.HotKeyRestore, 1830);
  EXPECT_EQ(settings.HotKeyManager, 0);

  // Ctrl+Alt+K and Ctrl+Alt+Shift+F12 with the extended flag are kept; a
  // word, a number with junk after it, one out of range, a modifier alone,
  // a mouse button and unknown modifier bits are none, and so is a zero.
  const std::pair<const char*, int> cases[] = {
      {"1611", 1611}, {"3963", 3963}, {"Ctrl+K", 0}, {"1611x", 0}, {"99999", 0},
      {"529", 0},     {"513", 0},     {"4171", 0},   {"0", 0},     {"", 0}};
  for (const auto& [text, expected] : cases) {
    HostWrite(kIniPath, std::string("[General]\r\nHotKeyToTray=") + text + "\r\n");
    GeneralSettings read;
    TraySpecList none;
    LoadSettings(read, none);
    EXPECT_EQ(read.HotKeyToTray, expected) << text;
    EXPECT_EQ(read.HotKeyRestore, 1830) << text;
  }
}

TEST_F(SettingsTest, RulesSurviveASaveAndALoadInOrderWithEveryField) {
  GeneralSettings saved{0, 0, 1, 250, 1};
  TraySpecList specs;
  for (int i = 0; i < 3; ++i) {
    auto spec = Rule("rule " + std::to_string(i));
    spec->Caption = "\x95\x5C\x8E\xA6 " + std::to_string(i) + "  ";
    spec->ClassName = "Class" + std::to_string(i);
    spec->UseCaption = i;
    spec->CaptionMatchType = 3 - i;
    spec->AlphaPercent = -i;
    spec->AlphaPercentBG = 40 + i;
    spec->ShowIconOnlyHidden = 1 - i;
    spec->TitleStyle = 2;
    spec->DisableTitleStyleChanging = 7;
    spec->CloseOnStartup = 1;
    specs.push_back(std::move(spec));
  }
  SaveSettings(saved, specs);
  GeneralSettings loaded;
  TraySpecList read;
  LoadSettings(loaded, read);
  EXPECT_EQ(loaded.DisplayWidthStartup, 0);
  EXPECT_EQ(loaded.ShowTopMost, 0);
  EXPECT_EQ(loaded.RealyHideOnHidden, 1);
  EXPECT_EQ(loaded.TimerPeriod, 250);
  EXPECT_EQ(loaded.ShowOnlyHidden, 1);
  ASSERT_EQ(read.size(), 3u);
  auto a = specs.begin();
  for (auto b = read.begin(); b != read.end(); ++a, ++b) ExpectSameRule(**a, **b);

  // Texts longer than 1023 bytes are written whole and read back cut.
  specs.front()->UserName = std::string(1500, 'n');
  SaveSettings(saved, specs);
  EXPECT_NE(HostRead(kIniPath).find("UserName=" + std::string(1500, 'n') + "\r\n"),
            std::string::npos);
  read.clear();
  LoadSettings(loaded, read);
  EXPECT_EQ(read.front()->UserName, std::string(1023, 'n'));
}

TEST_F(SettingsTest, CountDecidesHowManyRulesAreRead) {
  HostWrite(kIniPath,
            "[General]\r\nTraySpec_Count=3\r\nTimerPeriod=0\r\n"
            "[TraySpec_0000]\r\nUserName=first\r\nShowIconOnlyHidden=0\r\n"
            "[TraySpec_0005]\r\nUserName=beyond the count\r\n");
  GeneralSettings settings;
  settings.TimerPeriod = 123;
  settings.ShowOnlyHidden = 9;
  TraySpecList specs;
  LoadSettings(settings, specs);
  EXPECT_EQ(settings.TimerPeriod, 0);     // present: used as it is
  EXPECT_EQ(settings.ShowOnlyHidden, 9);  // missing: the value held stays
  ASSERT_EQ(specs.size(), 3u);
  EXPECT_EQ(specs.front()->UserName, "first");
  EXPECT_EQ(specs.front()->ShowIconOnlyHidden, 0);
  CTrayWndSpec defaults;
  defaults.ShowIconOnlyHidden = 1;  // the defaults of the file, not the constructor's
  ExpectSameRule(*specs.back(), defaults);

  for (const char* count : {"0", "-4"}) {
    HostWrite(kIniPath, std::string("[General]\r\nTraySpec_Count=") + count +
                            "\r\n[TraySpec_0000]\r\nUserName=x\r\n");
    TraySpecList none;
    LoadSettings(settings, none);
    EXPECT_TRUE(none.empty()) << count;
  }
}

TEST_F(SettingsTest, CountsUpToTheBoundAreTakenAsTheyAreLargerOnesStopThere) {
  // With and without more sections than one list of them can hold.
  std::string filler;
  for (int i = 0; i < 1200; ++i) filler += "[Other_" + std::to_string(i) + "]\r\nk=v\r\n";
  for (const std::string& others : {std::string(), filler}) {
    for (int count : {5000, 2147483647}) {
      HostWrite(kIniPath, "[General]\r\nTraySpec_Count=" + std::to_string(count) + "\r\n" +
                              others + "[traySpec_0003]\r\nUserName=real\r\n");
      GeneralSettings settings;
      TraySpecList specs;
      LoadSettings(settings, specs);
      ASSERT_EQ(specs.size(), static_cast<size_t>(std::min(count, kMaxRulesRead))) << count;
      EXPECT_EQ((*std::next(specs.begin(), 3))->UserName, "real");
      EXPECT_EQ(specs.back()->UseCaption, 1);
      EXPECT_EQ(specs.back()->ShowIconOnlyHidden, 1);
      // Saving them writes no section for a rule that reads back the same
      // without one; the next load gives the same list.
      SaveSettings(settings, specs);
      EXPECT_EQ(HostRead(kIniPath).find("TraySpec_0000"), std::string::npos);
      TraySpecList again;
      LoadSettings(settings, again);
      EXPECT_EQ(again.size(), specs.size());
      EXPECT_EQ((*std::next(again.begin(), 3))->UserName, "real");
    }
  }
  EXPECT_GE(kMaxRulesRead, 5000);
}

TEST_F(SettingsTest, ASmallerSaveLeavesOldSectionsThatNoLoadReads) {
  GeneralSettings settings;
  TraySpecList specs;
  for (int i = 0; i < 5; ++i) specs.push_back(Rule("old " + std::to_string(i)));
  SaveSettings(settings, specs);
  specs.clear();
  for (int i = 0; i < 2; ++i) specs.push_back(Rule("new " + std::to_string(i)));
  SaveSettings(settings, specs);
  CIniFile ini(kIniPath, "TraySpec_0004");
  EXPECT_EQ(ini.GetString("UserName", ""), "old 4");
  TraySpecList read;
  LoadSettings(settings, read);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read.back()->UserName, "new 1");

  EXPECT_EQ(RuleSectionName(0), "TraySpec_0000");
  EXPECT_EQ(RuleSectionName(10000), "TraySpec_10000");  // padded, never cut
}

TEST_F(SettingsTest, AFailedWriteOrRenameLeavesTheOldFileWholeAndNoNewFileBehind) {
  const std::string old = "[Other]\r\nkeep=1\r\n[General]\nTimerPeriod=700\n";
  HostWrite(kIniPath, old);
  GeneralSettings settings{1, 1, 0, 250, 0};
  TraySpecList specs;
  specs.push_back(Rule("r"));
  desk.FailNextWriteAfter(40);  // the disk fills up half-way
  SaveSettings(settings, specs);
  EXPECT_EQ(HostRead(kIniPath), old);
  EXPECT_EQ(HostRead(kIniPath + ".new"), "<none>");
  desk.FailMoves(true);
  SaveSettings(settings, specs);
  EXPECT_EQ(HostRead(kIniPath), old);
  EXPECT_EQ(HostRead(kIniPath + ".new"), "<none>");
  desk.FailMoves(false);
  SaveSettings(settings, specs);
  EXPECT_NE(HostRead(kIniPath).find("[Other]\r\nkeep=1\r\n[General]\nTimerPeriod=250\n"),
            std::string::npos);
}

TEST_F(SettingsTest, UnwritableFilesAndFoldersGiveDefaultsSilently) {
  GeneralSettings settings{0, 0, 0, 100, 0};
  TraySpecList specs;
  specs.push_back(Rule("r"));
  HostWrite(kIniPath, "[General]\r\nTimerPeriod=700\r\n");
  desk.SetReadOnly(kIniPath, true);
  SaveSettings(settings, specs);
  EXPECT_EQ(HostRead(kIniPath), "[General]\r\nTimerPeriod=700\r\n");
  LoadSettings(settings, specs);
  EXPECT_EQ(settings.TimerPeriod, 700);

  // No data folder: the path falls back to \MoriMo\MoriMo.ini, which is
  // not created.
  desk.SetSpecialFolder("C:\\Users\\sim\\AppData\\Local", true);
  SaveSettings(settings, specs);
  EXPECT_FALSE(desk.FileExists("C:\\MoriMo"));
  GeneralSettings fresh;
  TraySpecList none;
  LoadSettings(fresh, none);
  EXPECT_EQ(fresh.DisplayWidthStartup, 1);
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace mm::test
