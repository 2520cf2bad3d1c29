#include "app/window_keeper.h"

#include "core/event_log.h"
#include "core/exception_box.h"
#include "dialogs/rule_list_logic.h"
#include "platform/platform.h"
#include "platform/window_text.h"
#include "res/version.h"
#include "storage/paths.h"
#include "storage/recovery.h"

namespace mm {

namespace {

constexpr char kWindowDestroyedHandler[] =
    "LRESULT CMorimoDlg::DefWindowProc() / message == WMA_WINDOW_DESTROYED";
constexpr char kTraySpecDeletedHandler[] =
    "LRESULT CMorimoDlg::DefWindowProc() / message == WMA_TRAYSPEC_DELETED";
constexpr char kGoneWhy[] = "（閉じられたか、ルールに合わなくなった）";

// The taskbar, the desktop and the notification area's own windows (Wine's
// too): taking one would take every tray icon with it, ours included.
bool IsShellWindowClass(const std::string& className) {
  static const char* const kShellClasses[] = {"Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Progman",
                                              "WorkerW", "__winex11_standalone_tray"};
  for (const char* shell : kShellClasses) {
    if (className == shell) return true;
  }
  return false;
}

bool KeyDown(int virtualKey) {
  // Our thread's state alone misses keys held while another program has
  // the keyboard, which is where the user is when the tray program works.
  const auto down = static_cast<SHORT>(0x8000);
  return ((Os().GetKeyState(virtualKey) | Os().GetAsyncKeyState(virtualKey)) & down) != 0;
}

}  // namespace

CWindowKeeper::CWindowKeeper(KeeperView& view) : view_(view) {
  taskbarCreatedMsg_ = Os().RegisterWindowMessageA("TaskbarCreated");
  rulelessRule_ = std::make_unique<CTrayWndSpec>();
  rulelessRule_->UseCaption = 0;
  rulelessRule_->UseClassname = 0;
  rulelessRule_->HideIfIconized = 0;
  rulelessRule_->ShowIconOnlyHidden = 1;
  rulelessRule_->HideOnStartup = 1;
  rulelessRule_->DisableTitleStyleChanging = 0;
}

CWindowKeeper::~CWindowKeeper() { ReleaseAll(); }

// ---- Start and end ---------------------------------------------------------------

void CWindowKeeper::Start(HWND manager) {
  manager_ = manager;
  ownIntegrity_ = Os().ProcessIntegrityLevel(Os().GetCurrentProcessId());
  LoadSettings(settings_, rules_);

  // The manager's own rule: its exact title, so the manager window is
  // managed like any other and reached through its tray icon.
  selfRule_ = std::make_unique<CTrayWndSpec>();
  ReadWindowCaption(manager, &selfRule_->Caption);
  selfRule_->CaptionMatchType = CaptionMatch::Equal;
  selfRule_->UseClassname = 0;
  selfRule_->HideIfIconized = 1;
  selfRule_->ShowIconOnlyHidden = settings_.ShowOnlyHidden;
  selfRule_->AlphaPercent = 100;
  selfRule_->ShowTopMost = settings_.ShowTopMost;
  // Our own title bar keeps its style.
  selfRule_->DisableTitleStyleChanging = 1;

  auto self = std::make_unique<CTrayWnd>();
  self->Attach(new TrayWndHandles{manager, manager}, selfRule_.get());
  self_ = self.get();
  managed_.push_back(std::move(self));
  handles_.Append(manager);

  LogEvent(std::string("起動 ") + MORIMO_PRODUCT_NAME + " " + MORIMO_VERSION_TEXT + " 設定ファイル=" +
           Os().AnsiToUtf8(SettingsFilePath()) + " ルール=" + std::to_string(rules_.size()));
  earlierLooks_ = ReadLooksFile();
  rulelessEarlier_ = ReadRulelessFile();
  ReadHwndsFile(&restoringHwnds_, [this](HWND window) { return TakeFromRecoveryFile(window); });
  earlierLooks_.clear();
  rulelessEarlier_.clear();
  StartScanTimer();
}

void CWindowKeeper::Exit() {
  // No tick may run on what is torn down below.
  exiting_ = true;
  Os().KillTimer(manager_, kScanTimerId);
  Save();
  try {
    ReleaseAll();
  } catch (...) {
    ShowExceptionBox(manager_, "void CMorimoDlg::OnButtonExit()");
  }
  DeleteHwndsFile();
  LogEvent("終了");
}

void CWindowKeeper::ReleaseAll() {
  // Nothing is taken or ticked while the windows go, however long that takes.
  exiting_ = true;
  current_ = nullptr;
  self_ = nullptr;
  MarkSilentPrograms();
  // Our own window goes first (it is the first member), so its icon is the
  // first to leave the tray. Each leaves the list before it is deleted, as
  // everywhere else: deleting gives the window back, which may take a while.
  while (!managed_.empty()) {
    std::unique_ptr<CTrayWnd> trayWnd = std::move(managed_.front());
    managed_.pop_front();
    ++releases_;
    if (trayWnd->Window() != manager_) LogEvent("手放した " + WindowForLog(trayWnd->Window()) + "（終了）");
    trayWnd.reset();
  }
  rules_.clear();
  selfRule_.reset();
}

void CWindowKeeper::MarkSilentPrograms() {
  // Letting a window go may ask its program (style words, a restore), and
  // a program that has just hung makes each question wait its bound: five
  // windows of one took seconds one after another. All programs are asked
  // once, together, and the windows of those that are silent are given
  // back with what does not wait (opacity, an asynchronous show and
  // restore, done once the program runs again).
  std::vector<HWND> windows;
  std::vector<CTrayWnd*> asked;
  for (const auto& trayWnd : managed_) {
    if (trayWnd->Window() == manager_) continue;
    windows.push_back(trayWnd->Window());
    asked.push_back(trayWnd.get());
  }
  if (windows.empty()) return;
  const std::vector<bool> answers = Os().ProgramsAnswer(windows, kReleaseQuestionMs);
  for (std::size_t i = 0; i < asked.size() && i < answers.size(); ++i) {
    if (answers[i]) continue;
    asked[i]->ProgramDoesNotAnswer();
    LogEvent("応答なし " + WindowForLog(windows[i]) + "（待たずにできることだけ戻します）");
  }
}

void CWindowKeeper::Save() const { SaveSettings(settings_, rules_); }

void CWindowKeeper::SettingsChanged() {
  if (selfRule_) selfRule_->ShowTopMost = settings_.ShowTopMost;
}

void CWindowKeeper::StartScanTimer() {
  // A period that is not positive would either spin or never fire.
  const int period = settings_.TimerPeriod > 0 ? settings_.TimerPeriod : 500;
  Os().SetTimer(manager_, kScanTimerId, static_cast<UINT>(period));
}

// ---- Scan tick ---------------------------------------------------------------------

bool CWindowKeeper::OnTimer() {
  if (Busy()) return false;
  HandlerScope scope(*this);
  Os().KillTimer(manager_, kScanTimerId);
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

void CWindowKeeper::Tick() {
  ruleIndex_.Update(rules_);
  ++scan_;
  Os().EnumWindows(&CWindowKeeper::EnumWindowsProc, reinterpret_cast<LPARAM>(this));
  // Class names of windows that have gone are forgotten, so a handle the
  // system hands out again starts afresh.
  for (auto it = classOf_.begin(); it != classOf_.end();) {
    it = it->second.scan == scan_ ? std::next(it) : classOf_.erase(it);
  }
  // A process none of whose windows was asked about may have ended, and
  // its id may go to another program.
  for (auto it = programOf_.begin(); it != programOf_.end();) {
    it = it->second.scan == scan_ ? std::next(it) : programOf_.erase(it);
  }
  TickManagedWindows();
  LetGoOfShownRuleless();
  RevealOrHideOwnIcon();
  ShowPendingNote();
}

void CWindowKeeper::Notify(const std::string& titleUtf8, const std::string& textUtf8) {
  noteTitle_ = titleUtf8;
  noteText_ = textUtf8;
  ShowPendingNote();
}

bool CWindowKeeper::AboveUs(DWORD processId) const {
  if (processId == 0 || ownIntegrity_ < 0) return false;
  return Os().ProcessIntegrityLevel(processId) > ownIntegrity_;
}

void CWindowKeeper::ShowPendingNote() {
  if (noteText_.empty() || self_ == nullptr) return;
  if (self_->ShowBalloon(noteTitle_, noteText_)) {
    noteTitle_.clear();
    noteText_.clear();
  }
}

BOOL CWindowKeeper::EnumWindowsProc(HWND window, LPARAM keeper) {
  auto* self = reinterpret_cast<CWindowKeeper*>(keeper);
  // A managed window is never taken again: nothing to ask it (a hash
  // lookup, where every question to a window is a trip to the server).
  if (self->exiting_ || self->handles_.Contains(window)) return 1;
  // What IsWindowVisible answers for a top-level window (its parent, the
  // desktop, is always visible), in one call instead of two under Wine.
  const DWORD style = static_cast<DWORD>(Os().GetWindowLongA(window, GWL_STYLE));
  if ((style & WS_VISIBLE) == 0) return 1;
  // A visible window exists, so IsWindow has nothing to add here.
  CTrayWndSpec* rule = self->FindMatchingRule(window, /*scanning=*/true);
  if (rule != nullptr) self->TakeChecked(window, rule, nullptr, /*scanning=*/true);
  return 1;
}

void CWindowKeeper::TickManagedWindows() {
  const Snapshot walk(*this);
  std::vector<CTrayWnd*> lostReports;
  // Read once for all: each question is a trip to the server under Wine.
  const HWND foreground = Os().GetForegroundWindow();
  const DWORD foregroundThread = Os().GetWindowThreadProcessId(foreground, nullptr);
  for (CTrayWnd* trayWnd : walk.Windows()) {
    if (!walk.StillManaged(trayWnd)) continue;
    // A window that reported its end at an earlier tick and is still here
    // lost its report (dropped while another handler ran): its report
    // is never posted twice, so it is let go here.
    const bool reportedBefore = trayWnd->GoneReported != 0;
    trayWnd->Tick(foreground, foregroundThread);
    if (!walk.StillManaged(trayWnd)) continue;
    if (reportedBefore && trayWnd->FoundGone() && trayWnd != self_) lostReports.push_back(trayWnd);
  }
  for (CTrayWnd* trayWnd : lostReports) {
    if (IsManaged(trayWnd)) Release(trayWnd, kWindowDestroyedHandler, kGoneWhy);
  }
}

void CWindowKeeper::RevealOrHideOwnIcon() {
  if (settings_.RealyHideOnHidden == 0) return;
  if (revealCountdown_ > 0) {
    --revealCountdown_;
    return;
  }
  if (self_ == nullptr) return;
  if (KeyDown(VK_CONTROL) && KeyDown(VK_SHIFT)) {
    self_->UpdateIcon();
    revealCountdown_ = kRevealTicks;
  } else {
    self_->DeleteIcon();
  }
}

CTrayWndSpec* CWindowKeeper::FindMatchingRule(HWND window, bool scanning) {
  classRead_ = nullptr;
  programRead_ = nullptr;
  if (rules_.empty()) return nullptr;
  caption_.clear();
  static const std::string kUnread;
  const std::string* className = &kUnread;
  const std::string* programPath = &kUnread;
  if (ruleIndex_.NeedsCaption()) ReadWindowCaption(window, &caption_);
  if (ruleIndex_.NeedsClassName()) className = &ClassNameOf(window, scanning);
  if (ruleIndex_.NeedsProgramPath()) programPath = &ProgramPathOf(window, scanning);
  return ruleIndex_.FirstMatch(caption_, *className, *programPath);
}

const std::string& CWindowKeeper::ClassNameOf(HWND window, bool scanning) {
  if (!scanning) {
    // Read once for the rule and the guards of the same take.
    if (classRead_ != window) ReadWindowClassName(window, &className_);
    classRead_ = window;
    return className_;
  }
  // A window keeps its class for life: read once, while the scan sees it.
  KnownClass& known = classOf_[window];
  if (!known.named) ReadWindowClassName(window, &known.name);
  known.named = true;
  known.scan = scan_;
  return known.name;
}

const std::string& CWindowKeeper::ProgramPathOf(HWND window, bool scanning) {
  if (!scanning) {
    if (programRead_ != window) ReadWindowProgramPath(window, &programPath_);
    programRead_ = window;
    return programPath_;
  }
  KnownClass& known = classOf_[window];
  if (!known.processKnown) Os().GetWindowThreadProcessId(window, &known.processId);
  known.processKnown = true;
  known.scan = scan_;
  auto [it, added] = programOf_.try_emplace(known.processId);
  if (added && (known.processId == 0 || !Os().QueryFullProcessImageNameA(known.processId, &it->second.path))) {
    it->second.path.clear();
  }
  it->second.scan = scan_;
  return it->second.path;
}

// ---- Taking and letting go ------------------------------------------------------------

CTrayWnd* CWindowKeeper::Take(HWND window, CTrayWndSpec* rule, const FoundLooks* earlier) {
  classRead_ = nullptr;
  programRead_ = nullptr;
  return TakeChecked(window, rule, earlier, /*scanning=*/false);
}

int CWindowKeeper::TakeFromRecoveryFile(HWND window) {
  if (exiting_) return 0;
  if (!Os().IsWindow(window)) {
    LogEvent("復元ファイルの記録 " + HandleForLog(window) + " のウインドウはもうありません");
    return 0;
  }
  // A managed window is never adopted a second time, even under a rule
  // that matches it now.
  if (handles_.Contains(window)) return 0;
  ruleIndex_.Update(rules_);
  CTrayWndSpec* rule = FindMatchingRule(window, /*scanning=*/false);
  // A window of the recovery file may still wear what the earlier run
  // changed: the looks that run found are the ones to go by.
  const auto found = earlierLooks_.find(HandleToRecord(window));
  const FoundLooks* earlier = found != earlierLooks_.end() ? &found->second : nullptr;
  if (rule == nullptr) {
    // Hidden by the hotkey, and no rule would ever show it again.
    if (earlier != nullptr && rulelessEarlier_.count(HandleToRecord(window)) != 0) {
      GiveBack(window, *earlier);
    }
    return 0;
  }
  return TakeChecked(window, rule, earlier, /*scanning=*/false) != nullptr ? 1 : 0;
}

void CWindowKeeper::GiveBack(HWND window, const FoundLooks& earlier) {
  // Only the window the earlier run found (its thread still the same),
  // never another that got its handle: taken with those looks and let go
  // at once, shown as it was found.
  CTrayWnd trayWnd;
  trayWnd.Take(new TrayWndHandles{window, manager_}, rulelessRule_.get(), &earlier);
  if (trayWnd.Found().thread != earlier.thread) return;
  trayWnd.Revert();
  LogEvent("異常終了の後に戻した " + WindowForLog(window));
}

CTrayWnd* CWindowKeeper::TakeChecked(HWND window, CTrayWndSpec* rule, const FoundLooks* earlier,
                                     bool scanning) {
  if (exiting_ || rule == nullptr || handles_.Contains(window)) return nullptr;
  // Asked only of a window some rule wants, so the scan stays one read a
  // window for the rest.
  if (IsShellWindowClass(ClassNameOf(window, scanning))) return nullptr;
  // Our own dialogs and message boxes are never taken: a rule that matches
  // our title ("MoriMo") would close or hide the exit question, and the
  // manager is managed through its own rule already.
  DWORD processId = 0;
  Os().GetWindowThreadProcessId(window, &processId);
  if (processId == Os().GetCurrentProcessId()) return nullptr;

  auto owned = std::make_unique<CTrayWnd>();
  CTrayWnd* trayWnd = owned.get();
  trayWnd->Take(new TrayWndHandles{window, manager_}, rule, earlier);
  const bool above = AboveUs(processId);
  if (above) trayWnd->SetProtected();
  // Without a rule to say otherwise, a window shown again stays in the
  // band it was found in.
  if (rule == rulelessRule_.get()) trayWnd->TopMost = (trayWnd->SavedExStyle & WS_EX_TOPMOST) != 0 ? 1 : 0;
  managed_.push_back(std::move(owned));
  handles_.Append(window);
  // Listed, with the looks found, before anything of the window changes:
  // a crash from here on leaves the next run what to give back.
  WriteHwndsFile();
  // Apply's result is not examined: a window whose icon could not be
  // added is managed all the same.
  trayWnd->Apply();
  if (rule->HideOnStartup == 0) trayWnd->Show(1);
  view_.Adopted(trayWnd);
  LogEvent("取り込み " + WindowForLog(window) +
           (rule == rulelessRule_.get() ? std::string(" ホットキー（ルールなし）")
                                       : " ルール=" + Os().AnsiToUtf8(rule->UserName)) +
           (earlier != nullptr ? " 前回の記録から" : "") +
           (above ? " 管理者として実行中のため変更しません" : ""));
  if (above && !protectedNoted_) {
    protectedNoted_ = true;
    Notify("管理者として実行中のプログラム",
           "管理者として実行されているプログラムのウインドウは、隠したり見た目を変えたりできません。"
           "メインメニューの「管理者として再起動」で MoriMo も管理者として実行すると操作できます。");
  }
  if (rule->CloseOnStartup != 0 && !above) Os().PostMessageA(window, WM_CLOSE, 0, 0);
  return trayWnd;
}

CWindowKeeper::ToTray CWindowKeeper::HideForegroundWindow() {
  if (exiting_ || manager_ == nullptr) return ToTray::Nothing;
  const HWND foreground = Os().GetForegroundWindow();
  if (foreground == nullptr) return ToTray::Nothing;
  HWND window = Os().GetAncestor(foreground, GA_ROOTOWNER);
  if (window == nullptr || window == Os().GetDesktopWindow()) return ToTray::Nothing;
  // Ours (the manager, a dialog, a message box): never taken, whatever
  // rule would match.
  DWORD processId = 0;
  Os().GetWindowThreadProcessId(window, &processId);
  if (processId == Os().GetCurrentProcessId()) return ToTray::Nothing;
  if (!Os().IsWindowVisible(window)) return ToTray::Nothing;
  if (AboveUs(processId)) return ToTray::Protected;

  CTrayWnd* trayWnd = nullptr;
  for (const auto& managed : managed_) {
    if (managed->Window() == window) trayWnd = managed.get();
  }
  if (trayWnd == nullptr) {
    ruleIndex_.Update(rules_);
    CTrayWndSpec* rule = FindMatchingRule(window, /*scanning=*/false);
    const bool underRule = rule != nullptr;
    if (!underRule) rule = rulelessRule_.get();
    CTrayWnd* taken = Take(window, rule);
    if (taken == nullptr) return ToTray::Nothing;
    // Taking waits on the program, which may end meanwhile.
    if (!IsManaged(taken)) return ToTray::Nothing;
    trayWnd = taken;
    // A rule's own hide at taking may have done it already.
    if (underRule && trayWnd->Hidden == 0) trayWnd->Hide();
  } else if (trayWnd->Hidden == 0) {
    trayWnd->Hide();
  } else {
    return ToTray::Nothing;
  }
  if (!IsManaged(trayWnd)) return ToTray::Nothing;
  if (trayWnd->HideRefused()) {
    // Nothing may pretend to have worked: a ruleless window goes again, a
    // ruled one stays managed as it is, shown.
    trayWnd->Hidden = 0;
    if (Ruleless(trayWnd)) Release(trayWnd, "CWindowKeeper::HideForegroundWindow()", "（隠せなかった）");
    view_.StatesChanged();
    return ToTray::Refused;
  }
  view_.StatesChanged();
  return ToTray::Hidden;
}

bool CWindowKeeper::ShowLastHidden() {
  if (exiting_) return false;
  CTrayWnd* last = nullptr;
  for (const auto& trayWnd : managed_) {
    if (trayWnd.get() == self_ || trayWnd->Hidden == 0) continue;
    if (last == nullptr || trayWnd->HiddenSerial() > last->HiddenSerial()) last = trayWnd.get();
  }
  if (last == nullptr) return false;
  const UINT id = last->Id();
  last->Show(1);
  if (StillManaged(id, last)) LetGoOfShownRuleless();
  view_.StatesChanged();
  return true;
}

void CWindowKeeper::LetGoOfShownRuleless() {
  // Every tick asks: chosen first without copying the list, which seldom
  // holds such a window at all.
  std::vector<CTrayWnd*> shown;
  for (const auto& trayWnd : managed_) {
    if (Ruleless(trayWnd.get()) && trayWnd->Hidden == 0) shown.push_back(trayWnd.get());
  }
  for (CTrayWnd* trayWnd : shown) {
    if (IsManaged(trayWnd)) {
      Release(trayWnd, "CWindowKeeper::LetGoOfShownRuleless()", "（ルールなしで表示された）");
    }
  }
}

void CWindowKeeper::Release(CTrayWnd* trayWnd, const char* where, const char* why) {
  try {
    LogEvent("手放した " + WindowForLog(trayWnd->Window()) + why);
    if (!handles_.Remove(trayWnd->Window())) ShowInvariantBox("HWND not found in list");
    view_.Releasing(trayWnd);
    Remove(trayWnd);
  } catch (...) {
    ShowExceptionBox(manager_, where);
  }
}

void CWindowKeeper::Remove(CTrayWnd* trayWnd) {
  if (trayWnd == current_) current_ = nullptr;
  for (auto it = managed_.begin(); it != managed_.end(); ++it) {
    if (it->get() != trayWnd) continue;
    // Out of the list first, then deleted: deleting gives the window back
    // and may wait on its program.
    std::unique_ptr<CTrayWnd> owned = std::move(*it);
    managed_.erase(it);
    ++releases_;
    owned.reset();
    WriteHwndsFile();
    return;
  }
  ShowInvariantBox("tray wnd not found in list");
}

void CWindowKeeper::WriteHwndsFile() {
  if (sessionEnding_) return;
  std::vector<HWND> handles;
  std::vector<HWND> ruleless;
  std::vector<std::pair<HWND, FoundLooks>> looks;
  handles.reserve(managed_.size());
  looks.reserve(managed_.size());
  for (const auto& trayWnd : managed_) {
    handles.push_back(trayWnd->Window());
    looks.emplace_back(trayWnd->Window(), trayWnd->Found());
    if (Ruleless(trayWnd.get())) ruleless.push_back(trayWnd->Window());
  }
  // The list last: a crash between two leaves looks (and the ruleless
  // mark) for windows the list does not name yet, never a listed window
  // without them.
  mm::WriteLooksFile(restoringHwnds_, looks);
  mm::WriteRulelessFile(restoringHwnds_, ruleless);
  mm::WriteHwndsFile(restoringHwnds_, handles);
}

bool CWindowKeeper::IsManaged(const CTrayWnd* trayWnd) const {
  for (const auto& managed : managed_) {
    if (managed.get() == trayWnd) return true;
  }
  return false;
}

CTrayWnd* CWindowKeeper::Find(UINT id) const {
  for (const auto& trayWnd : managed_) {
    if (trayWnd->Id() == id) return trayWnd.get();
  }
  return nullptr;
}

CWindowKeeper::Snapshot::Snapshot(const CWindowKeeper& keeper)
    : keeper_(keeper), releases_(keeper.releases_) {
  windows_.reserve(keeper.managed_.size());
  for (const auto& trayWnd : keeper.managed_) windows_.push_back(trayWnd.get());
}

bool CWindowKeeper::Snapshot::StillManaged(const CTrayWnd* trayWnd) const {
  // Nothing let go since the snapshot: every entry is alive, unasked.
  return keeper_.releases_ == releases_ || keeper_.IsManaged(trayWnd);
}

// ---- Messages ------------------------------------------------------------------------

bool CWindowKeeper::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_TIMER) return OnTimer();
  if (msg == WM_ENDSESSION) {
    // The windows named in the recovery file end with the session; a later
    // session must not take unrelated windows that get the same handles.
    if (wParam != 0) {
      sessionEnding_ = true;
      DeleteHwndsFile();
    }
    return false;
  }
  if (taskbarCreatedMsg_ != 0 && msg == taskbarCreatedMsg_) {
    for (const auto& trayWnd : managed_) trayWnd->AddIcon();
    *result = 0;
    return true;
  }
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
  if (Busy()) return false;
  HandlerScope scope(*this);
  if (msg == WMA_TRAYICON_NOTIFY) {
    *result = OnTrayIconNotify(wParam, lParam);
  } else {
    OnWindowDestroyed(wParam);
    *result = 0;
  }
  return true;
}

