// The simulated desktop beyond the promises it shares with Windows: hung
// applications, posted messages, timers, the tray and its failure knobs,
// message boxes, the code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/sim/sim_desktop.h"

namespace mm::sim {
namespace {

// A host that records what reaches it and lets a test act inside handlers.
class Host : public DialogHost {
 public:
  bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) override {
    seen.push_back({msg, wParam, lParam});
    if (onMessage) return onMessage(hwnd, msg, wParam, lParam, result);
    return msg == WM_INITDIALOG;
  }
  int Count(UINT msg) const {
    int n = 0;
    for (const auto& m : seen) n += m.msg == msg;
    return n;
  }
  struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::vector<Seen> seen;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> onMessage;
};

class SimDesktopTest : public ::testing::Test {
 protected:
  SimDesktopTest() : desk(::testing::TempDir() + "morimo_sim_desktop") {
    SetOs(&desk);
    DialogTemplate t{};
    t.id = 900;
    t.titleUtf8 = "Sim host";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    desk.AddDialogTemplate(t);
  }
  ~SimDesktopTest() override { SetOs(nullptr); }

  HWND App(const std::string& caption, bool visible = true) {
    WindowSpec spec;
    spec.caption = caption;
    spec.className = "App";
    spec.visible = visible;
    return desk.AddWindow(spec);
  }
  // A window of our own process with a host, as the manager window is.
  HWND Ours(Host& host) { return desk.CreateDialogU8(900, nullptr, &host); }
  BOOL Send(HWND h, UINT msg, WPARAM wParam, DWORD_PTR* result = nullptr) {
    DWORD_PTR r = 0;
    return desk.SendMessageTimeoutA(h, msg, wParam, 0, SMTO_ABORTIFHUNG, 200,
                                    result != nullptr ? result : &r);
  }

  SimDesktop desk;
};

// ---- windows and handles --------------------------------------------------------

TEST_F(SimDesktopTest, HandlesAreDistinctNonZero32BitValuesNeverReused) {
  std::set<HWND> seen;
  for (int i = 0; i < 200; ++i) {
    HWND h = App("w");
    const auto value = reinterpret_cast<std::uintptr_t>(h);
    EXPECT_NE(value, 0u);
    EXPECT_LE(value, 0xFFFFFFFFu);
    EXPECT_TRUE(seen.insert(h).second);
    if (i % 2) desk.CloseWindow(h);
  }
  EXPECT_FALSE(seen.count(desk.GetDesktopWindow()));
}

TEST_F(SimDesktopTest, NewWindowsGoOnTopOfTheirBand) {
  HWND a = App("a");
  WindowSpec topmost;
  topmost.exStyle = WS_EX_TOPMOST;
  HWND t = desk.AddWindow(topmost);
  HWND b = App("b");
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{t, b, a}));
  EXPECT_EQ(desk.GetForegroundWindow(), nullptr);  // opening a window does not activate it
}

TEST_F(SimDesktopTest, StyleWordIsTheVisibleAndMinimisedState) {
  WindowSpec spec;
  spec.minimized = true;
  HWND h = desk.AddWindow(spec);
  EXPECT_TRUE(desk.IsIconic(h));
  EXPECT_TRUE(desk.GetWindowLongA(h, GWL_STYLE) & WS_MINIMIZE);
  desk.UserActivate(h);  // its taskbar button restores it
  EXPECT_FALSE(desk.IsIconic(h));
  EXPECT_EQ(desk.GetForegroundWindow(), h);
  // Clearing WS_VISIBLE through the style word hides it and passes activation.
  const LONG style = desk.GetWindowLongA(h, GWL_STYLE);
  desk.SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(static_cast<DWORD>(style) & ~WS_VISIBLE));
  EXPECT_FALSE(desk.IsWindowVisible(h));
  EXPECT_EQ(desk.GetForegroundWindow(), nullptr);
}

