// The tray icons' menus: what each shows for the window behind the icon,
// and what its commands do.
#include "app/tray_menu.h"
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

const sim::MenuItemRecord* FindItem(const std::vector<sim::MenuItemRecord>& items, UINT_PTR id) {
  for (const sim::MenuItemRecord& item : items) {
    if (item.id == id && !(item.flags & MF_POPUP)) return &item;
    if (const sim::MenuItemRecord* found = FindItem(item.items, id)) return found;
  }
  return nullptr;
}

const sim::MenuItemRecord* FindText(const std::vector<sim::MenuItemRecord>& items, const std::string& text) {
  for (const sim::MenuItemRecord& item : items) {
    if (item.textUtf8 == text) return &item;
    if (const sim::MenuItemRecord* found = FindText(item.items, text)) return found;
  }
  return nullptr;
}

class MenuTest : public AppWorld {
 protected:
  void StartWithWindow(const std::string& caption = "Doc") {
    AddRule("Doc");
    Start();
    doc = AddWindow(caption);
    Tick();
    ASSERT_NE(Managed(doc), nullptr);
  }
  // Right-clicks the icon of `window` (0: the manager's own) and chooses
  // `command` (0: dismisses the menu); returns the menu as it was shown.
  sim::MenuRecord Open(HWND window, UINT command = 0) {
    const CTrayWnd* trayWnd = window != nullptr ? Managed(window) : dlg->Self();
    desk.QueueMenuChoice(command);
    desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_RBUTTONUP);
    desk.Pump();
    return desk.TrackedMenus().back();
  }
  bool Greyed(const sim::MenuRecord& menu, UINT id) {
    const sim::MenuItemRecord* item = FindItem(menu.items, id);
    return item != nullptr && (item->flags & MF_GRAYED) != 0;
  }
  bool Ticked(const sim::MenuRecord& menu, UINT id) {
    const sim::MenuItemRecord* item = FindItem(menu.items, id);
    return item != nullptr && (item->flags & MF_CHECKED) != 0;
  }
  int TickedOpacities(const sim::MenuRecord& menu) {
    int n = 0;
    for (UINT id = ID_MENU_ALPHA_100; id <= ID_MENU_ALPHA_BG_0; ++id) n += Ticked(menu, id) ? 1 : 0;
    return n;
  }

  HWND doc = nullptr;
};

TEST_F(MenuTest, OpensAtTheCursorWithTheManagerInFront) {
  StartWithWindow();
  desk.MoveCursor({1100, 990});
  const sim::MenuRecord menu = Open(doc);
  EXPECT_EQ(menu.owner, dlg->Hwnd());
  EXPECT_EQ(menu.at.x, 1100);
  EXPECT_EQ(menu.at.y, 990);
  EXPECT_EQ(menu.foreground, dlg->Hwnd());
  EXPECT_NE(FindText(menu.items, "MoriMo トレイ"), nullptr);
  EXPECT_NE(FindText(Open(nullptr).items, "MoriMo メイン"), nullptr);
}

TEST_F(MenuTest, OpacityItemsShowTheCurrentValues) {
  CTrayWndSpec& rule = AddRule("Doc");
  rule.AlphaPercent = 75;
  rule.AlphaPercentBG = 40;
  Start();
  doc = AddWindow("Doc");
  Tick();
  sim::MenuRecord menu = Open(doc);
  EXPECT_NE(FindText(menu.items, "現在： 75 %"), nullptr);
  EXPECT_NE(FindText(menu.items, "現在： 40 %"), nullptr);
  EXPECT_EQ(TickedOpacities(menu), 1);  // 75 has no item of its own
  EXPECT_TRUE(Ticked(menu, ID_MENU_ALPHA_BG_0 - 4));
  EXPECT_FALSE(Greyed(menu, ID_MENU_ALPHA_100));

  // "50%" is stored at once and reaches the window at its next change of
  // activation; the relabelled item does nothing.
  Open(doc, ID_MENU_ALPHA_0 - 5);
  EXPECT_EQ(Managed(doc)->AlphaActive, 50);
  Open(doc, 0);
  menu = Open(doc);
  EXPECT_TRUE(Ticked(menu, ID_MENU_ALPHA_0 - 5));
}

