// The hotkeys as the user presses them: to the tray, back again, the
// manager; the manager is never taken; a kill while a window is hidden by one; a
// combination another program holds.
#include <map>

#include "core/hot_key.h"
#include "storage/log_file.h"
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

constexpr UINT kAllThree = MOD_CONTROL | MOD_ALT | MOD_SHIFT;

class HotKeyTest : public AppWorld {
 protected:
  bool PressToTray() { return desk.PressHotKey(kAllThree, VK_DOWN); }
  bool PressRestore() { return desk.PressHotKey(kAllThree, VK_UP); }

  // The recovery files as a kill now would leave them.
  std::map<std::string, std::string> FilesNow() {
    std::map<std::string, std::string> files;
    for (const std::string& path : RecoveryPaths()) {
      if (!desk.ReadFileBytes(path, &files[path])) files.erase(path);
    }
    return files;
  }

  static std::vector<std::string> RecoveryPaths() {
    return {HwndsFilePath(), HwndsFilePath() + ".looks", HwndsFilePath() + ".ruleless"};
  }
};

TEST_F(HotKeyTest, ToTrayHidesTheWindowInUseUntilRestoreGivesItBackAndLetsItGo) {
  Start();
  HWND editor = AddWindow("Untitled - Editor");
  desk.UserActivate(editor);
  ASSERT_TRUE(PressToTray());
  const CTrayWnd* taken = Managed(editor);
  ASSERT_NE(taken, nullptr);
  EXPECT_FALSE(desk.IsWindowVisible(editor));
  EXPECT_TRUE(HasIcon(taken));
  EXPECT_GE(ListIndexOf(editor), 0);
  Tick();
  EXPECT_NE(Managed(editor), nullptr) << "kept while hidden, though no rule matches";

  ASSERT_TRUE(PressRestore());
  EXPECT_TRUE(desk.IsWindowVisible(editor));
  EXPECT_EQ(desk.GetForegroundWindow(), editor);
  EXPECT_EQ(Managed(editor), nullptr) << "let go once shown: no rule to keep it";
  for (const std::string& row : ListTexts()) EXPECT_NE(row, "Untitled - Editor");
}

TEST_F(HotKeyTest, AnOwnedDialogInFrontTakesTheWindowItBelongsTo) {
  Start();
  HWND main = AddWindow("Drawing - Paint");
  sim::WindowSpec dialogSpec;
  dialogSpec.caption = "Save as";
  dialogSpec.className = "#32770";
  dialogSpec.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  dialogSpec.owner = main;
  HWND dialog = desk.AddWindow(dialogSpec);
  desk.UserActivate(dialog);
  ASSERT_TRUE(PressToTray());
  EXPECT_NE(Managed(main), nullptr);
  EXPECT_EQ(Managed(dialog), nullptr);
  EXPECT_FALSE(desk.IsWindowVisible(main));
}

TEST_F(HotKeyTest, AWindowARuleMatchesIsHiddenUnderThatRuleAndStaysManaged) {
  AddRule("Mail");
  Start();
  HWND mail = AddWindow("Mail - Inbox");
  Tick();
  ASSERT_NE(Managed(mail), nullptr);
  desk.UserActivate(mail);
  ASSERT_TRUE(PressToTray());
  EXPECT_FALSE(desk.IsWindowVisible(mail));
  EXPECT_EQ(Managed(mail)->Spec, dlg->Rules().front().get());
  ASSERT_TRUE(PressRestore());
  EXPECT_TRUE(desk.IsWindowVisible(mail));
  EXPECT_NE(Managed(mail), nullptr) << "its rule keeps it";
}

// The manager is managed by its own rule, so the hotkey's own check is
// what keeps it from being hidden. (The shell's windows are refused where
// every take is, as the scan tests show.)
TEST_F(HotKeyTest, TheManagerIsNeverTaken) {
  Start();
  desk.ShowWindow(dlg->Hwnd(), SW_SHOW);
  desk.UserActivate(dlg->Hwnd());
  ASSERT_TRUE(PressToTray());
  EXPECT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
}