TEST_F(SimDesktopTest, TopmostBitChangesOnlyThroughSetWindowPos) {
  HWND h = App("a");
  desk.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
  EXPECT_EQ(static_cast<DWORD>(desk.GetWindowLongA(h, GWL_EXSTYLE)), WS_EX_TOOLWINDOW);
  desk.SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  desk.SetWindowLongA(h, GWL_EXSTYLE, 0);
  EXPECT_EQ(static_cast<DWORD>(desk.GetWindowLongA(h, GWL_EXSTYLE)), WS_EX_TOPMOST);
}

TEST_F(SimDesktopTest, LayeredAttributesGoWithTheLayeredBitAndTheApi) {
  HWND h = App("a");
  desk.SetLayered(h, 0, 204, LWA_ALPHA);
  COLORREF key = 1;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(desk.GetLayeredWindowAttributes(h, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 204);
  EXPECT_EQ(flags, LWA_ALPHA);
  // Without the bit the attributes are gone, also once the bit is back.
  desk.SetWindowLongA(h, GWL_EXSTYLE, 0);
  desk.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(WS_EX_LAYERED));
  EXPECT_FALSE(desk.GetLayeredWindowAttributes(h, &key, &alpha, &flags));

  BOOL hasGet = 0, hasSet = 0;
  desk.SetLayeredApi(true, false, true);
  ASSERT_TRUE(desk.QueryLayeredApi(&hasGet, &hasSet));
  EXPECT_FALSE(hasGet);
  EXPECT_TRUE(hasSet);
  EXPECT_FALSE(desk.GetLayeredWindowAttributes(h, &key, &alpha, &flags));
  desk.SetLayeredApi(false, true, true);
  EXPECT_FALSE(desk.QueryLayeredApi(&hasGet, &hasSet));
  EXPECT_FALSE(desk.SetLayeredWindowAttributes(h, 0, 10, LWA_ALPHA));
}

TEST_F(SimDesktopTest, WindowInfoNeedsItsSizeAndMarksOnlyTheActiveWindow) {
  HWND a = App("a");
  HWND b = App("b");
  desk.UserActivate(a);
  WINDOWINFO info{};
  EXPECT_FALSE(desk.GetWindowInfo(a, &info));  // cbSize not set
  info.cbSize = sizeof info;
  ASSERT_TRUE(desk.GetWindowInfo(a, &info));
  EXPECT_EQ(info.dwWindowStatus, WS_ACTIVECAPTION);
  ASSERT_TRUE(desk.GetWindowInfo(b, &info));
  EXPECT_EQ(info.dwWindowStatus, 0u);
}

TEST_F(SimDesktopTest, ReadsAreCountedPerWindow) {
  HWND a = App("a");
  HWND b = App("b");
  char buffer[8];
  desk.GetWindowTextA(a, buffer, sizeof buffer);
  desk.GetWindowTextA(a, buffer, sizeof buffer);
  desk.GetClassNameA(b, buffer, sizeof buffer);
  desk.GetWindowTextLengthA(b);  // asking the length is not a read
  EXPECT_EQ(desk.CaptionReads(a), 2);
  EXPECT_EQ(desk.ClassReads(a), 0);
  EXPECT_EQ(desk.CaptionReads(b), 0);
  EXPECT_EQ(desk.ClassReads(b), 1);
  desk.ResetReadCounts();
  EXPECT_EQ(desk.CaptionReads(a), 0);
}

TEST_F(SimDesktopTest, EnumerationSkipsWindowsClosedMeanwhile) {
  HWND a = App("a");
  HWND b = App("b");
  struct Ctx {
    SimDesktop* desk;
    HWND close;
    std::vector<HWND> seen;
  } ctx{&desk, a, {}};
  desk.EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(p);
        c->seen.push_back(h);
        c->desk->CloseWindow(c->close);
        c->desk->AddWindow(WindowSpec{});  // created during the walk: not visited
        return 1;
      },
      reinterpret_cast<LPARAM>(&ctx));
  EXPECT_EQ(ctx.seen, std::vector<HWND>{b});
}

