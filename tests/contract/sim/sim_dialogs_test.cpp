// Our own dialogs on the simulated desktop: built from templates, driven by
// the user's clicks and keys, with list views that notify as the real
// control does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/sim_desktop.h"
#include "ui/controls.h"

namespace mm::sim {
namespace {

constexpr int kTemplate = 901;
constexpr int kCheck = 10, kRadio1 = 11, kRadio2 = 12, kRadio3 = 13;
constexpr int kSorted = 20, kPlain = 21, kSingle = 22, kEdit = 30, kDisabled = 40;

DialogTemplate TestTemplate(DWORD style) {
  DialogTemplate t{};
  t.id = kTemplate;
  t.titleUtf8 = "ルールの編集";
  t.style = style;
  auto item = [](int id, const char* cls, const char* text, DWORD itemStyle) {
    return DialogItemTemplate{id, cls, text, WS_CHILD | WS_VISIBLE | itemStyle, 0, 0, 10, 10};
  };
  t.items = {item(IDOK, "Button", "OK", BS_DEFPUSHBUTTON),
             item(IDCANCEL, "Button", "キャンセル", BS_PUSHBUTTON),
             item(kCheck, "Button", "Check", BS_AUTOCHECKBOX),
             item(kRadio1, "Button", "R1", BS_AUTORADIOBUTTON | WS_GROUP),
             item(kRadio2, "Button", "R2", BS_AUTORADIOBUTTON),
             item(kRadio3, "Button", "R3", BS_AUTORADIOBUTTON | WS_GROUP),
             item(kSorted, "SysListView32", "", LVS_SORTASCENDING),
             item(kPlain, "SysListView32", "", 0),
             item(kSingle, "SysListView32", "", LVS_SINGLESEL),
             item(kEdit, "Edit", "", 0),
             item(kDisabled, "Button", "Off", BS_PUSHBUTTON | WS_DISABLED),
             item(-1, "Static", "ラベル", 0)};
  return t;
}

// Records commands and list notifications; OK and Cancel end the dialog.
class Host : public DialogHost {
 public:
  explicit Host(SimDesktop& desk) : desk_(desk) {}
  bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) override {
    messages.push_back(msg);
    switch (msg) {
      case WM_INITDIALOG:
        initLParam = lParam;
        titleAtInit = desk_.GetWindowTextU8(hwnd);
        if (onInit) onInit(hwnd);
        return true;
      case WM_COMMAND:
        commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
          if (endOnCommand) desk_.EndDialog(hwnd, LOWORD(wParam));
        }
        return true;
      case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr->code == LVN_ITEMCHANGED) {
          changes.push_back(*reinterpret_cast<const NMLISTVIEW*>(lParam));
          if (onItemChanged) onItemChanged(hwnd);
        } else if (hdr->code == NM_DBLCLK) {
          doubleClicks.push_back(*reinterpret_cast<const NMITEMACTIVATE*>(lParam));
        }
        *result = 0;
        return true;
      }
      default:
        return false;
    }
  }

  std::vector<UINT> messages;
  std::vector<std::pair<int, int>> commands;  // id, notification code
  std::vector<NMLISTVIEW> changes;
  std::vector<NMITEMACTIVATE> doubleClicks;
  LPARAM initLParam = 0;
  std::string titleAtInit;
  bool endOnCommand = true;
  std::function<void(HWND)> onInit;
  std::function<void(HWND)> onItemChanged;

 private:
  SimDesktop& desk_;
};

