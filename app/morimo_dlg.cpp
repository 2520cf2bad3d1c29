#include "app/morimo_dlg.h"

#include "app/tray_menu.h"
#include "core/exception_box.h"
#include "core/window_text.h"
#include "dialogs/manage_dialog.h"
#include "dialogs/register_dialog.h"
#include "dialogs/rule_list_logic.h"
#include "res/resource.h"
#include "res/version.h"
#include "storage/paths.h"
#include "storage/recovery.h"
#include "ui/about_dlg.h"
#include "ui/controls.h"

namespace mm {

static_assert(IDI_MORIMO == IDR_MAINFRAME, "program icon resource");

namespace {

constexpr char kExitQuestion[] = "MoriMoを終了しますか？";
constexpr char kHelpPage[] = "Document\\Readme.html";
constexpr char kWindowDestroyedHandler[] =
    "LRESULT CMorimoDlg::DefWindowProc() / message == WMA_WINDOW_DESTROYED";
constexpr char kTraySpecDeletedHandler[] =
    "LRESULT CMorimoDlg::DefWindowProc() / message == WMA_TRAYSPEC_DELETED";
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

CMorimoDlg::CMorimoDlg() : CDialog(IDD_MORIMO_DIALOG) {
  TaskbarCreatedMsg = Os().RegisterWindowMessageA("TaskbarCreated");
  ShowManagerMsg = Os().RegisterWindowMessageA(kShowManagerMessage);
  AppIcon = Os().LoadAppIcon(IDR_MAINFRAME);

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
}

CMorimoDlg::~CMorimoDlg() {
  // Normally OnButtonExit has emptied everything. When the loop ended some
  // other way, managed windows still give their windows back here.
  exiting_ = true;
  ReleaseAll();
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
  Os().AllowMessageFromLowerPrivilege(self, TaskbarCreatedMsg);
  Os().AllowMessageFromLowerPrivilege(self, ShowManagerMsg);

  Os().SendMessageToOwnWindow(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon));
  Os().SendMessageToOwnWindow(self, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon));

  LoadSettings(Settings_, TraySpecList);

  // The manager's own rule: its exact title, so the manager window is
  // managed like any other and reached through its tray icon.
  SelfTraySpec = std::make_unique<CTrayWndSpec>();
  ReadWindowCaption(self, &SelfTraySpec->Caption);
  SelfTraySpec->CaptionMatchType = CaptionMatch::Equal;
  SelfTraySpec->UseClassname = 0;
  SelfTraySpec->HideIfIconized = 1;
  SelfTraySpec->ShowIconOnlyHidden = Settings_.ShowOnlyHidden;
  SelfTraySpec->AlphaPercent = 100;
  SelfTraySpec->ShowTopMost = Settings_.ShowTopMost;
  // Our own title bar keeps its style.
  SelfTraySpec->DisableTitleStyleChanging = 1;

  auto selfWnd = std::make_unique<CTrayWnd>();
  selfWnd->Attach(new TrayWndHandles{self, self}, SelfTraySpec.get());
  SelfTrayWnd = selfWnd.get();
  TrayWndList.push_back(std::move(selfWnd));
  HwndList.Append(self);

  ImageList = Os().ImageListCreate(32, 32, ILC_COLOR32 | ILC_MASK, 50, 100);
  ui::ListViewSetImageList(ListView(), ImageList, LVSIL_NORMAL);

  earlierLooks_ = ReadLooksFile();
  ReadHwndsFile(&RestoringHwnds, [this](HWND window) { return TryAddWindow(window); });
  earlierLooks_.clear();

  StartScanTimer();
  UpdateData(false);
  UpdateButtons();
  if (Settings_.DisplayWidthStartup != 0) SelfTrayWnd->Hide();
  // No focus for a window nobody sees: the dialog manager's focus step
  // would make it the active window and take the keyboard from whatever
  // the user is typing into. It gets its focus when it is first shown.
  return 0;
}

void CMorimoDlg::DoDataExchange(CDataExchange& dx) {
  dx.Check(IDC_CHECK_TOPMOST, Settings_.ShowTopMost);
  dx.Check(IDC_CHECK_SHOW_AT_STARTUP, Settings_.DisplayWidthStartup);
  dx.Check(IDC_CHECK_REALY_HIDE, Settings_.RealyHideOnHidden);
}

