// The manager window: the view of the window keeper (the list of managed
// windows, its buttons, the tray menus) and the user's commands, each
// handed to the keeper. Everything reaches it as a message; what it holds
// can be read, not changed, from outside.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "app/hotkeys.h"
#include "app/window_keeper.h"
#include "ui/dialog.h"

namespace mm {

// The registered message a second copy sends to bring the first copy's
// manager window to the front.
constexpr char kShowManagerMessage[] = "MoriMo.ShowManager";

class CMorimoDlg : public CDialog, private KeeperView {
 public:
  CMorimoDlg();
  ~CMorimoDlg() override;

  // ---- What the manager holds, read-only -----------------------------------------
  const std::list<std::unique_ptr<CTrayWnd>>& ManagedWindows() const { return keeper_.Managed(); }
  // The managed window that commands act on (the one last chosen in the
  // list or through its tray icon), or nullptr.
  const CTrayWnd* Current() const { return keeper_.Current(); }
  const CTrayWnd* Self() const { return keeper_.Self(); }
  const CTrayWndSpec* SelfRule() const { return keeper_.SelfRule(); }
  const TraySpecList& Rules() const { return keeper_.Rules(); }
  const GeneralSettings& Settings() const { return keeper_.Settings(); }
  UINT TaskbarCreatedMessage() const { return keeper_.TaskbarCreatedMessage(); }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  void OnOK() override;
  void OnCancel() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // ---- What the keeper tells its view ----------------------------------------------
  void Adopted(CTrayWnd* trayWnd) override;
  void Releasing(CTrayWnd* trayWnd) override;
  void StatesChanged() override { UpdateButtons(); }
  // The right-button menu of a tray icon, opened inside the keeper's
  // handler scope (no tick runs while it is open).
  void TrayMenuWanted(CTrayWnd* trayWnd) override;
  // The list's picture for a window just adopted; -1 when there is none.
  int AddListImage(const CTrayWnd* trayWnd);

  // ---- Tray menus and their commands -------------------------------------------
  bool IsOwn(const CTrayWnd* trayWnd) const {
    return trayWnd != nullptr && trayWnd == keeper_.Self();
  }
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
  void OnMenuHotKeys();
  void OnMenuLogFolder();
  // The logon list (the Run key's value "MoriMo"): ticked when it starts
  // this very program file; choosing the item adds or removes it.
  bool StartsWithWindows() const;
  void OnMenuStartWithWindows();
  // Starts us again as administrator; once that copy runs, this one gives
  // back every window and ends (the exit without its question).
  void OnMenuRestartElevated();

  // ---- Hotkeys ------------------------------------------------------------------
  void RegisterHotKeys();
  void OnHotKey(int action);
  void ToggleManager();

  // ---- Exit and the system menu ---------------------------------------------------
  void OnButtonExit();
  void ExitNow();
  void OnSysCommand(UINT id, LPARAM lParam, bool* handled);
  void ShowInvariantBox(const char* text);

  // ---- Manager window list and buttons ----------------------------------------
  void UpdateButtons();
  void OnButtonShow();
  void OnButtonHide();
  void OnButtonClose();
  void OnButtonProperty();
  // The rule editor on a managed window's rule, saved when it is changed.
  void EditRule(CTrayWnd* trayWnd);
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
  CWindowKeeper keeper_;
  CHotKeys hotKeys_{keeper_.Settings()};
  HICON AppIcon = nullptr;
  HICON AppSmallIcon = nullptr;  // the title bar's, and so the tray's
  HIMAGELIST ImageList = nullptr;
  // A rule dialog, the about box or the exit question is open: the menus
  // offer no other.
  bool ModalActive = false;
  UINT ShowManagerMsg = 0;
  std::map<UINT, int> imageOf_;   // managed window's identity -> its picture
  std::vector<int> freeImages_;   // pictures of windows let go, to reuse
};

}  // namespace mm