class SimDialogTest : public ::testing::Test {
 protected:
  SimDialogTest() : desk(::testing::TempDir() + "morimo_sim_dialogs"), host(desk) {
    SetOs(&desk);
    desk.AddDialogTemplate(TestTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  }
  ~SimDialogTest() override { SetOs(nullptr); }

  HWND Open() {
    HWND d = desk.CreateDialogU8(kTemplate, nullptr, &host);
    EXPECT_NE(d, nullptr);
    return d;
  }
  HWND Item(HWND d, int id) { return desk.GetDlgItem(d, id); }
  std::vector<std::string> Texts(HWND list) {
    std::vector<std::string> texts;
    for (int i = 0; i < ui::ListViewItemCount(list); ++i)
      texts.push_back(desk.ListViewGetItemText(list, i));
    return texts;
  }

  SimDesktop desk;
  Host host;
};

// ---- building and driving a dialog ------------------------------------------------

TEST_F(SimDialogTest, DialogIsBuiltFromItsTemplate) {
  HWND d = Open();
  EXPECT_EQ(host.messages.front(), WM_INITDIALOG);
  EXPECT_EQ(host.initLParam, reinterpret_cast<LPARAM>(&host));
  EXPECT_EQ(host.titleAtInit, "ルールの編集");  // the title is there during initialisation
  EXPECT_EQ(desk.DialogTitleUtf8(d), "ルールの編集");
  char cls[16];
  desk.GetClassNameA(d, cls, sizeof cls);
  EXPECT_STREQ(cls, "#32770");
  EXPECT_FALSE(desk.IsWindowVisible(d));  // no WS_VISIBLE in the template
  HWND cancel = Item(d, IDCANCEL);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(desk.GetDlgCtrlID(cancel), IDCANCEL);
  EXPECT_EQ(desk.GetWindowTextU8(cancel), "キャンセル");
  EXPECT_EQ(Item(d, 999), nullptr);
  EXPECT_FALSE(desk.IsWindowEnabled(Item(d, kDisabled)));
  // Controls are not top-level windows.
  const auto top = desk.TopLevelWindows();
  EXPECT_EQ(std::count(top.begin(), top.end(), d), 1);
  EXPECT_EQ(std::count(top.begin(), top.end(), cancel), 0);
}

TEST_F(SimDialogTest, VisibleTemplateShowsAndActivatesTheDialog) {
  desk.AddDialogTemplate(TestTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE));
  HWND d = Open();
  EXPECT_TRUE(desk.IsWindowVisible(d));
  EXPECT_TRUE(desk.IsWindowVisible(Item(d, IDOK)));
  EXPECT_EQ(desk.GetForegroundWindow(), d);
}

TEST_F(SimDialogTest, ButtonsSendTheirCommandAndCheckBoxesToggle) {
  HWND d = Open();
  EXPECT_TRUE(desk.ClickButton(d, kCheck));
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kCheck), BST_CHECKED);
  EXPECT_TRUE(desk.ClickButton(d, kCheck));
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kCheck), BST_UNCHECKED);
  EXPECT_EQ(host.commands, (std::vector<std::pair<int, int>>{{kCheck, BN_CLICKED},
                                                             {kCheck, BN_CLICKED}}));
  // Setting the check from the program sends nothing.
  desk.CheckDlgButton(d, kCheck, BST_CHECKED);
  EXPECT_EQ(host.commands.size(), 2u);
  // Disabled and missing buttons cannot be clicked.
  EXPECT_FALSE(desk.ClickButton(d, kDisabled));
  EXPECT_FALSE(desk.ClickButton(d, 999));
  desk.EnableWindow(Item(d, kDisabled), 1);
  EXPECT_TRUE(desk.ClickButton(d, kDisabled));
  EXPECT_EQ(host.commands.size(), 3u);
}

TEST_F(SimDialogTest, RadioButtonsClearTheOthersOfTheirGroupOnly) {
  HWND d = Open();
  desk.ClickButton(d, kRadio3);
  desk.ClickButton(d, kRadio1);
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kRadio1), BST_CHECKED);
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kRadio3), BST_CHECKED);  // another group
  desk.ClickButton(d, kRadio2);
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kRadio1), BST_UNCHECKED);
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kRadio2), BST_CHECKED);
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kRadio3), BST_CHECKED);
}

TEST_F(SimDialogTest, KeysAndTheCloseBoxBecomeOkAndCancel) {
  HWND d = Open();
  host.endOnCommand = false;
  desk.PressEnter(d);
  desk.PressEscape(d);
  desk.PressCloseBox(d);
  EXPECT_EQ(host.commands, (std::vector<std::pair<int, int>>{
                               {IDOK, BN_CLICKED}, {IDCANCEL, BN_CLICKED}, {IDCANCEL, BN_CLICKED}}));
  // A disabled default button ignores Enter, a disabled Cancel the close box.
  desk.EnableWindow(Item(d, IDOK), 0);
  desk.PressEnter(d);
  desk.EnableWindow(Item(d, IDCANCEL), 0);
  desk.PressCloseBox(d);
  EXPECT_EQ(host.commands.size(), 3u);
}

