// Start-up, the scan tick and adoption.
#include <unistd.h>

#include <cstdlib>

#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

using ScanTest = AppWorld;

TEST_F(ScanTest, OneWindowFromStartToEnd) {
  AddRule("Notes");
  Start();
  HWND other = AddWindow("Other program");
  HWND notes = AddWindow("Notes - memo.txt");
  desk.UserActivate(other);

  Tick();
  const CTrayWnd* trayWnd = Managed(notes);
  ASSERT_NE(trayWnd, nullptr);
  EXPECT_EQ(Managed(other), nullptr);
  EXPECT_TRUE(HasIcon(trayWnd));
  EXPECT_EQ(desk.GetForegroundWindow(), notes);  // shown and brought to the front
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Notes - memo.txt"});
  EXPECT_EQ(RecoveryFile(), (std::vector<HWND>{dlg->Hwnd(), notes}));

  // Minimised: hidden at the next tick, only the tray icon remains.
  desk.UserMinimize(notes);
  Tick();
  EXPECT_FALSE(desk.IsWindowVisible(notes));
  EXPECT_EQ(trayWnd->Hidden, 1);
  EXPECT_TRUE(HasIcon(trayWnd));

  // A left press on the icon shows, restores and activates it.
  desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_LBUTTONDOWN);
  EXPECT_TRUE(desk.IsWindowVisible(notes));
  EXPECT_FALSE(desk.IsIconic(notes));
  EXPECT_EQ(desk.GetForegroundWindow(), notes);

  // The application closes it: released after the next tick.
  const UINT id = trayWnd->Id();
  desk.CloseWindow(notes);
  Tick();
  EXPECT_EQ(ManagedById(id), nullptr);
  EXPECT_TRUE(ListTexts().empty());
  EXPECT_EQ(RecoveryFile(), std::vector<HWND>{dlg->Hwnd()});
  EXPECT_EQ(desk.FindTrayIcon(dlg->Hwnd(), id), nullptr);
  EXPECT_TRUE(desk.MessageBoxes().empty());
}

TEST_F(ScanTest, StartUpWithoutRulesStillManagesItsOwnWindow) {
  Start();
  HWND some = AddWindow("Anything");
  Tick();

  ASSERT_EQ(dlg->ManagedWindows().size(), 1u);
  ASSERT_NE(dlg->Self(), nullptr);
  EXPECT_EQ(dlg->Self()->Window(), dlg->Hwnd());
  EXPECT_EQ(dlg->Self()->Owner(), dlg->Hwnd());
  EXPECT_TRUE(HasIcon(dlg->Self()));
  EXPECT_EQ(Managed(some), nullptr);
  EXPECT_EQ(ui::ListViewItemCount(List()), 0);  // the manager has no list item
  EXPECT_TRUE(desk.TimerActive(dlg->Hwnd(), CWindowKeeper::kScanTimerId));
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));  // reached through its icon

  // Its rule is its exact title and is not one of the user's rules.
  EXPECT_EQ(dlg->SelfRule()->Caption, desk.Utf8ToAnsi("MoriMo マネージャ"));
  EXPECT_EQ(dlg->SelfRule()->CaptionMatchType, 0);
  EXPECT_EQ(dlg->SelfRule()->UseClassname, 0);
  EXPECT_TRUE(dlg->Rules().empty());

  // The system menu ends with a separator and the about item.
  auto menu = desk.SystemMenuItems(dlg->Hwnd());
  ASSERT_GE(menu.size(), 2u);
  EXPECT_EQ(menu[menu.size() - 2].flags & MF_SEPARATOR, MF_SEPARATOR);
  EXPECT_EQ(menu.back().id, static_cast<UINT_PTR>(IDM_ABOUTBOX));
  EXPECT_EQ(menu.back().textUtf8, kAboutItemText);

  // The program icon is the window's icon, and stands for it when it is
  // dragged minimised.
  const LRESULT icon = desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_GETICON, ICON_BIG, 0);
  EXPECT_NE(icon, 0);
  EXPECT_EQ(desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_QUERYDRAGICON, 0, 0), icon);
}

