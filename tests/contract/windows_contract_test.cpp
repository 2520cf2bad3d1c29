// Promises of the seam about top-level windows of other applications:
// enumeration, visibility, minimise and restore, text reads, style words,
// the topmost flag, and what is left of a window once it is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

constexpr UINT kCommandTimeoutMs = 1000;

class WindowsContract : public ::testing::Test {
 protected:
  WindowsContract() : world(MakeContractWorld()), os(world->os()) {}

  HWND Create(const std::string& caption, bool visible = true, DWORD style = WS_OVERLAPPEDWINDOW,
              DWORD exStyle = 0) {
    HWND h = world->CreateTopLevel(caption, "MorimoContractWnd", visible, style, exStyle);
    world->Settle();
    return h;
  }

  std::vector<HWND> Enumerate() {
    std::vector<HWND> found;
    os.EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
          return 1;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }

  // Position of each window in the enumeration, -1 when missing.
  std::vector<long> Positions(const std::vector<HWND>& windows) {
    const std::vector<HWND> all = Enumerate();
    std::vector<long> at;
    for (HWND h : windows) {
      auto it = std::find(all.begin(), all.end(), h);
      at.push_back(it == all.end() ? -1 : static_cast<long>(it - all.begin()));
    }
    return at;
  }

  BOOL SysCommand(HWND h, WPARAM command) {
    DWORD_PTR result = 0;
    BOOL ok = os.SendMessageTimeoutA(h, WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG,
                                     kCommandTimeoutMs, &result);
    world->Settle();
    return ok;
  }

  DWORD Style(HWND h) { return static_cast<DWORD>(os.GetWindowLongA(h, GWL_STYLE)); }
  DWORD ExStyle(HWND h) { return static_cast<DWORD>(os.GetWindowLongA(h, GWL_EXSTYLE)); }

  std::unique_ptr<ContractWorld> world;
  Platform& os;
};

// ---- enumeration ---------------------------------------------------------------

TEST_F(WindowsContract, EnumerationVisitsEveryWindowOnceVisibleOrNot) {
  std::vector<HWND> mine = {Create("contract one"), Create("contract two", false),
                            Create("contract three")};
  const std::vector<HWND> all = Enumerate();
  for (HWND h : mine) {
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(std::count(all.begin(), all.end(), h), 1);
  }
}