TEST_F(HotKeyTest, RestoreBringsBackTheLastHiddenFirstHoweverItWasHidden) {
  AddRule("Minimised");
  Start();
  HWND first = AddWindow("First");
  HWND second = AddWindow("Minimised by its user");
  HWND third = AddWindow("Third");
  desk.UserActivate(first);
  ASSERT_TRUE(PressToTray());
  Tick();
  desk.UserMinimize(second);  // hidden by its rule at the next tick
  Tick();
  ASSERT_FALSE(desk.IsWindowVisible(second));
  desk.UserActivate(third);
  ASSERT_TRUE(PressToTray());

  for (HWND expected : {third, second, first}) {
    ASSERT_TRUE(PressRestore());
    EXPECT_TRUE(desk.IsWindowVisible(expected));
  }
  EXPECT_TRUE(PressRestore()) << "nothing left to show: nothing happens";
}

// Killed while a window it took without a rule is hidden: no rule would
// ever find it again, so the next start shows it as it was found.
TEST_F(HotKeyTest, AKillWhileAWindowIsHiddenWithoutARuleIsMendedByTheNextStart) {
  Start();
  HWND notes = AddWindow("Notes");
  desk.UserActivate(notes);
  ASSERT_TRUE(PressToTray());
  ASSERT_FALSE(desk.IsWindowVisible(notes));
  const auto files = FilesNow();
  app.reset();
  desk.ShowWindow(notes, SW_MINIMIZE);
  desk.ShowWindow(notes, SW_HIDE);  // as the killed run left it
  for (const std::string& path : RecoveryPaths()) desk.DeleteFileA(path);
  for (const auto& [path, bytes] : files) ASSERT_TRUE(desk.WriteFileBytes(path, bytes));

  Start();
  EXPECT_TRUE(desk.IsWindowVisible(notes));
  EXPECT_FALSE(desk.IsIconic(notes));
  EXPECT_EQ(Managed(notes), nullptr);
  // The log tells the story, the window named by its handle, not its caption.
  std::string log;
  ASSERT_TRUE(desk.ReadFileBytes(LogFilePath(), &log));
  for (const char* event : {"取り込み ", "隠した ", "異常終了の後に戻した "}) {
    EXPECT_NE(log.find(event), std::string::npos) << event;
  }
  EXPECT_EQ(log.find("Notes"), std::string::npos);
}

TEST_F(HotKeyTest, ACombinationAnotherProgramHoldsIsSaidAndTheDialogKeepsTheOldOne) {
  desk.HoldHotKeyElsewhere(kAllThree, VK_DOWN, true);
  Start();
  EXPECT_EQ(Balloons(), 1) << "said once at start-up, without a box";
  EXPECT_TRUE(desk.MessageBoxes().empty());

  // In the dialog: Ctrl+Alt+K for the manager, held elsewhere too, is
  // refused and the dialog stays; Ctrl+Alt+M works at once and is saved.
  const WORD ctrlAltK = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'K';
  const WORD ctrlAltM = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'M';
  desk.HoldHotKeyElsewhere(MOD_CONTROL | MOD_ALT, 'K', true);
  bool stayedOpen = false;
  desk.QueueModalScript([&](HWND dialog) {
    desk.TypeHotKey(dialog, IDC_HOTKEY_MANAGER, ctrlAltK);
    desk.ClickButton(dialog, IDOK);
    stayedOpen = desk.IsWindow(dialog) && desk.IsWindowVisible(dialog);
    desk.TypeHotKey(dialog, IDC_HOTKEY_MANAGER, ctrlAltM);
    desk.ClickButton(dialog, IDOK);
  });
  desk.PostMessageA(dlg->Hwnd(), WM_COMMAND, ID_MENU_HOTKEYS, 0);
  desk.Pump();
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(desk.MessageBoxes()[0].textUtf8,
            "「Ctrl + Alt + K」は他のプログラムが使っているため、「マネージャの表示と非表示」に"
            "登録できません。\n別の組み合わせを選んでください。");
  EXPECT_EQ(ReadSettings().HotKeyManager, ctrlAltM);

  desk.ShowWindow(dlg->Hwnd(), SW_HIDE);
  ASSERT_TRUE(desk.PressHotKey(MOD_CONTROL | MOD_ALT, 'M'));
  EXPECT_TRUE(desk.IsWindowVisible(dlg->Hwnd()));
}

}  // namespace
}  // namespace mm::testing
