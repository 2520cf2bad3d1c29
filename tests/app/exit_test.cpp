// The exit question, the teardown and the clean-up after the loop.
#include <algorithm>
#include <map>

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

  // The recovery files as a kill now would leave them.
  std::map<std::string, std::string> FilesNow() {
    std::map<std::string, std::string> files;
    for (const std::string& path : {HwndsFilePath(), HwndsFilePath() + ".looks"}) {
      if (!desk.ReadFileBytes(path, &files[path])) files.erase(path);
    }
    return files;
  }

  // The next run's start on the files a killed run left.
  void RestartOn(const std::map<std::string, std::string>& files) {
    for (const std::string& path : {HwndsFilePath(), HwndsFilePath() + ".looks"}) {
      desk.DeleteFileA(path);
    }
    for (const auto& [path, bytes] : files) ASSERT_TRUE(desk.WriteFileBytes(path, bytes));
    Start();
    Tick();
  }

  bool Opaque(HWND window) {
    BYTE alpha = 0;
    COLORREF key = 0;
    DWORD flags = 0;
    return (desk.GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0 ||
           !desk.GetLayeredWindowAttributes(window, &key, &alpha, &flags) || alpha == 255;
  }

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
  EXPECT_TRUE(desk.TimerActive(dlg->Hwnd(), CWindowKeeper::kScanTimerId));
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
  EXPECT_FALSE(desk.TimerActive(dlg->Hwnd(), CWindowKeeper::kScanTimerId));
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

// Five windows of a program that has just hung: their programs are asked
// once, all together, instead of each question waiting its bound in turn;
// every window comes back once the program runs again.
TEST_F(ExitTest, AnExitWithWindowsOfAHungProgramAsksItOnceForAll) {
  CTrayWndSpec& rule = AddRule("Busy");
  rule.AlphaPercent = rule.AlphaPercentBG = 50;
  Start();
  std::vector<HWND> busy;
  for (int i = 0; i < 5; ++i) busy.push_back(AddWindow("Busy " + std::to_string(i)));
  Tick();
  for (HWND w : busy) desk.UserMinimize(w);
  Tick();
  for (HWND w : busy) {
    ASSERT_FALSE(desk.IsWindowVisible(w));
    desk.SetHung(w, true);
  }
  desk.ClearHistory();
  desk.QueueMessageBoxAnswer(IDYES);
  ASSERT_TRUE(ClickExit());
  int questions = 0;
  for (const auto& record : desk.History()) {
    if (std::find(busy.begin(), busy.end(), record.hWnd) == busy.end() || record.posted) continue;
    EXPECT_EQ(record.msg, static_cast<UINT>(WM_NULL)) << "a question that waited, one of many";
    ++questions;
  }
  EXPECT_EQ(questions, 5);
  EXPECT_TRUE(desk.TrayIcons().empty());
  for (HWND w : busy) desk.SetHung(w, false);
  desk.Pump();
  for (HWND w : busy) {
    EXPECT_TRUE(desk.IsWindowVisible(w));
    EXPECT_FALSE(desk.IsIconic(w));
    EXPECT_TRUE(Opaque(w));
  }
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


// Killed, the program leaves a window at 0 % and another without its title
// bar as they are. The next run, started on the files the killed one left,
// must give back the looks the windows had before either run touched them,
// not take what it finds for the windows' own.
TEST_F(ExitTest, AfterAKillTheNextRunGivesBackTheLooksTheKilledRunFound) {
  CTrayWndSpec& clear = AddRule("Clear");
  clear.AlphaPercent = 0;
  clear.AlphaPercentBG = 0;
  AddRule("Titled");
  Start();
  HWND glass = AddWindow("Clear window");
  HWND titled = AddWindow("Titled window");
  Tick();
  desk.QueueMenuChoice(ID_MENU_TITLE_NONE);
  desk.MouseOnTrayIcon(dlg->Hwnd(), Managed(titled)->Id(), WM_RBUTTONUP);
  desk.Pump();
  ASSERT_EQ(desk.GetWindowLongA(titled, GWL_STYLE) & WS_CAPTION, 0);
  const LONG glassExStyle = desk.GetWindowLongA(glass, GWL_EXSTYLE);
  const LONG titledStyle = desk.GetWindowLongA(titled, GWL_STYLE);

  // The kill: the windows stay as the run left them, and so do its files.
  const auto files = FilesNow();
  app.reset();
  desk.SetWindowLongA(glass, GWL_EXSTYLE, glassExStyle);
  desk.SetLayeredWindowAttributes(glass, 0, 0, LWA_ALPHA);
  desk.SetWindowLongA(titled, GWL_STYLE, titledStyle);

  RestartOn(files);
  ASSERT_NE(Managed(glass), nullptr);
  ASSERT_NE(Managed(titled), nullptr);
  EXPECT_EQ(desk.GetWindowLongA(titled, GWL_STYLE) & WS_CAPTION, WS_CAPTION)
      << "the rule gives it its own title bar";
  desk.QueueMessageBoxAnswer(IDYES);
  ASSERT_TRUE(ClickExit());

  EXPECT_TRUE(Opaque(glass));
  EXPECT_EQ(desk.GetWindowLongA(titled, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
}

// Killed in the middle of an adoption, once the rule has made the window
// transparent: the files must already tell the next run it was opaque.
TEST_F(ExitTest, AKillInTheMiddleOfAnAdoptionLeavesTheLooksFoundOnDisk) {
  CTrayWndSpec& clear = AddRule("Clear");
  clear.AlphaPercent = 0;
  clear.AlphaPercentBG = 0;
  Start();
  sim::WindowSpec spec;
  spec.caption = "Clear window";
  spec.className = "Target";
  spec.minimized = true;  // restored when taken: a wait on its program
  HWND glass = desk.AddWindow(spec);
  std::map<std::string, std::string> files;
  LONG exStyle = 0;
  desk.WhileAnswering(glass, WM_SYSCOMMAND, [&] {
    files = FilesNow();
    exStyle = desk.GetWindowLongA(glass, GWL_EXSTYLE);
  });
  Tick();
  ASSERT_NE(exStyle & WS_EX_LAYERED, 0) << "the kill comes after the rule's change";

  app.reset();
  desk.SetWindowLongA(glass, GWL_EXSTYLE, exStyle);
  desk.SetLayeredWindowAttributes(glass, 0, 0, LWA_ALPHA);
  RestartOn(files);
  ASSERT_NE(Managed(glass), nullptr);
  desk.QueueMessageBoxAnswer(IDYES);
  ASSERT_TRUE(ClickExit());
  EXPECT_TRUE(Opaque(glass));
}

}  // namespace
}  // namespace mm::testing