TEST_F(ScanTest, StartUpSettingsReachTheManager) {
  settings.ShowTopMost = 1;
  settings.ShowOnlyHidden = 1;
  settings.RealyHideOnHidden = 1;
  settings.DisplayWidthStartup = 1;
  settings.TimerPeriod = 300;
  AddRule("Late");
  Start();

  EXPECT_EQ(desk.IsDlgButtonChecked(dlg->Hwnd(), IDC_CHECK_TOPMOST), BST_CHECKED);
  EXPECT_EQ(desk.IsDlgButtonChecked(dlg->Hwnd(), IDC_CHECK_SHOW_AT_STARTUP), BST_CHECKED);
  EXPECT_EQ(desk.IsDlgButtonChecked(dlg->Hwnd(), IDC_CHECK_REALY_HIDE), BST_CHECKED);
  EXPECT_EQ(dlg->SelfRule()->ShowTopMost, 1);
  EXPECT_EQ(dlg->SelfRule()->ShowIconOnlyHidden, 1);
  // Show-at-start-up starts the manager in the hidden state.
  EXPECT_EQ(dlg->Self()->Hidden, 1);
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));

  // The period is the pause between ticks.
  HWND late = AddWindow("Late arrival");
  desk.AdvanceTime(299);
  EXPECT_EQ(Managed(late), nullptr);
  desk.AdvanceTime(1);
  EXPECT_NE(Managed(late), nullptr);
}

TEST_F(ScanTest, APeriodThatIsNotPositiveFallsBackToTheDefault) {
  AddRule("Notes");
  settings.TimerPeriod = 0;
  Start();
  HWND notes = AddWindow("Notes");
  desk.AdvanceTime(499);
  EXPECT_EQ(Managed(notes), nullptr);
  desk.AdvanceTime(1);
  EXPECT_NE(Managed(notes), nullptr);
}

TEST_F(ScanTest, FirstMatchingRuleWinsAndAManagedWindowKeepsItsRule) {
  CTrayWndSpec& exact = AddRule("Report 2024 - final");
  exact.CaptionMatchType = CaptionMatch::Equal;
  AddRule("Report");
  AddRule("Report 2024");
  Start();
  HWND report = AddWindow("Report 2024 - draft");
  Tick();
  const CTrayWnd* trayWnd = Managed(report);
  ASSERT_NE(trayWnd, nullptr);
  const CTrayWndSpec* broad = (++dlg->Rules().begin())->get();
  EXPECT_EQ(trayWnd->Spec, broad);

  // Now the first rule would match too; the window keeps the one it has.
  desk.SetCaption(report, "Report 2024 - final");
  Tick();
  Tick();
  ASSERT_EQ(Managed(report), trayWnd);
  EXPECT_EQ(trayWnd->Spec, broad);
  EXPECT_EQ(dlg->ManagedWindows().size(), 2u);
  EXPECT_EQ(ui::ListViewItemCount(List()), 1);
}

TEST_F(ScanTest, AWindowThatStopsMatchingIsReleasedAndMayBeTakenByAnotherRule) {
  AddRule("Editor");
  AddRule("Viewer");
  Start();
  HWND window = AddWindow("Editor - a.txt");
  Tick();
  const CTrayWnd* first = Managed(window);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Spec, dlg->Rules().front().get());

  desk.SetCaption(window, "Viewer - a.txt");
  Tick();  // its Tick() reports it; the release follows the tick
  EXPECT_EQ(Managed(window), nullptr);
  EXPECT_EQ(RecoveryFile(), std::vector<HWND>{dlg->Hwnd()});
  EXPECT_TRUE(desk.IsWindowVisible(window));  // its icon was shown: given back

  Tick();
  const CTrayWnd* second = Managed(window);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Spec, dlg->Rules().back().get());
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Viewer - a.txt"});
}