// ---- sent and posted messages ------------------------------------------------------

TEST_F(SimDesktopTest, HungApplicationTimesOutSendsAndKeepsItsPostsQueued) {
  HWND h = App("busy");
  desk.SetHung(h, true);
  DWORD_PTR result = 99;
  desk.SetLastError(0);
  EXPECT_FALSE(Send(h, WM_SYSCOMMAND, SC_MINIMIZE, &result));
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(desk.GetLastError(), ERROR_TIMEOUT);
  EXPECT_FALSE(desk.IsIconic(h));
  ASSERT_TRUE(desk.PostMessageA(h, WM_CLOSE, 0, 0));
  desk.Pump();
  EXPECT_TRUE(desk.IsWindow(h));
  EXPECT_EQ(desk.PendingMessages(h), 1);
  ASSERT_EQ(desk.History().size(), 2u);
  EXPECT_FALSE(desk.History()[0].answered);
  EXPECT_FALSE(desk.History()[0].posted);
  EXPECT_FALSE(desk.History()[1].answered);
  EXPECT_TRUE(desk.History()[1].posted);
  // It recovers: the waiting close is taken and acted on.
  desk.SetHung(h, false);
  desk.Pump();
  EXPECT_FALSE(desk.IsWindow(h));
  EXPECT_TRUE(desk.History()[1].answered);
}

TEST_F(SimDesktopTest, ApplicationsAnswerIconQuestionsAndSystemCommands) {
  WindowSpec spec;
  spec.smallIcon = reinterpret_cast<HICON>(0x501);
  spec.bigIcon = reinterpret_cast<HICON>(0x502);
  spec.classIcon = reinterpret_cast<HICON>(0x503);
  HWND h = desk.AddWindow(spec);
  DWORD_PTR icon = 0;
  ASSERT_TRUE(Send(h, WM_GETICON, ICON_SMALL, &icon));
  EXPECT_EQ(icon, 0x501u);
  ASSERT_TRUE(Send(h, WM_GETICON, ICON_BIG, &icon));
  EXPECT_EQ(icon, 0x502u);
  EXPECT_EQ(desk.GetClassIcon(h, GCL_HICON), reinterpret_cast<HICON>(0x503));
  EXPECT_EQ(desk.GetClassIcon(h, GCL_HICONSM), nullptr);

  ASSERT_TRUE(Send(h, WM_SYSCOMMAND, SC_MAXIMIZE));
  ASSERT_TRUE(Send(h, WM_SYSCOMMAND, SC_MINIMIZE));
  ASSERT_TRUE(Send(h, WM_SYSCOMMAND, SC_RESTORE));  // back to maximised, as it was
  EXPECT_TRUE(static_cast<DWORD>(desk.GetWindowLongA(h, GWL_STYLE)) & WS_MAXIMIZE);
  ASSERT_TRUE(Send(h, WM_SYSCOMMAND, SC_RESTORE));
  EXPECT_FALSE(static_cast<DWORD>(desk.GetWindowLongA(h, GWL_STYLE)) & WS_MAXIMIZE);
  for (const auto& m : desk.History()) EXPECT_TRUE(m.answered);
}

TEST_F(SimDesktopTest, MinimisingAHiddenWindowShowsItMinimised) {
  HWND h = App("hidden", false);
  Send(h, WM_SYSCOMMAND, SC_MINIMIZE);
  EXPECT_TRUE(desk.IsWindowVisible(h));
  EXPECT_TRUE(desk.IsIconic(h));
}

TEST_F(SimDesktopTest, RefusingWindowSurvivesCloseAndClosingAnOwnerClosesWhatItOwns) {
  WindowSpec stubborn;
  stubborn.closesOnWmClose = false;
  HWND h = desk.AddWindow(stubborn);
  desk.PostMessageA(h, WM_CLOSE, 0, 0);
  desk.PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindow(h));
  desk.CloseWindow(h);
  EXPECT_FALSE(desk.IsWindow(h));
  EXPECT_FALSE(desk.PostMessageA(h, WM_CLOSE, 0, 0));
}