// Windows of running programs answer; a gone window does not, and the
// answers keep the order of the question.
TEST_F(WindowsContract, ProgramsThatRunAnswerTheQuestionForManyWindows) {
  HWND first = Create("Answers 1");
  HWND second = Create("Answers 2", false);
  HWND gone = Create("Gone");
  world->Destroy(gone);
  EXPECT_EQ(os.ProgramsAnswer({first, gone, second}, 1000), (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(os.ProgramsAnswer({}, 1000).empty());
}

TEST_F(WindowsContract, EnumerationStopsWhenTheCallbackSaysSo) {
  Create("contract a");
  Create("contract b");
  int calls = 0;
  BOOL result = os.EnumWindows(
      [](HWND, LPARAM p) -> BOOL {
        ++*reinterpret_cast<int*>(p);
        return 0;
      },
      reinterpret_cast<LPARAM>(&calls));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(result);
}

TEST_F(WindowsContract, TopmostWindowsComeFirstInTheEnumeration) {
  HWND normal = Create("contract normal");
  HWND topmost = Create("contract topmost", true, WS_OVERLAPPEDWINDOW, WS_EX_TOPMOST);
  HWND later = Create("contract later normal");
  ASSERT_TRUE(ExStyle(topmost) & WS_EX_TOPMOST);
  std::vector<long> at = Positions({topmost, normal, later});
  ASSERT_GE(at[0], 0);
  EXPECT_LT(at[0], at[1]);
  EXPECT_LT(at[0], at[2]);
}

TEST_F(WindowsContract, SetWindowPosMovesWindowsBetweenTheBands) {
  HWND a = Create("contract a");
  HWND b = Create("contract b");
  // Raised to topmost: ahead of the other window, and flagged.
  ASSERT_TRUE(os.SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  world->Settle();
  EXPECT_TRUE(ExStyle(a) & WS_EX_TOPMOST);
  std::vector<long> at = Positions({a, b});
  EXPECT_LT(at[0], at[1]);
  // Back to the normal band: flag cleared, still above the normal windows.
  ASSERT_TRUE(os.SetWindowPos(a, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  world->Settle();
  EXPECT_FALSE(ExStyle(a) & WS_EX_TOPMOST);
  at = Positions({a, b});
  EXPECT_LT(at[0], at[1]);
  // Raising the other one to topmost puts it in front.
  ASSERT_TRUE(os.SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  world->Settle();
  at = Positions({a, b});
  EXPECT_LT(at[1], at[0]);
  os.SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

TEST_F(WindowsContract, NoZOrderKeepsOrderAndTopmostFlag) {
  HWND a = Create("contract a");
  HWND b = Create("contract b");
  std::vector<long> before = Positions({a, b});
  ASSERT_TRUE(os.SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0,
                              SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  world->Settle();
  EXPECT_FALSE(ExStyle(a) & WS_EX_TOPMOST);
  std::vector<long> after = Positions({a, b});
  EXPECT_EQ(before[0] < before[1], after[0] < after[1]);
}

// ---- visibility, minimise, restore ----------------------------------------------------

TEST_F(WindowsContract, HideAndShowChangeVisibilityAndReportThePreviousState) {
  HWND h = Create("contract visible");
  ASSERT_TRUE(os.IsWindowVisible(h));
  EXPECT_TRUE(Style(h) & WS_VISIBLE);
  EXPECT_TRUE(os.ShowWindow(h, SW_HIDE));  // it was visible
  world->Settle();
  EXPECT_FALSE(os.IsWindowVisible(h));
  EXPECT_FALSE(Style(h) & WS_VISIBLE);
  EXPECT_FALSE(os.ShowWindow(h, SW_HIDE));  // it was hidden
  EXPECT_FALSE(os.ShowWindow(h, SW_SHOW));
  world->Settle();
  EXPECT_TRUE(os.IsWindowVisible(h));
  EXPECT_TRUE(os.IsWindow(h));
}

TEST_F(WindowsContract, InvisibleWindowStaysInvisibleUntilShown) {
  HWND h = Create("contract hidden", false);
  EXPECT_TRUE(os.IsWindow(h));
  EXPECT_FALSE(os.IsWindowVisible(h));
  EXPECT_FALSE(os.IsIconic(h));
  os.ShowWindow(h, SW_SHOW);
  world->Settle();
  EXPECT_TRUE(os.IsWindowVisible(h));
}

TEST_F(WindowsContract, SystemCommandsMinimiseAndRestore) {
  HWND h = Create("contract minimise");
  EXPECT_TRUE(SysCommand(h, SC_MINIMIZE));
  EXPECT_TRUE(os.IsIconic(h));
  EXPECT_TRUE(Style(h) & WS_MINIMIZE);
  EXPECT_TRUE(os.IsWindowVisible(h));  // minimised is still visible
  EXPECT_TRUE(SysCommand(h, SC_RESTORE));
  EXPECT_FALSE(os.IsIconic(h));
  EXPECT_FALSE(Style(h) & WS_MINIMIZE);
  EXPECT_TRUE(os.IsWindowVisible(h));
}

TEST_F(WindowsContract, HiddenWindowStaysMinimisedAndShowDoesNotRestoreIt) {
  HWND h = Create("contract hide minimised");
  SysCommand(h, SC_MINIMIZE);
  os.ShowWindow(h, SW_HIDE);
  world->Settle();
  EXPECT_FALSE(os.IsWindowVisible(h));
  EXPECT_TRUE(os.IsIconic(h));
  os.ShowWindow(h, SW_SHOW);
  world->Settle();
  EXPECT_TRUE(os.IsWindowVisible(h));
  EXPECT_TRUE(os.IsIconic(h));
  SysCommand(h, SC_RESTORE);
  EXPECT_FALSE(os.IsIconic(h));
}

// The system commands show a hidden window in their new state.
TEST_F(WindowsContract, SystemCommandsShowAHiddenWindow) {
  HWND h = Create("contract hidden command", false);
  SysCommand(h, SC_MINIMIZE);
  EXPECT_TRUE(os.IsIconic(h));
  EXPECT_TRUE(os.IsWindowVisible(h));
  os.ShowWindow(h, SW_HIDE);
  world->Settle();
  SysCommand(h, SC_RESTORE);
  EXPECT_FALSE(os.IsIconic(h));
  EXPECT_TRUE(os.IsWindowVisible(h));
}

TEST_F(WindowsContract, PostedSystemCommandsTakeEffectAfterSettling) {
  HWND h = Create("contract posted");
  ASSERT_TRUE(os.PostMessageA(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0));
  world->Settle();
  EXPECT_FALSE(os.IsIconic(h));
  EXPECT_TRUE(Style(h) & 0x01000000u);  // WS_MAXIMIZE
  ASSERT_TRUE(os.PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0));
  world->Settle();
  EXPECT_TRUE(os.IsIconic(h));
  ASSERT_TRUE(os.PostMessageA(h, WM_SYSCOMMAND, SC_RESTORE, 0));
  world->Settle();
  EXPECT_FALSE(os.IsIconic(h));
}

TEST_F(WindowsContract, ForegroundFollowsSetForegroundWindow) {
  HWND a = Create("contract fg a");
  HWND b = Create("contract fg b");
  ASSERT_TRUE(os.SetForegroundWindow(a));
  world->Settle();
  EXPECT_EQ(os.GetForegroundWindow(), a);
  ASSERT_TRUE(os.SetForegroundWindow(b));
  world->Settle();
  EXPECT_EQ(os.GetForegroundWindow(), b);
  // The foreground window is in front of the other one.
  std::vector<long> at = Positions({a, b});
  EXPECT_LT(at[1], at[0]);
}

// Activation as the window manager does it: showing a hidden window and a
// repositioning call without SWP_NOACTIVATE both activate the window.
TEST_F(WindowsContract, ShowingAHiddenWindowActivatesIt) {
  HWND h = Create("contract shown", false);
  HWND other = Create("contract other");
  ASSERT_TRUE(os.SetForegroundWindow(other));
  world->Settle();
  os.ShowWindow(h, SW_SHOW);
  world->Settle();
  EXPECT_EQ(os.GetForegroundWindow(), h);
  std::vector<long> at = Positions({h, other});
  EXPECT_LT(at[0], at[1]);
}

TEST_F(WindowsContract, RepositioningActivatesUnlessToldNotTo) {
  HWND a = Create("contract swp a");
  HWND b = Create("contract swp b");
  ASSERT_TRUE(os.SetForegroundWindow(b));
  world->Settle();
  os.SetWindowPos(a, nullptr, 0, 0, 0, 0,
                  SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  world->Settle();
  EXPECT_EQ(os.GetForegroundWindow(), b);
  os.SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  world->Settle();
  EXPECT_EQ(os.GetForegroundWindow(), a);
  std::vector<long> at = Positions({a, b});
  EXPECT_LT(at[0], at[1]);
}

// Windows also passes activation on when the active window is minimised;
// Wine 8 leaves the minimised window active, so only hiding is promised here.
TEST_F(WindowsContract, HidingTheForegroundWindowPassesActivationOn) {
  HWND a = Create("contract leave a");
  HWND b = Create("contract leave b");
  ASSERT_TRUE(os.SetForegroundWindow(b));
  world->Settle();
  os.ShowWindow(b, SW_HIDE);
  world->Settle();
  EXPECT_NE(os.GetForegroundWindow(), b);
  EXPECT_TRUE(os.IsWindow(a));
}

TEST_F(WindowsContract, WindowInfoNeedsItsSizeAndReportsTheStyles) {
  HWND h = Create("contract info", true, WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
  WINDOWINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  ASSERT_TRUE(os.GetWindowInfo(h, &info));
  EXPECT_EQ(info.dwStyle, Style(h));
  EXPECT_TRUE(info.dwExStyle & WS_EX_TOOLWINDOW);
  EXPECT_LE(info.dwWindowStatus, WS_ACTIVECAPTION);
}

// ---- text reads -------------------------------------------------------------------------

TEST_F(WindowsContract, CaptionIsCutToTheBufferAndTerminated) {
  HWND h = Create("0123456789");
  EXPECT_EQ(os.GetWindowTextLengthA(h), 10);
  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(os.GetWindowTextA(h, buffer, 5), 4);  // size - 1 bytes and the NUL
  EXPECT_STREQ(buffer, "0123");
  EXPECT_EQ(buffer[5], 'x');  // nothing written past the buffer
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(os.GetWindowTextA(h, buffer, 20), 10);
  EXPECT_STREQ(buffer, "0123456789");
  EXPECT_EQ(os.GetWindowTextA(h, buffer, 11), 10);  // exactly fits with its NUL
  EXPECT_STREQ(buffer, "0123456789");
}

// Double-byte captions ("あい" in code page 932) arrive as their bytes.
TEST_F(WindowsContract, DoubleByteCaptionArrivesAsItsBytes) {
  if (!os.IsDBCSLeadByte(0x82)) GTEST_SKIP() << "needs code page 932";
  const std::string caption = "\x82\xA0\x82\xA2 memo";
  HWND h = Create(caption);
  EXPECT_EQ(os.GetWindowTextLengthA(h), static_cast<int>(caption.size()));
  char buffer[32];
  EXPECT_EQ(os.GetWindowTextA(h, buffer, sizeof buffer), static_cast<int>(caption.size()));
  EXPECT_EQ(std::string(buffer), caption);
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(os.GetWindowTextA(h, buffer, 5), 4);
  EXPECT_EQ(std::string(buffer), caption.substr(0, 4));
  EXPECT_EQ(os.GetWindowTextU8(h), "\xE3\x81\x82\xE3\x81\x84 memo");
  // A cut never leaves half a character behind.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(os.GetWindowTextA(h, buffer, 4), 2);
  EXPECT_EQ(std::string(buffer), caption.substr(0, 2));
}

TEST_F(WindowsContract, EmptyCaptionReadsAsEmpty) {
  HWND h = Create("");
  EXPECT_EQ(os.GetWindowTextLengthA(h), 0);
  char buffer[8] = "junk";
  EXPECT_EQ(os.GetWindowTextA(h, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(WindowsContract, ClassNameIsCutToTheBufferAndTerminated) {
  HWND h = world->CreateTopLevel("contract class", "MorimoContractClassName", true);
  char buffer[64];
  EXPECT_EQ(os.GetClassNameA(h, buffer, sizeof buffer), 23);
  EXPECT_STREQ(buffer, "MorimoContractClassName");
  EXPECT_EQ(os.GetClassNameA(h, buffer, 7), 6);
  EXPECT_STREQ(buffer, "Morimo");
}

TEST_F(WindowsContract, LongestClassNameArrivesWholeOnlyWithRoomForItsNul) {
  const std::string name = "M" + std::string(254, 'c');  // 255 characters, the longest
  HWND h = world->CreateTopLevel("contract long class", name, true);
  ASSERT_NE(h, nullptr);
  char buffer[257];
  EXPECT_EQ(os.GetClassNameA(h, buffer, 256), 255);
  EXPECT_EQ(std::string(buffer), name);
  EXPECT_EQ(os.GetClassNameA(h, buffer, 255), 254);
  EXPECT_EQ(std::string(buffer), name.substr(0, 254));
}

// ---- style words ---------------------------------------------------------------------------

TEST_F(WindowsContract, StyleSettersReturnThePreviousWord) {
  HWND h = Create("contract styles");
  const DWORD style = Style(h);
  const DWORD ex = ExStyle(h);
  EXPECT_EQ(static_cast<DWORD>(os.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex | WS_EX_TOOLWINDOW))),
            ex);
  EXPECT_TRUE(ExStyle(h) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(static_cast<DWORD>(os.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex))),
            ex | WS_EX_TOOLWINDOW);
  EXPECT_FALSE(ExStyle(h) & WS_EX_TOOLWINDOW);
  const DWORD noCaption = style & ~WS_CAPTION;
  EXPECT_EQ(static_cast<DWORD>(os.SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(noCaption))),
            style);
  EXPECT_EQ(Style(h) & WS_CAPTION, 0u);
  os.SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(style));
  os.SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  world->Settle();
  EXPECT_EQ(Style(h) & WS_CAPTION, WS_CAPTION);
}

TEST_F(WindowsContract, StyleWordCannotChangeTheTopmostState) {
  HWND h = Create("contract topmost word");
  const DWORD ex = ExStyle(h);
  os.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex | WS_EX_TOPMOST));
  EXPECT_FALSE(ExStyle(h) & WS_EX_TOPMOST);
  ASSERT_TRUE(os.SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  world->Settle();
  os.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex & ~WS_EX_TOPMOST));
  EXPECT_TRUE(ExStyle(h) & WS_EX_TOPMOST);
  os.SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

TEST_F(WindowsContract, LayeredBitComesAndGoesWithTheExtendedStyle) {
  HWND h = Create("contract layered bit");
  const DWORD ex = ExStyle(h);
  ASSERT_FALSE(ex & WS_EX_LAYERED);
  os.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex | WS_EX_LAYERED));
  EXPECT_TRUE(ExStyle(h) & WS_EX_LAYERED);
  os.SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex));
  EXPECT_FALSE(ExStyle(h) & WS_EX_LAYERED);
}

// ---- windows that are gone ------------------------------------------------------------------

TEST_F(WindowsContract, DestroyedWindowIsGoneForEveryQuery) {
  HWND h = Create("contract destroyed");
  world->Destroy(h);
  world->Settle();
  EXPECT_FALSE(os.IsWindow(h));
  EXPECT_FALSE(os.IsWindowVisible(h));
  char buffer[16] = "junk";
  EXPECT_EQ(os.GetWindowTextA(h, buffer, sizeof buffer), 0);
  EXPECT_EQ(os.GetClassNameA(h, buffer, sizeof buffer), 0);
  EXPECT_EQ(os.GetWindowLongA(h, GWL_STYLE), 0);
  EXPECT_EQ(os.SetWindowLongA(h, GWL_EXSTYLE, 0), 0);
  EXPECT_FALSE(os.PostMessageA(h, WM_CLOSE, 0, 0));
  DWORD_PTR result = 0;
  EXPECT_FALSE(os.SendMessageTimeoutA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_ABORTIFHUNG, 100,
                                      &result));
  std::vector<HWND> all = Enumerate();
  EXPECT_EQ(std::count(all.begin(), all.end(), h), 0);
}

