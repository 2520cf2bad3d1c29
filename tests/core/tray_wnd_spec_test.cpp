// The window rule's matching language, on windows of the simulated desktop
// read as the program reads them.
#include <gtest/gtest.h>

#include <string>

#include "core/tray_wnd_spec.h"
#include "platform/window_text.h"
#include "tests/sim/sim_desktop.h"

namespace mm {
namespace {

// Double-byte characters of code page 932: "あ" 82 A0, "い" 82 A2, and "ア"
// 83 41, whose trail byte is the letter 'A'.
const std::string kA = "\x82\xA0";
const std::string kI = "\x82\xA2";
const std::string kKatakanaA = "\x83\x41";

class TrayWndSpecTest : public ::testing::Test {
 protected:
  TrayWndSpecTest() : desk(::testing::TempDir() + "morimo_spec_sim") { SetOs(&desk); }
  ~TrayWndSpecTest() override { SetOs(nullptr); }

  HWND Window(const std::string& caption, const std::string& className = "AppClass") {
    sim::WindowSpec spec;
    spec.caption = caption;
    spec.className = className;
    return desk.AddWindow(spec);
  }

  // A rule on the caption alone.
  static CTrayWndSpec CaptionRule(int matchType, const std::string& text) {
    CTrayWndSpec rule;
    rule.UseCaption = 1;
    rule.UseClassname = 0;
    rule.CaptionMatchType = matchType;
    rule.Caption = text;
    return rule;
  }

  // What the program asks of a rule about a window: the texts it tests,
  // read by the one reader of each, then the rule's decision.
  static bool Matches(const CTrayWndSpec& rule, HWND window) {
    std::string caption;
    std::string className;
    if (rule.TestsCaption()) ReadWindowCaption(window, &caption);
    if (rule.TestsClassName()) ReadWindowClassName(window, &className);
    return rule.MatchesText(caption, className, WindowProgramPath(window)) != 0;
  }

  bool Caption(int matchType, const std::string& text, const std::string& caption) {
    CTrayWndSpec rule = CaptionRule(matchType, text);
    const bool byWindow = Matches(rule, Window(caption));
    const int byText = rule.MatchesText(caption, "AppClass");
    EXPECT_EQ(byWindow != 0, byText != 0) << "caption \"" << caption << "\"";
    return byWindow;
  }

