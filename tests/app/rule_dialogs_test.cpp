// The rule dialogs as the manager opens them: the rule list from the
// settings button and the main menu, with its window picker, and the rule
// editor from the properties of a managed window.
#include <algorithm>
#include <functional>
#include <vector>

#include "dialogs/manage_dialog.h"
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

class RuleDialogsTest : public AppWorld {
 protected:
  HWND Item(HWND d, int id) { return desk.GetDlgItem(d, id); }

  // Opens the rule list with the manager's settings button; the script
  // acts on it, and it is closed with Escape when the script leaves it open.
  void OpenRuleList(std::function<void(HWND)> script) {
    desk.QueueModalScript(std::move(script));
    ASSERT_TRUE(desk.ClickButton(dlg->Hwnd(), IDC_BUTTON_SETTING));
  }
  // The script for the next editor that opens.
  void ThenEditor(std::function<void(HWND)> script) { desk.QueueModalScript(std::move(script)); }

  // The window list's row of the window, found by its caption as a user
  // finds it (the list keeps no item data: its rows are the dialog's), or -1.
  int WindowRow(HWND d, HWND window) {
    HWND list = Item(d, IDC_LIST_TOPLEVEL);
    const std::string caption = desk.GetWindowTextU8(window);
    for (int row = 0; row < ui::ListViewItemCount(list); ++row) {
      if (desk.ListViewCellUtf8(list, row, 0) == caption) return row;
    }
    return -1;
  }
  bool SelectWindow(HWND d, HWND window) {
    const int row = WindowRow(d, window);
    return row >= 0 && desk.SelectListItems(d, IDC_LIST_TOPLEVEL, {row});
  }
  std::string StateCell(HWND d, HWND window) {
    return desk.ListViewCellUtf8(Item(d, IDC_LIST_TOPLEVEL), WindowRow(d, window), 1);
  }
  bool Enabled(HWND d, int id) { return desk.IsWindowEnabled(Item(d, id)) != 0; }
  // Whether the popup menu opened last shows command `id` greyed.
  bool LastMenuGreys(UINT id) {
    for (const auto& item : desk.TrackedMenus().back().items) {
      if (item.id == id) return (item.flags & MF_GRAYED) != 0;
    }
    return false;
  }

  // Drags the picker's target icon to a screen point and lets go there.
  void DragPickerTo(HWND d, POINT to) {
    RECT icon{};
    ASSERT_TRUE(desk.GetWindowRect(Item(d, IDC_PICK_TARGET), &icon));
    desk.UserMouseDown(POINT{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2});
    desk.UserMouseMove(to);
    EXPECT_EQ(desk.CurrentCursorResource(), IDC_PICK_CURSOR);
    desk.UserMouseUp(to);
    EXPECT_EQ(desk.CurrentCursorResource(), 0);
  }
};

// A WPF window's class ends in a GUID made at each start: the rule made
// from it compares the part that stays, says so, and still adopts the
// program's window after the program restarts.
TEST_F(RuleDialogsTest, AWindowWhoseClassChangesPerRunGetsARuleThatOutlivesARestart) {
  Start();
  sim::WindowSpec spec;
  spec.caption = "Report";
  spec.className = "HwndWrapper[Report.exe;;11111111-2222-3333-4444-555555555555]";
  spec.processId = 3001;
  spec.programPath = "C:\\Apps\\Report.exe";
  HWND first = desk.AddWindow(spec);
  OpenRuleList([&](HWND d) {
    HWND windows = Item(d, IDC_LIST_TOPLEVEL);
    EXPECT_EQ(desk.ListViewCellUtf8(windows, WindowRow(d, first), 3), "Report.exe");
    ASSERT_TRUE(SelectWindow(d, first));
    ThenEditor([&](HWND editor) {
      EXPECT_EQ(desk.GetWindowTextU8(Item(editor, IDC_EDIT_CLASSNAME)), "HwndWrapper[Report.exe;;");
      EXPECT_EQ(ui::ComboBoxCurSel(Item(editor, IDC_COMBO_CLASS_MATCH)), CaptionMatch::StartsWith);
      EXPECT_EQ(desk.GetWindowTextU8(Item(editor, IDC_EDIT_EXENAME)), "Report.exe");
      EXPECT_NE(desk.GetWindowTextU8(Item(editor, IDC_STATIC_EDITOR_NOTE)), "");
      desk.ClickButton(editor, IDC_CHECK_USE_CAPTION);  // the class alone
      desk.PressEnter(editor);
    });
    desk.PressEnter(d);
  });
  desk.CloseWindow(first);
  spec.className = "HwndWrapper[Report.exe;;99999999-8888-7777-6666-555555555555]";
  HWND second = desk.AddWindow(spec);
  Tick();
  EXPECT_NE(Managed(second), nullptr);
}

