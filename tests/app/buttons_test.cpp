// The manager's list of managed windows, its buttons and check boxes, and
// the about box.
#include <algorithm>

#include "tests/app/app_world.h"
#include "tests/support/version_block.h"

namespace mm::testing {
namespace {

class ButtonsTest : public AppWorld {
 protected:
  void SetUp() override {
    AppWorld::SetUp();
    AddRule("Win");
    Start();
    // Created out of order: the list sorts them.
    c = AddWindow("Win C");
    a = AddWindow("Win A");
    b = AddWindow("Win B");
    Tick();
    ASSERT_EQ(ListTexts(), (std::vector<std::string>{"Win A", "Win B", "Win C"}));
  }

  bool Enabled(int id) { return desk.IsWindowEnabled(desk.GetDlgItem(dlg->Hwnd(), id)) != 0; }
  bool Select(const std::vector<int>& indices) {
    return desk.SelectListItems(dlg->Hwnd(), IDC_LIST_WINDOWS, indices);
  }
  bool Click(int id) { return desk.ClickButton(dlg->Hwnd(), id); }

  HWND a = nullptr, b = nullptr, c = nullptr;
};

TEST_F(ButtonsTest, ButtonsFollowTheSelection) {
  for (int id : {IDC_BUTTON_SHOW, IDC_BUTTON_HIDE, IDC_BUTTON_CLOSE, IDC_BUTTON_PROPERTY}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  ASSERT_TRUE(Select({1}));
  for (int id : {IDC_BUTTON_SHOW, IDC_BUTTON_HIDE, IDC_BUTTON_CLOSE, IDC_BUTTON_PROPERTY}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }
  EXPECT_EQ(dlg->Current(), Managed(b));

  ASSERT_TRUE(Select({0, 2}));
  EXPECT_TRUE(Enabled(IDC_BUTTON_SHOW));
  EXPECT_TRUE(Enabled(IDC_BUTTON_HIDE));
  EXPECT_TRUE(Enabled(IDC_BUTTON_CLOSE));
  EXPECT_FALSE(Enabled(IDC_BUTTON_PROPERTY));
  EXPECT_EQ(dlg->Current(), Managed(c));  // the focused one

  ASSERT_TRUE(Select({}));
  EXPECT_FALSE(Enabled(IDC_BUTTON_SHOW));
  EXPECT_EQ(dlg->Current(), Managed(c));  // deselection keeps it
}

TEST_F(ButtonsTest, HideShowAndCloseActOnEverySelectedWindow) {
  ASSERT_TRUE(Select({0, 2}));
  ASSERT_TRUE(Click(IDC_BUTTON_HIDE));
  EXPECT_FALSE(desk.IsWindowVisible(a));
  EXPECT_TRUE(desk.IsWindowVisible(b));
  EXPECT_FALSE(desk.IsWindowVisible(c));
  EXPECT_EQ(desk.ListViewGetItemState(List(), 0, LVIS_CUT), LVIS_CUT);
  EXPECT_EQ(desk.ListViewGetItemState(List(), 1, LVIS_CUT), 0u);
  EXPECT_EQ(desk.ListViewGetItemState(List(), 2, LVIS_CUT), LVIS_CUT);
  // The selection itself is untouched by the ghosting.
  EXPECT_EQ(desk.ListViewGetItemState(List(), 0, LVIS_SELECTED), LVIS_SELECTED);

  ASSERT_TRUE(Click(IDC_BUTTON_SHOW));
  EXPECT_TRUE(desk.IsWindowVisible(a));
  EXPECT_TRUE(desk.IsWindowVisible(c));
  EXPECT_EQ(desk.ListViewGetItemState(List(), 0, LVIS_CUT), 0u);

  ASSERT_TRUE(Click(IDC_BUTTON_CLOSE));
  EXPECT_EQ(CountMessages(a, WM_CLOSE), 1);
  EXPECT_EQ(CountMessages(b, WM_CLOSE), 0);
  EXPECT_EQ(CountMessages(c, WM_CLOSE), 1);
  EXPECT_TRUE(desk.MessageBoxes().empty());  // no question for a foreign window
  // Closed windows leave the list once their managed window notices.
  desk.Pump();
  Tick();
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Win B"});
}

TEST_F(ButtonsTest, DoubleClickTogglesEachSelectedWindowByItsOwnState) {
  ASSERT_TRUE(Select({0}));
  ASSERT_TRUE(Click(IDC_BUTTON_HIDE));
  ASSERT_FALSE(desk.IsWindowVisible(a));
  ASSERT_TRUE(desk.DoubleClickListItem(dlg->Hwnd(), IDC_LIST_WINDOWS, 0));
  EXPECT_TRUE(desk.IsWindowVisible(a));
  EXPECT_EQ(desk.GetForegroundWindow(), a);
  ASSERT_TRUE(desk.DoubleClickListItem(dlg->Hwnd(), IDC_LIST_WINDOWS, 0));
  EXPECT_FALSE(desk.IsWindowVisible(a));

  // Two selected: one hidden, one shown; each flips.
  ASSERT_TRUE(Select({0, 1}));
  NMITEMACTIVATE activate{};
  activate.hdr.hwndFrom = List();
  activate.hdr.idFrom = IDC_LIST_WINDOWS;
  activate.hdr.code = NM_DBLCLK;
  activate.iItem = 1;
  desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_NOTIFY, IDC_LIST_WINDOWS,
                              reinterpret_cast<LPARAM>(&activate));
  EXPECT_TRUE(desk.IsWindowVisible(a));
  EXPECT_FALSE(desk.IsWindowVisible(b));
}

TEST_F(ButtonsTest, SelectingAGhostedItemMakesItsWindowCurrent) {
  ASSERT_TRUE(Select({2}));
  ASSERT_TRUE(Click(IDC_BUTTON_HIDE));
  ASSERT_TRUE(Select({0}));
  ASSERT_EQ(dlg->Current(), Managed(a));
  ASSERT_TRUE(Select({2}));  // the item of a hidden window
  EXPECT_EQ(dlg->Current(), Managed(c));
}

TEST_F(ButtonsTest, TrayIconMakesItsWindowCurrentOverTheSelection) {
  ASSERT_TRUE(Select({0}));
  desk.MouseOnTrayIcon(dlg->Hwnd(), Managed(b)->Id(), WM_MOUSEMOVE);
  EXPECT_EQ(dlg->Current(), Managed(b));
}

TEST_F(ButtonsTest, TitlesStayAsAdopted) {
  desk.SetCaption(a, "Win A (changed)");
  Tick();
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Win A", "Win B", "Win C"}));
}

TEST_F(ButtonsTest, CheckBoxesReachTheSettings) {
  ASSERT_TRUE(Click(IDC_CHECK_TOPMOST));
  EXPECT_EQ(dlg->Settings().ShowTopMost, 1);
  EXPECT_EQ(dlg->SelfRule()->ShowTopMost, 1);
  ASSERT_TRUE(Click(IDC_CHECK_TOPMOST));
  EXPECT_EQ(dlg->SelfRule()->ShowTopMost, 0);

  ASSERT_TRUE(Click(IDC_CHECK_REALY_HIDE));
  EXPECT_EQ(dlg->Settings().RealyHideOnHidden, 1);
  Tick();
  EXPECT_FALSE(HasIcon(dlg->Self()));
}

TEST_F(ButtonsTest, HelpOpensThePageBesideTheProgram) {
  desk.SetModuleFileName("D:\\Tools\\MoriMo\\morimo.exe");
  ResetModuleDirectoryCache();
  ASSERT_TRUE(Click(IDC_BUTTON_HELP));
  ASSERT_EQ(desk.ShellOpened().size(), 1u);
  EXPECT_EQ(desk.ShellOpened()[0], "D:\\Tools\\MoriMo\\Document\\Readme.html");
}

TEST_F(ButtonsTest, SystemMenuItemAndMainMenuCommandOpenTheAboutBox) {
  // The texts come from the program file's version block.
  char program[MAX_PATH] = {};
  desk.GetModuleFileNameA(program, MAX_PATH);
  VersionBlock block;
  block.productVersionMS = VersionBlock::Pack(2, 3);
  block.productVersionLS = VersionBlock::Pack(4, 56);
  block.tables = {{"041104B0", {{"ProductName", "MoriMo"}}}};
  block.translations = {{0x0411, 0x04B0}};
  desk.SetFileVersionBlock(program, block.Bytes());
  std::vector<std::string> titles, versions;
  for (int opening = 0; opening < 2; ++opening) {
    desk.QueueModalScript([&](HWND dialog) {
      titles.push_back(desk.DialogTitleUtf8(dialog));
      versions.push_back(desk.GetWindowTextU8(desk.GetDlgItem(dialog, IDC_STATIC_VERSION)));
      desk.PressEnter(dialog);
    });
  }
  desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  desk.QueueMenuChoice(IDM_ABOUTBOX);
  desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_RBUTTONUP);
  EXPECT_EQ(titles, std::vector<std::string>(2, "Morimoのﾊﾞｰｼﾞｮﾝ情報"));
  EXPECT_EQ(versions, std::vector<std::string>(2, "MoriMo  Version 2.3.4 build(56)"));
}

// The manager's own icon makes the manager current; the button still edits
// the selected row's rule, never the manager's own (it could not be kept).
TEST_F(ButtonsTest, PropertiesEditTheSelectedRowsRuleAfterTheOwnIconWasClicked) {
  ASSERT_TRUE(Select({1}));
  desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_LBUTTONDOWN);
  ASSERT_EQ(dlg->Current(), dlg->Self());
  std::string caption;
  desk.QueueModalScript([&](HWND editor) {
    caption = desk.GetWindowTextU8(desk.GetDlgItem(editor, IDC_EDIT_CAPTION));
    desk.PressEscape(editor);
  });
  ASSERT_TRUE(Click(IDC_BUTTON_PROPERTY));
  EXPECT_EQ(caption, "Win");
  EXPECT_EQ(dlg->Current(), Managed(b));
}

// While the about box is open the main menu offers no other dialog, and a
// second about command (any program can post one) opens no second box.
TEST_F(ButtonsTest, TheAboutBoxCountsAsAModalDialogForTheMainMenu) {
  int opened = 0;
  std::vector<UINT> greyed;
  desk.QueueModalScript([&](HWND about) {
    ++opened;
    desk.QueueModalScript([&](HWND) { ++opened; });
    desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_COMMAND, IDM_ABOUTBOX, 0);
    desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_RBUTTONUP);
    for (const auto& item : desk.TrackedMenus().back().items) {
      if (item.flags & MF_GRAYED) greyed.push_back(item.id);
    }
    desk.PressEnter(about);
  });
  desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  EXPECT_EQ(opened, 1);
  const UINT wanted[] = {ID_MENU_SETTING, ID_MENU_EXIT, IDM_ABOUTBOX};
  for (UINT id : wanted) {
    EXPECT_NE(std::find(greyed.begin(), greyed.end(), id), greyed.end()) << id;
  }
}

}  // namespace
}  // namespace mm::testing
