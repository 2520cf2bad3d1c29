// The manager's window messages: tray-icon clicks, releases, rule
// deletion, the shell's restart, and messages forged by other programs.
#include "tests/app/app_world.h"

namespace mm::testing {
namespace {

class ProtocolTest : public AppWorld {
 protected:
  // Three windows under the first rule, one under the second.
  void StartWithWindows() {
    AddRule("Term");
    AddRule("Mail");
    Start();
    for (int i = 0; i < 3; ++i) terms.push_back(AddWindow("Term " + std::to_string(i)));
    mail = AddWindow("Mail - inbox");
    Tick();
    for (HWND w : terms) ASSERT_NE(Managed(w), nullptr);
    ASSERT_NE(Managed(mail), nullptr);
  }

  struct Snapshot {
    std::vector<UINT> ids;
    std::vector<HWND> handles;
    std::vector<std::string> texts;
    std::vector<bool> visible;
    size_t trayIcons;
    std::vector<HWND> recovery;
    bool operator==(const Snapshot& o) const {
      return ids == o.ids && handles == o.handles && texts == o.texts && visible == o.visible &&
             trayIcons == o.trayIcons && recovery == o.recovery;
    }
  };

  Snapshot Take() {
    Snapshot s;
    for (const auto& trayWnd : dlg->ManagedWindows()) {
      s.ids.push_back(trayWnd->Id());
      s.visible.push_back(desk.IsWindowVisible(trayWnd->Window()) != 0);
      s.handles.push_back(trayWnd->Window());
    }
    s.texts = ListTexts();
    s.trayIcons = desk.TrayIcons().size();
    s.recovery = RecoveryFile();
    return s;
  }

  std::vector<HWND> terms;
  HWND mail = nullptr;
};

TEST_F(ProtocolTest, LeftPressTogglesTheActiveWindowAndRaisesOneBehind) {
  StartWithWindows();
  HWND front = terms[0];
  const CTrayWnd* trayWnd = Managed(front);
  desk.UserActivate(front);
  Tick();  // the managed window notes that it is active

  desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_LBUTTONDOWN);
  EXPECT_FALSE(desk.IsWindowVisible(front));
  EXPECT_EQ(trayWnd->Hidden, 1);
  EXPECT_EQ(dlg->Current(), trayWnd);
  // The list shows it ghosted at once.
  EXPECT_EQ(desk.ListViewGetItemState(List(), ListIndexOf(front), LVIS_CUT), LVIS_CUT);

  desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_LBUTTONDOWN);
  EXPECT_TRUE(desk.IsWindowVisible(front));
  EXPECT_EQ(desk.GetForegroundWindow(), front);
  EXPECT_EQ(desk.ListViewGetItemState(List(), ListIndexOf(front), LVIS_CUT), 0u);

  // Shown but behind another window: brought to the front, not hidden.
  desk.UserActivate(mail);
  Tick();
  desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_LBUTTONDOWN);
  EXPECT_TRUE(desk.IsWindowVisible(front));
  EXPECT_EQ(desk.GetForegroundWindow(), front);
  EXPECT_EQ(trayWnd->Hidden, 0);
}

TEST_F(ProtocolTest, RightReleaseKeepsTheGuardAndDoesNotTick) {
  StartWithWindows();
  const CTrayWnd* trayWnd = Managed(terms[1]);
  desk.CloseWindow(terms[1]);
  desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_RBUTTONUP);
  // No Tick(): the closed window has not reported itself yet.
  EXPECT_EQ(trayWnd->GoneReported, 0);
  EXPECT_EQ(dlg->Current(), trayWnd);
  // The guard went with the menu: the next tick runs and lets the window go.
  Tick();
  EXPECT_EQ(Managed(terms[1]), nullptr);
}

TEST_F(ProtocolTest, LeftPressOnAClosedWindowReleasesIt) {
  StartWithWindows();
  const CTrayWnd* trayWnd = Managed(terms[2]);
  const UINT id = trayWnd->Id();
  desk.CloseWindow(terms[2]);
  desk.MouseOnTrayIcon(dlg->Hwnd(), id, WM_LBUTTONDOWN);
  desk.Pump();
  EXPECT_EQ(ManagedById(id), nullptr);
  EXPECT_EQ(dlg->Current(), nullptr);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Mail - inbox", "Term 0", "Term 1"}));
  EXPECT_TRUE(desk.MessageBoxes().empty());
}

TEST_F(ProtocolTest, DeletingARuleReleasesEveryWindowThatUsesIt) {
  StartWithWindows();
  CTrayWndSpec* termRule = dlg->Rules().front().get();
  desk.UserMinimize(terms[0]);
  Tick();
  ASSERT_FALSE(desk.IsWindowVisible(terms[0]));
  desk.MouseOnTrayIcon(dlg->Hwnd(), Managed(terms[1])->Id(), WM_MOUSEMOVE);
  ASSERT_EQ(dlg->Current(), Managed(terms[1]));

  desk.SendMessageToOwnWindow(dlg->Hwnd(), WMA_TRAYSPEC_DELETED,
                              reinterpret_cast<WPARAM>(termRule), 0);
  for (HWND w : terms) EXPECT_EQ(Managed(w), nullptr);
  EXPECT_NE(Managed(mail), nullptr);
  EXPECT_EQ(dlg->Current(), nullptr);
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Mail - inbox"});
  EXPECT_EQ(RecoveryFile(), (std::vector<HWND>{dlg->Hwnd(), mail}));
  EXPECT_TRUE(desk.IsWindowVisible(terms[0]));  // its icon was shown: given back
  EXPECT_TRUE(desk.MessageBoxes().empty());
  for (const auto& trayWnd : dlg->ManagedWindows()) EXPECT_NE(trayWnd->Spec, termRule);
}