// A title with characters the ANSI code page lacks is matched by what it
// holds, shown whole in both lists (its tip: the tray window tests), and a
// rule made from it tests only the part without the lost characters,
// saying so.
TEST_F(RuleDialogsTest, ATitleBeyondTheCodePageIsShownWholeAndItsRuleAvoidsTheLostCharacters) {
  CTrayWndSpec& rule = AddRule(desk.Utf8ToAnsi("テスト"));
  rule.CaptionMatchType = CaptionMatch::Contains;
  Start();
  const std::string title = "\xC3\x9Cn\xC3\xAF \xF0\x9F\x8E\xB5 \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 テスト";
  HWND matched = AddWindow("");
  desk.SetCaptionUtf8(matched, title);
  Tick();
  ASSERT_NE(Managed(matched), nullptr);
  EXPECT_EQ(desk.ListViewCellUtf8(List(), ListIndexOf(matched), 0), title);

  HWND chat = AddWindow("");
  desk.SetCaptionUtf8(chat, "Chat \xF0\x9F\x8E\xB5 \xED\x95\x9C");  // "Chat 🎵 한"
  OpenRuleList([&](HWND d) {
    ASSERT_TRUE(SelectWindow(d, chat)) << "listed with its whole title";
    ThenEditor([&](HWND editor) {
      EXPECT_EQ(desk.GetWindowTextU8(Item(editor, IDC_EDIT_CAPTION)), "Chat");
      EXPECT_EQ(desk.IsDlgButtonChecked(editor, IDC_RADIO_MATCH_CONTAIN), BST_CHECKED);
      EXPECT_NE(desk.GetWindowTextU8(Item(editor, IDC_STATIC_EDITOR_NOTE)), "");
    });
    desk.PressEnter(d);
  });
}

TEST_F(RuleDialogsTest, EnterAddsARuleTheManagerSavesAndTheNextScanUses) {
  Start();
  HWND target = AddWindow("Target window", true, "TargetClass");
  desk.MouseOnTrayIcon(dlg->Hwnd(), dlg->Self()->Id(), WM_LBUTTONDOWN);  // the manager shows
  ASSERT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
  OpenRuleList([&](HWND d) {
    EXPECT_EQ(desk.DialogTitleUtf8(d), "ウインドウ情報の追加と削除");
    EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
    ASSERT_TRUE(SelectWindow(d, target));
    ThenEditor([&](HWND editor) {
      EXPECT_EQ(desk.GetWindowTextU8(Item(editor, IDC_EDIT_USERNAME)), "Target window");
      EXPECT_EQ(desk.GetWindowTextU8(Item(editor, IDC_EDIT_CLASSNAME)), "TargetClass");
      desk.ClickButton(editor, IDC_RADIO_MATCH_START);
      desk.PressEnter(editor);
    });
    desk.PressEnter(d);  // the list has the focus: Add
    HWND rules = Item(d, IDC_LIST_RULES);
    ASSERT_EQ(ui::ListViewItemCount(rules), 1);
    EXPECT_EQ(desk.ListViewCellUtf8(rules, 0, 1), "Target window");
    EXPECT_EQ(desk.ListViewCellUtf8(rules, 0, 2), "TargetClass");
    EXPECT_TRUE(desk.IsWindowVisible(d));  // still open
    // Nothing is saved or adopted while the dialog is open.
    TraySpecList saved;
    ReadSettings(&saved);
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(Managed(target), nullptr);
  });
  EXPECT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
  TraySpecList saved;
  ReadSettings(&saved);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.front()->Caption, "Target window");
  EXPECT_EQ(saved.front()->CaptionMatchType, CaptionMatch::StartsWith);
  Tick();
  EXPECT_NE(Managed(target), nullptr);
}

