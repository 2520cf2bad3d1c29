#include "app/morimo_dlg.h"

#include "app/morimo_app.h"
#include "app/tray_menu.h"
#include "core/event_log.h"
#include "core/exception_box.h"
#include "core/hot_key.h"
#include "dialogs/manage_dialog.h"
#include "dialogs/register_dialog.h"
#include "dialogs/rule_list_logic.h"
#include "platform/text.h"
#include "res/resource.h"
#include "res/version.h"
#include "storage/paths.h"
#include "ui/about_dlg.h"
#include "ui/controls.h"

namespace mm {

static_assert(IDI_MORIMO == IDR_MAINFRAME, "program icon resource");

namespace {

constexpr char kExitQuestion[] = "MoriMoを終了しますか？";
constexpr char kHelpPage[] = "Document\\Readme.html";
// The list view inserts at the end for any index past the last item.
constexpr int kAppendIndex = 9999;

// Sets a flag for a scope and gives back what it was, however the scope ends.
class FlagScope {
 public:
  explicit FlagScope(bool* flag) : flag_(flag), previous_(*flag) { *flag_ = true; }
  ~FlagScope() { *flag_ = previous_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool* flag_;
  bool previous_;
};

}  // namespace

CMorimoDlg::CMorimoDlg() : CDialog(IDD_MORIMO_DIALOG), keeper_(*this) {
  ShowManagerMsg = Os().RegisterWindowMessageA(kShowManagerMessage);
  AppIcon = Os().LoadAppIcon(IDR_MAINFRAME);
  AppSmallIcon = Os().LoadAppSmallIcon(IDR_MAINFRAME);

  OnClicked(IDC_BUTTON_EXIT, [this] { OnButtonExit(); });
  OnClicked(IDC_BUTTON_SHOW, [this] { OnButtonShow(); });
  OnClicked(IDC_BUTTON_HIDE, [this] { OnButtonHide(); });
  OnClicked(IDC_BUTTON_CLOSE, [this] { OnButtonClose(); });
  OnClicked(IDC_BUTTON_PROPERTY, [this] { OnButtonProperty(); });
  OnClicked(IDC_BUTTON_SETTING, [this] { OnButtonSetting(); });
  OnClicked(IDC_BUTTON_HELP, [this] { OnButtonHelp(); });
  OnClicked(IDC_CHECK_TOPMOST, [this] { OnCheckTopMost(); });
  OnClicked(IDC_CHECK_REALY_HIDE, [this] { OnCheckRealyHide(); });
  OnNotify(IDC_LIST_WINDOWS, LVN_ITEMCHANGED,
           [this](const NMHDR* hdr) { return OnListItemChanged(hdr); });
  OnNotify(IDC_LIST_WINDOWS, NM_DBLCLK, [this](const NMHDR* hdr) { return OnListDblClk(hdr); });

  // The tray menus' commands, on the window whose icon was clicked.
  OnMenuCommand(ID_MENU_SHOW, [this] { OnMenuShow(); });
  OnMenuCommand(ID_MENU_HIDE, [this] { OnMenuHide(); });
  OnMenuCommand(ID_MENU_MAXIMIZE, [this] { OnMenuSysCommand(SC_MAXIMIZE); });
  OnMenuCommand(ID_MENU_RESTORE, [this] { OnMenuSysCommand(SC_RESTORE); });
  OnMenuCommand(ID_MENU_MINIMIZE, [this] { OnMenuSysCommand(SC_MINIMIZE); });
  for (UINT id = ID_MENU_ALPHA_100; id <= ID_MENU_ALPHA_0; ++id) {
    OnMenuCommand(static_cast<int>(id), [this, id] { OnMenuOpacity(id); });
  }
  for (UINT id = ID_MENU_ALPHA_BG_100; id <= ID_MENU_ALPHA_BG_0; ++id) {
    OnMenuCommand(static_cast<int>(id), [this, id] { OnMenuOpacity(id); });
  }
  OnMenuCommand(ID_MENU_TITLE_DEFAULT, [this] { OnMenuTitleStyle(TitleStyleCode::Default); });
  OnMenuCommand(ID_MENU_TITLE_TOOLWINDOW,
                [this] { OnMenuTitleStyle(TitleStyleCode::ToolWindow); });
  OnMenuCommand(ID_MENU_TITLE_NONE, [this] { OnMenuTitleStyle(TitleStyleCode::NoTitle); });
  OnMenuCommand(ID_MENU_TOPMOST, [this] { OnMenuTopMost(); });
  OnMenuCommand(ID_MENU_SETTING, [this] { OnMenuSetting(); });
  OnMenuCommand(ID_MENU_EXIT, [this] { OnMenuExit(); });
  OnMenuCommand(ID_MENU_HELP, [this] { OnButtonHelp(); });
  OnMenuCommand(ID_MENU_MAKER_PAGE, [this] { OnMenuMakerPage(); });
  // The about item of the main menu shares the system menu item's id.
  OnMenuCommand(IDM_ABOUTBOX, [this] { ShowAboutBox(); });
  OnMenuCommand(ID_MENU_HOTKEYS, [this] { OnMenuHotKeys(); });
  OnMenuCommand(ID_MENU_RESTART_ELEVATED, [this] { OnMenuRestartElevated(); });
  OnMenuCommand(ID_MENU_LOG_FOLDER, [this] { OnMenuLogFolder(); });
  OnMenuCommand(ID_MENU_START_WITH_WINDOWS, [this] { OnMenuStartWithWindows(); });
}

CMorimoDlg::~CMorimoDlg() {
  // Normally OnButtonExit has emptied everything. When the loop ended some
  // other way, managed windows still give their windows back here, while
  // the manager window that owns their icons still exists.
  keeper_.ReleaseAll();
  DestroyDialog();
  // Ours alone: the list view shares it (LVS_SHAREIMAGELISTS).
  if (ImageList != nullptr) Os().ImageListDestroy(ImageList);
}

// ---- Initialisation -----------------------------------------------------------

BOOL CMorimoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HWND self = Hwnd();