void CMorimoDlg::StartScanTimer() {
  // A period that is not positive would either spin or never fire.
  const int period = Settings_.TimerPeriod > 0 ? Settings_.TimerPeriod : 500;
  Os().SetTimer(Hwnd(), kScanTimerId, static_cast<UINT>(period));
}

// ---- Scan tick ----------------------------------------------------------------

bool CMorimoDlg::OnTimer(UINT_PTR) {
  if (InHandler || exiting_) return false;
  FlagScope inHandler(&InHandler);
  Os().KillTimer(Hwnd(), kScanTimerId);
  try {
    Tick();
  } catch (...) {
    // The scan must not stop for good because one tick failed.
    if (!exiting_) StartScanTimer();
    throw;
  }
  if (!exiting_) StartScanTimer();
  return true;
}

void CMorimoDlg::Tick() {
  ruleIndex_.Update(TraySpecList);
  ++scan_;
  Os().EnumWindows(&CMorimoDlg::EnumWindowsProc, reinterpret_cast<LPARAM>(this));
  // Class names of windows that have gone are forgotten, so a handle the
  // system hands out again starts afresh.
  for (auto it = classOf_.begin(); it != classOf_.end();) {
    it = it->second.scan == scan_ ? std::next(it) : classOf_.erase(it);
  }
  TickManagedWindows();
  RevealOrHideOwnIcon();
}

BOOL CMorimoDlg::EnumWindowsProc(HWND window, LPARAM manager) {
  auto* self = reinterpret_cast<CMorimoDlg*>(manager);
  // A managed window is never taken again: nothing to ask it (a hash
  // lookup, where every question to a window is a trip to the server).
  if (self->exiting_ || self->HwndList.Contains(window)) return 1;
  // What IsWindowVisible answers for a top-level window (its parent, the
  // desktop, is always visible), in one call instead of two under Wine.
  const DWORD style = static_cast<DWORD>(Os().GetWindowLongA(window, GWL_STYLE));
  if ((style & WS_VISIBLE) != 0) self->ScanWindow(window);
  return 1;
}

void CMorimoDlg::TickManagedWindows() {
  // Walk a copy: Tick() may wait on another program, and a sent message
  // handled meanwhile may release managed windows. Entries are compared as
  // pointers only until they are known to be alive.
  tickWalk_.clear();
  for (const auto& trayWnd : TrayWndList) tickWalk_.push_back(trayWnd.get());
  releasedDuringWalk_ = false;
  std::vector<CTrayWnd*> lostReports;
  // Read once for all: each question is a trip to the server under Wine.
  const HWND foreground = Os().GetForegroundWindow();
  const DWORD foregroundThread = Os().GetWindowThreadProcessId(foreground, nullptr);
  for (CTrayWnd* trayWnd : tickWalk_) {
    if (releasedDuringWalk_ && !IsManaged(trayWnd)) continue;
    // A window that reported its end at an earlier tick and is still here
    // lost its report (dropped while another handler ran): its report
    // is never posted twice, so it is let go here.
    const bool reportedBefore = trayWnd->GoneReported != 0;
    trayWnd->Tick(foreground, foregroundThread);
    if (releasedDuringWalk_ && !IsManaged(trayWnd)) continue;
    if (reportedBefore && trayWnd->FoundGone() && trayWnd != SelfTrayWnd) {
      lostReports.push_back(trayWnd);
    }
  }
  tickWalk_.clear();
  for (CTrayWnd* trayWnd : lostReports) {
    if (IsManaged(trayWnd)) ReleaseReported(trayWnd, kWindowDestroyedHandler);
  }
}

bool CMorimoDlg::KeyDown(int virtualKey) {
  // Our thread's state alone misses keys held while another program has
  // the keyboard, which is where the user is when the tray program works.
  const auto down = static_cast<SHORT>(0x8000);
  return ((Os().GetKeyState(virtualKey) | Os().GetAsyncKeyState(virtualKey)) & down) != 0;
}