// While a tray menu is open the handler that opened it holds the guard.
TEST_F(ProtocolTest, RuleDeletionIsHandledEvenWhileAMenuIsOpen) {
  StartWithWindows();
  const CTrayWndSpec* mailRule = dlg->Rules().back().get();
  HWND later = nullptr;
  desk.QueueMenuScript([&](HWND, const sim::MenuRecord&) -> UINT {
    desk.SendMessageToOwnWindow(dlg->Hwnd(), WMA_TRAYSPEC_DELETED,
                                reinterpret_cast<WPARAM>(mailRule), 0);
    EXPECT_EQ(Managed(mail), nullptr);
    // The guard still belongs to the menu's handler: no tick runs.
    later = AddWindow("Term later");
    Tick();
    EXPECT_EQ(Managed(later), nullptr);
    return 0;
  });
  desk.MouseOnTrayIcon(dlg->Hwnd(), Managed(terms[0])->Id(), WM_RBUTTONUP);
  Tick();
  EXPECT_NE(Managed(later), nullptr);
}

TEST_F(ProtocolTest, PrivateMessagesAreDroppedWhileAMenuIsOpen) {
  StartWithWindows();
  const CTrayWnd* trayWnd = Managed(mail);
  desk.CloseWindow(mail);
  desk.QueueMenuScript([&](HWND, const sim::MenuRecord&) -> UINT {
    desk.MouseOnTrayIcon(dlg->Hwnd(), trayWnd->Id(), WM_MOUSEMOVE);
    EXPECT_EQ(trayWnd->GoneReported, 0);  // not ticked: dropped
    return 0;
  });
  desk.MouseOnTrayIcon(dlg->Hwnd(), Managed(terms[0])->Id(), WM_RBUTTONUP);
  Tick();  // reported now, and released after the tick
  EXPECT_EQ(Managed(mail), nullptr);
}

TEST_F(ProtocolTest, TaskbarCreatedAndShowManagerPassTheFilterOfAnElevatedCopy) {
  StartWithWindows();
  const std::vector<UINT> allowed = desk.AllowedFromLowerPrivilege(dlg->Hwnd());
  EXPECT_NE(std::find(allowed.begin(), allowed.end(), dlg->TaskbarCreatedMessage()), allowed.end());
  const UINT showManager = desk.RegisterWindowMessageA(kShowManagerMessage);
  EXPECT_NE(std::find(allowed.begin(), allowed.end(), showManager), allowed.end());
}

TEST_F(ProtocolTest, TaskbarCreatedBringsTheIconsBack) {
  CTrayWndSpec& onlyHidden = AddRule("Quiet");
  onlyHidden.ShowIconOnlyHidden = 1;
  StartWithWindows();
  HWND quiet = AddWindow("Quiet one");
  Tick();
  ASSERT_NE(Managed(quiet), nullptr);
  EXPECT_FALSE(HasIcon(Managed(quiet)));
  const size_t before = desk.TrayIcons().size();
  ASSERT_EQ(before, 5u);  // the manager and four windows

  desk.RestartTray();
  EXPECT_EQ(desk.TrayIcons().size(), before);
  EXPECT_TRUE(HasIcon(dlg->Self()));
  for (HWND w : terms) EXPECT_TRUE(HasIcon(Managed(w)));
  EXPECT_FALSE(HasIcon(Managed(quiet)));  // its rule wants none while shown
}

