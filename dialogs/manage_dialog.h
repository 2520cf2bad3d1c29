// The rule list "ウインドウ情報の追加と削除": the top-level windows there
// are now above, the manager's rules below. It changes the manager's rule
// list in place and saves nothing: its owner, the manager window, hears of
// a rule about to be deleted (WMA_TRAYSPEC_DELETED, sent) and saves the
// list once the dialog has closed. A window picked by dragging the target
// icon onto it becomes a new rule like a window chosen in the list.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/tray_wnd_spec.h"
#include "ui/dialog.h"

namespace mm {

class CManageDialog : public CDialog {
 public:
  // `rules` is the manager's list, used (not owned) while the dialog runs.
  explicit CManageDialog(TraySpecList& rules);

  // Opens the rule editor on the window (its title as name and caption,
  // its class name); on OK the new rule goes to the end of the list.
  // Add and the window picker come here; a null window does nothing.
  void AddRuleForWindow(HWND window);

  // Timer of the rows of windows asked to show or hide themselves.
  static constexpr UINT_PTR kShowStateTimer = 1;
  static constexpr UINT kShowStatePeriodMs = 100;
  static constexpr int kShowStateRounds = 10;

 protected:
  BOOL OnInitDialog() override;
  // The two check boxes; they act at the next search.
  void DoDataExchange(CDataExchange& dx) override;
  // Enter and the default button "↓ 追加(&A)": Add. The dialog stays open.
  void OnOK() override;
  // "閉じる(&C)", Escape and the close box: always ends with IDOK.
  void OnCancel() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void OnButtonReSearch();
  void OnButtonShow();
  void OnButtonHide();
  void OnButtonEdit();
  void OnButtonDelete();
  void RefreshRuleList();
  void UpdateButtons();
  LRESULT OnItemChanged(const NMHDR* hdr);
  LRESULT OnWindowListDispInfo(const NMHDR* hdr);
  LRESULT OnWindowListDblClk();
  LRESULT OnRuleListDblClk();

  // Show and hide never wait for the window's program: it is asked, and
  // its row follows what the window reports, now and for a moment after.
  void AskShowState(bool show);
  void RefreshAskedRows();
  void SetStateCell(HWND window);

  // The window picker (window_picker.cpp): mouse messages of the dialog.
  void OnPickerButtonDown(POINT at);
  void OnPickerMouseMove();
  void OnPickerButtonUp(POINT at);

  HWND WindowList() const;
  HWND RuleList() const;
  int SelectedRow(HWND list) const;
  HWND SelectedWindow() const;
  // The row of the window in the window list, or -1.
  int WindowRow(HWND window) const;
  // The selected row's rule, when it is still in the list.
  CTrayWndSpec* SelectedRule() const;

  TraySpecList& rules_;
  bool ShowHiddenWindows = false;
  bool ShowUnnamedWindows = false;
  HICON DialogIcon = nullptr;
  HICON DialogSmallIcon = nullptr;
  // The window list's small icons. The list view destroys it with itself.
  HIMAGELIST ImageList = nullptr;
  // The window list's rows, in the order of the search (z-order). The list
  // (LVS_OWNERDATA) holds only their count and selection, and asks for
  // the texts and images it shows: filling it is one message.
  struct WindowRowData {
    HWND window = nullptr;
    std::string captionUtf8;
    std::string stateUtf8;
    std::string classNameUtf8;
    std::string programUtf8;  // the program file's name
    int image = I_IMAGENONE;
  };
  std::vector<WindowRowData> windowRows_;
  // Windows asked to show (true) or hide (false) that had not yet done so.
  std::vector<std::pair<HWND, bool>> asked_;
  int showStateRoundsLeft_ = 0;
};

}  // namespace mm
