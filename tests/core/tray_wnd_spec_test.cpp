// The window rule's matching language, on windows of the simulated desktop.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/tray_wnd_spec.h"
#include "core/window_text.h"
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

  bool Caption(int matchType, const std::string& text, const std::string& caption) {
    CTrayWndSpec rule = CaptionRule(matchType, text);
    const int byWindow = rule.Matches(Window(caption));
    const int byText = rule.MatchesText(caption, "AppClass");
    EXPECT_EQ(byWindow != 0, byText != 0) << "caption \"" << caption << "\"";
    return byWindow != 0;
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
  HWND h = Window("anything", "AnyClass");
  EXPECT_TRUE(rule.Matches(h));
  EXPECT_TRUE(rule.Matches(nullptr));
  EXPECT_TRUE(rule.MatchesText("", ""));
  EXPECT_EQ(desk.CaptionReads(h), 0);
  EXPECT_EQ(desk.ClassReads(h), 0);
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

TEST_F(TrayWndSpecTest, UnknownMatchTypeFailsOnlyWhenTheCaptionTakesPart) {
  for (int type : {4, 7, -1}) {
    EXPECT_FALSE(Caption(type, "", "")) << type;
    EXPECT_FALSE(Caption(type, "x", "x")) << type;
  }
  CTrayWndSpec rule = CaptionRule(7, "x");
  rule.UseCaption = 0;
  rule.UseClassname = 1;
  rule.ClassName = "AppClass";
  EXPECT_TRUE(rule.Matches(Window("y")));
}

TEST_F(TrayWndSpecTest, FailingCaptionTestLeavesTheClassNameUnread) {
  CTrayWndSpec rule = CaptionRule(0, "wanted");
  rule.UseClassname = 1;
  rule.ClassName = "AppClass";
  HWND other = Window("something else");
  EXPECT_FALSE(rule.Matches(other));
  EXPECT_EQ(desk.CaptionReads(other), 1);
  EXPECT_EQ(desk.ClassReads(other), 0);

  HWND wanted = Window("wanted");
  EXPECT_TRUE(rule.Matches(wanted));
  EXPECT_EQ(desk.CaptionReads(wanted), 1);
  EXPECT_EQ(desk.ClassReads(wanted), 1);
}

TEST_F(TrayWndSpecTest, ClassNameAloneDecidesWithoutReadingTheCaption) {
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.ClassName = "Notepad";
  HWND notepad = Window("a.txt", "Notepad");
  HWND other = Window("a.txt", "notepad");
  EXPECT_TRUE(rule.Matches(notepad));
  EXPECT_FALSE(rule.Matches(other));
  EXPECT_FALSE(rule.Matches(Window("a.txt", "Notepad2")));
  EXPECT_EQ(desk.CaptionReads(notepad), 0);
  EXPECT_EQ(desk.CaptionReads(other), 0);
}

TEST_F(TrayWndSpecTest, BothTestsMustPass) {
  CTrayWndSpec rule = CaptionRule(1, "Untitled");
  rule.UseClassname = 1;
  rule.ClassName = "Notepad";
  EXPECT_TRUE(rule.Matches(Window("Untitled - Notepad", "Notepad")));
  EXPECT_FALSE(rule.Matches(Window("Untitled - Notepad", "Edit")));
  EXPECT_FALSE(rule.Matches(Window("a.txt - Notepad", "Notepad")));
  EXPECT_TRUE(rule.MatchesText("Untitled - Notepad", "Notepad"));
  EXPECT_FALSE(rule.MatchesText("Untitled - Notepad", "Edit"));
}

TEST_F(TrayWndSpecTest, LongestClassNameArrivesCutAndNeverMatchesInFull) {
  const std::string full = "W" + std::string(254, 'c');  // 255 bytes
  HWND h = Window("x", full);
  CTrayWndSpec rule;
  rule.UseCaption = 0;
  rule.ClassName = full;
  EXPECT_FALSE(rule.Matches(h));
  EXPECT_FALSE(rule.MatchesText("x", full));
  rule.ClassName = full.substr(0, 254);
  EXPECT_TRUE(rule.Matches(h));
  EXPECT_TRUE(rule.MatchesText("x", full));
}

TEST_F(TrayWndSpecTest, LongCaptionIsReadWhole) {
  const std::string caption = std::string(400, 'x') + " - End";
  EXPECT_TRUE(Caption(2, " - End", caption));
  EXPECT_TRUE(Caption(0, caption, caption));
}

TEST_F(TrayWndSpecTest, EveryMatchReadsTheWindowAgain) {
  CTrayWndSpec rule = CaptionRule(0, "before");
  HWND h = Window("before");
  EXPECT_TRUE(rule.Matches(h));
  desk.SetCaption(h, "after");
  EXPECT_FALSE(rule.Matches(h));
  EXPECT_EQ(desk.CaptionReads(h), 2);
}

TEST_F(TrayWndSpecTest, GoneWindowMatchesOnlyWhatAnEmptyTextWould) {
  CTrayWndSpec rule = CaptionRule(3, "x");
  HWND h = Window("x");
  desk.CloseWindow(h);
  EXPECT_FALSE(rule.Matches(h));
}

// Matches reading the window and MatchesText on text read once agree, over
// captions and class names full of double-byte characters, ASCII letters
// that are also trail bytes, and class names longer than the read limit.
TEST_F(TrayWndSpecTest, MatchingOnReadTextAgreesWithMatchingTheWindow) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> pieces = {"A", "a", "B", " ", "-", kA, kI, kKatakanaA, "\x83",
                                           "\x41\x83", "\xA0"};
  auto text = [&](size_t maxPieces) {
    std::string s;
    size_t n = std::uniform_int_distribution<size_t>(0, maxPieces)(rng);
    for (size_t i = 0; i < n; ++i)
      s += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(rng)];
    return s;
  };
  int matched = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string caption = text(8);
    std::string className = round % 10 == 0 ? std::string(252, 'c') + text(3) : text(4);
    CTrayWndSpec rule;
    rule.UseCaption = std::uniform_int_distribution<int>(0, 3)(rng) != 0;
    rule.UseClassname = std::uniform_int_distribution<int>(0, 2)(rng) == 0;
    rule.CaptionMatchType = std::uniform_int_distribution<int>(0, 4)(rng);
    // Texts often taken from the window itself, so that matches happen.
    const int from = std::uniform_int_distribution<int>(0, 3)(rng);
    if (from == 0 && !caption.empty()) {
      size_t a = std::uniform_int_distribution<size_t>(0, caption.size() - 1)(rng);
      size_t b = std::uniform_int_distribution<size_t>(a, caption.size())(rng);
      rule.Caption = caption.substr(a, b - a);
    } else {
      rule.Caption = text(2);
    }
    rule.ClassName = from == 1 ? className.substr(0, std::min<size_t>(className.size(), 254))
                               : (from == 2 ? className : text(2));
    HWND h = Window(caption, className);
    const bool byWindow = rule.Matches(h) != 0;
    const bool byText = rule.MatchesText(caption, className) != 0;
    ASSERT_EQ(byWindow, byText) << "round " << round << " type " << rule.CaptionMatchType;
    matched += byWindow;
    desk.CloseWindow(h);
  }
  // Both outcomes were exercised.
  EXPECT_GT(matched, 300);
  EXPECT_LT(matched, 2700);
}