  sim::SimDesktop desk;
};

TEST_F(TrayWndSpecTest, NewRuleHasTheDocumentedValues) {
  CTrayWndSpec rule;
  EXPECT_EQ(rule.UserName, "");
  EXPECT_EQ(rule.Caption, "");
  EXPECT_EQ(rule.ClassName, "");
  EXPECT_EQ(rule.UseCaption, 1);
  EXPECT_EQ(rule.CaptionMatchType, 0);
  EXPECT_EQ(rule.UseClassname, 1);
  EXPECT_EQ(rule.HideIfIconized, 1);
  EXPECT_EQ(rule.AlphaPercent, 100);
  EXPECT_EQ(rule.AlphaPercentBG, 100);
  EXPECT_EQ(rule.UseTrayIcon, 1);
  EXPECT_EQ(rule.HideOnStartup, 0);
  EXPECT_EQ(rule.CloseOnStartup, 0);
  EXPECT_EQ(rule.TitleStyle, 0);
}

TEST_F(TrayWndSpecTest, RuleWithBothTestsOffTakesEveryWindowUnread) {
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.UseClassname = 0;
  rule.Caption = "never looked at";
  rule.CaptionMatchType = 7;
  EXPECT_TRUE(rule.MatchesEveryWindow());
  EXPECT_TRUE(rule.MatchesText("", ""));
  EXPECT_TRUE(rule.MatchesText("anything", "AnyClass"));
}

TEST_F(TrayWndSpecTest, EqualMeansTheSameBytes) {
  EXPECT_TRUE(Caption(0, "Notepad", "Notepad"));
  EXPECT_FALSE(Caption(0, "Notepad", "notepad"));
  EXPECT_FALSE(Caption(0, "Notepad", "Notepad "));
  EXPECT_FALSE(Caption(0, "Notepad", "Notepa"));
  EXPECT_TRUE(Caption(0, "", ""));
  EXPECT_FALSE(Caption(0, "", "Notepad"));  // empty text only takes an empty caption
  EXPECT_TRUE(Caption(0, kA + kI, kA + kI));
}

TEST_F(TrayWndSpecTest, StartsWithComparesTheFirstBytes) {
  EXPECT_TRUE(Caption(1, "Untitled", "Untitled - Notepad"));
  EXPECT_TRUE(Caption(1, "Untitled", "Untitled"));
  EXPECT_FALSE(Caption(1, "Untitled", "Untitle"));  // a shorter caption never starts with it
  EXPECT_FALSE(Caption(1, "untitled", "Untitled - Notepad"));
  EXPECT_FALSE(Caption(1, "Notepad", "Untitled - Notepad"));
  EXPECT_TRUE(Caption(1, "", "whatever"));
  EXPECT_TRUE(Caption(1, "", ""));
  EXPECT_TRUE(Caption(1, kA, kA + kI));
}

TEST_F(TrayWndSpecTest, EndsWithComparesTheLastBytesEvenInsideACharacter) {
  EXPECT_TRUE(Caption(2, " - Notepad", "a.txt - Notepad"));
  EXPECT_FALSE(Caption(2, " - notepad", "a.txt - Notepad"));
  EXPECT_FALSE(Caption(2, "a.txt - Notepad!", "a.txt - Notepad"));
  EXPECT_TRUE(Caption(2, "", "whatever"));
  EXPECT_TRUE(Caption(2, kI, kA + kI));
  // The compared stretch starts with the trail byte of "あ".
  EXPECT_TRUE(Caption(2, "\xA0" + kI, kA + kI));
}

TEST_F(TrayWndSpecTest, ContainsFindsTheTextOnlyAtCharacterBoundaries) {
  EXPECT_TRUE(Caption(3, "Note", "a.txt - Notepad"));
  EXPECT_TRUE(Caption(3, "a.txt - Notepad", "a.txt - Notepad"));
  EXPECT_FALSE(Caption(3, "note", "a.txt - Notepad"));
  EXPECT_FALSE(Caption(3, "Notepad++", "Notepad"));
  EXPECT_TRUE(Caption(3, "", ""));
  EXPECT_TRUE(Caption(3, "", "x"));
  // 'A' is the trail byte of "ア": not a character of the caption.
  EXPECT_FALSE(Caption(3, "A", kKatakanaA));
  EXPECT_FALSE(Caption(3, "A" + kKatakanaA, kKatakanaA + kKatakanaA));  // straddles two characters
  EXPECT_TRUE(Caption(3, "A", kKatakanaA + "A"));
  EXPECT_TRUE(Caption(3, kKatakanaA, "x" + kKatakanaA + "y"));
  EXPECT_TRUE(Caption(3, kI, kA + kI + kA));
}

TEST_F(TrayWndSpecTest, ContainsStepsBytesInASingleByteCodePage) {
  desk.SetLeadByteRanges({});
  EXPECT_TRUE(Caption(3, "A", kKatakanaA));
}

HWND ProgramWindow(sim::SimDesktop& desk, DWORD process, const std::string& path,
                   const std::string& caption = "Untitled") {
  sim::WindowSpec spec;
  spec.caption = caption;
  spec.className = "AppClass";
  spec.processId = process;
  spec.programPath = path;
  return desk.AddWindow(spec);
}

TEST_F(TrayWndSpecTest, AProgramTestComparesTheFileNameOrTheWholePathInAnyAsciiCase) {
  HWND notepad = ProgramWindow(desk, 2001, "C:\\Windows\\NOTEPAD.EXE", "a.txt - Notepad");
  HWND other = ProgramWindow(desk, 2002, "C:\\Tools\\notepad2.exe", "a.txt - Notepad");
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.UseClassname = 0;
  rule.UseExeName = 1;
  rule.ExeName = "notepad.exe";
  EXPECT_FALSE(rule.MatchesEveryWindow()) << "a program test alone is a test";
  EXPECT_TRUE(Matches(rule, notepad));
  EXPECT_FALSE(Matches(rule, other));
  rule.ExeName = "c:\\windows\\notepad.exe";
  EXPECT_TRUE(Matches(rule, notepad)) << "a path is compared whole";
  rule.ExeName = "windows\\notepad.exe";
  EXPECT_FALSE(Matches(rule, notepad)) << "not the path's tail";
  // Both tests must pass.
  rule.ExeName = "NOTEPAD.exe";
  rule.UseCaption = 1;
  rule.CaptionMatchType = CaptionMatch::StartsWith;
  rule.Caption = "b.txt";
  EXPECT_FALSE(Matches(rule, notepad));
  rule.Caption = "a.txt";
  EXPECT_TRUE(Matches(rule, notepad));
  // A file name with 0x5C as a trail byte ("表" 95 5C) is not cut there.
  HWND table = ProgramWindow(desk, 2003, "C:\\Apps\\\x95\x5C.exe");
  rule.UseCaption = 0;
  rule.ExeName = "\x95\x5C.exe";
  EXPECT_TRUE(Matches(rule, table));
  rule.ExeName = "\x5C.exe";
  EXPECT_FALSE(Matches(rule, table));
}

// The class test takes the caption's comparisons (tested above); what is
// its own is that the comparison chosen is the one made.
TEST_F(TrayWndSpecTest, ClassTestsStartWithEndWithContainOrFollowAPattern) {
  HWND wpf = Window("Main", "HwndWrapper[MyApp.exe;;7f1c2b1e-1111-2222-3333-444455556666]");
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.UseClassname = 1;
  rule.ClassMatchType = CaptionMatch::StartsWith;
  rule.ClassName = "HwndWrapper[MyApp.exe;;";
  EXPECT_TRUE(Matches(rule, wpf));
  rule.ClassMatchType = CaptionMatch::Equal;
  EXPECT_FALSE(Matches(rule, wpf));
}

TEST_F(TrayWndSpecTest, AWildcardCountsADoubleByteCharacterAsOneAndNeverSplitsIt) {
  // "?" is one character: one of "あい" takes two "?".
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, "??", kA + kI));
  EXPECT_FALSE(Caption(CaptionMatch::Wildcard, "???", kA + kI));
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, kA + "*", kA + kI + "x"));
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, "*x*", "ab" + kA + "x"));
  // "ア" ends in 'A': "*A" must not take its trail byte for a letter.
  EXPECT_FALSE(Caption(CaptionMatch::Wildcard, "*A", "x" + kKatakanaA));
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, "*A", kKatakanaA + "A"));
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, "*", ""));
  EXPECT_FALSE(Caption(CaptionMatch::Wildcard, "a*b*c", "a-b-"));
}

