// The exit question, the teardown and the clean-up after the loop.
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

class ExitTest : public AppWorld {
 protected:
  void StartWithHiddenWindows() {
    AddRule("Shown");
    CTrayWndSpec& silent = AddRule("Silent");
    silent.UseTrayIcon = 0;  // hidden without an icon
    Start();
    shown = AddWindow("Shown window");
    silent1 = AddWindow("Silent window");
    Tick();
    desk.UserMinimize(shown);
    desk.UserMinimize(silent1);
    Tick();
    ASSERT_FALSE(desk.IsWindowVisible(shown));
    ASSERT_FALSE(desk.IsWindowVisible(silent1));
  }

  bool ClickExit() { return desk.ClickButton(dlg->Hwnd(), IDC_BUTTON_EXIT); }

  HWND shown = nullptr;
  HWND silent1 = nullptr;
};

TEST_F(ExitTest, NoLeavesEverythingRunning) {
  StartWithHiddenWindows();
  const auto icons = desk.TrayIcons().size();
  desk.QueueMessageBoxAnswer(IDNO);
  ASSERT_TRUE(ClickExit());

  ASSERT_EQ(desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(desk.MessageBoxes()[0].textUtf8, "MoriMoを終了しますか？");
  EXPECT_EQ(desk.MessageBoxes()[0].type & 0xF, MB_YESNO);
  EXPECT_FALSE(desk.QuitPosted());
  EXPECT_EQ(dlg->ManagedWindows().size(), 3u);
  EXPECT_EQ(desk.TrayIcons().size(), icons);
  EXPECT_FALSE(desk.IsWindowVisible(shown));
  EXPECT_TRUE(RecoveryFileExists());
  EXPECT_TRUE(desk.TimerActive(dlg->Hwnd(), CMorimoDlg::kScanTimerId));
  HWND later = AddWindow("Shown later");
  Tick();
  EXPECT_NE(Managed(later), nullptr);
}

TEST_F(ExitTest, YesGivesWindowsBackSavesAndQuits) {
  StartWithHiddenWindows();
  // Changed without a handler of its own: reaches the file at exit.
  ASSERT_TRUE(desk.ClickButton(dlg->Hwnd(), IDC_CHECK_SHOW_AT_STARTUP));
  ASSERT_TRUE(desk.ClickButton(dlg->Hwnd(), IDC_CHECK_TOPMOST));
  desk.QueueMessageBoxAnswer(IDYES);
  ASSERT_TRUE(ClickExit());

  EXPECT_TRUE(desk.QuitPosted());
  EXPECT_EQ(desk.QuitCode(), 0);
  // Every window we hid is back, with or without an icon: none is left
  // where the user cannot reach it.
  EXPECT_TRUE(desk.IsWindowVisible(shown));
  EXPECT_TRUE(desk.IsWindowVisible(silent1));
  EXPECT_TRUE(desk.TrayIcons().empty());
  EXPECT_FALSE(RecoveryFileExists());
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
  EXPECT_FALSE(desk.TimerActive(dlg->Hwnd(), CMorimoDlg::kScanTimerId));
  EXPECT_TRUE(dlg->ManagedWindows().empty());
  EXPECT_TRUE(dlg->Rules().empty());
  EXPECT_EQ(dlg->Self(), nullptr);

  TraySpecList saved;
  GeneralSettings read = ReadSettings(&saved);
  EXPECT_EQ(read.DisplayWidthStartup, 1);
  EXPECT_EQ(read.ShowTopMost, 1);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved.front()->Caption, "Shown");

  // Nothing more happens before the loop ends; the window goes with the
  // manager after it.
  HWND late = AddWindow("Shown too late");
  Tick();
  EXPECT_EQ(Managed(late), nullptr);
  EXPECT_FALSE(RecoveryFileExists());
  HWND manager = dlg->Hwnd();
  EXPECT_TRUE(desk.IsWindow(manager));
  EXPECT_EQ(app->ExitInstance(), 0);
  EXPECT_EQ(app->Manager(), nullptr);
  EXPECT_FALSE(desk.IsWindow(manager));
  // The list view's picture list had one owner and went once.
  EXPECT_EQ(desk.InvalidImageListDestroys(), 0);
  EXPECT_FALSE(desk.MutexHeld(CMorimoApp::kInstanceMutex));
}