TEST_F(SimDialogTest, TypingReplacesTheTextAndReportsTheChange) {
  HWND d = Open();
  ASSERT_TRUE(desk.TypeText(d, kEdit, "メモ帳"));
  EXPECT_EQ(desk.GetWindowTextU8(Item(d, kEdit)), "メモ帳");
  char ansi[16];
  desk.GetWindowTextA(Item(d, kEdit), ansi, sizeof ansi);
  EXPECT_EQ(std::string(ansi), desk.Utf8ToAnsi("メモ帳"));
  EXPECT_EQ(host.commands.back(), (std::pair<int, int>{kEdit, EN_CHANGE}));
}

// ---- modal dialogs ------------------------------------------------------------------------

TEST_F(SimDialogTest, ModalDialogRunsItsScriptAndReturnsTheEndValue) {
  HWND owner = Open();
  desk.ShowWindow(owner, SW_SHOW);
  Host inner(desk);
  HWND seen = nullptr;
  bool ownerEnabledMeanwhile = true;
  desk.QueueModalScript([&](HWND dialog) {
    seen = dialog;
    ownerEnabledMeanwhile = desk.IsWindowEnabled(owner) != 0;
    EXPECT_TRUE(desk.IsWindowVisible(dialog));
    EXPECT_EQ(desk.GetForegroundWindow(), dialog);
    desk.ClickButton(dialog, kCheck);
    desk.PressEnter(dialog);
  });
  EXPECT_EQ(desk.DialogBoxU8(kTemplate, owner, &inner), IDOK);
  EXPECT_FALSE(ownerEnabledMeanwhile);
  EXPECT_TRUE(desk.IsWindowEnabled(owner));
  EXPECT_FALSE(desk.IsWindow(seen));  // gone once it returned
  EXPECT_EQ(inner.messages.back(), WM_DESTROY);
}

TEST_F(SimDialogTest, ModalDialogWithoutScriptIsCancelled) {
  Host inner(desk);
  EXPECT_EQ(desk.DialogBoxU8(kTemplate, nullptr, &inner), IDCANCEL);
  EXPECT_EQ(inner.commands, (std::vector<std::pair<int, int>>{{IDCANCEL, BN_CLICKED}}));
  // Even a dialog that ignores Escape ends.
  Host stubborn(desk);
  stubborn.endOnCommand = false;
  EXPECT_EQ(desk.DialogBoxU8(kTemplate, nullptr, &stubborn), IDCANCEL);
  EXPECT_EQ(desk.DialogBoxU8(12345, nullptr, &stubborn), -1);  // no such template
}

TEST_F(SimDialogTest, NestedModalDialogsTakeTheScriptsInOrder) {
  Host outer(desk), inner(desk);
  std::vector<std::string> order;
  desk.QueueModalScript([&](HWND dialog) {
    order.push_back("outer");
    EXPECT_EQ(desk.DialogBoxU8(kTemplate, dialog, &inner), 7);
    desk.EndDialog(dialog, 3);
  });
  desk.QueueModalScript([&](HWND dialog) {
    order.push_back("inner");
    desk.EndDialog(dialog, 7);
  });
  EXPECT_EQ(desk.DialogBoxU8(kTemplate, nullptr, &outer), 3);
  EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner"}));
}

TEST_F(SimDialogTest, DialogEndedDuringInitialisationSkipsItsScript) {
  Host quick(desk);
  quick.onInit = [&](HWND dialog) { desk.EndDialog(dialog, 5); };
  bool ran = false;
  desk.QueueModalScript([&](HWND) { ran = true; });
  EXPECT_EQ(desk.DialogBoxU8(kTemplate, nullptr, &quick), 5);
  EXPECT_FALSE(ran);
}

// ---- list views -----------------------------------------------------------------------------