// Where the ANSI code page is UTF-8, a character is its whole sequence of
// bytes: "?" takes one, and "contains" never starts inside one.
TEST_F(TrayWndSpecTest, WhereTheCodePageIsUtf8ACharacterIsItsWholeSequence) {
  desk.SetAnsiCodePage(65001);
  const std::string te = "\xE3\x83\x86", su = "\xE3\x82\xB9", note = "\xF0\x9F\x8E\xB5";
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, "?" + su, te + su));
  EXPECT_TRUE(Caption(CaptionMatch::Wildcard, "a?b", "a" + note + "b"));
  EXPECT_FALSE(Caption(CaptionMatch::Wildcard, "a??b", "a" + note + "b"));
  // The last byte of "テ" and the first two of "ス" are no character of
  // the caption's own.
  EXPECT_FALSE(Caption(CaptionMatch::Contains, "\x86\xE3\x82", te + su));
  EXPECT_TRUE(Caption(CaptionMatch::Contains, su, te + su));
}

TEST_F(TrayWndSpecTest, UnknownMatchTypeFailsOnlyWhenTheCaptionTakesPart) {
  for (int type : {5, 7, -1}) {
    EXPECT_FALSE(Caption(type, "", "")) << type;
    EXPECT_FALSE(Caption(type, "x", "x")) << type;
  }
  CTrayWndSpec rule = CaptionRule(7, "x");
  rule.UseCaption = 0;
  rule.UseClassname = 1;
  rule.ClassName = "AppClass";
  EXPECT_TRUE(Matches(rule, Window("y")));
}