void CMorimoDlg::RevealOrHideOwnIcon() {
  if (Settings_.RealyHideOnHidden == 0) return;
  if (RevealCountdown > 0) {
    --RevealCountdown;
    return;
  }
  if (SelfTrayWnd == nullptr) return;
  if (KeyDown(VK_CONTROL) && KeyDown(VK_SHIFT)) {
    SelfTrayWnd->UpdateIcon();
    RevealCountdown = kRevealTicks;
  } else {
    SelfTrayWnd->DeleteIcon();
  }
}

void CMorimoDlg::ScanWindow(HWND window) {
  // A visible window exists, so IsWindow has nothing to add here.
  CTrayWndSpec* spec = FindMatchingSpec(window, /*scanning=*/true);
  if (spec != nullptr) Adopt(window, spec);
}

int CMorimoDlg::TryAddWindow(HWND window) {
  if (exiting_) return 0;
  if (!Os().IsWindow(window)) return 0;
  // A managed window is never adopted a second time, even under a rule
  // that matches it now.
  if (HwndList.Contains(window)) return 0;
  ruleIndex_.Update(TraySpecList);
  CTrayWndSpec* spec = FindMatchingSpec(window, /*scanning=*/false);
  if (spec == nullptr) return 0;
  // A window of the recovery file may still wear what the earlier run
  // changed: the looks that run found are the ones to go by.
  const auto earlier = earlierLooks_.find(HandleToRecord(window));
  Adopt(window, spec, earlier != earlierLooks_.end() ? &earlier->second : nullptr);
  return 1;
}

CTrayWndSpec* CMorimoDlg::FindMatchingSpec(HWND window, bool scanning) {
  if (TraySpecList.empty()) return nullptr;
  caption_.clear();
  const std::string* className = nullptr;
  if (ruleIndex_.NeedsCaption()) ReadWindowCaption(window, &caption_);
  if (ruleIndex_.NeedsClassName()) className = &ClassNameOf(window, scanning);
  CTrayWndSpec* spec = ruleIndex_.FirstMatch(caption_, className ? *className : std::string());
  if (spec == nullptr) return nullptr;
  // Asked only of a window some rule wants, so the scan stays one read a
  // window for the rest.
  if (className == nullptr) className = &ClassNameOf(window, scanning);
  if (IsShellWindowClass(*className)) return nullptr;
  // Our own dialogs and message boxes are never taken: a rule that matches
  // our title ("MoriMo") would close or hide the exit question, and the
  // manager is managed through its own rule already.
  DWORD processId = 0;
  Os().GetWindowThreadProcessId(window, &processId);
  return processId == Os().GetCurrentProcessId() ? nullptr : spec;
}

const std::string& CMorimoDlg::ClassNameOf(HWND window, bool scanning) {
  if (!scanning) {
    ReadWindowClassName(window, &className_);
    return className_;
  }
  // A window keeps its class for life: read once, while the scan sees it.
  auto [it, added] = classOf_.try_emplace(window);
  if (added) ReadWindowClassName(window, &it->second.name);
  it->second.scan = scan_;
  return it->second.name;
}

void CMorimoDlg::Adopt(HWND window, CTrayWndSpec* spec, const FoundLooks* earlier) {
  auto owned = std::make_unique<CTrayWnd>();
  CTrayWnd* trayWnd = owned.get();
  trayWnd->Take(new TrayWndHandles{window, Hwnd()}, spec, earlier);
  TrayWndList.push_back(std::move(owned));
  HwndList.Append(window);
  // Listed, with the looks found, before anything of the window changes:
  // a crash from here on leaves the next run what to give back.
  WriteHwndsFile();
  // Apply's result is not examined: a window whose icon could not be
  // added is managed all the same.
  trayWnd->Apply();
  if (spec->HideOnStartup == 0) trayWnd->Show(1);

  const std::string title = trayWnd->GetCaption();
  const int image = AddListImage(trayWnd);
  const int index = Os().ListViewInsertItem(ListView(), kAppendIndex, title, image);
  if (index >= 0) Os().ListViewSetItemParam(ListView(), index, trayWnd->Id());

  if (spec->CloseOnStartup != 0) Os().PostMessageA(window, WM_CLOSE, 0, 0);
}