TEST_F(SimDesktopTest, OurWindowsGetPostsAtPumpAndDefaultProcessingForTheRest) {
  Host host;
  HWND dlg = Ours(host);
  ASSERT_NE(dlg, nullptr);
  DWORD pid = 0;
  desk.GetWindowThreadProcessId(dlg, &pid);
  EXPECT_EQ(pid, desk.GetCurrentProcessId());
  desk.PostMessageA(dlg, WM_APP + 5, 1, 2);
  EXPECT_EQ(host.Count(WM_APP + 5), 0);
  desk.Pump();
  ASSERT_EQ(host.Count(WM_APP + 5), 1);
  EXPECT_EQ(host.seen.back().wParam, 1u);
  EXPECT_EQ(host.seen.back().lParam, 2);
  EXPECT_TRUE(desk.History().empty());  // only other programs' windows are recorded
  // What the host leaves alone, the default processing does: its own
  // window minimises and keeps the icons it was given.
  desk.ShowWindow(dlg, SW_SHOW);
  EXPECT_TRUE(Send(dlg, WM_SYSCOMMAND, SC_MINIMIZE));
  EXPECT_TRUE(desk.IsIconic(dlg));
  desk.SendMessageToOwnWindow(dlg, WM_SETICON, ICON_SMALL, 0x600);
  DWORD_PTR icon = 0;
  Send(dlg, WM_GETICON, ICON_SMALL, &icon);
  EXPECT_EQ(icon, 0x600u);
}

TEST_F(SimDesktopTest, HandlerThatPostsForEverIsStoppedNotLooped) {
  Host host;
  HWND dlg = Ours(host);
  int handled = 0;
  host.onMessage = [&](HWND h, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == WM_APP && ++handled < 50) desk.PostMessageA(h, WM_APP, 0, 0);
    return true;
  };
  desk.PostMessageA(dlg, WM_APP, 0, 0);
  desk.Pump();
  EXPECT_EQ(handled, 50);  // every posted message, each in its turn
}

TEST_F(SimDesktopTest, ExceptionsFromAHostAreDroppedAndCounted) {
  Host host;
  HWND dlg = Ours(host);
  host.onMessage = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT*) -> bool {
    if (msg == WM_APP) throw std::runtime_error("handler failed");
    return false;
  };
  desk.PostMessageA(dlg, WM_APP, 0, 0);
  desk.Pump();
  EXPECT_EQ(desk.DroppedExceptions(), 1);
  EXPECT_TRUE(desk.IsWindow(dlg));
}

TEST_F(SimDesktopTest, DestroyedDialogGetsWmDestroyAndNothingAfter) {
  Host host;
  HWND dlg = Ours(host);
  desk.PostMessageA(dlg, WM_APP, 0, 0);
  desk.SetTimer(dlg, 7, 100);
  ASSERT_TRUE(desk.DestroyWindow(dlg));
  EXPECT_EQ(host.Count(WM_DESTROY), 1);
  const size_t count = host.seen.size();
  desk.AdvanceTime(1000);
  EXPECT_EQ(host.seen.size(), count);
  EXPECT_FALSE(desk.TimerActive(dlg, 7));
  EXPECT_FALSE(desk.DestroyWindow(App("not ours")));  // other programs' windows are theirs
}

// ---- timers ----------------------------------------------------------------------------

