// Promises of the seam about the controls of our own dialogs: texts in the
// ANSI code page, combo-box lists, report columns, extended list-view
// styles, image lists, owner-data lists and the focus notifications a
// dialog relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/contract/contract_world.h"
#include "ui/controls.h"

namespace mm::contract {
namespace {

constexpr int kEdit = 100, kCombo = 101, kList = 102, kCheck = 103, kData = 104, kHotKey = 105;

class CommandHost : public DialogHost {
 public:
  bool HandleDialogMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (msg == WM_INITDIALOG) {
      initFocus = reinterpret_cast<HWND>(wParam);
      *result = TRUE;  // the dialog manager focuses the first tab stop
      return true;
    }
    if (msg == WM_COMMAND) {
      commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
      return true;
    }
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
      // Rows of the owner-data list: "行 N".
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
      dispInfoFromOtherThread.push_back(Os().InSendMessage() != 0);
      if (info->item.mask & LVIF_TEXT)
        Os().ListViewSetDispInfoTextU8(info, "行 " + std::to_string(info->item.iItem));
      *result = 0;
      return true;
    }
    if (msg == WM_USER) {
      fromOtherThread.push_back(Os().InSendMessage() != 0);
      *result = 7;
      return true;
    }
    return false;
  }
  struct Command {
    int id;
    UINT code;
    HWND control;
  };
  bool Saw(int id, UINT code, HWND control) const {
    for (const Command& c : commands)
      if (c.id == id && c.code == code && c.control == control) return true;
    return false;
  }
  HWND initFocus = nullptr;
  std::vector<Command> commands;
  std::vector<bool> fromOtherThread;
  std::vector<bool> dispInfoFromOtherThread;
};