void CMorimoDlg::WriteHwndsFile() {
  if (sessionEnding_) return;
  std::vector<HWND> handles;
  std::vector<std::pair<HWND, FoundLooks>> looks;
  handles.reserve(TrayWndList.size());
  looks.reserve(TrayWndList.size());
  for (const auto& trayWnd : TrayWndList) {
    handles.push_back(trayWnd->Window());
    looks.emplace_back(trayWnd->Window(), trayWnd->Found());
  }
  // The looks first: a crash between the two leaves looks for windows the
  // list does not name yet, never a listed window without its looks.
  mm::WriteLooksFile(RestoringHwnds, looks);
  mm::WriteHwndsFile(RestoringHwnds, handles);
}

// ---- Message protocol ----------------------------------------------------------

bool CMorimoDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_TIMER) return OnTimer(wParam);
  if (msg == WM_SYSCOMMAND) {
    bool handled = false;
    OnSysCommand(static_cast<UINT>(wParam), lParam, &handled);
    return handled;
  }
  if (msg == WM_ENDSESSION) {
    // The windows named in the recovery file end with the session; a later
    // session must not take unrelated windows that get the same handles.
    if (wParam != 0) {
      sessionEnding_ = true;
      DeleteHwndsFile();
    }
    return false;
  }
  if (msg == WM_QUERYDRAGICON) {
    *result = reinterpret_cast<LRESULT>(AppIcon);
    return true;
  }
  if (ShowManagerMsg != 0 && msg == ShowManagerMsg) {
    // Another copy was started: the user wants this one's window.
    if (SelfTrayWnd != nullptr && !exiting_) {
      SelfTrayWnd->Show(1);
      UpdateButtons();
    }
    *result = 0;
    return true;
  }
  if (TaskbarCreatedMsg != 0 && msg == TaskbarCreatedMsg) {
    *result = OnTaskbarCreated(wParam, lParam);
    return true;
  }
  return false;
}

bool CMorimoDlg::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WMA_TRAYSPEC_DELETED:
      // Only our own rule list sends it; from another program it is a
      // forgery, whatever it names.
      if (Os().InSendMessage()) return true;
      // Never dropped: the sender deletes the rule as soon as we return.
      OnTraySpecDeleted(wParam);
      *result = 0;
      return true;
    case WMA_TRAYICON_NOTIFY:
    case WMA_WINDOW_DESTROYED:
      break;
    default:
      return false;
  }
  // A private message that arrives while a tick or another private message
  // is being handled is dropped.
  if (InHandler || exiting_) return false;
  FlagScope inHandler(&InHandler);
  if (msg == WMA_TRAYICON_NOTIFY) {
    *result = OnTrayIconNotify(wParam, lParam);
  } else {
    OnWindowDestroyed(wParam);
    *result = 0;
  }
  return true;
}

bool CMorimoDlg::IsManaged(const CTrayWnd* trayWnd) const {
  for (const auto& managed : TrayWndList) {
    if (managed.get() == trayWnd) return true;
  }
  return false;
}

CTrayWnd* CMorimoDlg::FindTrayWnd(UINT id) const {
  for (const auto& trayWnd : TrayWndList) {
    if (trayWnd->Id() == id) return trayWnd.get();
  }
  return nullptr;
}


LRESULT CMorimoDlg::OnTrayIconNotify(WPARAM wParam, LPARAM lParam) {
  // The id is the icon's uID; anything that is not one of ours is ignored.
  const UINT id = static_cast<UINT>(wParam);
  CTrayWnd* trayWnd = FindTrayWnd(id);
  if (trayWnd == nullptr) return 0;
  CurrentTrayWnd = trayWnd;
  const auto mouse = static_cast<UINT>(lParam);
  if (mouse == WM_RBUTTONUP) {
    OpenTrayMenu(trayWnd);
    return 1;
  }
  if (mouse == WM_LBUTTONDOWN) {
    if (Os().IsWindow(trayWnd->Window())) {
      if (trayWnd->Hidden == 0 && trayWnd->Active == 1) {
        trayWnd->Hide();
      } else {
        trayWnd->Show(1);
      }
    }
    UpdateButtons();
    // Show and Hide wait on the other program; check it is still ours.
    if (FindTrayWnd(id) != trayWnd) return 0;
  }
  trayWnd->Tick();
  return 0;
}