TEST_F(RuleDialogsTest, FromTheMainMenuTheHiddenManagerStaysHiddenAndMenusGreySettings) {
  Start();
  ASSERT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
  const UINT self = dlg->Self()->Id();
  bool greyed = false;
  desk.QueueModalScript([&](HWND) {
    desk.MouseOnTrayIcon(dlg->Hwnd(), self, WM_RBUTTONUP);
    greyed = LastMenuGreys(ID_MENU_SETTING);
  });
  desk.QueueMenuChoice(ID_MENU_SETTING);
  desk.MouseOnTrayIcon(dlg->Hwnd(), self, WM_RBUTTONUP);
  EXPECT_TRUE(greyed);
  EXPECT_FALSE(desk.IsWindowVisible(dlg->Hwnd()));
}

TEST_F(RuleDialogsTest, DoubleClicksActOnlyOnASelectedRowAndEditInPlace) {
  AddRule("Win");
  Start();
  const CTrayWndSpec* rule = dlg->Rules().front().get();
  int editors = 0;
  OpenRuleList([&](HWND d) {
    ThenEditor([&](HWND editor) {
      ++editors;
      desk.ClickButton(editor, IDC_CHECK_SHOW_TOPMOST);
      desk.PressEnter(editor);
    });
    desk.DoubleClickListItem(d, IDC_LIST_TOPLEVEL, -1);
    desk.DoubleClickListItem(d, IDC_LIST_RULES, -1);
    EXPECT_EQ(editors, 0);
    desk.DoubleClickListItem(d, IDC_LIST_RULES, 0);
    EXPECT_EQ(editors, 1);
    EXPECT_EQ(desk.ListViewCellUtf8(Item(d, IDC_LIST_RULES), 0, 6), "する");
  });
  ASSERT_EQ(dlg->Rules().size(), 1u);
  EXPECT_EQ(dlg->Rules().front().get(), rule);  // the same rule, changed
  EXPECT_EQ(rule->ShowTopMost, 1);
}

TEST_F(RuleDialogsTest, CancellingTheEditorAfterAddEditOrAPickChangesNothing) {
  AddRule("Win");
  Start();
  sim::WindowSpec spec;
  spec.caption = "Target";
  spec.rect = {900, 100, 1200, 400};
  HWND target = desk.AddWindow(spec);
  CTrayWndSpec before;
  CopyRuleFields(*dlg->Rules().front(), before);
  int editors = 0;
  auto cancel = [&](HWND editor) {
    ++editors;
    desk.TypeText(editor, IDC_EDIT_CAPTION, "changed");
    desk.ClickButton(editor, IDC_CHECK_HIDE_ICONIZED);
    desk.PressEscape(editor);
  };
  OpenRuleList([&](HWND d) {
    ThenEditor(cancel);
    ASSERT_TRUE(SelectWindow(d, target));
    desk.ClickButton(d, IDOK);
    ThenEditor(cancel);
    ASSERT_TRUE(desk.SelectListItems(d, IDC_LIST_RULES, {0}));
    desk.ClickButton(d, IDC_BUTTON_EDIT);
    ThenEditor(cancel);
    DragPickerTo(d, POINT{1000, 200});
  });
  EXPECT_EQ(editors, 3);
  ASSERT_EQ(dlg->Rules().size(), 1u);
  EXPECT_TRUE(SameRuleFields(*dlg->Rules().front(), before));
}

