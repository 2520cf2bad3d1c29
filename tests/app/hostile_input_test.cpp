// What other programs and damaged files can throw at the whole manager:
// random settings and recovery files at start-up, messages of every kind
// from another program, huge and restless captions, windows that go while
// they are being taken, and many windows. Nothing may crash, hang or leave
// a window we changed behind. MORIMO_HOSTILE_ROUNDS sets the rounds for a
// long run (the suite's default is small).
#include <cstdlib>
#include <random>

#include "res/resource.h"
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

int Rounds(int byDefault) {
  const char* rounds = std::getenv("MORIMO_HOSTILE_ROUNDS");
  return rounds != nullptr ? std::atoi(rounds) : byDefault;
}

class HostileInputTest : public AppWorld {
 protected:
  std::string RandomSettings(std::mt19937& rng) {
    static const char* const keys[] = {
        "DisplayWidthStartup", "ShowTopMost", "RealyHideOnHidden", "TimerPeriod",
        "ShowOnlyHidden", "UseCaption", "UseClassname", "CaptionMatchType", "Caption",
        "ClassName", "HideIfIconized", "AlphaPercent", "AlphaPercentBG", "UseTrayIcon",
        "ShowIconOnlyHidden", "ShowTopMost", "HideOnStartup", "CloseOnStartup", "TitleStyle",
        "DisableTitleStyleChanging"};
    static const char* const values[] = {"0", "1", "-1", "2", "3", "7", "100", "-50", "250",
                                         "2147483647", "App", "", "Ap", "\x83\x65\x83\x58",
                                         "\x95\x5C", "MoriMo", "Target"};
    std::string text = "[General]\r\nTraySpec_Count=" + std::to_string(rng() % 6) + "\r\n";
    for (int section = 0; section < 5; ++section) {
      text += "[TraySpec_000" + std::to_string(section) + "]\r\n";
      for (int line = static_cast<int>(rng() % 12); line > 0; --line) {
        text += std::string(keys[rng() % std::size(keys)]) + "=" +
                values[rng() % std::size(values)] + "\r\n";
      }
      if (rng() % 8 == 0) {
        for (int n = static_cast<int>(rng() % 30); n > 0; --n) text += static_cast<char>(rng());
      }
    }
    return text;
  }

  std::string RandomRecovery(std::mt19937& rng, const std::vector<HWND>& windows) {
    std::string bytes;
    for (int n = static_cast<int>(rng() % 12); n > 0; --n) {
      DWORD record = static_cast<DWORD>(rng());
      if (rng() % 2 == 0) record = HandleToRecord(windows[rng() % windows.size()]);
      for (int b = 0; b < 4; ++b) bytes += static_cast<char>(record >> (8 * b));
    }
    if (rng() % 4 == 0) bytes += static_cast<char>(rng());  // a short tail
    return bytes;
  }

  void WriteHost(const std::string& windowsPath, const std::string& bytes) {
    ASSERT_TRUE(desk.WriteFileBytes(windowsPath, bytes));
  }
};

TEST_F(HostileInputTest, RandomSettingsAndRecoveryFilesNeverHurtTheManager) {
  std::mt19937 rng(13);
  std::vector<HWND> windows;
  for (const char* caption : {"App one", "App two", "Ap", "MoriMo", "\x83\x65\x83\x58 tool"}) {
    windows.push_back(AddWindow(caption, rng() % 2 == 0, rng() % 2 ? "Target" : "Other"));
  }
  Start();  // makes the data folder
  app->ExitInstance();
  app.reset();
  const int rounds = Rounds(200);
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteHost(SettingsFilePath(), RandomSettings(rng));
    WriteHost(HwndsFilePath(), RandomRecovery(rng, windows));
    app = std::make_unique<CMorimoApp>();
    ASSERT_TRUE(app->InitInstance());
    dlg = app->Manager();
    for (int t = 0; t < 3; ++t) desk.AdvanceTime(600);
    desk.QueueMessageBoxAnswer(IDYES);
    ASSERT_TRUE(desk.ClickButton(dlg->Hwnd(), IDC_BUTTON_EXIT));
    ASSERT_TRUE(desk.QuitPosted());
    app->ExitInstance();
    app.reset();
    // Everything we took is given back (a window the settings hid with
    // its icon off stays as its rule wants: that is a rule, not damage).
    ASSERT_FALSE(RecoveryFileExists());
    ASSERT_EQ(desk.DroppedExceptions(), 0);
    ASSERT_TRUE(desk.TrayIcons().empty());
  }
}

