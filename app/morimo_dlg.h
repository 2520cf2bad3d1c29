// The manager window: owns the rules and the managed windows, scans the
// desktop on a timer, adopts matching windows, and answers the managed
// windows, their tray icons, their menus and the shell through its window
// messages. Everything reaches it as a message; what it holds can be read,
// not changed, from outside.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/hwnd_list.h"
#include "core/rule_index.h"
#include "core/tray_wnd.h"
#include "core/tray_wnd_spec.h"
#include "storage/settings.h"
#include "ui/dialog.h"

namespace mm {

// The registered message a second copy sends to bring the first copy's
// manager window to the front.
constexpr char kShowManagerMessage[] = "MoriMo.ShowManager";

class CMorimoDlg : public CDialog {
 public:
  static constexpr UINT_PTR kScanTimerId = 10000;
  static constexpr int kRevealTicks = 10;

  CMorimoDlg();
  ~CMorimoDlg() override;

  // ---- What the manager holds, read-only -----------------------------------------
  const std::list<std::unique_ptr<CTrayWnd>>& ManagedWindows() const { return TrayWndList; }
  // The managed window that commands act on (the one last chosen in the
  // list or through its tray icon), or nullptr.
  const CTrayWnd* Current() const { return CurrentTrayWnd; }
  const CTrayWnd* Self() const { return SelfTrayWnd; }
  const CTrayWndSpec* SelfRule() const { return SelfTraySpec.get(); }
  const mm::TraySpecList& Rules() const { return TraySpecList; }
  const GeneralSettings& Settings() const { return Settings_; }
  UINT TaskbarCreatedMessage() const { return TaskbarCreatedMsg; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  void OnOK() override;
  void OnCancel() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // ---- Scan and adoption ----------------------------------------------------
  // One scan tick; false when it was skipped (another handler is running).
  bool OnTimer(UINT_PTR id);
  static BOOL EnumWindowsProc(HWND window, LPARAM manager);
  // 1 when the window was adopted, 0 otherwise.
  int TryAddWindow(HWND window);
  // A visible window found by the scan.
  void ScanWindow(HWND window);
  // Reads each text of the window once, and only when some rule looks at
  // it, and finds the first rule that matches.
  // `scanning`: the class name may come from what the scan remembers.
  CTrayWndSpec* FindMatchingSpec(HWND window, bool scanning);
  const std::string& ClassNameOf(HWND window, bool scanning);
  void Adopt(HWND window, CTrayWndSpec* spec, const FoundLooks* earlier = nullptr);
  void Tick();
  void TickManagedWindows();
  void RevealOrHideOwnIcon();
  static bool KeyDown(int virtualKey);
  void StartScanTimer();

  // ---- Message protocol -----------------------------------------------------
  LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
  LRESULT OnTrayIconNotify(WPARAM wParam, LPARAM lParam);
  void OnWindowDestroyed(WPARAM wParam);
  // Lets go of a managed window that found its window gone or lost its
  // rule; `where` names the handler in an exception box.
  void ReleaseReported(CTrayWnd* trayWnd, const char* where);
  void OnTraySpecDeleted(WPARAM wParam);
  void RemoveHwnd(HWND window);
  void RemoveListItem(CTrayWnd* trayWnd);
  // The list's picture for a window just adopted; -1 when there is none.
  int AddListImage(const CTrayWnd* trayWnd);
  // The managed window with that identity, or nullptr. Identities in
  // messages come from outside and are checked here before any use.
  CTrayWnd* FindTrayWnd(UINT id) const;
  // Whether the pointer is one of ours, by its value alone: it may name a
  // managed window that is gone.
  bool IsManaged(const CTrayWnd* trayWnd) const;
  // Takes a managed window out of the lists and deletes it, then rewrites
  // the recovery file.
  void Release(CTrayWnd* trayWnd);
  // Lets every managed window go (each given back as it was) and drops the
  // rules.
  void ReleaseAll();
  void WriteHwndsFile();
  void ShowInvariantBox(const char* text);

  // ---- Tray menus and their commands -------------------------------------------
  // The right-button menu of a tray icon; InHandler is set while it is open.
  void OpenTrayMenu(CTrayWnd* trayWnd);
  bool IsOwn(const CTrayWnd* trayWnd) const { return trayWnd != nullptr && trayWnd == SelfTrayWnd; }
  void OnMenuShow();
  void OnMenuHide();
  // Shows the window, then leaves the rest to it through a system command.
  void OnMenuSysCommand(WPARAM command);
  void OnMenuOpacity(UINT id);
  void OnMenuTitleStyle(int code);
  void OnMenuTopMost();
  void OnMenuSetting();
  void OnMenuExit();
  void OnMenuMakerPage();
  void ShowAboutBox();

  // ---- Exit and the system menu ---------------------------------------------------
  void OnButtonExit();
  void OnSysCommand(UINT id, LPARAM lParam, bool* handled);

  // ---- Manager window list and buttons ----------------------------------------
  void UpdateButtons();
  void OnButtonShow();
  void OnButtonHide();
  void OnButtonClose();
  void OnButtonProperty();
  void OnButtonSetting();
  void OnButtonHelp();
  void OnCheckTopMost();
  void OnCheckRealyHide();
  LRESULT OnListItemChanged(const NMHDR* hdr);
  LRESULT OnListDblClk(const NMHDR* hdr);
  template <typename Fn>
  void ForEachSelected(Fn fn);
  HWND ListView() const;

  // ---- State --------------------------------------------------------------------
  GeneralSettings Settings_;  // the check boxes are bound to three of these
  HICON AppIcon = nullptr;
  CTrayWnd* CurrentTrayWnd = nullptr;  // not owned; null or a member of TrayWndList
  CTrayWnd* SelfTrayWnd = nullptr;     // owned through TrayWndList
  std::unique_ptr<CTrayWndSpec> SelfTraySpec;
  std::list<std::unique_ptr<CTrayWnd>> TrayWndList;
  CHwndList HwndList;
  mm::TraySpecList TraySpecList;
  HIMAGELIST ImageList = nullptr;
  bool ModalActive = false;
  int RestoringHwnds = 0;
  // The looks file of an earlier run, while its recovery file is read.
  std::map<DWORD, FoundLooks> earlierLooks_;
  bool InHandler = false;
  int RevealCountdown = 0;
  UINT TaskbarCreatedMsg = 0;
  UINT ShowManagerMsg = 0;

  bool exiting_ = false;
  bool sessionEnding_ = false;  // the recovery file is gone for good
  // Managed windows of the tick in progress, and whether any was released
  // meanwhile (a sent message can arrive while we wait on another program).
  std::vector<CTrayWnd*> tickWalk_;
  bool releasedDuringWalk_ = false;
  CRuleIndex ruleIndex_;
  std::map<UINT, int> imageOf_;   // managed window's identity -> its picture
  std::vector<int> freeImages_;   // pictures of windows let go, to reuse
  std::string caption_;
  std::string className_;
  // Class names of the windows the scan saw, and the scan that last did.
  struct KnownClass {
    std::string name;
    unsigned scan = 0;
  };
  std::unordered_map<HWND, KnownClass> classOf_;
  unsigned scan_ = 0;
};

}  // namespace mm
