// Managed windows on the simulated desktop: take-over, the per-tick watch,
// hiding and showing, the tray icon and letting windows go.
#include "tests/core/tray_wnd_world.h"

namespace mm::test {
namespace {

using TrayWndTest = TrayWndWorld;

TEST_F(TrayWndTest, ClosedWindowIsReportedExactlyOnce) {
  HWND w = App("Editor");
  CTrayWnd& t = Take(w);
  EXPECT_EQ(1, t.Tick());
  desk.CloseWindow(w);
  EXPECT_EQ(0, t.Tick());
  EXPECT_EQ(0, t.Tick());
  const auto posts = Messages(WMA_WINDOW_DESTROYED);
  ASSERT_EQ(1u, posts.size());
  EXPECT_TRUE(posts[0].posted);
  EXPECT_EQ(owner, posts[0].hWnd);
  EXPECT_EQ(t.Id(), posts[0].wParam);
  EXPECT_EQ(reinterpret_cast<LPARAM>(w), posts[0].lParam);
}

TEST_F(TrayWndTest, WindowThatStopsMatchingIsReportedAndGivenBackWithItsIcon) {
  rule.UseCaption = 1;
  rule.CaptionMatchType = 1;
  rule.Caption = "Editor";
  HWND w = App("Editor - a.txt");
  CTrayWnd& t = Take(w);
  t.Hide();
  desk.SetCaption(w, "Viewer - a.txt");
  EXPECT_EQ(0, t.Tick());
  EXPECT_EQ(1u, Messages(WMA_WINDOW_DESTROYED).size());
  Release(t);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_TRUE(desk.TrayIcons().empty());
}

TEST_F(TrayWndTest, FirstTickCountsAsAnActivationChange) {
  HWND w = App("Editor");
  HWND other = App("Other");  // w is inactive from the start
  rule.AlphaPercentBG = 50;
  CTrayWnd& t = Take(w);
  EXPECT_EQ(127, Alpha(w));
  t.AlphaInactive = 30;  // as the tray menu does
  t.Tick();
  EXPECT_EQ(76, Alpha(w));
  t.AlphaInactive = 10;  // no activation change: waits
  t.Tick();
  EXPECT_EQ(76, Alpha(w));
  desk.UserActivate(w);
  t.Tick();
  EXPECT_EQ(255, Alpha(w));
  EXPECT_EQ(1, t.Active);
  desk.UserActivate(other);
  t.Tick();
  EXPECT_EQ(25, Alpha(w));
}

TEST_F(TrayWndTest, MinimisedWindowIsHiddenOnlyUnderHideIfIconized) {
  for (int hideIfIconized : {1, 0}) {
    SCOPED_TRACE(hideIfIconized);
    AnyWindowRule& r = NewRule();
    r.HideIfIconized = hideIfIconized;
    HWND w = App("Editor");
    CTrayWnd& t = Take(w, r);
    desk.UserMinimize(w);
    t.Tick();
    EXPECT_EQ(hideIfIconized == 0, desk.IsWindowVisible(w) != 0);
    EXPECT_TRUE(desk.IsIconic(w));  // stays minimised while hidden
    EXPECT_EQ(hideIfIconized, t.Hidden);
  }
}

TEST_F(TrayWndTest, ShowRestoresAndActivatesAHiddenWindow) {
  HWND w = App("Editor");
  CTrayWnd& t = Take(w);
  HWND other = App("Other");
  t.Hide();
  EXPECT_FALSE(desk.IsWindowVisible(w));
  EXPECT_EQ(0, t.Active);
  t.Show(1);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_FALSE(desk.IsIconic(w));
  EXPECT_EQ(w, desk.GetForegroundWindow());
  EXPECT_EQ(w, desk.TopLevelWindows().front());
  EXPECT_EQ(0u, ExStyle(w) & WS_EX_TOPMOST);  // the rule does not want it on top
  EXPECT_EQ(0, t.Hidden);
  t.Hide();
  desk.UserActivate(other);
  t.Show(0);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_EQ(1, t.Active);
  for (const auto& m : Messages(WM_SYSCOMMAND)) EXPECT_FALSE(m.posted);
}

TEST_F(TrayWndTest, IconOnlyWhileHidden) {
  rule.ShowIconOnlyHidden = 1;
  HWND w = App("Editor");
  CTrayWnd& t = Take(w);
  EXPECT_EQ(1, attached);
  EXPECT_EQ(nullptr, IconOf(t));
  t.Hide();
  ASSERT_NE(nullptr, IconOf(t));
  EXPECT_EQ("Editor", IconOf(t)->tip);
  // A caption change of the hidden window reaches the tip at the next tick.
  desk.SetCaption(w, "Editor - b.txt");
  EXPECT_EQ(1, t.Tick());
  EXPECT_EQ("Editor - b.txt", IconOf(t)->tip);
  t.Show(0);
  EXPECT_EQ(nullptr, IconOf(t));
  // ... while a shown window has no tip to update.
  desk.SetCaption(w, "Editor - c.txt");
  EXPECT_EQ(1, t.Tick());
  EXPECT_EQ(nullptr, IconOf(t));
  EXPECT_EQ("Editor - b.txt", t.TipText);
  // A window that is invisible when taken gets its icon at once.
  CTrayWnd& invisible = Take(App("Tool", false));
  EXPECT_NE(nullptr, IconOf(invisible));
}

TEST_F(TrayWndTest, TipShowsTheTitleInAnyScriptCutOnACharacterBoundary) {
  const std::string a(124, 'a');
  const std::string note = "\xF0\x9F\x8E\xB5";     // "🎵": two UTF-16 units
  const std::string te = "\xE3\x83\x86\xE3\x82\xB9";  // "テス"
  const struct {
    std::string title, tip;
  } cases[] = {
      {a + "bcd", a + "bcd"},  // 127 units fit whole
      {a + "bcde", a + "..."},
      {"", ""},
      // A pair is never cut in two, nor a character the ANSI code page
      // would give two bytes.
      {a.substr(1) + note + "bcdef", a.substr(1) + "..."},
      {a.substr(1) + te + "bcdef", a.substr(1) + "\xE3\x83\x86..."},
      // Characters the ANSI code page cannot hold are shown as they are.
      {"\xC3\x9Cn\xC3\xAF " + note + " \xED\x95\x9C " + te, "\xC3\x9Cn\xC3\xAF " + note + " \xED\x95\x9C " + te},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    HWND w = App("");
    desk.SetCaptionUtf8(w, c.title);
    CTrayWnd& t = Take(w);
    ASSERT_NE(nullptr, IconOf(t));
    EXPECT_EQ(c.tip, IconOf(t)->tip);
    EXPECT_EQ(WMA_TRAYICON_NOTIFY, IconOf(t)->callbackMessage);
    // The rule and the change test see the ANSI caption.
    EXPECT_EQ(desk.Utf8ToAnsi(c.title), t.TipText);
  }
}

// "🔴 Live" and "⚫ Live" are one caption to the code page: the tip follows
// the title all the same.
TEST_F(TrayWndTest, ATitleChangeTheCodePageCannotSeeStillReachesTheTip) {
  HWND w = App("");
  desk.SetCaptionUtf8(w, "\xF0\x9F\x94\xB4 Live");
  CTrayWnd& t = Take(w);
  desk.SetCaptionUtf8(w, "\xE2\x9A\xAB Live");
  ASSERT_EQ(desk.Utf8ToAnsi("\xE2\x9A\xAB Live"), t.TipText);
  EXPECT_EQ(1, t.Tick());
  EXPECT_EQ("\xE2\x9A\xAB Live", IconOf(t)->tip);
}

TEST_F(TrayWndTest, IconSearchTakesSmallIconsForTheTrayAndBigOnesForTheList) {
  const HICON S = FakeIcon(1), B = FakeIcon(2), C = FakeIcon(3), CS = FakeIcon(4);
  const HICON fallback = desk.LoadAppIcon(IDI_FALLBACK);
  const HICON smallFallback = desk.LoadAppSmallIcon(IDI_FALLBACK);
  ASSERT_NE(nullptr, fallback);
  ASSERT_NE(fallback, smallFallback);
  const struct {
    HICON small, big, cls, clsSmall, tray, list;
  } cases[] = {
      {S, B, C, CS, S, B},
      {nullptr, B, C, CS, B, B},
      {nullptr, nullptr, C, CS, CS, C},
      {S, nullptr, C, nullptr, S, C},
      {S, nullptr, nullptr, nullptr, S, S},
      {nullptr, nullptr, nullptr, nullptr, smallFallback, fallback},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(n++);
    sim::WindowSpec spec;
    spec.caption = "App";
    spec.smallIcon = c.small;
    spec.bigIcon = c.big;
    spec.classIcon = c.cls;
    spec.classSmallIcon = c.clsSmall;
    CTrayWnd& t = Take(App(spec));
    EXPECT_EQ(c.tray, t.TrayIcon);
    EXPECT_EQ(c.list, t.ListIcon);
    EXPECT_EQ(c.tray, IconOf(t)->icon);
  }
}

TEST_F(TrayWndTest, AnIconChangeReachesTheTrayWithinAFewTicksAndIsNotAskedEveryTick) {
  sim::WindowSpec spec;
  spec.caption = "App";
  spec.smallIcon = FakeIcon(1);
  HWND w = App(spec);
  CTrayWnd& t = Take(w);
  desk.SetIcons(w, FakeIcon(5), nullptr);
  desk.ClearHistory();
  for (int i = 0; i < CTrayWnd::kIconRefreshTicks; ++i) t.Tick();
  EXPECT_EQ(FakeIcon(5), IconOf(t)->icon);
  EXPECT_EQ(1u, Messages(WM_GETICON).size());
}

TEST_F(TrayWndTest, HungApplicationCostsOneBoundedQuestionAndKeepsItsIcon) {
  sim::WindowSpec spec;
  spec.caption = "Busy";
  spec.smallIcon = FakeIcon(1);
  spec.classIcon = FakeIcon(3);
  HWND w = App(spec);
  CTrayWnd& t = Take(w);
  desk.SetHung(w, true);
  desk.ClearHistory();
  for (int i = 0; i < CTrayWnd::kIconRefreshTicks; ++i) EXPECT_EQ(1, t.Tick());
  EXPECT_EQ(FakeIcon(1), IconOf(t)->icon);
  const auto asks = Messages(WM_GETICON);
  ASSERT_EQ(1u, asks.size());
  EXPECT_FALSE(asks[0].answered);
  // Taken over while hung, it starts with its class icon.
  CTrayWnd& late = Take(w);
  EXPECT_EQ(FakeIcon(3), late.TrayIcon);
  desk.SetHung(w, false);
  for (int i = 0; i < CTrayWnd::kIconRefreshTicks; ++i) late.Tick();
  EXPECT_EQ(FakeIcon(1), late.TrayIcon);
}

TEST_F(TrayWndTest, TrayFailures) {
  // A refused icon: Attach fails and does not hide what it could not give back.
  rule.HideOnStartup = 1;
  desk.FailTrayAdds(1);
  HWND w = App("Editor");
  CTrayWnd& t = Take(w);
  EXPECT_EQ(0, attached);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_EQ(0, t.IconShown);
  // Icons lost by a shell restart come back with the next update.
  CTrayWnd& u = Take(App("Viewer"));
  EXPECT_FALSE(desk.IsWindowVisible(u.Window()));
  desk.RestartTray();
  desk.SetCaption(u.Window(), "Viewer - b");
  EXPECT_EQ(1, u.Tick());
  ASSERT_NE(nullptr, IconOf(u));
  EXPECT_EQ("Viewer - b", IconOf(u)->tip);
  // A failed delete is tried again by the next one.
  desk.FailTrayDeletes(1);
  EXPECT_EQ(0, u.DeleteIcon());
  EXPECT_EQ(1, u.IconShown);
  EXPECT_EQ(1, u.DeleteIcon());
  EXPECT_EQ(nullptr, IconOf(u));
  // AddIcon registers anew after a restart.
  desk.RestartTray();
  EXPECT_EQ(1, u.AddIcon());
  EXPECT_NE(nullptr, IconOf(u));
}

TEST_F(TrayWndTest, LettingGoNeverLeavesAWindowWeHidUnreachable) {
  // With an icon: shown, saved styles written back, icon removed.
  HWND withIcon = App("Editor");
  CTrayWnd& a = Take(withIcon);
  a.SetTitleStyle(2);
  a.Hide();
  // Without an icon and hidden by us: shown again, without activation.
  AnyWindowRule& noIcon = NewRule();
  noIcon.UseTrayIcon = 0;
  HWND hidden = App("Player");
  CTrayWnd& b = Take(hidden, noIcon);
  desk.UserMinimize(hidden);
  b.Tick();
  ASSERT_FALSE(desk.IsWindowVisible(hidden));
  // Without an icon and shown: only what we changed goes back.
  HWND shown = App("Viewer");
  CTrayWnd& c = Take(shown, noIcon);
  c.SetTitleStyle(1);

  const DWORD savedStyle = a.SavedStyle, savedExStyle = a.SavedExStyle;
  Release(a);
  EXPECT_TRUE(desk.IsWindowVisible(withIcon));
  EXPECT_EQ(savedStyle, Style(withIcon));
  EXPECT_EQ(savedExStyle, ExStyle(withIcon));
  EXPECT_TRUE(desk.TrayIcons().empty());
  const HWND front = desk.GetForegroundWindow();
  Release(b);
  EXPECT_TRUE(desk.IsWindowVisible(hidden));
  EXPECT_EQ(front, desk.GetForegroundWindow());
  Release(c);
  EXPECT_EQ(0u, ExStyle(shown) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(desk.IsWindowVisible(shown));
}

TEST_F(TrayWndTest, WindowTakenWhileHiddenStaysShownWhenLetGo) {
  // As after a crash: the window we had hidden is taken again from the
  // recovery file, its saved words without WS_VISIBLE.
  HWND w = App("Editor", false);
  CTrayWnd& t = Take(w);
  ASSERT_EQ(0u, t.SavedStyle & WS_VISIBLE);
  t.Show(0);
  t.SetTitleStyle(2);
  EXPECT_TRUE(desk.IsWindowVisible(w)) << "a title change must not hide it";
  t.SetTitleStyle(0);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  t.Hide();
  const DWORD look = t.SavedStyle & ~(WS_VISIBLE | WS_MINIMIZE);
  Release(t);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_FALSE(desk.IsIconic(w));
  EXPECT_EQ(look, Style(w) & ~(WS_VISIBLE | WS_MINIMIZE));
}

// The simulated desktop stops the test at any call that would wait for a
// hung program, so getting through these steps is the first check.
TEST_F(TrayWndTest, HungApplicationNeverHoldsUsAndGetsOurRequestsWhenItRunsAgain) {
  rule.AlphaPercentBG = 50;
  HWND w = App("Busy");
  CTrayWnd& t = Take(w);
  t.Tick();
  desk.UserMinimize(w);
  desk.SetHung(w, true);
  desk.ClearHistory();

  t.Tick();  // minimised: hidden, as far as the program lets us now
  EXPECT_TRUE(Messages(WM_SYSCOMMAND).empty()) << "a minimised window is not asked again";
  EXPECT_EQ(1, t.Hidden);
  EXPECT_NE(nullptr, IconOf(t)) << "the icon must be there when the hide happens";
  for (int i = 0; i < 5; ++i) t.Tick();
  EXPECT_EQ(1, desk.PendingMessages(w)) << "one request waits; ticks do not pile up more";
  for (int i = 0; i < 20; ++i) t.Tick();
  EXPECT_GE(desk.PendingMessages(w), 2) << "asked again after a while";
  EXPECT_LE(desk.PendingMessages(w), 3);

  desk.UserActivate(owner);
  t.ApplyOpacity();
  t.SetTitleStyle(1);
  EXPECT_EQ(0, t.CurTitleStyle) << "left for a later change";
  t.SetTopMost(1);
  t.Show(1);

  desk.SetHung(w, false);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_NE(0u, ExStyle(w) & WS_EX_TOPMOST);

  // Let go while hung: shown again once it runs, look left as it was.
  t.Hide();
  desk.SetHung(w, true);
  Release(t);
  EXPECT_TRUE(desk.TrayIcons().empty());
  desk.SetHung(w, false);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(w));
}

// A restore asked of a program that does not answer is not lost: shown
// from its icon or given back at exit while it hangs, a window we had
// minimised and hidden comes back restored once it runs again.
TEST_F(TrayWndTest, WindowShownWhileItsProgramHangsComesBackRestored) {
  HWND w = App("Busy");
  CTrayWnd& t = Take(w);
  t.Hide();
  ASSERT_TRUE(desk.IsIconic(w));
  desk.SetHung(w, true);
  t.Show(1);
  desk.SetHung(w, false);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_FALSE(desk.IsIconic(w));

  t.Hide();
  desk.Pump();
  ASSERT_TRUE(desk.IsIconic(w));
  desk.SetHung(w, true);
  Release(t);
  desk.SetHung(w, false);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_FALSE(desk.IsIconic(w));
}

TEST_F(TrayWndTest, BusyProgramNeverLeavesItsWindowUnreachableOrTransparent) {
  // Shown from its icon while hung, with the icon only while hidden: the
  // icon stays until the window is really back.
  AnyWindowRule& onlyHidden = NewRule();
  onlyHidden.ShowIconOnlyHidden = 1;
  onlyHidden.HideIfIconized = 0;  // the restore sent while hung is lost here
  HWND w = App("Editor");
  CTrayWnd& t = Take(w, onlyHidden);
  desk.DeferAsyncRequests(w, true);
  t.Hide();
  EXPECT_TRUE(desk.IsWindowVisible(w));
  ASSERT_NE(nullptr, IconOf(t)) << "there before the window goes";
  desk.Pump();
  ASSERT_FALSE(desk.IsWindowVisible(w));
  desk.DeferAsyncRequests(w, false);
  desk.SetHung(w, true);
  t.Show(1);
  for (int i = 0; i < 30; ++i) t.Tick();
  EXPECT_FALSE(desk.IsWindowVisible(w));
  EXPECT_NE(nullptr, IconOf(t)) << "the icon is the only way back to it";
  desk.SetHung(w, false);
  desk.Pump();
  ASSERT_TRUE(desk.IsWindowVisible(w));
  t.Tick();
  EXPECT_EQ(nullptr, IconOf(t));

  // Busy when taken over: made layered later, and then given its alpha
  // (a layered window without attributes is not drawn at all).
  AnyWindowRule& faded = NewRule();
  faded.AlphaPercent = 70;
  faded.AlphaPercentBG = 70;
  HWND v = App("Viewer");
  desk.SetHung(v, true);
  CTrayWnd& u = Take(v, faded);
  desk.SetHung(v, false);
  desk.Pump();
  u.Tick();
  EXPECT_NE(0u, ExStyle(v) & WS_EX_LAYERED);
  EXPECT_EQ(CTrayWnd::PercentToAlpha(70), Alpha(v));

  // Let go while its program does not answer: opaque again all the same.
  AnyWindowRule& clear = NewRule();
  clear.AlphaPercentBG = 0;
  HWND p = App("Player");
  CTrayWnd& c = Take(p, clear);
  desk.UserActivate(owner);
  c.Tick();
  ASSERT_EQ(0, Alpha(p));
  desk.SetHung(p, true);
  Release(c);
  EXPECT_EQ(255, Alpha(p));
  desk.SetHung(p, false);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(p));
}

}  // namespace
}  // namespace mm::test
