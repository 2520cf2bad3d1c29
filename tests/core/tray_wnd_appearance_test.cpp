// Appearance of managed windows on the simulated desktop: opacity, always on
// top, title-bar style, and what letting a window go gives back.
#include "tests/core/tray_wnd_world.h"

namespace mm::test {
namespace {

using TrayWndAppearanceTest = TrayWndWorld;

TEST(TrayWndOpacity, PercentAndAlphaConvertBothWaysDroppingFractions) {
  const int alphas[] = {0, 25, 51, 76, 102, 127, 153, 178, 204, 229, 255};
  for (int percent = 0; percent <= 100; percent += 10) {
    EXPECT_EQ(alphas[percent / 10], CTrayWnd::PercentToAlpha(percent)) << percent;
  }
  EXPECT_EQ(89, CTrayWnd::AlphaToPercent(229));
  EXPECT_EQ(49, CTrayWnd::AlphaToPercent(127));
  EXPECT_EQ(80, CTrayWnd::AlphaToPercent(204));
  EXPECT_EQ(100, CTrayWnd::AlphaToPercent(255));
  // Percents from a hand-edited settings file do not wrap around.
  EXPECT_EQ(0, CTrayWnd::PercentToAlpha(-20));
  EXPECT_EQ(255, CTrayWnd::PercentToAlpha(150));
}

TEST_F(TrayWndAppearanceTest, OpaqueRuleNeverMakesTheWindowLayered) {
  HWND w = App("Editor");
  HWND other = App("Other");
  CTrayWnd& t = Take(w);
  for (HWND active : {w, other, w}) {
    desk.UserActivate(active);
    t.Tick();
  }
  EXPECT_EQ(0u, ExStyle(w) & WS_EX_LAYERED);
  EXPECT_EQ(0, t.Layered);
  EXPECT_EQ(1, t.IsOpacityAvailable());
}

// A style word written by someone else drops the layering; the next change
// of activation layers the window again instead of believing it still is.
TEST_F(TrayWndAppearanceTest, LayeringTakenOffBehindOurBackIsPutBack) {
  HWND w = App("Editor");
  HWND other = App("Other");
  CTrayWnd& t = Take(w);
  t.AlphaInactive = 50;
  desk.UserActivate(other);
  t.Tick();
  ASSERT_NE(0u, ExStyle(w) & WS_EX_LAYERED);
  desk.SetWindowLongA(w, GWL_EXSTYLE, static_cast<LONG>(ExStyle(w) & ~WS_EX_LAYERED));
  desk.UserActivate(w);
  t.Tick();
  desk.UserActivate(other);
  t.Tick();
  BYTE alpha = 0;
  COLORREF key = 0;
  DWORD flags = 0;
  EXPECT_NE(0u, ExStyle(w) & WS_EX_LAYERED);
  ASSERT_TRUE(desk.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(127, alpha);
}

TEST_F(TrayWndAppearanceTest, LayeredWindowLendsItsAlphaToAnOpaqueRule) {
  const struct {
    BYTE alpha;
    int rulePercent, active;
  } cases[] = {{204, 100, 80}, {229, 100, 89}, {229, 60, 60}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alpha);
    AnyWindowRule& r = NewRule();
    r.AlphaPercent = c.rulePercent;
    HWND w = App("Layered");
    desk.SetLayered(w, 0, c.alpha, LWA_ALPHA);
    CTrayWnd& t = Take(w, r);
    EXPECT_EQ(c.active, t.AlphaActive);
    EXPECT_EQ(1, t.AlphaCapable);
    EXPECT_EQ(1, t.Layered);
  }
}

TEST_F(TrayWndAppearanceTest, ColourKeyedWindowIsNeverTouched) {
  rule.AlphaPercentBG = 50;
  HWND w = App("Shaped");
  desk.SetLayered(w, 0x00FF00FF, 128, LWA_COLORKEY | LWA_ALPHA);
  HWND other = App("Other");
  CTrayWnd& t = Take(w);
  EXPECT_EQ(0, t.IsOpacityAvailable());
  EXPECT_EQ(50, t.AlphaActive);  // taken from its alpha byte all the same
  t.AlphaActive = 10;
  for (HWND active : {w, other}) {
    desk.UserActivate(active);
    t.Tick();
  }
  t.ApplyOpacity();
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(desk.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(0x00FF00FFu, key);
  EXPECT_EQ(128, alpha);
  EXPECT_EQ(LWA_COLORKEY | LWA_ALPHA, flags);
}

TEST_F(TrayWndAppearanceTest, OpacityNeedsTheLayeredCallsOfTheSystem) {
  const struct {
    bool loads, hasGet, hasSet;
    int capable;
  } cases[] = {{false, true, true, 0}, {true, false, true, 1}, {true, false, false, 0}};
  rule.AlphaPercent = rule.AlphaPercentBG = 50;
  for (const auto& c : cases) {
    desk.SetLayeredApi(c.loads, c.hasGet, c.hasSet);
    HWND w = App("Editor");
    CTrayWnd& t = Take(w);
    EXPECT_EQ(c.capable, t.IsOpacityAvailable());
    EXPECT_EQ(c.capable ? WS_EX_LAYERED : 0u, ExStyle(w) & WS_EX_LAYERED);
  }
}

TEST_F(TrayWndAppearanceTest, TitleStyleRoundTripGivesBackTheSavedWords) {
  sim::WindowSpec spec;
  spec.caption = "Editor";
  spec.exStyle = 0x100;  // WS_EX_WINDOWEDGE
  HWND w = App(spec);
  CTrayWnd& t = Take(w);
  const DWORD style = Style(w), exStyle = ExStyle(w);
  t.SetTitleStyle(2);
  EXPECT_EQ(style & ~WS_CAPTION, Style(w));
  EXPECT_EQ(exStyle, ExStyle(w));
  t.SetTitleStyle(0);
  EXPECT_EQ(style, Style(w));
  EXPECT_EQ(exStyle, ExStyle(w));
  t.SetTitleStyle(1);
  EXPECT_EQ(exStyle | WS_EX_TOOLWINDOW, ExStyle(w));
  // The same style again writes nothing over what the application did since.
  desk.SetWindowLongA(w, GWL_EXSTYLE, 0x100);
  t.SetTitleStyle(1);
  EXPECT_EQ(0x100u, ExStyle(w));
  EXPECT_EQ(1, t.CurTitleStyle);
}

TEST_F(TrayWndAppearanceTest, TitleStyleChosenWhileTheProgramHangsIsAppliedOnceItAnswers) {
  HWND w = App("Busy");
  CTrayWnd& t = Take(w);
  const DWORD exStyle = ExStyle(w);
  desk.SetHung(w, true);
  t.SetTitleStyle(TitleStyleCode::ToolWindow);
  for (int i = 0; i < 10; ++i) t.Tick();
  EXPECT_EQ(exStyle, ExStyle(w));
  desk.SetHung(w, false);
  for (int i = 0; i < 10; ++i) t.Tick();
  EXPECT_EQ(exStyle | WS_EX_TOOLWINDOW, ExStyle(w));
  EXPECT_EQ(TitleStyleCode::ToolWindow, t.CurTitleStyle);
}

TEST_F(TrayWndAppearanceTest, TitleStyleAndOpacityKeepEachOther) {
  rule.AlphaPercent = rule.AlphaPercentBG = 50;
  HWND w = App("Editor");
  CTrayWnd& t = Take(w);
  t.SetTitleStyle(1);
  EXPECT_EQ(WS_EX_LAYERED | WS_EX_TOOLWINDOW, ExStyle(w) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW));
  EXPECT_EQ(127, Alpha(w));
  // Becoming layered after a title-style change keeps the title style.
  AnyWindowRule& toolRule = NewRule();
  toolRule.TitleStyle = 1;
  HWND v = App("Viewer");
  CTrayWnd& u = Take(v, toolRule);
  EXPECT_EQ(0u, ExStyle(v) & WS_EX_LAYERED);
  u.AlphaInactive = u.AlphaActive = 40;
  u.ApplyOpacity();
  EXPECT_EQ(WS_EX_LAYERED | WS_EX_TOOLWINDOW, ExStyle(v) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW));
  EXPECT_EQ(102, Alpha(v));
}

TEST_F(TrayWndAppearanceTest, RuleTitleStyleIsAppliedAtTakeOverUnlessForbidden) {
  AnyWindowRule& allowed = NewRule();
  allowed.TitleStyle = 2;
  AnyWindowRule& disabled = NewRule();
  disabled.TitleStyle = 2;
  disabled.DisableTitleStyleChanging = 1;
  AnyWindowRule& donut = NewRule();
  donut.TitleStyle = 2;
  donut.ClassName = "WTL:DonutRAPT";  // refused even though the class is not tested
  const struct {
    AnyWindowRule* rule;
    int canChange;
  } cases[] = {{&allowed, 1}, {&disabled, 0}, {&donut, 0}};
  for (const auto& c : cases) {
    HWND w = App("Editor");
    const DWORD style = Style(w);
    CTrayWnd& t = Take(w, *c.rule);
    EXPECT_EQ(c.canChange, t.CanChangeTitleStyle());
    EXPECT_EQ(c.canChange ? style & ~WS_CAPTION : style, Style(w));
    EXPECT_EQ(c.canChange ? 2 : 0, t.CurTitleStyle);
  }
}

TEST_F(TrayWndAppearanceTest, AlwaysOnTopTakesEffectAtTheFirstActivatingShow) {
  rule.ShowTopMost = 1;
  HWND w = App("Editor");
  CTrayWnd& t = Take(w);
  EXPECT_EQ(0u, ExStyle(w) & WS_EX_TOPMOST);
  t.Show(1);
  EXPECT_NE(0u, ExStyle(w) & WS_EX_TOPMOST);
  EXPECT_NE(0, t.SetTopMost(0));
  EXPECT_EQ(0u, ExStyle(w) & WS_EX_TOPMOST);
  App("Other");
  t.Show(1);
  EXPECT_EQ(0u, ExStyle(w) & WS_EX_TOPMOST);
  EXPECT_EQ(w, desk.TopLevelWindows().front());
}

TEST_F(TrayWndAppearanceTest, RevertGivesBackOpacity) {
  // A window we made layered is opaque again by its saved extended style.
  HWND plain = App("Editor");
  CTrayWnd& a = Take(plain);
  a.AlphaActive = a.AlphaInactive = 0;
  a.ApplyOpacity();
  ASSERT_EQ(0, Alpha(plain));
  // A window that was layered gets its own alpha back, not the 0 % we set.
  HWND layered = App("Layered");
  desk.SetLayered(layered, 0, 200, LWA_ALPHA);
  CTrayWnd& b = Take(layered);
  b.AlphaActive = b.AlphaInactive = 0;
  b.ApplyOpacity();
  ASSERT_EQ(0, Alpha(layered));

  EXPECT_EQ(1, a.Revert());
  EXPECT_EQ(0u, ExStyle(plain) & WS_EX_LAYERED);
  EXPECT_EQ(-1, Alpha(plain));
  EXPECT_EQ(1, b.Revert());
  EXPECT_EQ(200, Alpha(layered));
}

TEST_F(TrayWndAppearanceTest, WindowThatPaintsItsOwnLayersIsNeverGivenAttributes) {
  // Layered without attributes: it draws with UpdateLayeredWindow, which
  // stops working for good once attributes are set.
  sim::WindowSpec spec;
  spec.caption = "Splash";
  spec.exStyle = WS_EX_LAYERED;
  HWND w = App(spec);
  HWND other = App("Other");
  CTrayWnd& t = Take(w);
  EXPECT_EQ(0, t.IsOpacityAvailable());
  t.AlphaActive = t.AlphaInactive = 30;  // as the menu could not, but a rule might
  for (HWND active : {w, other, w}) {
    desk.UserActivate(active);
    t.Tick();
  }
  t.SetTitleStyle(1);
  t.SetTitleStyle(0);
  Release(t);
  EXPECT_EQ(-1, Alpha(w));
  EXPECT_NE(0u, ExStyle(w) & WS_EX_LAYERED);
}

TEST_F(TrayWndAppearanceTest, LettingGoWithoutAnIconGivesBackOpacityAndTitleStyle) {
  AnyWindowRule& noIcon = NewRule();
  noIcon.UseTrayIcon = 0;
  AnyWindowRule& onlyHidden = NewRule();
  onlyHidden.ShowIconOnlyHidden = 1;
  for (AnyWindowRule* r : {&noIcon, &onlyHidden}) {
    r->AlphaPercent = r->AlphaPercentBG = 0;
    HWND w = App("Editor");
    const DWORD style = Style(w), exStyle = ExStyle(w);
    CTrayWnd& t = Take(w, *r);
    t.SetTitleStyle(2);
    ASSERT_EQ(0, t.IconShown);
    ASSERT_EQ(0, Alpha(w));
    Release(t);
    EXPECT_EQ(style, Style(w));
    EXPECT_EQ(exStyle, ExStyle(w));  // not layered: opaque again
    EXPECT_EQ(-1, Alpha(w));
  }
}

}  // namespace
}  // namespace mm::test