  std::string about = Os().LoadStringU8(IDS_ABOUTBOX);
  if (!about.empty()) {
    HMENU menu = Os().GetSystemMenu(self, 0);
    if (menu != nullptr) {
      Os().AppendMenuU8(menu, MF_SEPARATOR, 0, "");
      Os().AppendMenuU8(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }

  // A copy started as administrator would otherwise never hear that the
  // shell restarted (the shell has fewer rights), and lose its icons, nor
  // a second copy started without those rights asking for the manager.
  Os().AllowMessageFromLowerPrivilege(self, keeper_.TaskbarCreatedMessage());
  Os().AllowMessageFromLowerPrivilege(self, ShowManagerMsg);

  Os().SendMessageToOwnWindow(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon));
  Os().SendMessageToOwnWindow(self, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppSmallIcon));

  // Before the keeper starts: the windows of the recovery file get rows.
  // Images at the large icon size of the screen's DPI, or icons are shrunk
  // on a high-DPI screen.
  ImageList = Os().ImageListCreate(Os().GetSystemMetrics(SM_CXICON),
                                   Os().GetSystemMetrics(SM_CYICON), ILC_COLOR32 | ILC_MASK, 50,
                                   100);
  ui::ListViewSetImageList(ListView(), ImageList, LVSIL_NORMAL);