TEST_F(SimDialogTest, InsertAppendsPastTheEndAndReturnsTheIndex) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "b", 0), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "c", 1), 1);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 0, "a", 2), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, -1, "x", 0), -1);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(desk.ListViewInsertItemU8(Item(d, IDOK), 0, "not a list", 0), -1);
}

// The orders below are those Wine's list view gives (code page 932).
TEST_F(SimDialogTest, SortedListKeepsItsItemsInTextOrderIgnoringCase) {
  HWND d = Open();
  HWND list = Item(d, kSorted);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "Notepad", 0), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "calc", 0), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "Zebra", 0), 2);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 0, "mail", 0), 1);  // the index asked for is ignored
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "notepad", 0), 2);  // before its equal
  // "ア" (83 41) has the trail byte 'A', which is not folded as a letter.
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, desk.AnsiToUtf8("\x83\x61"), 0), 5);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, desk.AnsiToUtf8("\x83\x41"), 0), 5);
  // Hyphens do not count; punctuation sorts before letters.
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "a-b", 0), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "ab", 0), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "_x", 0), 0);
  EXPECT_EQ(desk.ListViewInsertItemU8(list, 9999, "[y", 0), 0);
  EXPECT_EQ(Texts(list),
            (std::vector<std::string>{"[y", "_x", "ab", "a-b", "calc", "mail", "notepad", "Notepad",
                                      "Zebra", "\x83\x41", "\x83\x61"}));
}

TEST_F(SimDialogTest, ItemDataAndStateWithTheirNotifications) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  desk.ListViewInsertItemU8(list, 9999, "a", 0);
  desk.ListViewInsertItemU8(list, 9999, "b", 0);
  EXPECT_TRUE(host.changes.empty());  // inserting reports no change
  ASSERT_TRUE(desk.ListViewSetItemParam(list, 1, 0x1234));
  EXPECT_EQ(desk.ListViewGetItemParam(list, 1), 0x1234);
  ASSERT_EQ(host.changes.size(), 1u);
  EXPECT_EQ(host.changes[0].uChanged, LVIF_PARAM);
  EXPECT_EQ(host.changes[0].iItem, 1);
  EXPECT_EQ(host.changes[0].lParam, 0x1234);  // the new data
  EXPECT_EQ(host.changes[0].uNewState, 0u);
  EXPECT_EQ(host.changes[0].hdr.idFrom, static_cast<UINT_PTR>(kPlain));
  EXPECT_EQ(host.changes[0].hdr.hwndFrom, list);
  EXPECT_EQ(desk.ListViewFindItemByParam(list, -1, 0x1234), 1);
  EXPECT_EQ(desk.ListViewFindItemByParam(list, 1, 0x1234), -1);  // searches after `start`

  // The program ghosts an item: one notification, and none when nothing changes.
  ASSERT_TRUE(desk.ListViewSetItemState(list, 0, LVIS_CUT, LVIS_CUT));
  ASSERT_TRUE(desk.ListViewSetItemState(list, 0, LVIS_CUT, LVIS_CUT));
  ASSERT_EQ(host.changes.size(), 2u);
  EXPECT_EQ(host.changes[1].uChanged, LVIF_STATE);
  EXPECT_EQ(host.changes[1].uOldState, 0u);
  EXPECT_EQ(host.changes[1].uNewState, LVIS_CUT);
  EXPECT_EQ(desk.ListViewGetItemState(list, 0, LVIS_CUT | LVIS_SELECTED), LVIS_CUT);
  // Index -1 stands for every item.
  desk.ListViewSetItemState(list, -1, 0, LVIS_CUT);
  EXPECT_EQ(desk.ListViewGetItemState(list, 0, LVIS_CUT), 0u);
  EXPECT_FALSE(desk.ListViewSetItemState(list, 5, LVIS_CUT, LVIS_CUT));

  EXPECT_TRUE(ui::ListViewDeleteItem(list, 0));
  EXPECT_FALSE(ui::ListViewDeleteItem(list, 1));
  EXPECT_EQ(Texts(list), std::vector<std::string>{"b"});
  EXPECT_EQ(desk.ListViewGetItemParam(list, 0), 0x1234);
}