TEST_F(SimDesktopTest, TimersFireByTheClockInOrder) {
  Host host;
  HWND dlg = Ours(host);
  std::vector<std::pair<UINT_PTR, int>> fired;
  int clock = 0;
  host.onMessage = [&](HWND, UINT msg, WPARAM id, LPARAM, LRESULT*) {
    if (msg == WM_TIMER) fired.push_back({id, clock});
    return true;
  };
  EXPECT_EQ(desk.SetTimer(dlg, 1, 300), 1u);
  EXPECT_EQ(desk.SetTimer(dlg, 2, 500), 2u);
  for (int step = 0; step < 10; ++step) {
    clock += 100;
    desk.AdvanceTime(100);
  }
  EXPECT_EQ(fired, (std::vector<std::pair<UINT_PTR, int>>{
                       {1, 300}, {2, 500}, {1, 600}, {1, 900}, {2, 1000}}));
  // One long step delivers each period in turn.
  fired.clear();
  desk.AdvanceTime(1000);
  EXPECT_EQ(fired.size(), 5u);
  EXPECT_FALSE(desk.SetTimer(App("foreign"), 3, 100));  // only our own windows
}

TEST_F(SimDesktopTest, TimerHandlerMayStopOrReArmItsTimer) {
  Host host;
  HWND dlg = Ours(host);
  int ticks = 0;
  host.onMessage = [&](HWND h, UINT msg, WPARAM id, LPARAM, LRESULT*) {
    if (msg != WM_TIMER) return false;
    ++ticks;
    // As the scan tick does: stop, work, start again with a new period.
    desk.KillTimer(h, id);
    if (ticks < 3) desk.SetTimer(h, id, 1000);
    return true;
  };
  desk.SetTimer(dlg, 10000, 500);
  desk.AdvanceTime(499);
  EXPECT_EQ(ticks, 0);
  desk.AdvanceTime(1);
  EXPECT_EQ(ticks, 1);
  desk.AdvanceTime(999);
  EXPECT_EQ(ticks, 1);
  desk.AdvanceTime(1);
  EXPECT_EQ(ticks, 2);
  desk.AdvanceTime(5000);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(desk.TimerActive(dlg, 10000));
  EXPECT_FALSE(desk.KillTimer(dlg, 10000));
}

TEST_F(SimDesktopTest, PostsFromATimerHandlerAreDeliveredBeforeTheNextTimer) {
  Host host;
  HWND dlg = Ours(host);
  std::vector<UINT> order;
  host.onMessage = [&](HWND h, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == WM_TIMER) desk.PostMessageA(h, WM_APP, 0, 0);
    if (msg == WM_TIMER || msg == WM_APP) order.push_back(msg);
    return true;
  };
  desk.SetTimer(dlg, 1, 100);
  desk.AdvanceTime(200);
  EXPECT_EQ(order, (std::vector<UINT>{WM_TIMER, WM_APP, WM_TIMER, WM_APP}));
}

// ---- the tray ----------------------------------------------------------------------------

class SimTrayTest : public SimDesktopTest {
 protected:
  BOOL Tray(DWORD message, HWND owner, UINT id, UINT flags, const std::string& tip = "") {
    NOTIFYICONDATAW data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = flags;
    data.uCallbackMessage = WM_APP + 1;
    data.hIcon = desk.LoadAppIcon(129);
    const std::u16string wide = Utf8ToUtf16(tip);
    std::copy_n(wide.begin(), std::min(wide.size(), std::size(data.szTip)), data.szTip);
    return desk.Shell_NotifyIconW(message, &data);
  }
};