TEST_F(MenuTest, OpacityIsGreyedWhereItCannotBeChanged) {
  // Without the layered-window calls, and for a window that paints its own
  // layers: both ranges greyed, the values still shown.
  desk.SetLayeredApi(false, false, false);
  CTrayWndSpec& self = AddRule("Self-painted");
  (void)self;
  StartWithWindow();
  sim::MenuRecord menu = Open(doc);
  for (UINT id : {ID_MENU_ALPHA_100, ID_MENU_ALPHA_0, ID_MENU_ALPHA_BG_100, ID_MENU_ALPHA_BG_0}) {
    EXPECT_TRUE(Greyed(menu, id)) << id;
  }
  EXPECT_NE(FindText(menu.items, "現在： 100 %"), nullptr);

  desk.SetLayeredApi(true, true, true);
  sim::WindowSpec spec;
  spec.caption = "Self-painted splash";
  spec.exStyle = WS_EX_LAYERED;
  HWND splash = desk.AddWindow(spec);
  Tick();
  ASSERT_NE(Managed(splash), nullptr);
  menu = Open(splash);
  EXPECT_TRUE(Greyed(menu, ID_MENU_ALPHA_0));
  EXPECT_TRUE(Greyed(menu, ID_MENU_ALPHA_BG_0));
}

TEST_F(MenuTest, TitleStyleItemsFollowTheRule) {
  CTrayWndSpec& locked = AddRule("Locked");
  locked.DisableTitleStyleChanging = 1;
  CTrayWndSpec& donut = AddRule("Donut");
  donut.ClassName = "WTL:DonutRAPT";  // refused even though the class is not tested
  StartWithWindow();
  HWND a = AddWindow("Locked one");
  HWND b = AddWindow("Donut one");
  Tick();
  for (HWND w : {a, b}) {
    const sim::MenuRecord menu = Open(w);
    for (UINT id : {ID_MENU_TITLE_DEFAULT, ID_MENU_TITLE_TOOLWINDOW, ID_MENU_TITLE_NONE}) {
      EXPECT_TRUE(Greyed(menu, id));
    }
  }
  EXPECT_FALSE(Greyed(Open(doc), ID_MENU_TITLE_TOOLWINDOW));
  // Chosen: applied at once, and given back by the default.
  const DWORD exStyle = static_cast<DWORD>(desk.GetWindowLongA(doc, GWL_EXSTYLE));
  Open(doc, ID_MENU_TITLE_TOOLWINDOW);
  EXPECT_NE(static_cast<DWORD>(desk.GetWindowLongA(doc, GWL_EXSTYLE)) & WS_EX_TOOLWINDOW, 0u);
  Open(doc, ID_MENU_TITLE_DEFAULT);
  EXPECT_EQ(static_cast<DWORD>(desk.GetWindowLongA(doc, GWL_EXSTYLE)), exStyle);
}