TEST_F(RuleDialogsTest, DeletingARuleLetsItsWindowsGoBeforeTheRuleGoes) {
  AddRule("Win");
  Start();
  std::vector<HWND> windows = {AddWindow("Win 1"), AddWindow("Win 2"), AddWindow("Win 3")};
  Tick();
  desk.UserMinimize(windows[0]);
  Tick();
  ASSERT_FALSE(desk.IsWindowVisible(windows[0]));
  OpenRuleList([&](HWND d) {
    ASSERT_TRUE(desk.SelectListItems(d, IDC_LIST_RULES, {0}));
    desk.QueueMessageBoxAnswer(IDNO);
    desk.ClickButton(d, IDC_BUTTON_DELETE);
    EXPECT_EQ(dlg->Rules().size(), 1u);
    desk.QueueMessageBoxAnswer(IDYES);
    desk.ClickButton(d, IDC_BUTTON_DELETE);
    EXPECT_EQ(ui::ListViewItemCount(Item(d, IDC_LIST_RULES)), 0);
    EXPECT_FALSE(Enabled(d, IDC_BUTTON_DELETE));
  });
  ASSERT_EQ(desk.MessageBoxes().size(), 2u);
  EXPECT_EQ(desk.MessageBoxes()[0].textUtf8, "選択中のアイテムを削除します。\n\nよろしいですか？");
  EXPECT_TRUE(dlg->Rules().empty());
  // The manager let every window of the rule go while the rule was still
  // its own (it ignores a rule it does not hold).
  for (HWND w : windows) EXPECT_EQ(Managed(w), nullptr);
  EXPECT_TRUE(desk.IsWindowVisible(windows[0]));
  EXPECT_TRUE(ListTexts().empty());
  EXPECT_EQ(RecoveryFile(), std::vector<HWND>{dlg->Hwnd()});
  TraySpecList saved;
  ReadSettings(&saved);
  EXPECT_TRUE(saved.empty());
}

TEST_F(RuleDialogsTest, PickingTakesTheTopLevelWindowOfAControlOrAnOwnedPopup) {
  Start();
  sim::WindowSpec frame;
  frame.caption = "Frame";
  frame.className = "FrameClass";
  frame.rect = {900, 100, 1200, 400};
  HWND frameWindow = desk.AddWindow(frame);
  sim::WindowSpec control;
  control.caption = "OK";
  control.className = "Button";
  control.parent = frameWindow;
  control.rect = {10, 10, 110, 40};
  desk.AddWindow(control);
  sim::WindowSpec main;
  main.caption = "Main";
  main.className = "MainClass";
  main.rect = {900, 500, 1200, 800};
  HWND mainWindow = desk.AddWindow(main);
  sim::WindowSpec dialog;
  dialog.caption = "Find";
  dialog.style = WS_POPUP | WS_CAPTION;
  dialog.owner = mainWindow;
  dialog.rect = {950, 550, 1150, 750};
  sim::WindowSpec tool = dialog;
  tool.caption = "Tool";
  tool.owner = desk.AddWindow(dialog);
  tool.rect = {960, 560, 1010, 600};
  desk.AddWindow(tool);

  std::vector<std::string> picked;
  auto record = [&](HWND editor) {
    picked.push_back(desk.GetWindowTextU8(Item(editor, IDC_EDIT_CAPTION)) + "/" +
                     desk.GetWindowTextU8(Item(editor, IDC_EDIT_CLASSNAME)));
    desk.PressEscape(editor);
  };
  OpenRuleList([&](HWND d) {
    ThenEditor(record);
    DragPickerTo(d, POINT{915, 115});  // the frame's button
    ThenEditor(record);
    DragPickerTo(d, POINT{970, 570});  // the tool window of the frame's dialog
    // A press beside the target starts no drag; a release over the desktop
    // picks nothing.
    desk.UserMouseDown(POINT{5, 5});
    desk.UserMouseUp(POINT{1000, 200});
    DragPickerTo(d, POINT{1270, 1010});
  });
  EXPECT_EQ(picked, (std::vector<std::string>{"Frame/FrameClass", "Main/MainClass"}));
}