TEST_F(SimTrayTest, IconsAreKeptByOwnerAndIdWithTheFieldsTheFlagsName) {
  Host host;
  HWND owner = Ours(host);
  ASSERT_TRUE(Tray(NIM_ADD, owner, 1, NIF_ICON | NIF_TIP, "first"));
  const TrayIconRecord* icon = desk.FindTrayIcon(owner, 1);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->tip, "first");
  EXPECT_EQ(icon->callbackMessage, 0u);  // no NIF_MESSAGE: no callback
  EXPECT_EQ(icon->icon, desk.LoadAppIcon(129));
  ASSERT_TRUE(Tray(NIM_MODIFY, owner, 1, NIF_MESSAGE, "ignored without NIF_TIP"));
  icon = desk.FindTrayIcon(owner, 1);
  EXPECT_EQ(icon->tip, "first");
  EXPECT_EQ(icon->callbackMessage, WM_APP + 1u);
  // A tip that fills the whole field is cut before its last unit.
  ASSERT_TRUE(Tray(NIM_MODIFY, owner, 1, NIF_TIP, std::string(128, 't')));
  EXPECT_EQ(desk.FindTrayIcon(owner, 1)->tip, std::string(127, 't'));
  ASSERT_TRUE(Tray(NIM_MODIFY, owner, 1, NIF_TIP, "\xF0\x9F\x8E\xB5 \xE3\x83\x86"));  // "🎵 テ"
  EXPECT_EQ(desk.FindTrayIcon(owner, 1)->tip, "\xF0\x9F\x8E\xB5 \xE3\x83\x86");
  EXPECT_EQ(desk.FindTrayIcon(owner, 2), nullptr);

  NOTIFYICONDATAW old{};
  old.cbSize = 152;  // an older layout
  old.hWnd = owner;
  old.uID = 5;
  EXPECT_FALSE(desk.Shell_NotifyIconW(NIM_ADD, &old));
  EXPECT_EQ(desk.TrayCalls().size(), 5u);
  EXPECT_FALSE(desk.TrayCalls().back().succeeded);
}

TEST_F(SimTrayTest, KnobsFailTheNextCallsOfTheirKind) {
  Host host;
  HWND owner = Ours(host);
  desk.FailTrayAdds(2);
  EXPECT_FALSE(Tray(NIM_ADD, owner, 1, NIF_TIP));
  EXPECT_FALSE(Tray(NIM_ADD, owner, 1, NIF_TIP));
  EXPECT_TRUE(Tray(NIM_ADD, owner, 1, NIF_TIP));
  desk.FailTrayModifies(1);
  EXPECT_FALSE(Tray(NIM_MODIFY, owner, 1, NIF_TIP, "x"));
  EXPECT_TRUE(Tray(NIM_MODIFY, owner, 1, NIF_TIP, "x"));
  desk.FailTrayDeletes(1);
  EXPECT_FALSE(Tray(NIM_DELETE, owner, 1, 0));
  EXPECT_NE(desk.FindTrayIcon(owner, 1), nullptr);
  EXPECT_TRUE(Tray(NIM_DELETE, owner, 1, 0));
  EXPECT_TRUE(desk.TrayIcons().empty());
}

TEST_F(SimTrayTest, RestartLosesEveryIconAndTellsOnlyOurWindows) {
  Host host;
  HWND owner = Ours(host);
  HWND foreign = App("other program");
  ASSERT_TRUE(Tray(NIM_ADD, owner, 1, NIF_TIP));
  ASSERT_TRUE(Tray(NIM_ADD, foreign, 1, NIF_TIP));
  const UINT taskbarCreated = desk.RegisterWindowMessageA("TaskbarCreated");
  desk.RestartTray();
  EXPECT_TRUE(desk.TrayIcons().empty());
  EXPECT_EQ(host.Count(taskbarCreated), 1);
  EXPECT_TRUE(desk.History().empty());
  EXPECT_EQ(desk.RegisterWindowMessageA("taskbarcreated"), taskbarCreated);  // names ignore case
  EXPECT_GE(taskbarCreated, 0xC000u);
}

TEST_F(SimTrayTest, MouseOverAnIconCallsItsOwnerBack) {
  Host host;
  HWND owner = Ours(host);
  ASSERT_TRUE(Tray(NIM_ADD, owner, 42, NIF_MESSAGE | NIF_TIP));
  desk.MouseOnTrayIcon(owner, 42, WM_LBUTTONDOWN);
  ASSERT_EQ(host.Count(WM_APP + 1), 1);
  EXPECT_EQ(host.seen.back().wParam, 42u);
  EXPECT_EQ(host.seen.back().lParam, static_cast<LPARAM>(WM_LBUTTONDOWN));
  desk.MouseOnTrayIcon(owner, 43, WM_LBUTTONDOWN);  // no such icon
  EXPECT_EQ(host.Count(WM_APP + 1), 1);
}

