// Windows of programs that run as administrator: listed and said, never
// changed half-way; the hotkey says no. (The restart that reaches them is
// a main-menu command: menu_test.cpp.)
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
  const std::string words = "（管理者として実行中）";
  EXPECT_EQ(desk.ListViewCellUtf8(List(), ListIndexOf(admin), 0), "Admin console" + words);
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

}  // namespace
}  // namespace mm::testing
