// The window keeper: what MoriMo does with other programs' windows, apart
// from the window that shows it. It scans the desktop on a timer, takes the
// windows its rules match, keeps the recovery and looks files that bring
// them back after a crash, answers their tray icons and the shell, and
// gives every window back as it found it when it lets go. The manager
// window (CMorimoDlg) is its view and its commands.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/hwnd_list.h"
#include "core/rule_index.h"
#include "core/tray_wnd.h"
#include "core/tray_wnd_spec.h"
#include "storage/settings.h"

namespace mm {

// What the keeper tells the window that shows it. Any of these may come
// while another handler waits on a program (see HandlerScope).
class KeeperView {
 public:
  virtual ~KeeperView() = default;
  virtual void Adopted(CTrayWnd* trayWnd) = 0;    // taken, its looks applied
  virtual void Releasing(CTrayWnd* trayWnd) = 0;  // about to be let go
  virtual void StatesChanged() = 0;               // hidden or shown
  virtual void TrayMenuWanted(CTrayWnd* trayWnd) = 0;  // a right click on its icon
};

class CWindowKeeper {
 public:
  static constexpr UINT_PTR kScanTimerId = 10000;
  static constexpr int kRevealTicks = 10;
  // How long letting every window go waits for their programs, in all.
  static constexpr UINT kReleaseQuestionMs = 1000;

  explicit CWindowKeeper(KeeperView& view);
  ~CWindowKeeper();  // lets every window go, as Exit does
  CWindowKeeper(const CWindowKeeper&) = delete;
  CWindowKeeper& operator=(const CWindowKeeper&) = delete;

  // Reads the settings, manages `manager` under a rule of its own, takes
  // back the windows of the recovery file and starts the scan.
  void Start(HWND manager);
  // The orderly exit: no more ticks, the settings saved, every window
  // given back, the recovery file gone.
  void Exit();
  // Lets every window go and drops the rules, for good (the destructor's
  // part of the exit).
  void ReleaseAll();

  // The one way a window is taken: under `rule`, unless it must never be
  // (ours, the shell's, already managed). `earlier`: the looks an earlier
  // run found it with. Null when not taken.
  CTrayWnd* Take(HWND window, CTrayWndSpec* rule, const FoundLooks* earlier = nullptr);
  // Lets a managed window go; `where` names the handler in an error box.
  // `why` (UTF-8) goes to the log.
  void Release(CTrayWnd* trayWnd, const char* where, const char* why = "");

  // ---- The hotkeys' part ------------------------------------------------------
  // The window the user works in (for an owned window such as a dialog,
  // the top-level window it belongs to) hidden now, with its icon: under
  // the first rule that matches it, or under none for as long as it stays
  // hidden. Never ours or the shell's; a window hidden already stays so.
  enum class ToTray { Hidden, Nothing, Refused, Protected };
  ToTray HideForegroundWindow();
  // Shows the window hidden most recently of those still hidden (the
  // manager aside, which has a hotkey of its own); false when there is none.
  bool ShowLastHidden();
  // Taken without a rule: let go as soon as it is shown again.
  bool Ruleless(const CTrayWnd* trayWnd) const {
    return trayWnd != nullptr && trayWnd->Spec == rulelessRule_.get();
  }
  // Lets go of every ruleless window that is shown again (the commands that
  // show a window call it; the scan does too).
  void LetGoOfShownRuleless();
  // A balloon on the manager's icon, now or as soon as the icon is in the
  // tray again (the user may keep it hidden): said once, never a modal box.
  void Notify(const std::string& titleUtf8, const std::string& textUtf8);
  // The process runs with more rights than we have: the system refuses
  // our changes to its windows.
  bool AboveUs(DWORD processId) const;

  // The timer, the private messages and the shell's: true when handled.
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void SettingsChanged();  // the manager's check boxes changed Settings()
  void Save() const;

  // ---- What it holds --------------------------------------------------------
  const std::list<std::unique_ptr<CTrayWnd>>& Managed() const { return managed_; }
  CTrayWnd* Find(UINT id) const;  // identities from outside are checked here
  bool IsManaged(const CTrayWnd* trayWnd) const;  // by value: it may be gone
  CTrayWnd* Self() const { return self_; }
  const CTrayWndSpec* SelfRule() const { return selfRule_.get(); }
  // The managed window commands act on: last chosen in a list or by its icon.
  CTrayWnd* Current() const { return current_; }
  void SetCurrent(CTrayWnd* trayWnd) { current_ = trayWnd; }
  TraySpecList& Rules() { return rules_; }
  const TraySpecList& Rules() const { return rules_; }
  GeneralSettings& Settings() { return settings_; }
  const GeneralSettings& Settings() const { return settings_; }
  UINT TaskbarCreatedMessage() const { return taskbarCreatedMsg_; }
  bool Exiting() const { return exiting_; }