// ---- message boxes, keys, code page ----------------------------------------------------------

TEST_F(SimDesktopTest, MessageBoxesAreRecordedAndAnsweredFromTheQueue) {
  desk.QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(desk.MessageBoxU8(nullptr, "終了しますか？", "MoriMo", MB_YESNO), IDNO);
  EXPECT_EQ(desk.MessageBoxU8(nullptr, "done", "MoriMo", MB_OK), IDOK);
  ASSERT_EQ(desk.MessageBoxes().size(), 2u);
  EXPECT_EQ(desk.MessageBoxes()[0].textUtf8, "終了しますか？");
  EXPECT_EQ(desk.MessageBoxes()[0].type, MB_YESNO);
}

TEST_F(SimDesktopTest, MessageBoxRunsTheLoopWhileItIsOpen) {
  Host host;
  HWND dlg = Ours(host);
  desk.PostMessageA(dlg, WM_APP, 0, 0);
  desk.MessageBoxU8(dlg, "wait", "MoriMo", MB_OK);
  EXPECT_EQ(host.Count(WM_APP), 1);
}

TEST_F(SimDesktopTest, KeyStateHasTheDownBit) {
  EXPECT_GE(desk.GetKeyState(VK_CONTROL), 0);
  desk.SetKeyDown(VK_CONTROL, true);
  EXPECT_LT(desk.GetKeyState(VK_CONTROL), 0);
  EXPECT_GE(desk.GetKeyState(VK_SHIFT), 0);
  desk.SetKeyDown(VK_CONTROL, false);
  EXPECT_GE(desk.GetKeyState(VK_CONTROL), 0);
}

TEST_F(SimDesktopTest, CodePage932ConvertsBothWaysAndSurvivesBadBytes) {
  const std::string ansi = "\x83\x7D\x83\x6C\x81\x5B\x83\x57\x83\x83 MoriMo";  // マネージャ
  const std::string utf8 = "マネージャ MoriMo";
  EXPECT_EQ(desk.AnsiToUtf8(ansi), utf8);
  EXPECT_EQ(desk.Utf8ToAnsi(utf8), ansi);
  EXPECT_EQ(desk.AnsiToUtf8("a\x82"), "a?");  // a lead byte without its trail
  EXPECT_EQ(desk.Utf8ToAnsi("x\xE2\x82\xAC"), "x?");  // the euro sign has no 932 code
  EXPECT_TRUE(desk.IsDBCSLeadByte(0x82));
  EXPECT_TRUE(desk.IsDBCSLeadByte(0xFC));
  EXPECT_FALSE(desk.IsDBCSLeadByte(0xA0));
  EXPECT_FALSE(desk.IsDBCSLeadByte('A'));
  desk.SetLeadByteRanges({{0xA1, 0xFE}});
  EXPECT_TRUE(desk.IsDBCSLeadByte(0xA0 + 1));
  EXPECT_FALSE(desk.IsDBCSLeadByte(0x82));
}

TEST_F(SimDesktopTest, SystemMenuKeepsWhatWasAppended) {
  Host host;
  HWND dlg = Ours(host);
  HMENU menu = desk.GetSystemMenu(dlg, 0);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(desk.GetSystemMenu(dlg, 0), menu);
  ASSERT_TRUE(desk.AppendMenuU8(menu, MF_SEPARATOR, 0, ""));
  ASSERT_TRUE(desk.AppendMenuU8(menu, MF_STRING, 0x10, "バージョン情報(&A)..."));
  auto items = desk.SystemMenuItems(dlg);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].id, 0x10u);
  EXPECT_EQ(items[1].textUtf8, "バージョン情報(&A)...");
  EXPECT_FALSE(desk.AppendMenuU8(reinterpret_cast<HMENU>(0x1234), MF_STRING, 1, "x"));
}

}  // namespace
}  // namespace mm::sim
