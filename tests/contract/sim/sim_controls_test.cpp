// Controls of our dialogs on the simulated desktop as the real ones behave
// towards their dialog: the focus and its notifications, combo boxes,
// report columns, statics that notify, and the image lists a list view owns.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/sim/sim_desktop.h"
#include "ui/controls.h"

namespace mm::sim {
namespace {

constexpr int kTemplate = 902;
constexpr int kEdit = 10, kHiddenEdit = 11, kSorted = 20, kList = 21, kPush = 30, kLink = 40,
              kLabel = 41, kReport = 50, kShared = 51;
constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

DialogTemplate ControlsTemplate() {
  DialogTemplate t{};
  t.id = kTemplate;
  t.style = WS_POPUP | WS_CAPTION;
  auto item = [](int id, const char* cls, DWORD style) {
    return DialogItemTemplate{id, cls, "", style, 0, 0, 10, 10};
  };
  t.items = {item(kHiddenEdit, "Edit", WS_CHILD | WS_TABSTOP),
             item(kEdit, "Edit", kShown | WS_TABSTOP),
             item(kSorted, "ComboBox", kShown | CBS_DROPDOWN | CBS_SORT | WS_TABSTOP),
             item(kList, "ComboBox", kShown | CBS_DROPDOWNLIST),
             item(kPush, "Button", kShown | BS_PUSHBUTTON),
             item(IDOK, "Button", kShown | BS_DEFPUSHBUTTON),
             item(kLink, "Static", kShown | SS_NOTIFY),
             item(kLabel, "Static", kShown),
             item(kReport, "SysListView32", kShown | LVS_REPORT),
             item(kShared, "SysListView32", kShown | LVS_REPORT | LVS_SHAREIMAGELISTS)};
  return t;
}

using Command = std::tuple<int, UINT, HWND>;  // id, code, control

class Host : public DialogHost {
 public:
  bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) override {
    if (msg == WM_INITDIALOG) {
      initFocus = reinterpret_cast<HWND>(wParam);
      if (onInit) onInit(hwnd);
      *result = initResult;
      return true;
    }
    if (msg != WM_COMMAND) return false;
    commands.emplace_back(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    if (onCommand) onCommand(hwnd);
    return true;
  }
  LRESULT initResult = 1;
  HWND initFocus = nullptr;
  std::vector<Command> commands;
  std::function<void(HWND)> onInit, onCommand;
};

class SimControlsTest : public ::testing::Test {
 protected:
  SimControlsTest() : desk(::testing::TempDir() + "morimo_sim_controls") {
    SetOs(&desk);
    desk.AddDialogTemplate(ControlsTemplate());
  }
  ~SimControlsTest() override { SetOs(nullptr); }
  HWND Open() {
    d = desk.CreateDialogU8(kTemplate, nullptr, &host);
    return d;
  }
  HWND Item(int id) { return desk.GetDlgItem(d, id); }
  Command Cmd(int id, UINT code) { return Command{id, code, Item(id)}; }