  // ---- Re-entrancy ------------------------------------------------------------
  // Every question to another program (a show, a hide, a sent message) may
  // wait, and while it waits the system hands us messages sent to us: a
  // tick, an icon's click or a window's end report can arrive inside
  // another handler. Three rules keep that safe, each in one place:
  //
  // 1. One handler at a time. The scan and the private messages run inside
  //    a HandlerScope; one that comes while another runs is dropped (the
  //    next tick does its work), except a rule's deletion, whose sender
  //    deletes the rule as soon as we return. The scope gives back what it
  //    found, however the handler ends, so an exception never stops the
  //    scan for good.
  class HandlerScope {
   public:
    explicit HandlerScope(CWindowKeeper& keeper) : flag_(keeper.inHandler_), was_(flag_) { flag_ = true; }
    ~HandlerScope() { flag_ = was_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    bool& flag_;
    bool was_;
  };
  bool Busy() const { return inHandler_ || exiting_; }
  // 2. Walks over the managed windows go over a Snapshot chosen first, and
  //    follow an entry only while it is still managed (compared as a
  //    pointer, never followed to find out).
  class Snapshot {
   public:
    explicit Snapshot(const CWindowKeeper& keeper);
    const std::vector<CTrayWnd*>& Windows() const { return windows_; }
    bool StillManaged(const CTrayWnd* trayWnd) const;

   private:
    const CWindowKeeper& keeper_;
    std::vector<CTrayWnd*> windows_;
    unsigned releases_;
  };
  // 3. After anything that waits, a window is looked up again by its
  //    identity before it is used: it may have been let go meanwhile.
  bool StillManaged(UINT id, const CTrayWnd* trayWnd) const { return Find(id) == trayWnd; }

 private:
  bool OnTimer();
  void Tick();
  static BOOL EnumWindowsProc(HWND window, LPARAM keeper);
  void TickManagedWindows();
  void RevealOrHideOwnIcon();
  // The first rule that matches, reading each text once and only when a
  // rule looks at it; `scanning`: the class name may come from the scan's.
  CTrayWndSpec* FindMatchingRule(HWND window, bool scanning);
  const std::string& ClassNameOf(HWND window, bool scanning);
  const std::string& ProgramPathOf(HWND window, bool scanning);
  CTrayWnd* TakeChecked(HWND window, CTrayWndSpec* rule, const FoundLooks* earlier, bool scanning);
  int TakeFromRecoveryFile(HWND window);
  void GiveBack(HWND window, const FoundLooks& earlier);
  void Remove(CTrayWnd* trayWnd);
  void MarkSilentPrograms();
  void WriteHwndsFile();
  LRESULT OnTrayIconNotify(WPARAM wParam, LPARAM lParam);
  void OnWindowDestroyed(WPARAM wParam);
  void OnTraySpecDeleted(WPARAM wParam);
  void StartScanTimer();
  void ShowInvariantBox(const char* text) const;

  KeeperView& view_;
  HWND manager_ = nullptr;
  GeneralSettings settings_;
  TraySpecList rules_;
  std::unique_ptr<CTrayWndSpec> selfRule_;
  // What a window taken without a rule is managed under: hidden at once,
  // an icon only while hidden, nothing of its looks changed.
  std::unique_ptr<CTrayWndSpec> rulelessRule_;
  std::set<DWORD> rulelessEarlier_;  // while the recovery file is read
  std::list<std::unique_ptr<CTrayWnd>> managed_;
  CHwndList handles_;  // the managed windows' handles, for the scan's question
  CTrayWnd* self_ = nullptr;     // owned through managed_
  CTrayWnd* current_ = nullptr;  // null or a member of managed_
  UINT taskbarCreatedMsg_ = 0;
  bool inHandler_ = false;
  bool exiting_ = false;
  bool sessionEnding_ = false;  // the recovery file is gone for good
  unsigned releases_ = 0;       // how many windows were let go, for snapshots
  int restoringHwnds_ = 0;
  std::map<DWORD, FoundLooks> earlierLooks_;  // while the recovery file is read
  int revealCountdown_ = 0;
  int ownIntegrity_ = -1;
  bool protectedNoted_ = false;  // the balloon about such windows, once a session
  std::string noteTitle_;  // a balloon still to show
  std::string noteText_;
  void ShowPendingNote();
  CRuleIndex ruleIndex_;
  std::string caption_;
  std::string className_;
  HWND classRead_ = nullptr;  // whose class className_ holds, within one take
  std::string programPath_;
  HWND programRead_ = nullptr;  // whose program programPath_ holds, within one take
  // What the scan learnt of the windows it saw (a window keeps its class
  // and its process for life), and the scan that last did.
  struct KnownClass {
    std::string name;
    bool named = false;
    DWORD processId = 0;
    bool processKnown = false;
    unsigned scan = 0;
  };
  std::unordered_map<HWND, KnownClass> classOf_;
  // Program files by process id: one question a process, not a window.
  struct KnownProgram {
    std::string path;
    unsigned scan = 0;
  };
  std::unordered_map<DWORD, KnownProgram> programOf_;
  unsigned scan_ = 0;
};

}  // namespace mm