void CMorimoDlg::OnWindowDestroyed(WPARAM wParam) {
  CTrayWnd* trayWnd = FindTrayWnd(static_cast<UINT>(wParam));
  // Only a managed window that has itself reported its end is let go; the
  // manager's own window never is (nothing could reach the program then).
  if (trayWnd == nullptr || trayWnd->GoneReported == 0 || trayWnd == SelfTrayWnd) return;
  ReleaseReported(trayWnd, kWindowDestroyedHandler);
}

void CMorimoDlg::ReleaseReported(CTrayWnd* trayWnd, const char* where) {
  try {
    RemoveHwnd(trayWnd->Window());
    RemoveListItem(trayWnd);
    Release(trayWnd);
  } catch (...) {
    ShowExceptionBox(Hwnd(), where);
  }
}

void CMorimoDlg::OnTraySpecDeleted(WPARAM wParam) {
  // Compared by value only: the pointer is never followed unless it is one
  // of our rules.
  const auto* rule = reinterpret_cast<const CTrayWndSpec*>(wParam);
  if (rule == nullptr || FindRule(TraySpecList, rule) == nullptr) return;
  const bool wasInHandler = InHandler;
  InHandler = true;
  // The windows to let go, chosen first: letting one go may wait on its
  // program, and a message handled meanwhile may release others.
  std::vector<CTrayWnd*> users;
  for (const auto& trayWnd : TrayWndList) {
    if (trayWnd->Spec == rule) users.push_back(trayWnd.get());
  }
  for (CTrayWnd* trayWnd : users) {
    if (IsManaged(trayWnd)) ReleaseReported(trayWnd, kTraySpecDeletedHandler);
  }
  InHandler = wasInHandler;
}

void CMorimoDlg::Release(CTrayWnd* trayWnd) {
  if (trayWnd == CurrentTrayWnd) CurrentTrayWnd = nullptr;
  for (auto it = TrayWndList.begin(); it != TrayWndList.end(); ++it) {
    if (it->get() != trayWnd) continue;
    // Out of the list first, then deleted: deleting gives the window back
    // and may wait on its program.
    std::unique_ptr<CTrayWnd> owned = std::move(*it);
    TrayWndList.erase(it);
    releasedDuringWalk_ = true;
    owned.reset();
    WriteHwndsFile();
    return;
  }
  ShowInvariantBox("tray wnd not found in list");
}