TEST_F(SimDialogTest, DeletingASelectedItemReportsItsDeselectionAndKeepsTheFocusInPlace) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  for (const char* t : {"a", "b", "c"}) desk.ListViewInsertItemU8(list, 9999, t, 0);
  desk.SelectListItems(d, kPlain, {1});
  host.changes.clear();
  ASSERT_TRUE(ui::ListViewDeleteItem(list, 0));  // neither selected nor focused
  EXPECT_TRUE(host.changes.empty());
  ASSERT_TRUE(ui::ListViewDeleteItem(list, 0));  // "b"
  ASSERT_EQ(host.changes.size(), 1u);
  EXPECT_EQ(host.changes[0].uOldState, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(host.changes[0].uNewState, 0u);
  EXPECT_EQ(desk.ListViewGetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED), LVIS_FOCUSED);
}

TEST_F(SimDialogTest, SingleSelectionListDeselectsTheOtherItemForTheProgramToo) {
  HWND d = Open();
  HWND list = Item(d, kSingle);
  desk.ListViewInsertItemU8(list, 9999, "a", 0);
  desk.ListViewInsertItemU8(list, 9999, "b", 0);
  desk.ListViewSetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  host.changes.clear();
  desk.ListViewSetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
  ASSERT_EQ(host.changes.size(), 2u);
  EXPECT_EQ(host.changes[0].iItem, 0);
  EXPECT_EQ(host.changes[0].uNewState, 0u);
  EXPECT_EQ(host.changes[1].iItem, 1);
  EXPECT_EQ(ui::ListViewSelectedCount(list), 1);
}

TEST_F(SimDialogTest, SelectingReportsEachChangedItemLosersFirst) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  for (const char* t : {"a", "b", "c"}) desk.ListViewInsertItemU8(list, 9999, t, 0);
  for (int i = 0; i < 3; ++i) desk.ListViewSetItemParam(list, i, 100 + i);
  host.changes.clear();

  ASSERT_TRUE(desk.SelectListItems(d, kPlain, {0}));
  ASSERT_EQ(host.changes.size(), 1u);
  EXPECT_EQ(host.changes[0].iItem, 0);
  EXPECT_EQ(host.changes[0].uNewState, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(host.changes[0].uOldState, 0u);
  EXPECT_EQ(host.changes[0].lParam, 100);

  host.changes.clear();
  desk.SelectListItems(d, kPlain, {1, 2});
  ASSERT_EQ(host.changes.size(), 3u);
  EXPECT_EQ(host.changes[0].iItem, 0);
  EXPECT_EQ(host.changes[0].uNewState, 0u);
  EXPECT_EQ(host.changes[1].iItem, 1);
  EXPECT_EQ(host.changes[1].uNewState, LVIS_SELECTED);
  EXPECT_EQ(host.changes[2].iItem, 2);
  EXPECT_EQ(host.changes[2].uNewState, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(ui::ListViewSelectedCount(list), 2);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), 1);
  EXPECT_EQ(ui::ListViewNextItem(list, 1, LVNI_SELECTED), 2);
  EXPECT_EQ(ui::ListViewNextItem(list, 2, LVNI_SELECTED), -1);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_ALL), 0);

  // Clicking empty space clears the selection; the focus stays.
  host.changes.clear();
  desk.SelectListItems(d, kPlain, {});
  EXPECT_EQ(ui::ListViewSelectedCount(list), 0);
  EXPECT_EQ(desk.ListViewGetItemState(list, 2, LVIS_FOCUSED), LVIS_FOCUSED);
  EXPECT_EQ(host.changes.size(), 2u);
  EXPECT_FALSE(desk.SelectListItems(d, kPlain, {7}));
}

TEST_F(SimDialogTest, FocusMovesAlongWhenTheProgramSetsIt) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  desk.ListViewInsertItemU8(list, 9999, "a", 0);
  desk.ListViewInsertItemU8(list, 9999, "b", 0);
  desk.SelectListItems(d, kPlain, {0});
  desk.ListViewSetItemState(list, 1, LVIS_FOCUSED, LVIS_FOCUSED);
  EXPECT_EQ(desk.ListViewGetItemState(list, 0, LVIS_FOCUSED), 0u);
  EXPECT_EQ(desk.ListViewGetItemState(list, 0, LVIS_SELECTED), LVIS_SELECTED);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_FOCUSED), 1);
}