TEST_F(WindowsContract, PostedCloseEndsAnOrdinaryWindow) {
  HWND h = Create("contract close me");
  HWND other = Create("contract stays");
  ASSERT_TRUE(os.PostMessageA(h, WM_CLOSE, 0, 0));
  world->Settle();
  EXPECT_FALSE(os.IsWindow(h));
  EXPECT_TRUE(os.IsWindow(other));
}

TEST_F(WindowsContract, ProcessIdsTellOurWindowsFromOthers) {
  HWND h = Create("contract process");
  DWORD pid = 0;
  EXPECT_NE(os.GetWindowThreadProcessId(h, &pid), 0u);
  EXPECT_NE(pid, 0u);
  EXPECT_NE(os.GetCurrentProcessId(), 0u);
}

TEST_F(WindowsContract, RegisteredMessagesAreSharedByName) {
  UINT a = os.RegisterWindowMessageA("MorimoContractMessage");
  UINT b = os.RegisterWindowMessageA("MorimoContractMessage");
  UINT c = os.RegisterWindowMessageA("MorimoContractOther");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(os.RegisterWindowMessageA("TaskbarCreated"), os.RegisterWindowMessageA("TaskbarCreated"));
}

// What the keeper asks to tell a program running with more rights than
// ours: our own level is known, and a process that is gone has none.
TEST_F(WindowsContract, OurIntegrityLevelIsKnownAndAGoneProcessHasNone) {
  const int own = world->os().ProcessIntegrityLevel(world->os().GetCurrentProcessId());
  EXPECT_GE(own, 0x1000);
  EXPECT_EQ(world->os().ProcessIntegrityLevel(0x7FFFFFF0u), -1);
  HWND window = world->CreateTopLevel("Integrity", "MoriMoContractIntegrity", true);
  DWORD processId = 0;
  world->os().GetWindowThreadProcessId(window, &processId);
  // A program started as we are runs at our level, not above it.
  EXPECT_LE(world->os().ProcessIntegrityLevel(processId), own);
  world->Destroy(window);
}

}  // namespace
}  // namespace mm::contract
