// Bad input, a clear outcome, nothing lost: damaged settings and recovery
// files load without harm, and the next save writes a file that reads back
// exactly as saved.
#include <random>

#include "core/tray_wnd_spec.h"
#include "storage/recovery.h"
#include "storage/settings.h"
#include "tests/storage/storage_world.h"

namespace mm::test {
namespace {

// Everything the settings file holds, as one text.
std::string Describe(const GeneralSettings& g, const TraySpecList& specs) {
  std::string d = std::to_string(g.DisplayWidthStartup) + "," + std::to_string(g.ShowTopMost) +
                  "," + std::to_string(g.RealyHideOnHidden) + "," +
                  std::to_string(g.TimerPeriod) + "," + std::to_string(g.ShowOnlyHidden) + "\n";
  for (const auto& r : specs) {
    for (int v : {r->UseCaption, r->UseClassname, r->HideIfIconized, r->UseTrayIcon,
                  r->ShowIconOnlyHidden, r->ShowTopMost, r->CaptionMatchType, r->AlphaPercent,
                  r->AlphaPercentBG, r->HideOnStartup, r->CloseOnStartup, r->TitleStyle,
                  r->DisableTitleStyleChanging}) {
      d += std::to_string(v) + ",";
    }
    d += "[" + r->Caption + "][" + r->ClassName + "][" + r->UserName + "]\n";
  }
  return d;
}

class DamagedInputTest : public StorageTest {
 protected:
  // Loads the file as it is, saves what was read, and checks that a second
  // load gives exactly that. Returns what the first load gave.
  std::string LoadSaveLoad(GeneralSettings* first = nullptr, TraySpecList* rules = nullptr) {
    GeneralSettings g;
    TraySpecList specs;
    LoadSettings(g, specs);
    SaveSettings(g, specs);
    GeneralSettings g2;
    TraySpecList specs2;
    LoadSettings(g2, specs2);
    const std::string before = Describe(g, specs);
    EXPECT_EQ(Describe(g2, specs2), before);
    if (first != nullptr) *first = g;
    if (rules != nullptr) *rules = std::move(specs);
    return before;
  }
};

TEST_F(DamagedInputTest, DamagedSettingsGiveWhatCanBeReadAndDefaultsForTheRest) {
  struct Case {
    std::string text;
    int timerPeriod;
  };
  const std::string mib(1 << 20, 'x');
  // NULs, a byte that is no character and an end-of-file mark among the lines.
  static const char kJunk[] = "\0\xFF[Gen\x1A\r\r\n=\n[\n]\n[General]\x00\nTimerPeriod=46";
  const std::vector<Case> cases = {
      {"[General]\nTimerPeriod=42", 42},                             // no line end at the end
      {"[General]\nTimerPeriod=43\n", 43},                           // LF
      {"[General]\r\nTimerPeriod=44\r\nTimerPeriod=9\r\n[General]\r\nTimerPeriod=8\r\n", 44},
      {"[General]\r\nTimerPeriod\r\nShowTopMost=0\r\n", 500},        // a key with no "="
      {"[General]\r\n  TimerPeriod  =  45  \r\n", 45},               // blanks around
      {"[General]\r\nTimerPeriod=fast\r\n", 0},                      // text for a number
      {"[General]\r\nTraySpec_Count=1\r\n[TraySpec_0000]\r\nCaption=" + mib + "\r\n" + mib +
           "\r\nUserName=after\r\n",
       500},
      {std::string(kJunk, sizeof kJunk - 1), 46},
  };
  for (const Case& c : cases) {
    HostWrite(kIniPath, c.text);
    GeneralSettings g;
    TraySpecList specs;
    LoadSaveLoad(&g, &specs);
    EXPECT_EQ(g.TimerPeriod, c.timerPeriod) << c.text.substr(0, 60);
    desk.DeleteFileA(kIniPath);
  }
  HostWrite(kIniPath, cases[6].text);
  TraySpecList specs;
  GeneralSettings g;
  LoadSaveLoad(&g, &specs);
  ASSERT_EQ(specs.size(), 1u);
  EXPECT_EQ(specs.front()->Caption, std::string(1023, 'x'));
  EXPECT_EQ(specs.front()->UserName, "after");
}

TEST_F(DamagedInputTest, RandomSettingsFilesLoadAndSaveCleanly) {
  std::mt19937 rng(20240607);
  auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  const std::vector<std::string> headers = {
      "[General]", "[general]", "[ TraySpec_0000 ]", "[TraySpec_0001]", "[TraySpec_0002]",
      "[TraySpec_0001", "[]", "[\x95\x5C\x8E\xA6]", ";[General]"};
  const std::vector<std::string> keys = {
      "DisplayWidthStartup", "ShowTopMost", "RealyHideOnHidden", "TimerPeriod", "ShowOnlyHidden",
      "TraySpec_Count", "UseCaption", "Caption", "ClassName", "UserName", "AlphaPercent",
      "TitleStyle", "captionmatchtype", " UseTrayIcon ", ";Caption", ""};
  const std::vector<std::string> values = {
      "0", "1", "-1", "3", "2147483647", "-2147483648", "99999999999", "0x10", "abc", "",
      "  padded  ", "\"quoted\"", "\"  both  \"", "'\"in\"'", "'half",
      "\x83\x65\x83\x58\x83\x67", "\x95\x5C", "a=b",
      std::string(1100, 'v'), std::string("nul\0byte", 8), "\x1A"};
  const std::vector<std::string> ends = {"\r\n", "\n", "\r", "\r\r\n", ""};
  for (int round = 0; round < 120; ++round) {
    std::string text;
    const int lines = static_cast<int>(rng() % 40);
    for (int i = 0; i < lines; ++i) {
      switch (rng() % 6) {
        case 0: text += pick(headers); break;
        case 1: {  // junk bytes
          for (unsigned n = rng() % 12; n > 0; --n) text += static_cast<char>(rng() % 256);
          break;
        }
        default: text += pick(keys) + "=" + pick(values);
      }
      text += pick(ends);
    }
    // A count that is read stays small: a save of thousands of real rules is
    // slow by nature and proves nothing here.
    text = "[General]\r\nTraySpec_Count=" + std::to_string(static_cast<int>(rng() % 6) - 1) +
           "\r\n" + text;
    HostWrite(kIniPath, text);
    SCOPED_TRACE("round " + std::to_string(round));
    LoadSaveLoad();
  }
}

TEST_F(DamagedInputTest, RecoveryFilesOfAnyLengthAndContentAreReadWithoutHarm) {
  std::mt19937 rng(7);
  auto offered = [] {
    std::vector<HWND> handles;
    int restoring = 0;
    ReadHwndsFile(&restoring, [&](HWND h) {
      handles.push_back(h);
      return 0;
    });
    return handles;
  };
  for (int round = 0; round < 100; ++round) {
    std::string bytes;
    for (unsigned n = rng() % 64; n > 0; --n) bytes += static_cast<char>(rng() % 256);
    if (round % 10 == 0) bytes = std::string(40, '\x11');  // one handle many times
    HostWrite(kHwndsPath, bytes);
    const std::vector<HWND> handles = offered();
    ASSERT_EQ(handles.size(), bytes.size() / 4);
    for (size_t i = 0; i < handles.size(); ++i) {
      const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 4 * i;
      EXPECT_EQ(HandleToRecord(handles[i]), p[0] | p[1] << 8 | p[2] << 16 | DWORD{p[3]} << 24);
    }
  }
  // More records than window handles can exist: the rest is not offered.
  HostWrite(kHwndsPath, std::string(4 * 70000, '\x22'));
  EXPECT_EQ(offered().size(), 65536u);
}

}  // namespace
}  // namespace mm::test