TEST_F(ExitTest, ASecondCopyShowsTheFirstAndEndsWithoutTouchingAnything) {
  StartWithHiddenWindows();
  ASSERT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
  std::string settingsBefore, recoveryBefore;
  ASSERT_TRUE(desk.ReadFileBytes(SettingsFilePath(), &settingsBefore));
  ASSERT_TRUE(desk.ReadFileBytes(HwndsFilePath(), &recoveryBefore));
  const auto icons = desk.TrayIcons().size();

  CMorimoApp second;
  EXPECT_FALSE(second.InitInstance());
  EXPECT_EQ(second.Manager(), nullptr);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));  // the first copy's manager, shown
  EXPECT_EQ(second.ExitInstance(), 0);
  std::string settingsAfter, recoveryAfter;
  ASSERT_TRUE(desk.ReadFileBytes(SettingsFilePath(), &settingsAfter));
  ASSERT_TRUE(desk.ReadFileBytes(HwndsFilePath(), &recoveryAfter));
  EXPECT_EQ(settingsAfter, settingsBefore);
  EXPECT_EQ(recoveryAfter, recoveryBefore);
  EXPECT_EQ(desk.TrayIcons().size(), icons);
  // The first copy still holds the name; after it ends a new one may start.
  EXPECT_TRUE(desk.MutexHeld(CMorimoApp::kInstanceMutex));
  app.reset();
  CMorimoApp third;
  EXPECT_TRUE(third.InitInstance());
  third.ExitInstance();
}

TEST_F(ExitTest, ASecondCopyBelowAnAdministratorCopyEndsToo) {
  desk.HoldMutexAtHigherPrivilege(CMorimoApp::kInstanceMutex);
  CMorimoApp second;
  EXPECT_FALSE(second.InitInstance());
  EXPECT_EQ(second.Manager(), nullptr);
  EXPECT_EQ(second.ExitInstance(), 0);
}

TEST_F(ExitTest, FirstClickOnTheIconShowsAManagerStartedInvisible) {
  settings.DisplayWidthStartup = 0;  // not hidden at start, just never shown
  Start();
  ASSERT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
  Tick();
  desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_LBUTTONDOWN);
  EXPECT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
  EXPECT_EQ(dlg->Self()->Hidden, 0);
}

TEST_F(ExitTest, EscapeCloseBoxAndHideButtonOnlyHideTheManager) {
  Start();
  const CTrayWnd* self = dlg->Self();
  desk.MouseOnTrayIcon(dlg->Hwnd(), self->Id(), WM_LBUTTONDOWN);
  ASSERT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));

  desk.PressEscape(dlg->Hwnd());
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
  EXPECT_EQ(self->Hidden, 1);
  EXPECT_TRUE(HasIcon(self));

  desk.MouseOnTrayIcon(dlg->Hwnd(), self->Id(), WM_LBUTTONDOWN);
  ASSERT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
  desk.PressCloseBox(dlg->Hwnd());
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));

  desk.MouseOnTrayIcon(dlg->Hwnd(), self->Id(), WM_LBUTTONDOWN);
  ASSERT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
  desk.PressEnter(dlg->Hwnd());  // the default button: hide
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));

  EXPECT_FALSE(desk.QuitPosted());
  EXPECT_TRUE(desk.MessageBoxes().empty());
}

TEST_F(ExitTest, LeftOverWindowsAreGivenBackWhenTheLoopEndsAnotherWay) {
  AddRule("Shown");
  Start();
  HWND w = AddWindow("Shown window");
  Tick();
  desk.UserMinimize(w);
  Tick();
  ASSERT_FALSE(desk.IsWindowVisible(w));
  EXPECT_EQ(app->ExitInstance(), 0);
  EXPECT_TRUE(desk.IsWindowVisible(w));
  EXPECT_TRUE(desk.TrayIcons().empty());
  EXPECT_TRUE(RecoveryFileExists());  // no orderly exit: the list stays
}

}  // namespace
}  // namespace mm::testing