  keeper_.Start(self);
  UpdateData(false);
  UpdateButtons();
  if (keeper_.Settings().DisplayWidthStartup != 0) keeper_.Self()->Hide();
  RegisterHotKeys();
  // No focus for a window nobody sees: the dialog manager's focus step
  // would make it the active window and take the keyboard from whatever
  // the user is typing into. It gets its focus when it is first shown.
  return 0;
}

void CMorimoDlg::DoDataExchange(CDataExchange& dx) {
  GeneralSettings& settings = keeper_.Settings();
  dx.Check(IDC_CHECK_TOPMOST, settings.ShowTopMost);
  dx.Check(IDC_CHECK_SHOW_AT_STARTUP, settings.DisplayWidthStartup);
  dx.Check(IDC_CHECK_REALY_HIDE, settings.RealyHideOnHidden);
}

// ---- Messages -------------------------------------------------------------------

bool CMorimoDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_SYSCOMMAND) {
    bool handled = false;
    OnSysCommand(static_cast<UINT>(wParam), lParam, &handled);
    return handled;
  }
  if (msg == WM_QUERYDRAGICON) {
    *result = reinterpret_cast<LRESULT>(AppIcon);
    return true;
  }
  if (msg == WM_HOTKEY) {
    // Posted by the system for a combination we registered; one that
    // another program posts names an action all the same, which is no
    // more than the user could do.
    OnHotKey(static_cast<int>(wParam));
    *result = 0;
    return true;
  }
  if (ShowManagerMsg != 0 && msg == ShowManagerMsg) {
    // Another copy was started: the user wants this one's window.
    if (keeper_.Self() != nullptr && !keeper_.Exiting()) {
      keeper_.Self()->Show(1);
      UpdateButtons();
    }
    *result = 0;
    return true;
  }
  return keeper_.OnMessage(msg, wParam, lParam, result);
}

// ---- The keeper's view -----------------------------------------------------------

void CMorimoDlg::Adopted(CTrayWnd* trayWnd) {
  std::string title = trayWnd->TitleUtf8();
  if (trayWnd->Protected()) title += CTrayWnd::ProtectedWordsUtf8();
  const int image = AddListImage(trayWnd);
  const int index = Os().ListViewInsertItemU8(ListView(), kAppendIndex, title, image);
  if (index >= 0) Os().ListViewSetItemParam(ListView(), index, trayWnd->Id());
}

int CMorimoDlg::AddListImage(const CTrayWnd* trayWnd) {
  // The picture of a window let go is reused, so the list holds no more
  // pictures than windows managed at once, however many come and go.
  int slot = -1;
  if (!freeImages_.empty()) {
    slot = freeImages_.back();
    freeImages_.pop_back();
  }
  const int image = Os().ImageListReplaceIcon(ImageList, slot, trayWnd->ListIcon);
  if (image < 0 && slot >= 0) freeImages_.push_back(slot);
  if (image >= 0) imageOf_[trayWnd->Id()] = image;
  return image;
}

void CMorimoDlg::Releasing(CTrayWnd* trayWnd) {
  auto image = imageOf_.find(trayWnd->Id());
  if (image != imageOf_.end()) {
    freeImages_.push_back(image->second);
    imageOf_.erase(image);
  }
  const int index =
      Os().ListViewFindItemByParam(ListView(), -1, static_cast<LPARAM>(trayWnd->Id()));
  if (index < 0) {
    ShowInvariantBox("The tray wnd object does not be found in list ctrl.");
    return;
  }
  ui::ListViewDeleteItem(ListView(), index);
}

void CMorimoDlg::ShowInvariantBox(const char* text) {
  Os().MessageBoxU8(Hwnd(), text, MORIMO_PRODUCT_NAME, MB_OK);
}

// ---- Exit and system menu ----------------------------------------------------------

void CMorimoDlg::OnButtonExit() {
  if (keeper_.Exiting()) return;
  UpdateData(true);
  int answer = IDNO;
  {
    // Restores what was set before: a rule editor may be open (it has no
    // owner, so this button stays usable meanwhile).
    FlagScope modal(&ModalActive);
    answer = Os().MessageBoxU8(Hwnd(), kExitQuestion, MORIMO_PRODUCT_NAME, MB_YESNO | MB_ICONQUESTION);
  }
  if (answer != IDYES || keeper_.Exiting()) return;
  ExitNow();
}

void CMorimoDlg::ExitNow() {
  hotKeys_.UnregisterAll();
  keeper_.Exit();
  RECT rect{};
  Os().GetWindowRect(Hwnd(), &rect);
  Os().ShowWindow(Hwnd(), SW_HIDE);
  CDialog::OnOK();
  // Repaint whatever lay under the manager window.
  Os().InvalidateRect(nullptr, &rect, 1);
  Os().PostQuitMessage(0);
}