void CMorimoDlg::RemoveHwnd(HWND window) {
  if (!HwndList.Remove(window)) ShowInvariantBox("HWND not found in list");
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

void CMorimoDlg::RemoveListItem(CTrayWnd* trayWnd) {
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

LRESULT CMorimoDlg::OnTaskbarCreated(WPARAM, LPARAM) {
  for (const auto& trayWnd : TrayWndList) trayWnd->AddIcon();
  return 0;
}


void CMorimoDlg::ShowInvariantBox(const char* text) {
  Os().MessageBoxU8(Hwnd(), text, MORIMO_PRODUCT_NAME, MB_OK);
}

// ---- Exit and system menu ----------------------------------------------------------

void CMorimoDlg::OnButtonExit() {
  if (exiting_) return;
  UpdateData(true);
  int answer = IDNO;
  {
    // Restores what was set before: a rule editor may be open (it has no
    // owner, so this button stays usable meanwhile).
    FlagScope modal(&ModalActive);
    answer = Os().MessageBoxU8(Hwnd(), kExitQuestion, MORIMO_PRODUCT_NAME, MB_YESNO | MB_ICONQUESTION);
  }
  if (answer != IDYES || exiting_) return;

  // No tick may run on what is torn down below.
  exiting_ = true;
  Os().KillTimer(Hwnd(), kScanTimerId);

  SaveSettings(Settings_, TraySpecList);
  try {
    ReleaseAll();
  } catch (...) {
    ShowExceptionBox(Hwnd(), "void CMorimoDlg::OnButtonExit()");
  }

  RECT rect{};
  Os().GetWindowRect(Hwnd(), &rect);
  DeleteHwndsFile();
  Os().ShowWindow(Hwnd(), SW_HIDE);
  CDialog::OnOK();
  // Repaint whatever lay under the manager window.
  Os().InvalidateRect(nullptr, &rect, 1);
  Os().PostQuitMessage(0);
}

void CMorimoDlg::ReleaseAll() {
  CurrentTrayWnd = nullptr;
  SelfTrayWnd = nullptr;
  // Our own window goes first (it is the first member), so its icon is the
  // first to leave the tray. Each leaves the list before it is deleted, as
  // everywhere else: deleting gives the window back, which may take a while.
  while (!TrayWndList.empty()) {
    std::unique_ptr<CTrayWnd> trayWnd = std::move(TrayWndList.front());
    TrayWndList.pop_front();
    trayWnd.reset();
  }
  TraySpecList.clear();
  SelfTraySpec.reset();
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

void CMorimoDlg::ShowAboutBox() {
  CAboutDlg about;
  about.DoModal(Hwnd());
}

// ---- Tray menus and their commands -----------------------------------------------

void CMorimoDlg::OpenTrayMenu(CTrayWnd* trayWnd) {
  TrayMenuState state;
  state.ownIcon = IsOwn(trayWnd);
  state.modalActive = ModalActive;
  state.opacityAvailable = trayWnd->IsOpacityAvailable() != 0;
  state.alphaActive = trayWnd->AlphaActive;
  state.alphaInactive = trayWnd->AlphaInactive;
  state.canChangeTitleStyle = trayWnd->CanChangeTitleStyle() != 0;
  state.topMost = trayWnd->TopMost != 0;

  POINT at{};
  Os().GetCursorPos(&at);
  // Our window must be the foreground one, or the menu does not close when
  // the user clicks elsewhere; WM_NULL after it makes the switch complete.
  Os().SetForegroundWindow(Hwnd());
  const UINT command = Os().TrackPopupMenuU8(Hwnd(), BuildTrayMenu(state), at);
  Os().PostMessageA(Hwnd(), WM_NULL, 0, 0);
  // Handled after this handler has let go of InHandler, as a menu's own
  // WM_COMMAND would be.
  if (command != 0) Os().PostMessageA(Hwnd(), WM_COMMAND, command, 0);
}

void CMorimoDlg::OnMenuShow() {
  if (CurrentTrayWnd == nullptr) return;
  CurrentTrayWnd->Show(1);
  UpdateButtons();
}

void CMorimoDlg::OnMenuHide() {
  if (CurrentTrayWnd == nullptr) return;
  CurrentTrayWnd->Hide();
  UpdateButtons();
}

void CMorimoDlg::OnMenuSysCommand(WPARAM command) {
  if (CurrentTrayWnd == nullptr) return;
  // Read first: the show may wait on the program, and a window let go
  // meanwhile clears CurrentTrayWnd.
  const HWND window = CurrentTrayWnd->Window();
  CurrentTrayWnd->Show(1);
  if (Os().IsWindow(window)) Os().PostMessageA(window, WM_SYSCOMMAND, command, 0);
  UpdateButtons();
}

void CMorimoDlg::OnMenuOpacity(UINT id) {
  if (CurrentTrayWnd == nullptr) return;
  // Stored only: it reaches the window at its next change of activation.
  const int active = ActiveOpacityOfCommand(id);
  if (active >= 0) CurrentTrayWnd->AlphaActive = active;
  const int inactive = InactiveOpacityOfCommand(id);
  if (inactive >= 0) CurrentTrayWnd->AlphaInactive = inactive;
}

void CMorimoDlg::OnMenuTitleStyle(int code) {
  // The items are greyed when the rule forbids it; a command that comes
  // anyway (any program can post one) changes nothing.
  if (CurrentTrayWnd == nullptr || CurrentTrayWnd->CanChangeTitleStyle() == 0) return;
  CurrentTrayWnd->SetTitleStyle(code);
}

void CMorimoDlg::OnMenuTopMost() {
  if (CurrentTrayWnd == nullptr) return;
  CurrentTrayWnd->SetTopMost(CurrentTrayWnd->TopMost != 0 ? 0 : 1);
}

void CMorimoDlg::OnMenuSetting() {
  if (CurrentTrayWnd == nullptr) return;
  if (IsOwn(CurrentTrayWnd)) {
    OnButtonSetting();
  } else {
    OnButtonProperty();
  }
  UpdateButtons();
}

void CMorimoDlg::OnMenuExit() {
  if (CurrentTrayWnd == nullptr) return;
  if (IsOwn(CurrentTrayWnd)) {
    OnButtonExit();
  } else {
    // Closes that window, without asking: it is the window's own business.
    Os().PostMessageA(CurrentTrayWnd->Window(), WM_CLOSE, 0, 0);
  }
}

void CMorimoDlg::OnMenuMakerPage() {
  // Shown normally: a page opened hidden would not be seen at all.
  Os().ShellExecuteA(Hwnd(), "open", MORIMO_MAKER_URL, nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- List and buttons ------------------------------------------------------------------

void CMorimoDlg::OnOK() {
  if (SelfTrayWnd != nullptr) SelfTrayWnd->Hide();
}

void CMorimoDlg::OnCancel() {
  if (SelfTrayWnd != nullptr) SelfTrayWnd->Hide();
}

void CMorimoDlg::UpdateButtons() {
  HWND list = ListView();
  const int selected = ui::ListViewSelectedCount(list);
  const BOOL any = selected >= 1 ? 1 : 0;
  Os().EnableWindow(Item(IDC_BUTTON_SHOW), any);
  Os().EnableWindow(Item(IDC_BUTTON_HIDE), any);
  Os().EnableWindow(Item(IDC_BUTTON_CLOSE), any);
  Os().EnableWindow(Item(IDC_BUTTON_PROPERTY), selected == 1 ? 1 : 0);
  const int count = ui::ListViewItemCount(list);
  for (int i = 0; i < count; ++i) {
    const CTrayWnd* trayWnd = FindTrayWnd(static_cast<UINT>(Os().ListViewGetItemParam(list, i)));
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
    CTrayWnd* trayWnd = FindTrayWnd(static_cast<UINT>(Os().ListViewGetItemParam(list, index)));
    if (trayWnd != nullptr) fn(trayWnd);
    index = next;
  }
}

void CMorimoDlg::OnButtonShow() {
  ForEachSelected([](CTrayWnd* trayWnd) { trayWnd->Show(1); });
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
  UpdateButtons();
  return 0;
}

LRESULT CMorimoDlg::OnListItemChanged(const NMHDR* hdr) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
  // The ghosted (cut) look of a hidden window's item is not part of the
  // selection: selecting that item makes its window current all the same.
  const UINT state = change->uNewState & ~LVIS_CUT;
  if (state == (LVIS_SELECTED | LVIS_FOCUSED)) {
    CTrayWnd* trayWnd = FindTrayWnd(static_cast<UINT>(change->lParam));
    if (trayWnd != nullptr) CurrentTrayWnd = trayWnd;
  }
  UpdateButtons();
  return 0;
}

void CMorimoDlg::OnButtonProperty() {
  // One rule dialog at a time: a rule list opened meanwhile could delete
  // the rule this editor copies back into.
  if (CurrentTrayWnd == nullptr || ModalActive) return;
  CTrayWndSpec* rule = CurrentTrayWnd->Spec;
  CRegisterDialog editor;
  CopyRuleFields(*rule, editor.Rule);
  INT_PTR result = 0;
  {
    FlagScope modal(&ModalActive);
    result = editor.DoModal(nullptr);
  }
  // The window may have been let go meanwhile; its rule is only changed
  // while it is still one of ours.
  if (result != IDOK || FindRule(TraySpecList, rule) == nullptr) return;
  CopyRuleFields(editor.Rule, *rule);
  SaveSettings(Settings_, TraySpecList);
}

void CMorimoDlg::OnButtonSetting() {
  if (ModalActive) return;
  CManageDialog rules(TraySpecList);
  {
    FlagScope modal(&ModalActive);
    const bool wasVisible = Os().IsWindowVisible(Hwnd()) != 0;
    if (SelfTrayWnd != nullptr) SelfTrayWnd->Hide();
    rules.DoModal(Hwnd());
    if (wasVisible && SelfTrayWnd != nullptr) SelfTrayWnd->Show(1);
    SaveSettings(Settings_, TraySpecList);
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
  if (SelfTraySpec) SelfTraySpec->ShowTopMost = Settings_.ShowTopMost;
  UpdateButtons();
}

void CMorimoDlg::OnCheckRealyHide() {
  UpdateData(true);
  UpdateButtons();
}

}  // namespace mm