class ControlsContract : public ::testing::Test {
 protected:
  ControlsContract() : world(MakeContractWorld()), os(world->os()) {
    DialogTemplate t{};
    t.id = 3100;
    t.titleUtf8 = "Controls";
    t.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    t.cx = 200;
    t.cy = 120;
    t.fontUtf8 = "MS UI Gothic";
    t.fontPoints = 9;
    const DWORD shown = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    t.items = {
        {kEdit, "Edit", "", shown | WS_BORDER | ES_AUTOHSCROLL, 5, 5, 90, 12},
        {kCombo, "ComboBox", "", shown | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 5, 20, 90, 60},
        {kList, "SysListView32", "", shown | WS_BORDER | LVS_REPORT, 100, 5, 95, 80},
        {kCheck, "Button", "Check", shown | BS_AUTOCHECKBOX, 5, 90, 90, 10},
        {kData, "SysListView32", "", shown | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL,
         100, 88, 95, 30},
        {kHotKey, "msctls_hotkey32", "", shown | WS_BORDER, 5, 104, 90, 12},
    };
    dialog = world->CreateDialogFrom(t, nullptr, &host);
  }
  ~ControlsContract() override {
    if (dialog != nullptr) os.DestroyWindow(dialog);
    world->Settle();
  }
  HWND Item(int id) { return os.GetDlgItem(dialog, id); }
  std::string Text(HWND h) {
    char buffer[64] = {};
    const int n = os.GetWindowTextA(h, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
  }

  std::unique_ptr<ContractWorld> world;
  Platform& os;
  CommandHost host;
  HWND dialog = nullptr;
};

// What the hotkey dialog relies on: a hotkey control gives back the value
// it was given, and a combination is held by one window at a time (the
// second registration fails as one held by another program does).
TEST_F(ControlsContract, AHotKeyControlKeepsItsValueAndACombinationHasOneHolder) {
  ASSERT_NE(dialog, nullptr);
  const WORD ctrlAltK = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'K';
  ui::SetHotKeyValue(Item(kHotKey), ctrlAltK);
  EXPECT_EQ(ui::HotKeyValue(Item(kHotKey)), ctrlAltK);

  const UINT modifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
  const UINT f11 = VK_F1 + 10;
  ASSERT_TRUE(os.RegisterHotKey(dialog, 1, modifiers | MOD_NOREPEAT, f11));
  EXPECT_FALSE(os.RegisterHotKey(Item(kEdit), 2, modifiers, f11));
  EXPECT_EQ(os.GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
  EXPECT_TRUE(os.UnregisterHotKey(dialog, 1));
  EXPECT_FALSE(os.UnregisterHotKey(dialog, 1));
  EXPECT_TRUE(os.RegisterHotKey(Item(kEdit), 2, modifiers, f11));
  EXPECT_TRUE(os.UnregisterHotKey(Item(kEdit), 2));
  EXPECT_FALSE(os.KeyNameU8(VK_DOWN).empty());
}

TEST_F(ControlsContract, TextsAreAnsiBytesAndAnEditReportsTheChange) {
  ASSERT_NE(dialog, nullptr);
  const std::string bytes = "\x83\x65\x83\x58\x83\x67";  // valid in code pages 932 and 1252
  ASSERT_TRUE(os.SetWindowTextA(Item(kEdit), bytes));
  EXPECT_EQ(os.GetWindowTextLengthA(Item(kEdit)), 6);
  EXPECT_EQ(Text(Item(kEdit)), bytes);
  EXPECT_TRUE(host.Saw(kEdit, EN_CHANGE, Item(kEdit)));
  // A combo box's window text is its edit field's.
  ASSERT_TRUE(os.SetWindowTextA(Item(kCombo), "calc"));
  EXPECT_EQ(Text(Item(kCombo)), "calc");
  // Buttons keep their check through the control's own message.
  ui::SetButtonCheck(Item(kCheck), BST_CHECKED);
  EXPECT_EQ(os.IsDlgButtonChecked(dialog, kCheck), BST_CHECKED);
}

TEST_F(ControlsContract, ComboBoxListGrowsShrinksAndEmpties) {
  HWND combo = Item(kCombo);
  EXPECT_EQ(ui::ComboBoxCount(combo), 0);
  EXPECT_EQ(ui::ComboBoxCurSel(combo), CB_ERR);
  EXPECT_EQ(os.ComboBoxAddStringU8(combo, "b"), 0);  // unsorted: appended
  EXPECT_EQ(os.ComboBoxAddStringU8(combo, "a"), 1);
  EXPECT_EQ(os.ComboBoxAddStringU8(combo, "メモ帳"), 2);
  EXPECT_EQ(ui::ComboBoxCount(combo), 3);
  EXPECT_EQ(os.SendMessageToOwnWindow(combo, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(ui::ComboBoxCurSel(combo), 1);
  EXPECT_EQ(Text(combo), "a");  // the field shows the selected item
  EXPECT_EQ(ui::ComboBoxDeleteString(combo, 0), 2);
  EXPECT_EQ(ui::ComboBoxDeleteString(combo, 5), CB_ERR);
  ui::ComboBoxResetContent(combo);
  EXPECT_EQ(ui::ComboBoxCount(combo), 0);
  EXPECT_EQ(Text(combo), "");
}

TEST_F(ControlsContract, ReportColumnsTakeSubItemsAndFitTheirTexts) {
  HWND list = Item(kList);
  EXPECT_EQ(os.ListViewInsertColumnU8(list, 0, "名前と長い見出しの列", LVCFMT_LEFT), 0);
  EXPECT_EQ(os.ListViewInsertColumnU8(list, 7, "クラス", LVCFMT_LEFT), 1);  // past the end: appended
  ASSERT_EQ(os.ListViewInsertItemU8(list, 0, "a", 0), 0);
  EXPECT_TRUE(os.ListViewSetItemTextU8(list, 0, 1, "Notepad"));
  EXPECT_FALSE(os.ListViewSetItemTextU8(list, 3, 1, "no such item"));
  // Column 0 is not the last one, which Windows stretches to the edge.
  ASSERT_TRUE(ui::ListViewSetColumnWidth(list, 0, LVSCW_AUTOSIZE));
  const int itemsOnly = ui::ListViewColumnWidth(list, 0);
  ASSERT_TRUE(ui::ListViewSetColumnWidth(list, 0, LVSCW_AUTOSIZE_USEHEADER));
  EXPECT_GT(ui::ListViewColumnWidth(list, 0), itemsOnly);  // the header is the longest
  ASSERT_TRUE(os.ListViewSetItemTextU8(list, 0, 0, "a much longer item text than the header"));
  const int withHeader = ui::ListViewColumnWidth(list, 0);
  ASSERT_TRUE(ui::ListViewSetColumnWidth(list, 0, LVSCW_AUTOSIZE_USEHEADER));
  EXPECT_GT(ui::ListViewColumnWidth(list, 0), withHeader);
}

TEST_F(ControlsContract, ExtendedStylesAndImageListsOfAListView) {
  HWND list = Item(kList);
  const DWORD before = ui::ListViewExtendedStyle(list);
  EXPECT_EQ(ui::ListViewSetExtendedStyle(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT), before);
  ui::ListViewSetExtendedStyle(list, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
  EXPECT_EQ(ui::ListViewExtendedStyle(list) & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
            LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  ui::ListViewSetExtendedStyle(list, LVS_EX_FULLROWSELECT, 0);  // only the masked bit
  EXPECT_EQ(ui::ListViewExtendedStyle(list) & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
            LVS_EX_GRIDLINES);
  ui::ListViewSetExtendedStyle(list, 0, LVS_EX_FULLROWSELECT);  // mask 0: every bit
  EXPECT_EQ(ui::ListViewExtendedStyle(list), LVS_EX_FULLROWSELECT);

  HIMAGELIST images = os.ImageListCreate(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(os.ImageListGetImageCount(images), 0);
  EXPECT_TRUE(os.ImageListRemove(images, -1));  // every image, of none
  EXPECT_FALSE(os.ImageListRemove(images, 0));
  EXPECT_EQ(ui::ListViewSetImageList(list, images, LVSIL_SMALL), nullptr);
  EXPECT_EQ(ui::ListViewImageList(list, LVSIL_SMALL), images);
  EXPECT_EQ(ui::ListViewSetImageList(list, nullptr, LVSIL_SMALL), images);
  EXPECT_TRUE(os.ImageListDestroy(images));
}

TEST_F(ControlsContract, AnOwnerDataListAsksItsDialogForTextsAndKeepsOnlyTheSelection) {
  HWND list = Item(kData);
  ASSERT_EQ(os.ListViewInsertColumnU8(list, 0, "行", LVCFMT_LEFT), 0);
  ASSERT_TRUE(os.SendMessageToOwnWindow(list, LVM_SETITEMCOUNT, 3, LVSICF_NOSCROLL));
  EXPECT_EQ(ui::ListViewItemCount(list), 3);
  EXPECT_EQ(os.ListViewGetItemText(list, 2), os.Utf8ToAnsi("行 2"));
  // A new count keeps the selection of the rows that stay; emptying the
  // list forgets it.
  ASSERT_TRUE(os.ListViewSetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED));
  os.SendMessageToOwnWindow(list, LVM_SETITEMCOUNT, 2, LVSICF_NOSCROLL);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), 1);
  ui::ListViewDeleteAllItems(list);
  os.SendMessageToOwnWindow(list, LVM_SETITEMCOUNT, 3, LVSICF_NOSCROLL);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), -1);
  // Asked by another thread (another program reading the list), the list
  // asks in turn from our own: its dialog may answer.
  host.dispInfoFromOtherThread.clear();
  world->SendFromAnotherThread(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
  ASSERT_FALSE(host.dispInfoFromOtherThread.empty());
  EXPECT_EQ(std::count(host.dispInfoFromOtherThread.begin(), host.dispInfoFromOtherThread.end(),
                       true),
            0);
}

TEST_F(ControlsContract, FocusLeavingAnEditTellsTheDialog) {
  // The first tab stop is named in WM_INITDIALOG and gets the focus.
  EXPECT_EQ(host.initFocus, Item(kEdit));
  EXPECT_EQ(os.GetFocus(), Item(kEdit));
  host.commands.clear();
  EXPECT_EQ(os.SetFocus(Item(kCombo)), Item(kEdit));
  world->Settle();
  EXPECT_TRUE(host.Saw(kEdit, EN_KILLFOCUS, Item(kEdit)));
  EXPECT_TRUE(host.Saw(kCombo, CBN_SETFOCUS, Item(kCombo)));
  EXPECT_NE(os.GetFocus(), Item(kEdit));
}

// A check that shows a message when its field loses the focus must not
// take the message's own taking of the focus for the user leaving.
TEST_F(ControlsContract, AMessageBoxTakesTheFocusWhileOpenAndGivesItBack) {
  ASSERT_EQ(os.GetFocus(), Item(kEdit));
  host.commands.clear();
  world->AnswerNextMessageBox("Contract question", IDOK);
  EXPECT_EQ(os.MessageBoxU8(dialog, "?", "Contract question", MB_OK), IDOK);
  world->Settle();
  EXPECT_TRUE(host.Saw(kEdit, EN_KILLFOCUS, Item(kEdit)));
  EXPECT_EQ(os.GetFocus(), Item(kEdit));
}

TEST_F(ControlsContract, EndingTheDialogTakesTheFocusFromItsControl) {
  ASSERT_EQ(os.GetFocus(), Item(kEdit));
  host.commands.clear();
  ASSERT_TRUE(os.EndDialog(dialog, IDOK));
  world->Settle();
  // A field that checks its value on losing the focus hears of it while
  // the dialog ends.
  EXPECT_TRUE(host.Saw(kEdit, EN_KILLFOCUS, Item(kEdit)));
  EXPECT_FALSE(os.IsWindowVisible(dialog));
}

TEST_F(ControlsContract, AHandlerTellsAnotherThreadsSendFromOurOwn) {
  EXPECT_EQ(os.SendMessageToOwnWindow(dialog, WM_USER, 0, 0), 7);
  EXPECT_EQ(world->SendFromAnotherThread(dialog, WM_USER, 0, 0), 7);
  EXPECT_EQ(host.fromOtherThread, (std::vector<bool>{false, true}));
  EXPECT_FALSE(os.InSendMessage());
}

}  // namespace
}  // namespace mm::contract