TEST_F(MenuTest, ExitClosesAForeignWindowButAsksForTheManager) {
  StartWithWindow();
  Open(doc, ID_MENU_EXIT);
  EXPECT_EQ(CountMessages(doc, WM_CLOSE), 1);
  EXPECT_TRUE(desk.MessageBoxes().empty());

  desk.QueueMessageBoxAnswer(IDNO);
  Open(nullptr, ID_MENU_EXIT);
  ASSERT_EQ(desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(desk.MessageBoxes()[0].textUtf8, "MoriMoを終了しますか？");
  EXPECT_FALSE(desk.QuitPosted());
}

TEST_F(MenuTest, SettingsPropertiesAndExitAreGreyedWhileAQuestionIsOpen) {
  StartWithWindow();
  sim::MenuRecord trayMenu, mainMenu;
  // While the exit question is open the user right-clicks both icons.
  desk.QueueMessageBoxScript([&] {
    trayMenu = Open(doc);
    mainMenu = Open(nullptr);
    return IDNO;
  });
  Open(nullptr, ID_MENU_EXIT);
  EXPECT_TRUE(Greyed(trayMenu, ID_MENU_SETTING));   // properties
  EXPECT_FALSE(Greyed(trayMenu, ID_MENU_EXIT));     // closes that window only
  EXPECT_TRUE(Greyed(mainMenu, ID_MENU_SETTING));   // settings
  EXPECT_TRUE(Greyed(mainMenu, ID_MENU_EXIT));
  // Answered: offered again.
  EXPECT_FALSE(Greyed(Open(nullptr), ID_MENU_EXIT));
  EXPECT_FALSE(desk.QuitPosted());
}

TEST_F(MenuTest, MinimiseShowsFirstAndHidesAtTheNextTickUnderItsRule) {
  StartWithWindow();
  Open(doc, ID_MENU_MINIMIZE);
  desk.Pump();
  EXPECT_TRUE(desk.IsIconic(doc));
  Tick();
  EXPECT_FALSE(desk.IsWindowVisible(doc));
  EXPECT_EQ(Managed(doc)->Hidden, 1);
  Open(doc, ID_MENU_RESTORE);
  desk.Pump();
  EXPECT_TRUE(desk.IsWindowVisible(doc));
  EXPECT_FALSE(desk.IsIconic(doc));
}

TEST_F(MenuTest, ACommandForAWindowThatHasGoneDoesNothing) {
  StartWithWindow();
  desk.QueueMenuScript([&](HWND, const sim::MenuRecord&) -> UINT {
    desk.CloseWindow(doc);  // the program closes it while the menu is open
    return ID_MENU_MAXIMIZE;
  });
  desk.MouseOnTrayIcon(dlg->Hwnd(), Managed(doc)->Id(), WM_RBUTTONUP);
  desk.Pump();
  EXPECT_EQ(CountMessages(doc, WM_SYSCOMMAND), 0);
  Tick();
  EXPECT_EQ(Managed(doc), nullptr);
  EXPECT_EQ(desk.DroppedExceptions(), 0);
}

TEST_F(MenuTest, TopMostTogglesAndTheMainMenuReachesHelpAndTheProjectPage) {
  StartWithWindow();
  Open(doc, ID_MENU_TOPMOST);
  EXPECT_NE(static_cast<DWORD>(desk.GetWindowLongA(doc, GWL_EXSTYLE)) & WS_EX_TOPMOST, 0u);
  EXPECT_TRUE(Ticked(Open(doc), ID_MENU_TOPMOST));
  Open(doc, ID_MENU_TOPMOST);
  EXPECT_EQ(static_cast<DWORD>(desk.GetWindowLongA(doc, GWL_EXSTYLE)) & WS_EX_TOPMOST, 0u);

  Open(nullptr, ID_MENU_HELP);
  Open(nullptr, ID_MENU_MAKER_PAGE);
  ASSERT_EQ(desk.ShellOpened().size(), 2u);
  EXPECT_NE(desk.ShellOpened()[0].find("Document\\Readme.html"), std::string::npos);
  EXPECT_EQ(desk.ShellOpened()[1].rfind("https://", 0), 0u);
}

TEST_F(MenuTest, TheRestartAsAdministratorHandsEveryWindowOverOrDeclinedChangesNothing) {
  AddRule("Notes");
  Start();
  HWND notes = AddWindow("Notes");
  Tick();
  desk.UserMinimize(notes);
  Tick();
  ASSERT_FALSE(desk.IsWindowVisible(notes));
  ASSERT_NE(FindItem(Open(nullptr).items, ID_MENU_RESTART_ELEVATED), nullptr);

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
  EXPECT_EQ(FindItem(Open(nullptr).items, ID_MENU_RESTART_ELEVATED), nullptr) << "already administrator";
}

// The logon list: ticked only while it starts this very program file;
// a value left by a copy that was moved shows unticked and is rewritten.
TEST_F(MenuTest, StartWithWindowsNamesThisProgramFileAndNothingElse) {
  Start();
  auto ticked = [&] { return Ticked(Open(nullptr), ID_MENU_START_WITH_WINDOWS); };
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