TEST_F(ScanTest, HiddenWindowIsAdoptedOnlyFromTheRecoveryFile) {
  AddRule("Secret");
  HWND hidden = AddWindow("Secret notes", /*visible=*/false);
  HWND stray = AddWindow("Secret other", /*visible=*/false);

  // The scan never takes an invisible window.
  Start();
  Tick();
  EXPECT_EQ(Managed(hidden), nullptr);
  app.reset();

  // Listed in the recovery file (twice, and with a stale and a zero
  // handle): adopted once at start and shown in front.
  WriteRecoveryFile({HwndFromValue(0x7FFF0000), hidden, hidden, nullptr});
  Start();
  const CTrayWnd* trayWnd = Managed(hidden);
  ASSERT_NE(trayWnd, nullptr);
  EXPECT_EQ(dlg->ManagedWindows().size(), 2u);
  EXPECT_TRUE(desk.IsWindowVisible(hidden));
  EXPECT_EQ(desk.GetForegroundWindow(), hidden);
  EXPECT_EQ(Managed(stray), nullptr);
  // Reading does not rewrite the file; the next change does, in full.
  EXPECT_EQ(RecoveryFile().size(), 4u);
  HWND next = AddWindow("Secret three");
  Tick();
  ASSERT_NE(Managed(next), nullptr);
  EXPECT_EQ(RecoveryFile(), (std::vector<HWND>{dlg->Hwnd(), hidden, next}));
}

TEST_F(ScanTest, HideOnStartupHidesAtAdoptionWithoutShowing) {
  CTrayWndSpec& rule = AddRule("Chat");
  rule.HideOnStartup = 1;
  Start();
  HWND other = AddWindow("Other");
  desk.UserActivate(other);
  HWND chat = AddWindow("Chat - friends");
  desk.UserActivate(other);
  Tick();
  const CTrayWnd* trayWnd = Managed(chat);
  ASSERT_NE(trayWnd, nullptr);
  EXPECT_FALSE(desk.IsWindowVisible(chat));
  EXPECT_EQ(trayWnd->Hidden, 1);
  EXPECT_TRUE(HasIcon(trayWnd));
  EXPECT_EQ(desk.GetForegroundWindow(), other);
}

TEST_F(ScanTest, CloseOnStartupPostsOneCloseAndARefusingWindowStaysManaged) {
  CTrayWndSpec& rule = AddRule("Popup");
  rule.CloseOnStartup = 1;
  Start();
  sim::WindowSpec stubborn;
  stubborn.caption = "Popup - stubborn";
  stubborn.className = "Target";
  stubborn.closesOnWmClose = false;
  HWND refuses = desk.AddWindow(stubborn);
  HWND closes = AddWindow("Popup - polite");

  Tick();
  Tick();
  Tick();
  EXPECT_EQ(CountMessages(refuses, WM_CLOSE), 1);
  EXPECT_EQ(CountMessages(closes, WM_CLOSE), 1);
  EXPECT_FALSE(desk.Exists(closes));
  EXPECT_EQ(Managed(closes), nullptr);
  EXPECT_NE(Managed(refuses), nullptr);
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Popup - stubborn"});
}