TEST_F(TrayWndSpecTest, ClassNameAloneDecidesWithoutReadingTheCaption) {
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.ClassName = "Notepad";
  HWND notepad = Window("a.txt", "Notepad");
  HWND other = Window("a.txt", "notepad");
  EXPECT_TRUE(Matches(rule, notepad));
  EXPECT_FALSE(Matches(rule, other));
  EXPECT_FALSE(Matches(rule, Window("a.txt", "Notepad2")));
}

TEST_F(TrayWndSpecTest, BothTestsMustPass) {
  CTrayWndSpec rule = CaptionRule(1, "Untitled");
  rule.UseClassname = 1;
  rule.ClassName = "Notepad";
  EXPECT_TRUE(Matches(rule, Window("Untitled - Notepad", "Notepad")));
  EXPECT_FALSE(Matches(rule, Window("Untitled - Notepad", "Edit")));
  EXPECT_FALSE(Matches(rule, Window("a.txt - Notepad", "Notepad")));
}

TEST_F(TrayWndSpecTest, LongestClassNameArrivesCutAndNeverMatchesInFull) {
  const std::string full = "W" + std::string(254, 'c');  // 255 bytes
  HWND h = Window("x", full);
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.ClassName = full;
  EXPECT_FALSE(Matches(rule, h));
  EXPECT_FALSE(rule.MatchesText("x", full));
  rule.ClassName = full.substr(0, 254);
  EXPECT_TRUE(Matches(rule, h));
  // Cut before a double-byte character that would not fit whole.
  const std::string wide = std::string(253, 'c') + kA;
  rule.ClassName = wide.substr(0, 253);
  EXPECT_TRUE(Matches(rule, Window("x", wide)));
}

TEST_F(TrayWndSpecTest, LongCaptionIsReadWhole) {
  const std::string caption = std::string(400, 'x') + " - End";
  EXPECT_TRUE(Caption(2, " - End", caption));
  EXPECT_TRUE(Caption(0, caption, caption));
}

TEST_F(TrayWndSpecTest, GoneWindowMatchesOnlyWhatAnEmptyTextWould) {
  CTrayWndSpec rule = CaptionRule(3, "x");
  HWND h = Window("x");
  desk.CloseWindow(h);
  EXPECT_FALSE(Matches(rule, h));
}

// Captions are read whole at every length, one call for short ones; listed
// captions arrive as a 255-byte buffer takes them (class names: above).
TEST_F(TrayWndSpecTest, CaptionReadersGiveWholeAndListedCaptionsAtEveryLength) {
  std::string text;
  for (size_t n : {0, 1, 254, 255, 256, 257, 511, 512, 513, 2000}) {
    for (const std::string& unit : {std::string("a"), kA}) {
      std::string caption;
      while (caption.size() < n) caption += unit;
      HWND w = Window(caption);
      ReadWindowCaption(w, &text);
      EXPECT_EQ(caption, text) << caption.size() << " bytes";
      const std::string listed = ListedWindowCaption(w);
      EXPECT_EQ(caption.substr(0, listed.size()), listed);
      EXPECT_LE(listed.size(), 254u);
      if (n < 200) {
        EXPECT_EQ(desk.CaptionReads(w), 2) << n;  // one call each
      }
    }
  }
}

}  // namespace
}  // namespace mm