void CMorimoDlg::OnSysCommand(UINT id, LPARAM, bool* handled) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    ShowAboutBox();
    *handled = true;
    return;
  }
  // Minimise, move, close: the system's own processing.
  *handled = false;
}

// ---- Hotkeys ----------------------------------------------------------------------

void CMorimoDlg::RegisterHotKeys() {
  const std::vector<CHotKeys::Action> failed = hotKeys_.RegisterAll(Hwnd());
  if (failed.empty()) return;
  const CHotKeys::Values values = hotKeys_.Current();
  std::string text = "他のプログラムが使っている組み合わせです。\n";
  for (CHotKeys::Action action : failed) {
    const std::string which = HotKeyText(values[action - 1]) + "（" + CHotKeys::ActionText(action) + "）";
    text += which + "\n";
    LogEvent("ホットキーを登録できない " + which);
  }
  text += "メインメニューの「ホットキー」で変更できます。";
  keeper_.Notify("ホットキーを登録できませんでした", text);
}

void CMorimoDlg::OnHotKey(int action) {
  if (keeper_.Busy()) return;
  switch (action) {
    case CHotKeys::ToTray:
      switch (keeper_.HideForegroundWindow()) {
        case CWindowKeeper::ToTray::Protected:
          keeper_.Notify(MORIMO_PRODUCT_NAME,
                         "管理者として実行されているプログラムのウインドウは、トレイに入れられません。"
                         "メインメニューの「管理者として再起動」で MoriMo も管理者として実行してください。");
          break;
        case CWindowKeeper::ToTray::Refused:
          keeper_.Notify(MORIMO_PRODUCT_NAME, "このウインドウはトレイに入れられませんでした。");
          break;
        default:
          break;
      }
      break;
    case CHotKeys::Restore:
      keeper_.ShowLastHidden();
      break;
    case CHotKeys::Manager:
      ToggleManager();
      break;
    default:
      return;
  }
  UpdateButtons();
}

void CMorimoDlg::ToggleManager() {
  CTrayWnd* self = keeper_.Self();
  // With a dialog of ours open the manager stays as it is: the rule list
  // hides it on purpose, and a hidden owner would take a dialog with it.
  if (self == nullptr || ModalActive) return;
  // As a taskbar button does: the window the user works in goes away,
  // one that is hidden or behind another comes to the front.
  self->Tick();
  if (self->Hidden == 0 && self->Active == 1) {
    self->Hide();
  } else {
    self->Show(1);
  }
}

void CMorimoDlg::OnMenuRestartElevated() {
  // Offered only while we are not administrator (an elevated copy started
  // again is one more prompt, nothing worse).
  if (ModalActive || keeper_.Exiting()) return;
  const std::string path = ModuleFilePath();
  if (path.empty()) return;
  INT_PTR started = 0;
  {
    // The prompt may take the user a while; nothing else opens meanwhile.
    FlagScope modal(&ModalActive);
    started = Os().ShellExecuteA(Hwnd(), "runas", path.c_str(), CMorimoApp::kHandoverSwitch,
                                 nullptr, SW_SHOWNORMAL);
  }
  if (started <= 32) {
    // No to the prompt changes nothing; anything else is said.
    if (started != SE_ERR_ACCESSDENIED) {
      Os().MessageBoxU8(Hwnd(), "管理者として起動できませんでした。", MORIMO_PRODUCT_NAME,
                        MB_OK | MB_ICONWARNING);
    }
    return;
  }
  UpdateData(true);
  ExitNow();
}

namespace {

constexpr char kRunValueName[] = "MoriMo";

// This program file, quoted, as the logon list starts it.
std::string OwnRunCommand() {
  const std::string path = ModuleFilePath();
  return path.empty() ? std::string() : "\"" + Os().AnsiToUtf8(path) + "\"";
}

}  // namespace

bool CMorimoDlg::StartsWithWindows() const {
  std::string command;
  const std::string own = OwnRunCommand();
  // A file moved since names another program: not ticked, and ticking
  // writes this one.
  return !own.empty() && Os().GetRunValueU8(kRunValueName, &command) &&
         UpperAscii(command) == UpperAscii(own);
}