TEST_F(ScanTest, EachWindowIsReadOnceAPerTickHoweverManyRules) {
  for (int i = 0; i < 30; ++i) {
    CTrayWndSpec& rule = AddRule("Nothing like it " + std::to_string(i));
    rule.CaptionMatchType = i % 4;
    rule.UseClassname = i % 3 == 0 ? 1 : 0;
    rule.ClassName = "NoSuchClass";
  }
  Start();
  std::vector<HWND> windows;
  for (int i = 0; i < 20; ++i) windows.push_back(AddWindow("Window " + std::to_string(i)));
  HWND invisible = AddWindow("Hidden one", /*visible=*/false);

  desk.ResetReadCounts();
  Tick();
  for (HWND w : windows) {
    EXPECT_EQ(desk.CaptionReads(w), 1);
    EXPECT_LE(desk.ClassReads(w), 1);
  }
  EXPECT_EQ(desk.CaptionReads(invisible), 0);
  EXPECT_EQ(desk.ClassReads(invisible), 0);
  // A window keeps its class for life: asked once while the scan sees it.
  Tick();
  Tick();
  for (HWND w : windows) {
    EXPECT_EQ(desk.CaptionReads(w), 3);
    EXPECT_LE(desk.ClassReads(w), 1);
  }
}

TEST_F(ScanTest, ClassNameIsNotReadWhenNoRuleUsesIt) {
  AddRule("Alpha");
  AddRule("Beta");
  Start();
  HWND w = AddWindow("Gamma");
  desk.ResetReadCounts();
  Tick();
  EXPECT_EQ(desk.CaptionReads(w), 1);
  EXPECT_EQ(desk.ClassReads(w), 0);
}

TEST_F(ScanTest, ClassRulesMatchOnTheTextReadOnce) {
  CTrayWndSpec& byClass = AddRule("");
  byClass.UseCaption = 0;
  byClass.UseClassname = 1;
  byClass.ClassName = "ConsoleWindowClass";
  Start();
  HWND console = AddWindow("cmd", true, "ConsoleWindowClass");
  HWND other = AddWindow("cmd", true, "Notepad");
  Tick();
  EXPECT_NE(Managed(console), nullptr);
  EXPECT_EQ(Managed(other), nullptr);
}

TEST_F(ScanTest, TickIsSkippedWhileAMenuIsOpenAndTheTimerStaysArmed) {
  AddRule("Mail");
  Start();
  HWND mail = AddWindow("Mail - inbox");
  // A tray menu is a handler that runs a loop of its own.
  desk.QueueMenuScript([&](HWND, const sim::MenuRecord&) -> UINT {
    Tick();
    Tick();
    EXPECT_EQ(Managed(mail), nullptr);
    EXPECT_TRUE(desk.TimerActive(dlg->Hwnd(), CWindowKeeper::kScanTimerId));
    return 0;
  });
  desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_RBUTTONUP);
  Tick();
  EXPECT_NE(Managed(mail), nullptr);
}

TEST_F(ScanTest, RealyHideOnHiddenRemovesTheOwnIconUntilCtrlShift) {
  settings.RealyHideOnHidden = 1;
  AddRule("Doc");
  Start();
  HWND doc = AddWindow("Doc 1");
  Tick();
  const CTrayWnd* self = dlg->Self();
  EXPECT_FALSE(HasIcon(self));
  EXPECT_TRUE(HasIcon(Managed(doc)));  // other icons are not affected

  desk.SetKeyDown(VK_CONTROL, true);
  desk.SetKeyDown(VK_SHIFT, true);
  Tick();
  EXPECT_TRUE(HasIcon(self));
  desk.SetKeyDown(VK_CONTROL, false);
  desk.SetKeyDown(VK_SHIFT, false);
  for (int i = 0; i < CWindowKeeper::kRevealTicks; ++i) {
    Tick();
    EXPECT_TRUE(HasIcon(self)) << "tick " << i + 1 << " after the reveal";
  }
  Tick();
  EXPECT_FALSE(HasIcon(self));

  // Ctrl alone does nothing.
  desk.SetKeyDown(VK_CONTROL, true);
  Tick();
  EXPECT_FALSE(HasIcon(self));

  // Held while another program has the keyboard, where the user is when
  // MoriMo works in the background.
  desk.SetKeyDown(VK_CONTROL, false);
  desk.SetKeyDownElsewhere(VK_CONTROL, true);
  desk.SetKeyDownElsewhere(VK_SHIFT, true);
  Tick();
  EXPECT_TRUE(HasIcon(self));
}