TEST_F(SimDialogTest, SingleSelectionListKeepsTheLastItem) {
  HWND d = Open();
  HWND list = Item(d, kSingle);
  for (const char* t : {"a", "b", "c"}) desk.ListViewInsertItemU8(list, 9999, t, 0);
  desk.SelectListItems(d, kSingle, {0, 2});
  EXPECT_EQ(ui::ListViewSelectedCount(list), 1);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), 2);
}

TEST_F(SimDialogTest, DoubleClickSelectsThenReportsTheItem) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  desk.ListViewInsertItemU8(list, 9999, "a", 0);
  desk.ListViewInsertItemU8(list, 9999, "b", 0);
  ASSERT_TRUE(desk.DoubleClickListItem(d, kPlain, 1));
  ASSERT_EQ(host.doubleClicks.size(), 1u);
  EXPECT_EQ(host.doubleClicks[0].iItem, 1);
  EXPECT_EQ(host.doubleClicks[0].hdr.code, NM_DBLCLK);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), 1);
  // The notifications came before the double click.
  auto notify = std::find(host.messages.begin(), host.messages.end(), WM_NOTIFY);
  EXPECT_NE(notify, host.messages.end());
  ASSERT_TRUE(desk.DoubleClickListItem(d, kPlain, -1));
  EXPECT_EQ(host.doubleClicks.back().iItem, -1);
  EXPECT_EQ(ui::ListViewSelectedCount(list), 0);
}

TEST_F(SimDialogTest, HandlerMayChangeTheListWhileItIsNotified) {
  HWND d = Open();
  HWND list = Item(d, kPlain);
  for (const char* t : {"a", "b", "c"}) desk.ListViewInsertItemU8(list, 9999, t, 0);
  // As a handler refreshing ghosting on every change does.
  host.onItemChanged = [&](HWND) {
    for (int i = 0; i < ui::ListViewItemCount(list); ++i)
      desk.ListViewSetItemState(list, i, i == 1 ? LVIS_CUT : 0, LVIS_CUT);
  };
  desk.SelectListItems(d, kPlain, {0, 1, 2});
  EXPECT_EQ(ui::ListViewSelectedCount(list), 3);
  EXPECT_EQ(desk.ListViewGetItemState(list, 1, LVIS_CUT), LVIS_CUT);
  host.onItemChanged = [&](HWND) {
    if (ui::ListViewItemCount(list) > 0) ui::ListViewDeleteItem(list, 0);
  };
  desk.SelectListItems(d, kPlain, {});
  EXPECT_LT(ui::ListViewItemCount(list), 3);
}

TEST_F(SimDialogTest, ImageListsGrowByReplaceAtMinusOne) {
  HIMAGELIST images = desk.ImageListCreate(32, 32, ILC_COLOR32 | ILC_MASK, 50, 100);
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(desk.ImageListReplaceIcon(images, -1, reinterpret_cast<HICON>(0x10)), 0);
  EXPECT_EQ(desk.ImageListReplaceIcon(images, -1, reinterpret_cast<HICON>(0x11)), 1);
  EXPECT_EQ(desk.ImageListReplaceIcon(images, 0, reinterpret_cast<HICON>(0x12)), 0);
  EXPECT_EQ(desk.ImageListReplaceIcon(images, 5, reinterpret_cast<HICON>(0x12)), -1);
  EXPECT_EQ(desk.ImageListReplaceIcon(images, -1, nullptr), -1);
  HWND d = Open();
  EXPECT_EQ(ui::ListViewSetImageList(Item(d, kPlain), images, LVSIL_NORMAL), nullptr);
  EXPECT_EQ(ui::ListViewSetImageList(Item(d, kPlain), nullptr, LVSIL_NORMAL), images);
  EXPECT_TRUE(desk.ImageListDestroy(images));
  EXPECT_FALSE(desk.ImageListDestroy(images));
}

}  // namespace
}  // namespace mm::sim