TEST_F(RuleDialogsTest, ShowAndHideNeverWaitForAHungProgram) {
  Start();
  HWND hung = AddWindow("Busy");
  desk.SetHung(hung, true);
  OpenRuleList([&](HWND d) {
    ASSERT_TRUE(SelectWindow(d, hung));
    ASSERT_TRUE(desk.ClickButton(d, IDC_BUTTON_HIDE));  // would abort if it waited
    EXPECT_EQ(StateCell(d, hung), "表示");
    desk.SetHung(hung, false);
    desk.Pump();  // the program carries the request out
    EXPECT_FALSE(desk.IsWindowVisible(hung));
    desk.AdvanceTime(CManageDialog::kShowStatePeriodMs);
    EXPECT_EQ(StateCell(d, hung), "非表示");
    EXPECT_TRUE(Enabled(d, IDC_BUTTON_SHOW));
    EXPECT_FALSE(Enabled(d, IDC_BUTTON_HIDE));
  });
}

TEST_F(RuleDialogsTest, ASearchAsksAProgramThatDoesNotAnswerOnlyOnce) {
  Start();
  sim::WindowSpec spec;
  spec.processId = 2000;
  spec.caption = "Hung 1";
  HWND first = desk.AddWindow(spec);
  spec.caption = "Hung 2";
  HWND second = desk.AddWindow(spec);
  desk.SetHung(first, true);
  desk.SetHung(second, true);
  HWND hidden = AddWindow("Hidden", false);
  OpenRuleList([&](HWND d) {
    EXPECT_EQ(CountMessages(first, WM_GETICON) + CountMessages(second, WM_GETICON), 1);
    EXPECT_GE(WindowRow(d, second), 0);
    // The filters act at the next search.
    desk.ClickButton(d, IDC_CHECK_HIDDEN);
    EXPECT_LT(WindowRow(d, hidden), 0);
    desk.ClickButton(d, IDC_BUTTON_RESEARCH);
    EXPECT_EQ(StateCell(d, hidden), "非表示");
  });
}

TEST_F(RuleDialogsTest, WindowRowsShowTheirTextsAndIconsInZOrderAndASearchDropsTheSelection) {
  Start();
  HWND plain = AddWindow("Plain", true, "PlainClass");
  HWND iconic = AddWindow("Iconic", false, "IconClass");
  const HICON icon = reinterpret_cast<HICON>(0x7700);
  desk.SetIcons(iconic, icon, nullptr);
  OpenRuleList([&](HWND d) {
    HWND list = Item(d, IDC_LIST_TOPLEVEL);
    desk.ClickButton(d, IDC_CHECK_HIDDEN);
    desk.ClickButton(d, IDC_BUTTON_RESEARCH);
    const std::vector<HWND> z = desk.TopLevelWindows();
    const bool plainAbove =
        std::find(z.begin(), z.end(), plain) < std::find(z.begin(), z.end(), iconic);
    const int plainRow = WindowRow(d, plain);
    const int iconRow = WindowRow(d, iconic);
    ASSERT_GE(plainRow, 0);
    ASSERT_GE(iconRow, 0);
    EXPECT_EQ(plainRow < iconRow, plainAbove);
    EXPECT_EQ(desk.ListViewCellUtf8(list, iconRow, 1), "非表示");
    EXPECT_EQ(desk.ListViewCellUtf8(list, iconRow, 2), "IconClass");
    EXPECT_EQ(desk.ListViewItemImage(list, plainRow), I_IMAGENONE);
    HIMAGELIST images = ui::ListViewImageList(list, LVSIL_SMALL);
    EXPECT_EQ(desk.ImageListIcon(images, desk.ListViewItemImage(list, iconRow)), icon);
    // Columns fit the rows' texts, which the list asks the dialog for.
    EXPECT_GT(ui::ListViewColumnWidth(list, 2), ui::ListViewColumnWidth(list, 1));
    // After a search no row is selected: the old row may be another window's now.
    ASSERT_TRUE(desk.SelectListItems(d, IDC_LIST_TOPLEVEL, {plainRow}));
    EXPECT_TRUE(Enabled(d, IDOK));
    desk.ClickButton(d, IDC_BUTTON_RESEARCH);
    EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), -1);
    EXPECT_FALSE(Enabled(d, IDOK));
  });
}