TEST_F(ScanTest, AHugeRecoveryFileIsReadOnlyAsFarAsItsRecordsAreTaken) {
  AddRule("Secret");
  HWND hidden = AddWindow("Secret notes", /*visible=*/false);
  Start();  // makes the data folder
  app.reset();
  WriteRecoveryFile({hidden});
  // Made huge behind our back (damaged, or by someone hostile): 1 GiB.
  const std::string host = desk.HostPath(HwndsFilePath());
  ASSERT_EQ(::truncate(host.c_str(), 1L << 30), 0);
  Start();
  EXPECT_NE(Managed(hidden), nullptr);
  EXPECT_LE(desk.LargestFileRead(), 65536u * 4);
}

TEST_F(ScanTest, ImagesOfWindowsLetGoAreReused) {
  AddRule("Tab: ");
  Start();
  HWND browser = AddWindow("Browser");
  HWND steady = AddWindow("Tab: steady");
  Tick();
  ASSERT_NE(Managed(steady), nullptr);
  // A caption that moves in and out of a rule, as a browser's tab title does
  // (MORIMO_LONG_RUN_CYCLES=100000 for the long run).
  const char* cycles = std::getenv("MORIMO_LONG_RUN_CYCLES");
  const int n = cycles != nullptr ? std::atoi(cycles) : 10000;
  for (int i = 0; i < n; ++i) {
    desk.SetCaption(browser, "Tab: news");
    Tick();
    desk.SetCaption(browser, "Browser");
    Tick();
  }
  HIMAGELIST images = ui::ListViewImageList(List(), LVSIL_NORMAL);
  EXPECT_LE(desk.ImageListGetImageCount(images), 2);
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Tab: steady"});
}

TEST_F(ScanTest, TheShellsOwnWindowsAreNeverTaken) {
  // Both tests off: a rule that matches every window, as a hand-edited
  // settings file can hold.
  CTrayWndSpec& everything = AddRule("");
  everything.UseCaption = 0;
  everything.UseClassname = 0;
  Start();
  HWND taskbar = AddWindow("", true, "Shell_TrayWnd");
  HWND desktop = AddWindow("Program Manager", true, "Progman");
  HWND wineTray = AddWindow("Wine System Tray", true, "__winex11_standalone_tray");
  HWND editor = AddWindow("Editor");
  Tick();
  EXPECT_NE(Managed(editor), nullptr);
  for (HWND shell : {taskbar, desktop, wineTray}) {
    EXPECT_EQ(Managed(shell), nullptr);
    EXPECT_TRUE(desk.IsWindowVisible(shell));
  }
  // Not from the recovery file either.
  app.reset();
  WriteRecoveryFile({taskbar});
  Start();
  EXPECT_EQ(Managed(taskbar), nullptr);
}

// A rule by program alone takes that program's windows, not another's
// with the same caption, and asks each process once, not each tick.
TEST_F(ScanTest, AProgramRuleTakesOnlyThatProgramsWindowsAskingEachProcessOnce) {
  CTrayWndSpec& rule = AddRule("");
  rule.UseCaption = 0;
  rule.UseExeName = 1;
  rule.ExeName = "EDITOR.EXE";
  Start();
  sim::WindowSpec spec;
  spec.caption = "notes.txt";
  spec.processId = 3101;
  spec.programPath = "C:\\Tools\\editor.exe";
  HWND mine = desk.AddWindow(spec);
  spec.processId = 3102;
  spec.programPath = "C:\\Other\\viewer.exe";
  HWND other = desk.AddWindow(spec);
  const int before = desk.ProgramQueries();
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_NE(Managed(mine), nullptr);
  EXPECT_EQ(Managed(other), nullptr);
  EXPECT_LE(desk.ProgramQueries() - before, 4) << "two processes, and one take";
}

}  // namespace
}  // namespace mm::testing