TEST_F(ProtocolTest, ForgedMessagesChangeNothing) {
  StartWithWindows();
  const Snapshot before = Take();
  HWND self = dlg->Hwnd();
  UINT unused = 1;
  while (ManagedById(unused) != nullptr) ++unused;

  // Unknown identities, a live window that has not reported its end, the
  // manager's own identity, and pointers that are not our rules.
  desk.PostMessageA(self, WMA_WINDOW_DESTROYED, unused, 0);
  desk.PostMessageA(self, WMA_WINDOW_DESTROYED, 0xDEADBEEF, 0);
  desk.PostMessageA(self, WMA_WINDOW_DESTROYED, Managed(mail)->Id(),
                    reinterpret_cast<LPARAM>(mail));
  desk.PostMessageA(self, WMA_WINDOW_DESTROYED, dlg->Self()->Id(), 0);
  desk.PostMessageA(self, WMA_TRAYICON_NOTIFY, unused, WM_LBUTTONDOWN);
  desk.PostMessageA(self, WMA_TRAYICON_NOTIFY, 0xFFFFFFFF, WM_RBUTTONUP);
  desk.PostMessageA(self, WMA_TRAYSPEC_DELETED, 0x12345678, 0);
  desk.PostMessageA(self, WMA_TRAYSPEC_DELETED, 0, 0);
  desk.PostMessageA(self, WMA_TRAYSPEC_DELETED,
                    reinterpret_cast<WPARAM>(dlg->SelfRule()), 0);
  // A real rule, but named by another program: only our rule list sends it.
  desk.SendFromOtherProgram(self, WMA_TRAYSPEC_DELETED,
                            reinterpret_cast<WPARAM>(dlg->Rules().front().get()), 0);
  desk.Pump();

  EXPECT_TRUE(Take() == before);
  EXPECT_EQ(dlg->Current(), nullptr);
  EXPECT_TRUE(desk.MessageBoxes().empty());
  EXPECT_NE(dlg->Self(), nullptr);
  // And the program goes on working.
  HWND later = AddWindow("Term late");
  Tick();
  EXPECT_NE(Managed(later), nullptr);
}

TEST_F(ProtocolTest, AWindowWhoseEndReportWasLostIsReleasedAtALaterTick) {
  StartWithWindows();  // ticked in the order of adoption: Mail, then Term 2, 1, 0
  // While a tick asks Mail for its icon, Term 0 closes and the user
  // right-clicks an icon: that click's message is ahead of the report the
  // tick posts for Term 0, so the report arrives while the menu is open and
  // is dropped.
  bool asked = false;
  desk.WhileAnswering(mail, WM_GETICON, [&] {
    asked = true;
    desk.CloseWindow(terms[0]);
    desk.PostMessageA(dlg->Hwnd(), WMA_TRAYICON_NOTIFY, Managed(terms[1])->Id(), WM_RBUTTONUP);
  });
  desk.QueueMenuChoice(0);
  for (int i = 0; i < CTrayWnd::kIconRefreshTicks && !asked; ++i) Tick();
  ASSERT_EQ(desk.TrackedMenus().size(), 1u);
  ASSERT_NE(Managed(terms[0]), nullptr);
  ASSERT_EQ(Managed(terms[0])->GoneReported, 1);
  Tick();
  EXPECT_EQ(Managed(terms[0]), nullptr);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Mail - inbox", "Term 1", "Term 2"}));
  EXPECT_EQ(desk.TrayIcons().size(), 4u);  // the manager and three windows
  EXPECT_TRUE(desk.MessageBoxes().empty());
}

// Waiting on another program lets messages sent to us in; one that lets
// windows go must not leave a walk over them holding freed ones.
TEST_F(ProtocolTest, ReleasesWhileWaitingOnAnotherProgramAreSurvived) {
  StartWithWindows();  // ticked in the order of adoption: Mail, then Term 2, 1, 0
  const CTrayWndSpec* termRule = dlg->Rules().front().get();
  auto releaseTerms = [&] {
    desk.SendMessageToOwnWindow(dlg->Hwnd(), WMA_TRAYSPEC_DELETED,
                                reinterpret_cast<WPARAM>(termRule), 0);
  };
  // The tick waits on Mail while the Term windows, still ahead in its
  // walk, are let go.
  bool asked = false;
  desk.WhileAnswering(mail, WM_GETICON, [&] {
    asked = true;
    releaseTerms();
  });
  for (int i = 0; i < CTrayWnd::kIconRefreshTicks && !asked; ++i) Tick();
  ASSERT_TRUE(asked);
  for (HWND w : terms) EXPECT_EQ(Managed(w), nullptr);
  Tick();  // the rule is still there: taken again
  const CTrayWnd* firstTerm = nullptr;
  for (const auto& trayWnd : dlg->ManagedWindows()) {
    if (trayWnd->Spec == termRule && firstTerm == nullptr) firstTerm = trayWnd.get();
  }
  ASSERT_NE(firstTerm, nullptr);
  // Giving the first one back waits on its program, while the others are
  // let go by the same request, again.
  desk.WhileAnswering(firstTerm->Window(), WM_NULL, releaseTerms);
  releaseTerms();
  for (HWND w : terms) EXPECT_EQ(Managed(w), nullptr);
  EXPECT_NE(Managed(mail), nullptr);
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"Mail - inbox"});
  EXPECT_TRUE(desk.MessageBoxes().empty());
}

TEST_F(ProtocolTest, EndOfSessionDeletesTheRecoveryFileForGood) {
  StartWithWindows();
  ASSERT_TRUE(RecoveryFileExists());
  desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_ENDSESSION, 0, 0);  // cancelled: kept
  EXPECT_TRUE(RecoveryFileExists());
  desk.SendMessageToOwnWindow(dlg->Hwnd(), WM_ENDSESSION, 1, 0);
  EXPECT_FALSE(RecoveryFileExists());
  // Windows that come and go in the last moments do not write it again.
  AddWindow("Term late");
  desk.CloseWindow(terms[0]);
  Tick();
  Tick();
  EXPECT_FALSE(RecoveryFileExists());
}

}  // namespace
}  // namespace mm::testing
