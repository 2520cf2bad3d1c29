// Windows of programs that run as administrator, and the restart that
// reaches them: listed and said, never changed half-way; the hotkey says
// no; the restart hands every window over or, declined, changes nothing.
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

constexpr DWORD kAdminProcess = 4001;

class ElevatedTest : public AppWorld {
 protected:
  HWND AddAdminWindow(const std::string& caption) {
    desk.SetProcessElevated(kAdminProcess, true);
    sim::WindowSpec spec;
    spec.caption = caption;
    spec.className = "Target";
    spec.processId = kAdminProcess;
    return desk.AddWindow(spec);
  }

  int Balloons() {
    int count = 0;
    for (const auto& call : desk.TrayCalls()) {
      if ((call.flags & NIF_INFO) != 0 && call.succeeded) ++count;
    }
    return count;
  }

  bool MainMenuHas(UINT id) {
    desk.QueueMenuChoice(0);
    desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_RBUTTONUP);
    desk.Pump();
    for (const auto& item : desk.TrackedMenus().back().items) {
      if (item.id == id) return true;
    }
    return false;
  }
};

TEST_F(ElevatedTest, AnAdministratorsWindowIsListedAndSaidButNeverChanged) {
  CTrayWndSpec& rule = AddRule("Admin");
  rule.AlphaPercent = 50;
  rule.AlphaPercentBG = 50;
  rule.TitleStyle = TitleStyleCode::NoTitle;
  rule.HideOnStartup = 1;
  Start();
  HWND admin = AddAdminWindow("Admin console");
  const LONG style = desk.GetWindowLongA(admin, GWL_STYLE);
  const LONG exStyle = desk.GetWindowLongA(admin, GWL_EXSTYLE);
  Tick();
  const CTrayWnd* managed = Managed(admin);
  ASSERT_NE(managed, nullptr);
  const std::string words = desk.Utf8ToAnsi("（管理者として実行中）");
  EXPECT_EQ(desk.ListViewGetItemText(List(), ListIndexOf(admin)), "Admin console" + words);
  EXPECT_EQ(desk.FindTrayIcon(dlg->Hwnd(), managed->Id())->tip, "Admin console" + words);
  EXPECT_EQ(Balloons(), 1);

  desk.QueueMenuChoice(ID_MENU_HIDE);
  desk.MouseOnTrayIcon(dlg->Hwnd(), managed->Id(), WM_RBUTTONUP);
  desk.Pump();
  desk.UserMinimize(admin);
  Tick();
  EXPECT_TRUE(desk.IsWindowVisible(admin));
  EXPECT_EQ(desk.GetWindowLongA(admin, GWL_STYLE) & ~(WS_MINIMIZE | WS_VISIBLE),
            style & ~(WS_MINIMIZE | WS_VISIBLE));
  EXPECT_EQ(desk.GetWindowLongA(admin, GWL_EXSTYLE), exStyle);

  AddAdminWindow("Admin tools");
  Tick();
  EXPECT_EQ(Balloons(), 1) << "once a session";
}

TEST_F(ElevatedTest, TheHotkeySaysNoToAnAdministratorsWindow) {
  Start();
  HWND admin = AddAdminWindow("Admin console");
  desk.UserActivate(admin);
  ASSERT_TRUE(desk.PressHotKey(MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_DOWN));
  EXPECT_EQ(Managed(admin), nullptr);
  EXPECT_TRUE(desk.IsWindowVisible(admin));
  EXPECT_EQ(Balloons(), 1);
}

TEST_F(ElevatedTest, TheRestartHandsEveryWindowOverOrDeclinedChangesNothing) {
  AddRule("Notes");
  Start();
  HWND notes = AddWindow("Notes");
  Tick();
  desk.UserMinimize(notes);
  Tick();
  ASSERT_FALSE(desk.IsWindowVisible(notes));
  ASSERT_TRUE(MainMenuHas(ID_MENU_RESTART_ELEVATED));

  desk.DeclineElevation(true);
  desk.PostMessageA(dlg->Hwnd(), WM_COMMAND, ID_MENU_RESTART_ELEVATED, 0);
  desk.Pump();
  EXPECT_FALSE(desk.QuitPosted());
  EXPECT_NE(Managed(notes), nullptr);
  EXPECT_TRUE(desk.MessageBoxes().empty()) << "a No needs no message";

  desk.DeclineElevation(false);
  desk.PostMessageA(dlg->Hwnd(), WM_COMMAND, ID_MENU_RESTART_ELEVATED, 0);
  desk.Pump();
  ASSERT_EQ(desk.ElevatedStarts().size(), 2u);
  EXPECT_NE(desk.ElevatedStarts().back().find("morimo.exe /handover"), std::string::npos);
  EXPECT_TRUE(desk.QuitPosted());
  EXPECT_TRUE(desk.IsWindowVisible(notes)) << "given back before the new copy takes it";
  app->ExitInstance();
  app.reset();

  // The new copy, elevated, waits for the old one and takes the windows.
  desk.SetOurselvesElevated(true);
  app = std::make_unique<CMorimoApp>(/*handover=*/true);
  ASSERT_TRUE(app->InitInstance());
  dlg = app->Manager();
  desk.UserMinimize(notes);
  Tick();
  EXPECT_NE(Managed(notes), nullptr);
  EXPECT_FALSE(MainMenuHas(ID_MENU_RESTART_ELEVATED)) << "already administrator";
}

// The logon list: ticked only while it starts this very program file;
// a value left by a copy that was moved shows unticked and is rewritten.
TEST_F(ElevatedTest, StartWithWindowsNamesThisProgramFileAndNothingElse) {
  Start();
  auto ticked = [&] {
    desk.QueueMenuChoice(0);
    desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_RBUTTONUP);
    desk.Pump();
    for (const auto& item : desk.TrackedMenus().back().items) {
      if (item.id == ID_MENU_START_WITH_WINDOWS) return (item.flags & MF_CHECKED) != 0;
    }
    return false;
  };
  auto choose = [&] {
    desk.PostMessageA(dlg->Hwnd(), WM_COMMAND, ID_MENU_START_WITH_WINDOWS, 0);
    desk.Pump();
  };
  const std::string own = "\"C:\\Program Files\\MoriMo\\morimo.exe\"";
  std::string value;
  EXPECT_FALSE(ticked());
  choose();
  ASSERT_TRUE(desk.GetRunValueU8("MoriMo", &value));
  EXPECT_EQ(value, own);
  EXPECT_TRUE(ticked());
  desk.SetRunValueU8("MoriMo", "\"D:\\Old\\morimo.exe\"");
  EXPECT_FALSE(ticked());
  choose();
  ASSERT_TRUE(desk.GetRunValueU8("MoriMo", &value));
  EXPECT_EQ(value, own);
  choose();
  EXPECT_FALSE(desk.GetRunValueU8("MoriMo", &value));
}

}  // namespace
}  // namespace mm::testing