  SimDesktop desk;
  Host host;
  HWND d = nullptr;
};

TEST_F(SimControlsTest, FocusMovesWithTheNotificationsOfBothControls) {
  Open();
  // The first shown tab stop, named in WM_INITDIALOG and focused on TRUE.
  EXPECT_EQ(host.initFocus, Item(kEdit));
  EXPECT_EQ(desk.GetFocus(), Item(kEdit));
  EXPECT_EQ(host.commands, std::vector<Command>{Cmd(kEdit, EN_SETFOCUS)});
  host.commands.clear();
  // A click focuses the button before it reports the click.
  ASSERT_TRUE(desk.ClickButton(d, kPush));
  EXPECT_EQ(host.commands, (std::vector<Command>{Cmd(kEdit, EN_KILLFOCUS), Cmd(kPush, BN_CLICKED)}));
  host.commands.clear();
  ASSERT_TRUE(desk.FocusControl(d, kSorted));
  EXPECT_EQ(desk.SetFocus(Item(kEdit)), Item(kSorted));
  EXPECT_EQ(host.commands, (std::vector<Command>{Cmd(kSorted, CBN_SETFOCUS), Cmd(kSorted, CBN_KILLFOCUS),
                                                 Cmd(kEdit, EN_SETFOCUS)}));
  // Hidden, disabled and static controls take no focus from the user.
  EXPECT_FALSE(desk.FocusControl(d, kHiddenEdit));
  EXPECT_FALSE(desk.FocusControl(d, kLabel));
  desk.EnableWindow(Item(kSorted), FALSE);
  EXPECT_FALSE(desk.FocusControl(d, kSorted));
  EXPECT_EQ(desk.SetFocus(Item(kSorted)), nullptr);
  // Disabling the focused control takes the focus away, with its notice.
  host.commands.clear();
  desk.EnableWindow(Item(kEdit), FALSE);
  EXPECT_EQ(desk.GetFocus(), nullptr);
  EXPECT_EQ(host.commands, std::vector<Command>{Cmd(kEdit, EN_KILLFOCUS)});
}

TEST_F(SimControlsTest, InitDialogReturningZeroLeavesTheFocusToTheHandler) {
  host.initResult = 0;
  host.onInit = [&](HWND dialog) { desk.SetFocus(desk.GetDlgItem(dialog, kPush)); };
  Open();
  EXPECT_EQ(desk.GetFocus(), Item(kPush));
}

TEST_F(SimControlsTest, EnterClicksTheFocusedPushButtonElseTheDefaultOne) {
  Open();
  host.commands.clear();
  desk.FocusControl(d, kPush);
  desk.PressEnter(d);
  desk.FocusControl(d, kEdit);
  desk.PressEnter(d);
  EXPECT_EQ(host.commands, (std::vector<Command>{Cmd(kEdit, EN_KILLFOCUS), Cmd(kPush, BN_CLICKED),
                                                 Cmd(kEdit, EN_SETFOCUS), Cmd(IDOK, BN_CLICKED)}));
  desk.ShowWindow(Item(IDOK), SW_HIDE);
  desk.PressEnter(d);
  EXPECT_EQ(host.commands.size(), 4u);
}

TEST_F(SimControlsTest, NotifyingStaticReportsAClickThenTheDoubleClick) {
  Open();
  host.commands.clear();
  ASSERT_TRUE(desk.DoubleClickControl(d, kLink));
  ASSERT_TRUE(desk.DoubleClickControl(d, kLabel));  // without SS_NOTIFY: silent
  ASSERT_TRUE(desk.ClickButton(d, kLink));
  EXPECT_EQ(host.commands, (std::vector<Command>{Cmd(kLink, STN_CLICKED), Cmd(kLink, STN_DBLCLK),
                                                 Cmd(kLink, STN_CLICKED)}));
}

TEST_F(SimControlsTest, ComboBoxKeepsItsListSelectionAndText) {
  Open();
  HWND sorted = Item(kSorted);
  for (const char* text : {"notepad", "Calc", "メモ帳"}) desk.ComboBoxAddStringU8(sorted, text);
  EXPECT_EQ(desk.ComboBoxStringsUtf8(sorted), (std::vector<std::string>{"Calc", "notepad", "メモ帳"}));
  host.commands.clear();
  // The field takes the item after CBN_SELCHANGE, as in Windows.
  std::string textAtSelChange = "-";
  host.onCommand = [&](HWND) {
    if (std::get<1>(host.commands.back()) == CBN_SELCHANGE) textAtSelChange = desk.GetWindowTextU8(sorted);
  };
  ASSERT_TRUE(desk.SelectComboItem(d, kSorted, 1));
  EXPECT_EQ(textAtSelChange, "");
  EXPECT_EQ(desk.GetWindowTextU8(sorted), "notepad");
  EXPECT_EQ(ui::ComboBoxCurSel(sorted), 1);
  // Typing edits the field; the list loses its selection.
  ASSERT_TRUE(desk.TypeText(d, kSorted, "note"));
  EXPECT_EQ(ui::ComboBoxCurSel(sorted), CB_ERR);
  EXPECT_EQ(host.commands, (std::vector<Command>{Cmd(kEdit, EN_KILLFOCUS), Cmd(kSorted, CBN_SETFOCUS),
                                                 Cmd(kSorted, CBN_SELCHANGE), Cmd(kSorted, CBN_EDITUPDATE),
                                                 Cmd(kSorted, CBN_EDITCHANGE)}));
  // A drop-down list has no field to type into; its text is its selection.
  HWND list = Item(kList);
  desk.ComboBoxAddStringU8(list, "a");
  desk.ComboBoxAddStringU8(list, "b");
  EXPECT_FALSE(desk.TypeText(d, kList, "x"));
  EXPECT_EQ(desk.SendMessageToOwnWindow(list, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(desk.GetWindowTextU8(list), "b");
  EXPECT_EQ(ui::ComboBoxDeleteString(list, 1), 1);
  EXPECT_EQ(ui::ComboBoxCurSel(list), CB_ERR);
}

TEST_F(SimControlsTest, ReportColumnsHoldSubItemsAndSizeToTheirTexts) {
  Open();
  HWND report = Item(kReport);
  EXPECT_EQ(desk.ListViewInsertColumnU8(report, 0, "Name", LVCFMT_LEFT), 0);
  EXPECT_EQ(desk.ListViewInsertColumnU8(report, 9, "Class name", LVCFMT_LEFT), 1);
  desk.ListViewInsertItemU8(report, 0, "notepad", 0);
  EXPECT_TRUE(desk.ListViewSetItemTextU8(report, 0, 1, "Notepad"));
  EXPECT_FALSE(desk.ListViewSetItemTextU8(report, 0, 2, "no column"));
  EXPECT_FALSE(desk.ListViewSetItemTextU8(report, 1, 1, "no item"));
  // A column put in between moves the sub-items on its right along.
  EXPECT_EQ(desk.ListViewInsertColumnU8(report, 1, "PID", LVCFMT_RIGHT), 1);
  EXPECT_EQ(desk.ListViewCellUtf8(report, 0, 1), "");
  EXPECT_EQ(desk.ListViewCellUtf8(report, 0, 2), "Notepad");
  // Fitted to the longest text, the header's too when asked.
  ASSERT_TRUE(ui::ListViewSetColumnWidth(report, 2, LVSCW_AUTOSIZE));
  const int fitted = ui::ListViewColumnWidth(report, 2);
  ASSERT_TRUE(ui::ListViewSetColumnWidth(report, 2, LVSCW_AUTOSIZE_USEHEADER));
  EXPECT_GT(ui::ListViewColumnWidth(report, 2), fitted);  // "Class name" is longer
  ASSERT_TRUE(ui::ListViewSetColumnWidth(report, 0, 80));
  EXPECT_EQ(ui::ListViewColumnWidth(report, 0), 80);
  EXPECT_FALSE(ui::ListViewSetColumnWidth(report, 3, 80));
  ui::ListViewDeleteAllItems(report);
  EXPECT_EQ(ui::ListViewItemCount(report), 0);
}

TEST_F(SimControlsTest, ListViewDestroysTheImageListsItOwns) {
  Open();
  HIMAGELIST owned = desk.ImageListCreate(16, 16, ILC_COLOR32, 4, 4);
  HIMAGELIST shared = desk.ImageListCreate(16, 16, ILC_COLOR32, 4, 4);
  for (int i = 0; i < 3; ++i) desk.ImageListReplaceIcon(owned, -1, reinterpret_cast<HICON>(0x10 + i));
  EXPECT_TRUE(desk.ImageListRemove(owned, 1));
  EXPECT_FALSE(desk.ImageListRemove(owned, 2));  // the last one moved down to 1
  EXPECT_EQ(desk.ImageListGetImageCount(owned), 2);
  EXPECT_EQ(ui::ListViewSetImageList(Item(kReport), owned, LVSIL_SMALL), nullptr);
  EXPECT_EQ(ui::ListViewImageList(Item(kReport), LVSIL_SMALL), owned);
  ui::ListViewSetImageList(Item(kShared), shared, LVSIL_SMALL);
  desk.DestroyWindow(d);
  // The owner that destroys the list again is seen doing it.
  EXPECT_FALSE(desk.ImageListDestroy(owned));
  EXPECT_EQ(desk.InvalidImageListDestroys(), 1);
  EXPECT_TRUE(desk.ImageListDestroy(shared));
  EXPECT_EQ(desk.InvalidImageListDestroys(), 1);
}

}  // namespace
}  // namespace mm::sim