TEST_F(HostileInputTest, AnotherProgramsMessagesOfEveryKindChangeNothingHarmful) {
  AddRule("App");
  Start();
  HWND app1 = AddWindow("App one");
  Tick();
  ASSERT_NE(Managed(app1), nullptr);
  std::mt19937 rng(17);
  const UINT registered[] = {dlg->TaskbarCreatedMessage(),
                             desk.RegisterWindowMessageA(kShowManagerMessage)};
  const UINT kinds[] = {WMA_WINDOW_DESTROYED, WMA_TRAYICON_NOTIFY, WMA_TRAYSPEC_DELETED,
                        WM_COMMAND,           WM_NOTIFY,           WM_SYSCOMMAND,
                        WM_TIMER,             WM_ENDSESSION,       WM_USER + 1};
  auto param = [&]() -> std::uintptr_t {
    switch (rng() % 4) {
      case 0: return rng() % 64;
      case 1: return static_cast<std::uintptr_t>(Managed(app1)->Id());
      case 2: return reinterpret_cast<std::uintptr_t>(app1);
      default: return (static_cast<std::uintptr_t>(rng()) << 32) | rng();
    }
  };
  const int rounds = Rounds(200) * 10;
  for (int i = 0; i < rounds; ++i) {
    UINT msg = kinds[rng() % std::size(kinds)];
    if (rng() % 8 == 0) msg = registered[rng() % 2];
    // WM_NOTIFY and the system's own commands are never posted by the system
    // with pointers in them; another program can only send them.
    if (msg == WM_ENDSESSION) continue;  // it would end our session for real
    WPARAM w = param();
    LPARAM l = static_cast<LPARAM>(param());
    if (msg == WM_SYSCOMMAND) w = SC_CLOSE;  // the ones that end dialogs
    if (rng() % 2 == 0) {
      desk.SendFromOtherProgram(dlg->Hwnd(), msg, w, l);
    } else if (msg != WM_NOTIFY) {
      desk.PostMessageA(dlg->Hwnd(), msg, w, l);
    }
    if (i % 50 == 0) Tick();
  }
  desk.Pump();
  EXPECT_EQ(desk.DroppedExceptions(), 0);
  // Still at work, and still able to let its window go.
  HWND app2 = AddWindow("App two");
  Tick();
  EXPECT_NE(Managed(app2), nullptr);
  EXPECT_NE(Managed(app1), nullptr);
}

TEST_F(HostileInputTest, HugeAndRestlessCaptions) {
  CTrayWndSpec& rule = AddRule("needle");
  rule.CaptionMatchType = CaptionMatch::Contains;
  Start();
  HWND huge = AddWindow(std::string(1 << 20, 'x') + "needle");
  HWND restless = AddWindow("haystack");
  Tick();
  ASSERT_NE(Managed(huge), nullptr);
  // The tip is cut to what the shell's tip holds, "..." included.
  EXPECT_EQ(desk.FindTrayIcon(dlg->Hwnd(), Managed(huge)->Id())->tip, std::string(124, 'x') + "...");
  // A caption that changes every millisecond, in and out of the rule.
  for (int ms = 0; ms < 5000; ++ms) {
    desk.SetCaption(restless, ms % 3 == 0 ? "haystack" : "a needle " + std::to_string(ms));
    desk.AdvanceTime(1);
  }
  Tick();
  EXPECT_EQ(desk.DroppedExceptions(), 0);
  EXPECT_TRUE(desk.IsWindowVisible(restless));
  EXPECT_LE(ui::ListViewItemCount(List()), 2);
}

TEST_F(HostileInputTest, WindowsThatGoWhileTheyAreTakenAreLetGo) {
  AddRule("Short");
  Start();
  for (int i = 0; i < 20; ++i) {
    HWND w = AddWindow("Short-lived " + std::to_string(i));
    // Gone while it is asked for its icon, in the middle of being taken.
    desk.WhileAnswering(w, WM_GETICON, [&, w] { desk.CloseWindow(w); });
  }
  Tick();
  Tick();
  EXPECT_EQ(dlg->ManagedWindows().size(), 1u);  // the manager's own
  EXPECT_TRUE(ListTexts().empty());
  EXPECT_EQ(RecoveryFile(), std::vector<HWND>{dlg->Hwnd()});
  EXPECT_EQ(desk.DroppedExceptions(), 0);
}

// A damaged or careless rule that matches our own title ("MoriMo" is the
// title of the exit question too) must not take our dialogs: closed, the
// exit question answered itself and the exit never happened; hidden, it
// left the manager waiting on a box nobody could see.
TEST_F(HostileInputTest, RulesNeverTakeOurOwnDialogs) {
  AddRule("Morimo").CloseOnStartup = 1;  // the about box's title begins so
  Start();
  bool taken = true, open = false;
  desk.QueueModalScript([&](HWND dialog) {
    Tick();
    Tick();
    taken = Managed(dialog) != nullptr;
    open = desk.IsWindowVisible(dialog) != 0;
    desk.PressEnter(dialog);
  });
  desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  EXPECT_FALSE(taken);
  EXPECT_TRUE(open);
  EXPECT_EQ(dlg->ManagedWindows().size(), 1u);  // the manager's own
}

TEST_F(HostileInputTest, FiveThousandWindows) {
  AddRule("Window 4");
  Start();
  for (int i = 0; i < 5000; ++i) AddWindow("Window " + std::to_string(i));
  Tick();
  // 4, 40 to 49, 400 to 499, 4000 to 4999.
  EXPECT_EQ(dlg->ManagedWindows().size(), 1u + 1 + 10 + 100 + 1000);
  Tick();
  EXPECT_EQ(ui::ListViewItemCount(List()), 1111);
}

}  // namespace
}  // namespace mm::testing