LRESULT CWindowKeeper::OnTrayIconNotify(WPARAM wParam, LPARAM lParam) {
  // The id is the icon's uID; anything that is not one of ours is ignored.
  const UINT id = static_cast<UINT>(wParam);
  CTrayWnd* trayWnd = Find(id);
  if (trayWnd == nullptr) return 0;
  current_ = trayWnd;
  const auto mouse = static_cast<UINT>(lParam);
  if (mouse == WM_RBUTTONUP) {
    view_.TrayMenuWanted(trayWnd);
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
    if (StillManaged(id, trayWnd) && Ruleless(trayWnd) && trayWnd->Hidden == 0) {
      Release(trayWnd, "LRESULT CWindowKeeper::OnTrayIconNotify()", "（ルールなしで表示された）");
    }
    view_.StatesChanged();
    if (!StillManaged(id, trayWnd)) return 0;
  }
  trayWnd->Tick();
  return 0;
}

void CWindowKeeper::OnWindowDestroyed(WPARAM wParam) {
  CTrayWnd* trayWnd = Find(static_cast<UINT>(wParam));
  // Only a managed window that has itself reported its end is let go; the
  // manager's own window never is (nothing could reach the program then).
  if (trayWnd == nullptr || trayWnd->GoneReported == 0 || trayWnd == self_) return;
  Release(trayWnd, kWindowDestroyedHandler, kGoneWhy);
}

void CWindowKeeper::OnTraySpecDeleted(WPARAM wParam) {
  // Compared by value only: the pointer is never followed unless it is one
  // of our rules.
  const auto* rule = reinterpret_cast<const CTrayWndSpec*>(wParam);
  if (rule == nullptr || FindRule(rules_, rule) == nullptr) return;
  HandlerScope scope(*this);
  const Snapshot walk(*this);
  for (CTrayWnd* trayWnd : walk.Windows()) {
    if (walk.StillManaged(trayWnd) && trayWnd->Spec == rule) {
      Release(trayWnd, kTraySpecDeletedHandler, "（ルールが削除された）");
    }
  }
}

void CWindowKeeper::ShowInvariantBox(const char* text) const {
  Os().MessageBoxU8(manager_, text, MORIMO_PRODUCT_NAME, MB_OK);
}

}  // namespace mm