// The scan and the managed windows read captions their own way; a rule
// must see the same bytes as through Matches, at every length.
TEST_F(TrayWndSpecTest, CaptionReadsAgreeWithMatchesAtEveryLength) {
  CTrayWndSpec rule;
  rule.UseClassname = 0;
  rule.CaptionMatchType = 0;
  std::string text;
  for (size_t n : {0, 1, 254, 255, 256, 257, 511, 512, 513, 2000}) {
    for (const std::string& unit : {std::string("a"), kA}) {
      std::string caption;
      while (caption.size() < n) caption += unit;
      HWND w = Window(caption);
      ReadWindowCaption(w, &text);
      EXPECT_EQ(caption, text) << caption.size() << " bytes";
      rule.Caption = caption;
      EXPECT_EQ(1, rule.MatchesText(text, "")) << caption.size() << " bytes";
      EXPECT_EQ(1, rule.Matches(w)) << caption.size() << " bytes";
    }
  }
  // Class names longer than a read delivers decide the same both ways.
  const std::string longClass(300, 'C');
  HWND w = Window("x", longClass);
  ReadWindowClassName(w, &text);
  rule.UseCaption = 0;
  rule.UseClassname = 1;
  for (size_t n : {253, 254, 255, 256, 300}) {
    rule.ClassName = longClass.substr(0, n);
    EXPECT_EQ(rule.Matches(w), rule.MatchesText("", text)) << n;
  }
}

}  // namespace
}  // namespace mm