void CMorimoDlg::OnMenuStartWithWindows() {
  const std::string own = OwnRunCommand();
  if (own.empty()) return;
  const bool done = StartsWithWindows() ? Os().DeleteRunValueU8(kRunValueName) != 0
                                        : Os().SetRunValueU8(kRunValueName, own) != 0;
  if (!done) {
    Os().MessageBoxU8(Hwnd(), "Windows の起動時に開始する設定を変更できませんでした。",
                      MORIMO_PRODUCT_NAME, MB_OK | MB_ICONWARNING);
  }
}

void CMorimoDlg::OnMenuLogFolder() {
  // The log stands beside the settings, in the data folder.
  Os().ShellExecuteA(Hwnd(), "open", DataFolder().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMorimoDlg::OnMenuHotKeys() {
  if (ModalActive) return;
  FlagScope modal(&ModalActive);
  CHotKeyDialog dialog(hotKeys_);
  if (dialog.DoModal(Hwnd()) == IDOK) keeper_.Save();
}

void CMorimoDlg::ShowAboutBox() {
  // Modal like the rule dialogs: a rule list opened over it would enable
  // the manager again when it closes, with the about box still open.
  if (ModalActive) return;
  FlagScope modal(&ModalActive);
  CAboutDlg about;
  about.DoModal(Hwnd());
}

// ---- Tray menus and their commands -----------------------------------------------

void CMorimoDlg::TrayMenuWanted(CTrayWnd* trayWnd) {
  TrayMenuState state;
  state.ownIcon = IsOwn(trayWnd);
  state.modalActive = ModalActive;
  state.opacityAvailable = trayWnd->IsOpacityAvailable() != 0;
  state.alphaActive = trayWnd->AlphaActive;
  state.alphaInactive = trayWnd->AlphaInactive;
  state.canChangeTitleStyle = trayWnd->CanChangeTitleStyle() != 0;
  state.topMost = trayWnd->TopMost != 0;
  state.ruleless = keeper_.Ruleless(trayWnd);
  state.protectedWindow = trayWnd->Protected();
  // Items of the main menu alone: asked of the system only for it.
  if (state.ownIcon) {
    state.canRestartElevated = Os().IsProcessElevated() == 0;
    state.startsWithWindows = StartsWithWindows();
  }

  POINT at{};
  Os().GetCursorPos(&at);
  // Our window must be the foreground one, or the menu does not close when
  // the user clicks elsewhere; WM_NULL after it makes the switch complete.
  Os().SetForegroundWindow(Hwnd());
  const UINT command = Os().TrackPopupMenuU8(Hwnd(), BuildTrayMenu(state), at);
  Os().PostMessageA(Hwnd(), WM_NULL, 0, 0);
  // Handled after the keeper's handler scope has ended, as a menu's own
  // WM_COMMAND would be.
  if (command != 0) Os().PostMessageA(Hwnd(), WM_COMMAND, command, 0);
}

void CMorimoDlg::OnMenuShow() {
  if (CTrayWnd* current = keeper_.Current()) current->Show(1);
  keeper_.LetGoOfShownRuleless();
  UpdateButtons();
}

void CMorimoDlg::OnMenuHide() {
  if (CTrayWnd* current = keeper_.Current()) current->Hide();
  UpdateButtons();
}

void CMorimoDlg::OnMenuSysCommand(WPARAM command) {
  CTrayWnd* current = keeper_.Current();
  if (current == nullptr) return;
  // Read first: the show may wait on the program, and the window may be
  // let go meanwhile.
  const HWND window = current->Window();
  current->Show(1);
  if (Os().IsWindow(window)) Os().PostMessageA(window, WM_SYSCOMMAND, command, 0);
  keeper_.LetGoOfShownRuleless();
  UpdateButtons();
}

void CMorimoDlg::OnMenuOpacity(UINT id) {
  CTrayWnd* current = keeper_.Current();
  if (current == nullptr) return;
  // Stored only: it reaches the window at its next change of activation.
  const int active = ActiveOpacityOfCommand(id);
  if (active >= 0) current->AlphaActive = active;
  const int inactive = InactiveOpacityOfCommand(id);
  if (inactive >= 0) current->AlphaInactive = inactive;
}

void CMorimoDlg::OnMenuTitleStyle(int code) {
  // The items are greyed when the rule forbids it; a command that comes
  // anyway (any program can post one) changes nothing.
  CTrayWnd* current = keeper_.Current();
  if (current != nullptr && current->CanChangeTitleStyle() != 0) current->SetTitleStyle(code);
}

void CMorimoDlg::OnMenuTopMost() {
  CTrayWnd* current = keeper_.Current();
  if (current != nullptr) current->SetTopMost(current->TopMost != 0 ? 0 : 1);
}

void CMorimoDlg::OnMenuSetting() {
  if (keeper_.Current() == nullptr) return;
  if (IsOwn(keeper_.Current())) {
    OnButtonSetting();
  } else {
    EditRule(keeper_.Current());
  }
  UpdateButtons();
}

void CMorimoDlg::OnMenuExit() {
  CTrayWnd* current = keeper_.Current();
  if (current == nullptr) return;
  if (IsOwn(current)) {
    OnButtonExit();
  } else {
    // Closes that window, without asking: it is the window's own business.
    Os().PostMessageA(current->Window(), WM_CLOSE, 0, 0);
  }
}

void CMorimoDlg::OnMenuMakerPage() {
  // Shown normally: a page opened hidden would not be seen at all.
  Os().ShellExecuteA(Hwnd(), "open", MORIMO_MAKER_URL, nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- List and buttons ------------------------------------------------------------------

void CMorimoDlg::OnOK() {
  if (keeper_.Self() != nullptr) keeper_.Self()->Hide();
}

void CMorimoDlg::OnCancel() {
  if (keeper_.Self() != nullptr) keeper_.Self()->Hide();
}

void CMorimoDlg::UpdateButtons() {
  HWND list = ListView();
  const int selected = ui::ListViewSelectedCount(list);
  const BOOL any = selected >= 1 ? 1 : 0;
  Os().EnableWindow(Item(IDC_BUTTON_SHOW), any);
  Os().EnableWindow(Item(IDC_BUTTON_HIDE), any);
  Os().EnableWindow(Item(IDC_BUTTON_CLOSE), any);
  // A window taken by the hotkey without a rule has no rule to edit.
  bool editable = selected == 1;
  if (editable) {
    ForEachSelected([&](CTrayWnd* trayWnd) { editable = !keeper_.Ruleless(trayWnd); });
  }
  Os().EnableWindow(Item(IDC_BUTTON_PROPERTY), editable ? 1 : 0);
  const int count = ui::ListViewItemCount(list);
  for (int i = 0; i < count; ++i) {
    const CTrayWnd* trayWnd = keeper_.Find(static_cast<UINT>(Os().ListViewGetItemParam(list, i)));
    const UINT cut = trayWnd != nullptr && trayWnd->Hidden == 1 ? LVIS_CUT : 0;
    Os().ListViewSetItemState(list, i, cut, LVIS_CUT);
  }
}

HWND CMorimoDlg::ListView() const { return Item(IDC_LIST_WINDOWS); }

template <typename Fn>
void CMorimoDlg::ForEachSelected(Fn fn) {
  HWND list = ListView();
  int index = ui::ListViewNextItem(list, -1, LVNI_SELECTED);
  while (index >= 0) {
    // The next one first: acting on a window may change the list.
    const int next = ui::ListViewNextItem(list, index, LVNI_SELECTED);
    CTrayWnd* trayWnd = keeper_.Find(static_cast<UINT>(Os().ListViewGetItemParam(list, index)));
    if (trayWnd != nullptr) fn(trayWnd);
    index = next;
  }
}

void CMorimoDlg::OnButtonShow() {
  ForEachSelected([](CTrayWnd* trayWnd) { trayWnd->Show(1); });
  keeper_.LetGoOfShownRuleless();
  UpdateButtons();
}

void CMorimoDlg::OnButtonHide() {
  ForEachSelected([](CTrayWnd* trayWnd) { trayWnd->Hide(); });
  UpdateButtons();
}

void CMorimoDlg::OnButtonClose() {
  ForEachSelected(
      [](CTrayWnd* trayWnd) { Os().PostMessageA(trayWnd->Window(), WM_CLOSE, 0, 0); });
  UpdateButtons();
}

LRESULT CMorimoDlg::OnListDblClk(const NMHDR*) {
  ForEachSelected([](CTrayWnd* trayWnd) {
    if (trayWnd->Hidden == 1) {
      trayWnd->Show(1);
    } else {
      trayWnd->Hide();
    }
  });
  keeper_.LetGoOfShownRuleless();
  UpdateButtons();
  return 0;
}

LRESULT CMorimoDlg::OnListItemChanged(const NMHDR* hdr) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
  // The ghosted (cut) look of a hidden window's item is not part of the
  // selection: selecting that item makes its window current all the same.
  const UINT state = change->uNewState & ~LVIS_CUT;
  if (state == (LVIS_SELECTED | LVIS_FOCUSED)) {
    CTrayWnd* trayWnd = keeper_.Find(static_cast<UINT>(change->lParam));
    if (trayWnd != nullptr) keeper_.SetCurrent(trayWnd);
  }
  UpdateButtons();
  return 0;
}

void CMorimoDlg::OnButtonProperty() {
  // The button edits the rule of the selected row, whatever icon was
  // clicked since the row was chosen (the manager's own icon makes the
  // manager current, and its rule is not one the user can edit).
  if (ui::ListViewSelectedCount(ListView()) != 1) return;
  CTrayWnd* selected = nullptr;
  ForEachSelected([&selected](CTrayWnd* trayWnd) { selected = trayWnd; });
  if (selected == nullptr) return;
  keeper_.SetCurrent(selected);
  EditRule(selected);
}

void CMorimoDlg::EditRule(CTrayWnd* trayWnd) {
  // The manager's own rule is made afresh at each start from its title and
  // check boxes, so an edit of it would be lost: never offered. One rule
  // dialog at a time: a rule list opened meanwhile could delete the rule
  // this editor copies back into.
  if (trayWnd == nullptr || IsOwn(trayWnd) || keeper_.Ruleless(trayWnd) || ModalActive) return;
  CTrayWndSpec* rule = trayWnd->Spec;
  CRegisterDialog editor;
  CopyRuleFields(*rule, editor.Rule);
  INT_PTR result = 0;
  {
    FlagScope modal(&ModalActive);
    result = editor.DoModal(nullptr);
  }
  // The window may have been let go meanwhile; its rule is only changed
  // while it is still one of ours.
  if (result != IDOK || FindRule(keeper_.Rules(), rule) == nullptr) return;
  CopyRuleFields(editor.Rule, *rule);
  keeper_.Save();
}

void CMorimoDlg::OnButtonSetting() {
  if (ModalActive) return;
  CManageDialog rules(keeper_.Rules());
  {
    FlagScope modal(&ModalActive);
    const bool wasVisible = Os().IsWindowVisible(Hwnd()) != 0;
    if (keeper_.Self() != nullptr) keeper_.Self()->Hide();
    rules.DoModal(Hwnd());
    if (wasVisible && keeper_.Self() != nullptr) keeper_.Self()->Show(1);
    keeper_.Save();
  }
  UpdateButtons();
}

void CMorimoDlg::OnButtonHelp() {
  const std::string page = GetModuleDirectory() + kHelpPage;
  // Shown normally: a help page opened hidden would be no help at all.
  Os().ShellExecuteA(Hwnd(), "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMorimoDlg::OnCheckTopMost() {
  UpdateData(true);
  keeper_.SettingsChanged();
  UpdateButtons();
}

void CMorimoDlg::OnCheckRealyHide() {
  UpdateData(true);
  UpdateButtons();
}

}  // namespace mm