// The editor has no owner, so the manager's exit button stays usable while
// it is open; declining the exit must not end the editor's modal state.
TEST_F(RuleDialogsTest, AnExitDeclinedWhileTheEditorIsOpenStillGreysSettings) {
  AddRule("Win");
  Start();
  HWND window = AddWindow("Win 1");
  Tick();
  const UINT id = Managed(window)->Id();
  bool greyed = false;
  desk.QueueModalScript([&](HWND editor) {
    desk.QueueMessageBoxAnswer(IDNO);
    desk.ClickButton(dlg->Hwnd(), IDC_BUTTON_EXIT);
    desk.MouseOnTrayIcon(dlg->Hwnd(), id, WM_RBUTTONUP);
    greyed = LastMenuGreys(ID_MENU_SETTING);
    desk.PressEscape(editor);
  });
  desk.QueueMenuChoice(ID_MENU_SETTING);
  desk.MouseOnTrayIcon(dlg->Hwnd(), id, WM_RBUTTONUP);
  EXPECT_TRUE(greyed);
}

TEST_F(RuleDialogsTest, PropertiesChangeTheRuleOfTheCurrentWindowAndSave) {
  AddRule("Win");
  Start();
  HWND window = AddWindow("Win 1");
  Tick();
  const UINT id = Managed(window)->Id();
  auto properties = [&](std::function<void(HWND)> script) {
    desk.QueueModalScript(std::move(script));
    desk.QueueMenuChoice(ID_MENU_SETTING);
    desk.MouseOnTrayIcon(dlg->Hwnd(), id, WM_RBUTTONUP);
  };
  properties([&](HWND editor) {
    EXPECT_EQ(desk.GetParent(editor), nullptr);
    desk.ClickButton(editor, IDC_CHECK_HIDE_ICONIZED);
    desk.PressEscape(editor);
  });
  EXPECT_EQ(dlg->Rules().front()->HideIfIconized, 1);
  properties([&](HWND editor) {
    desk.ClickButton(editor, IDC_CHECK_HIDE_ICONIZED);
    desk.PressEnter(editor);
  });
  EXPECT_EQ(dlg->Rules().front()->HideIfIconized, 0);
  TraySpecList saved;
  ReadSettings(&saved);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.front()->HideIfIconized, 0);
  desk.UserMinimize(window);
  Tick();
  EXPECT_TRUE(desk.IsWindowVisible(window));
}


TEST_F(RuleDialogsTest, AtHighDpiListImagesAndTheTrayIconHaveTheSystemsSizes) {
  desk.SetScreenDpi(144);
  Start();
  EXPECT_EQ(desk.ImageListIconWidth(ui::ListViewImageList(List(), LVSIL_NORMAL)), 48);
  ASSERT_EQ(desk.TrayIcons().size(), 1u);
  EXPECT_EQ(desk.TrayIcons()[0].icon, desk.LoadAppSmallIcon(IDI_MORIMO));
  OpenRuleList([&](HWND d) {
    HWND windows = Item(d, IDC_LIST_TOPLEVEL);
    EXPECT_EQ(desk.ImageListIconWidth(ui::ListViewImageList(windows, LVSIL_SMALL)), 24);
  });
}

}  // namespace
}  // namespace mm::testing
