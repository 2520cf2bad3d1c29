#include "core/tray_wnd.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/event_log.h"
#include "core/exception_box.h"
#include "core/tray_wnd_spec.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/window_text.h"

namespace mm {

namespace {

UINT NextId() {
  static UINT last = 0;
  if (++last == 0) ++last;  // 0 names no window
  return last;
}

// Title-style changes are refused for windows of this class; the class name
// is looked at even when the rule does not test it.
constexpr const char kNoTitleChangeClass[] = "WTL:DonutRAPT";

// A refresh after a style change must not activate the window: without
// SWP_NOACTIVATE every change of opacity on deactivation would pull the
// window back to the front. The frame is recomputed only where the title
// bar changed; otherwise it would stay as it was until the next resize.
constexpr UINT kRefreshFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
constexpr UINT kFrameRefreshFlags = kRefreshFlags | SWP_FRAMECHANGED;
constexpr UINT kZOrderFlags = SWP_NOMOVE | SWP_NOSIZE;
// Style bits that are the window's state, not its look: they stay as the
// window has them when the saved words are written back.
constexpr DWORD kStateBits = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED;
// About five seconds at the default period.
constexpr int kHideRetryTicks = 10;
// Ticks between two tries of a title style its program did not take: each
// try may wait the bound of one question on a program that has just hung.
constexpr int kStyleRetryTicks = 4;

}  // namespace

CTrayWnd::CTrayWnd() : id_(NextId()), iconCountdown_(1 + static_cast<int>(id_ % kIconRefreshTicks)) {}

CTrayWnd::~CTrayWnd() {
  HWND owner = Owner();
  try {
    if (IconShown) {
      Revert();
    } else if (Os().IsWindow(Window())) {
      // No icon, but what we changed goes back all the same: a window left
      // at 0 % would stay invisible and let every click through.
      RestoreStyles();
      // Hidden by us and no icon to bring it back: letting it go as it is
      // would leave it unreachable. Back on the taskbar (minimised, if it
      // was) is enough; taking the focus from the user's window is not.
      if (Hidden) {
        ShowTarget(SW_SHOWNA);
        Hidden = 0;
      }
    }
  } catch (...) {
    try { ShowExceptionBox(owner, "CTrayWnd::~CTrayWnd()"); } catch (...) {}
  }
  try {
    delete Handles;
    Handles = nullptr;
  } catch (...) {
    try { ShowExceptionBox(owner, "CTrayWnd::~CTrayWnd()"); } catch (...) {}
  }
}

int CTrayWnd::Attach(TrayWndHandles* handles, CTrayWndSpec* spec, const FoundLooks* earlier) {
  if (!Take(handles, spec, earlier)) return 0;
  return Apply();
}

bool CTrayWnd::Take(TrayWndHandles* handles, CTrayWndSpec* spec, const FoundLooks* earlier) {
  if (handles == nullptr) return false;
  if (Handles != handles) delete Handles;
  Handles = handles;
  if (spec == nullptr) return false;
  Spec = spec;

  TrayIcon = FindTrayIcon();
  ListIcon = FindListIcon();

  TopMost = Spec->ShowTopMost;
  AlphaActive = Spec->AlphaPercent;
  AlphaInactive = Spec->AlphaPercentBG;

  Platform& os = Os();
  HWND hWnd = Window();
  DWORD processId = 0;
  thread_ = os.GetWindowThreadProcessId(hWnd, &processId);
  foreign_ = processId != os.GetCurrentProcessId();
  ReadWindowClassName(hWnd, &className_);
  ReadWindowProgramPath(hWnd, &programPath_);
  if (earlier != nullptr && (earlier->thread != thread_ || thread_ == 0)) {
    // The handle went to another window since: the record is not its.
    LogEvent("復元ファイルの見た目の記録は別のウインドウのものなので使いません " + WindowForLog(hWnd));
    earlier = nullptr;
  }
  if (earlier != nullptr) PutBack(*earlier);
  SavedExStyle = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_EXSTYLE));
  SavedStyle = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_STYLE));
  Layered = (SavedExStyle & WS_EX_LAYERED) != 0 ? 1 : 0;
  if (earlier != nullptr) {
    // Its program may not have taken the words back (it did not answer):
    // what we give back later is still what the earlier run found.
    SavedExStyle = earlier->exStyle;
    SavedStyle = (earlier->style & ~kStateBits) | (SavedStyle & kStateBits);
  }

  ProbeOpacity();
  return true;
}

const char* CTrayWnd::ProtectedWordsUtf8() { return "（管理者として実行中）"; }

int CTrayWnd::Apply() {
  if (Spec == nullptr || Handles == nullptr) return 0;
  Platform& os = Os();
  HWND hWnd = Window();
  // Its icon says why nothing else happens.
  if (protected_) return AddIcon();
  ApplyOpacity();
  if (Spec->TitleStyle != TitleStyleCode::Default && CanChangeTitleStyle()) SetTitleStyle(Spec->TitleStyle);

  int result = 1;
  if (!os.IsWindowVisible(hWnd) || Spec->ShowIconOnlyHidden == 0) {
    result = AddIcon();
    // Without its icon a window hidden now could not be brought back.
    if (result == 0) return 0;
  }
  if (Spec->HideOnStartup) Hide();
  return result;
}

FoundLooks CTrayWnd::Found() const {
  FoundLooks found;
  found.thread = thread_;
  found.style = SavedStyle;
  found.exStyle = SavedExStyle;
  found.alpha = originalAlpha_;
  return found;
}

void CTrayWnd::PutBack(const FoundLooks& earlier) {
  Platform& os = Os();
  HWND hWnd = Window();
  // Opacity first, as RestoreStyles does: it does not wait for the program.
  const DWORD exStyle = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_EXSTYLE));
  if ((exStyle & WS_EX_LAYERED) != 0) {
    COLORREF key = 0;
    BYTE alpha = 255;
    DWORD flags = 0;
    // Only alpha-only attributes can be ours; a colour key is the program's.
    if (os.GetLayeredWindowAttributes(hWnd, &key, &alpha, &flags) && flags == LWA_ALPHA) {
      const int found = (earlier.exStyle & WS_EX_LAYERED) != 0 ? earlier.alpha : 255;
      if (found >= 0 && found != alpha) {
        os.SetLayeredWindowAttributes(hWnd, 0, static_cast<BYTE>(found), LWA_ALPHA);
      }
    }
  }
  if (!Answers(kSysCommandTimeoutMs)) return;
  if (exStyle != earlier.exStyle) os.SetWindowLongA(hWnd, GWL_EXSTYLE, static_cast<LONG>(earlier.exStyle));
  const DWORD style = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_STYLE));
  const DWORD found = (earlier.style & ~kStateBits) | (style & kStateBits);
  if (found != style) os.SetWindowLongA(hWnd, GWL_STYLE, static_cast<LONG>(found));
  if (exStyle != earlier.exStyle || found != style) {
    os.SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, PosFlags(kFrameRefreshFlags));
  }
}

int CTrayWnd::Tick() {
  Platform& os = Os();
  const HWND foreground = os.GetForegroundWindow();
  return Tick(foreground, os.GetWindowThreadProcessId(foreground, nullptr));
}

int CTrayWnd::Tick(HWND foreground, DWORD foregroundThread) {
  Platform& os = Os();
  HWND hWnd = Window();
  // Visible and minimised as IsWindowVisible and IsIconic tell them for a
  // top-level window, from one read of the style word; a window that is
  // gone has none (a real window's word is 0 only when it is hidden and
  // has no style bit at all, which IsWindow then tells apart).
  const DWORD style = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_STYLE));
  bool gone = Spec == nullptr || (style == 0 && !os.IsWindow(hWnd));
  if (!gone) {
    const bool visible = (style & WS_VISIBLE) != 0;
    const bool minimised = (style & WS_MINIMIZE) != 0;
    // Active: the foreground window, or one whose caption is drawn active
    // (a program may keep its frame active while its own palette has the
    // focus: only a window of the same thread can be that palette, so the
    // question is asked only then). Wine's GetWindowInfo reports an active
    // caption only for the caller's own windows, so the foreground test is
    // what works there. An invisible window is never the active one to a
    // user, whatever the system says of it (a dialog created hidden can be
    // its thread's active window): a click on its icon must show it.
    Active = visible && foreground == hWnd ? 1 : 0;
    if (!Active && visible && foregroundThread != 0 && foregroundThread == thread_) {
      WINDOWINFO info;
      std::memset(&info, 0, sizeof info);
      info.cbSize = sizeof info;
      os.GetWindowInfo(hWnd, &info);
      Active = info.dwWindowStatus == WS_ACTIVECAPTION ? 1 : 0;
    }
    const bool activationChanged = Active != PrevActive;
    PrevActive = Active;

    // One caption read serves the rule and the tip; a window keeps its
    // class name for life, so that was read once at Attach.
    ReadWindowCaption(hWnd, &caption_);
    if (!Spec->MatchesText(caption_, className_, programPath_)) {
      gone = true;
    } else {
      // A hide asked before is done, or undone by the program itself.
      if (!visible || !minimised) hideWaitTicks_ = 0;
      // Shown by us while its program was busy: the icon goes once the
      // window is really back, not before.
      if (Spec->ShowIconOnlyHidden && !Hidden && visible && IconShown) DeleteIcon();
      if (protected_) {
        // Nothing of it is ours to change.
      } else if (Spec->HideIfIconized && visible && minimised) {
        if (hideWaitTicks_ > 0) {
          --hideWaitTicks_;
        } else {
          Hide();
        }
      } else if (visible && activationChanged) {
        ApplyOpacity();
      }

      foundGone_ = false;
      if (pendingTitleStyle_ >= 0 && --styleRetryCountdown_ <= 0) {
        SetTitleStyle(pendingTitleStyle_);
        // The opacity chosen meanwhile is given again over the new words.
        if (pendingTitleStyle_ < 0) PrevActive = -1;
      }
      // Windows seldom change their icons, and every question is a round
      // trip to another program: asked every few seconds, each window on a
      // tick of its own, not all of them on every tick.
      HICON icon = TrayIcon;
      if (--iconCountdown_ <= 0) {
        iconCountdown_ = kIconRefreshTicks;
        icon = FindTrayIcon();
        // An application that did not answer in time keeps the icon it
        // has; a fallback for a while would only make the tray flicker.
        if (iconSearchTimedOut_ && TrayIcon != nullptr) icon = TrayIcon;
      }
      // A caption with "?" may have lost characters that the code page
      // lacks: one of them can change (an emoji) while the caption stays,
      // so the title is read too, but only then.
      const bool titleChanged = IconShown && caption_.find('?') != std::string::npos &&
                                TitleUtf8() != tipTitle_;
      if (caption_ != TipText || icon != TrayIcon || titleChanged) {
        TrayIcon = icon;
        return UpdateIcon();
      }
      return 1;
    }
  }

  foundGone_ = true;
  HWND owner = Owner();
  if (owner != nullptr && os.IsWindow(owner) && !GoneReported) {
    GoneReported = 1;
    os.PostMessageA(owner, WMA_WINDOW_DESTROYED, static_cast<WPARAM>(Id()),
                    reinterpret_cast<LPARAM>(hWnd));
  }
  return 0;
}

void CTrayWnd::Show(int activate) {
  Platform& os = Os();
  HWND hWnd = Window();
  if (!os.IsWindow(hWnd) || protected_) return;
  if (Hidden) LogEvent("表示した " + WindowForLog(hWnd));
  ShowTarget(SW_SHOW);
  if (os.IsIconic(hWnd) && !SysCommand(SC_RESTORE)) {
    // Not answered (a program counted as hung is not even asked): without
    // it the window would come back minimised. Queued behind the show and
    // before anything we ask later, it is done once the program runs.
    ShowTarget(SW_RESTORE);
  }
  if (activate) {
    // Topmost and back lifts the window above every other normal window,
    // which SetForegroundWindow alone may refuse to do.
    os.SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, PosFlags(kZOrderFlags));
    if (!TopMost) os.SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, PosFlags(kZOrderFlags));
    os.SetForegroundWindow(hWnd);
  }
  Hidden = 0;
  hideWaitTicks_ = 0;
  Active = 1;
  // Another program may show its window only later; until then the icon is
  // the only way back to it, and Tick removes it when the window is seen.
  if (Spec != nullptr && Spec->ShowIconOnlyHidden && os.IsWindowVisible(hWnd)) DeleteIcon();
}

void CTrayWnd::Hide() {
  Platform& os = Os();
  HWND hWnd = Window();
  if (!os.IsWindow(hWnd) || protected_) return;
  // Minimised first: the window stays minimised while hidden, so the
  // application sees the state its own minimise button would give. One
  // that is minimised already is not asked, which a hung program would
  // make us wait for.
  if (!os.IsIconic(hWnd)) SysCommand(SC_MINIMIZE);
  hideRefused_ = !ShowTarget(SW_HIDE) && os.GetLastError() == ERROR_ACCESS_DENIED;
  if (hideRefused_) {
    // Learnt the hard way: the system protects it from us.
    LogEvent("変更を拒まれた " + WindowForLog(hWnd) + "（管理者として実行中）");
    SetProtected();
    UpdateIcon();
    return;
  }
  if (!Hidden) LogEvent("隠した " + WindowForLog(hWnd));
  static unsigned lastSerial = 0;
  hiddenSerial_ = ++lastSerial;
  Hidden = 1;
  Active = 0;
  if (foreign_) hideWaitTicks_ = kHideRetryTicks;
  // After Hidden is set: the hide may not have happened yet, and the icon
  // must be there when it does.
  UpdateIcon();
}

void CTrayWnd::RestoreStyles() {
  Platform& os = Os();
  HWND hWnd = Window();
  // Opacity first: it does not wait for the program, so a window whose
  // program does not answer is at least never left transparent.
  // A window layered before gets its own alpha back, one we layered full
  // opacity (its saved extended style then takes the layering off).
  const bool layeredBefore = (SavedExStyle & WS_EX_LAYERED) != 0;
  if (alphaChanged_ && (!layeredBefore || originalAlpha_ >= 0)) {
    const int alpha = layeredBefore ? originalAlpha_ : 255;
    os.SetLayeredWindowAttributes(hWnd, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
  }
  // The saved word is the look we found; visibility and the minimised,
  // maximised and disabled states are the window's now. Writing the saved
  // ones back would hide again a window we took while it was hidden.
  auto restoredStyle = [&] {
    const DWORD style = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_STYLE));
    return std::make_pair(style, (SavedStyle & ~kStateBits) | (style & kStateBits));
  };
  // Reading the words does not wait for the program; writing them does, so
  // a window whose looks we never changed is not asked at all.
  if (static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_EXSTYLE)) == SavedExStyle) {
    const auto words = restoredStyle();
    if (words.first == words.second) return;
  }
  // One that does not answer within the longer bound would hold us at
  // exit; its window keeps our title style but is shown again all the same.
  if (!Answers(kSysCommandTimeoutMs)) return;
  const DWORD exStyle = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_EXSTYLE));
  if (exStyle != SavedExStyle) os.SetWindowLongA(hWnd, GWL_EXSTYLE, static_cast<LONG>(SavedExStyle));
  const auto words = restoredStyle();
  if (words.first != words.second) os.SetWindowLongA(hWnd, GWL_STYLE, static_cast<LONG>(words.second));
}

int CTrayWnd::Revert() {
  // Looks first, then shown: the show may take effect only later, in the
  // window's own thread, and must not be undone by a style word read before.
  if (Os().IsWindow(Window())) RestoreStyles();
  Show(0);
  return DeleteIcon();
}

std::string CTrayWnd::GetCaption() const {
  // Read as Tick reads it, so that the tip and the caption it is compared
  // with never differ by how they were read.
  std::string caption;
  ReadWindowCaption(Window(), &caption);
  return caption;
}

// ---- Tray icon --------------------------------------------------------------

HICON CTrayWnd::AskIcon(WPARAM which) {
  if (iconSearchTimedOut_) return nullptr;
  DWORD_PTR answer = 0;
  if (!Os().SendMessageTimeoutA(Window(), WM_GETICON, which, 0, SMTO_ABORTIFHUNG, kIconTimeoutMs,
                                &answer)) {
    // A program that did not answer the first question will not answer
    // the second in time either: one bound per search, not one per step.
    iconSearchTimedOut_ = true;
    return nullptr;
  }
  return reinterpret_cast<HICON>(answer);
}

HICON CTrayWnd::FindTrayIcon() {
  Platform& os = Os();
  HWND hWnd = Window();
  iconSearchTimedOut_ = false;
  if (HICON icon = AskIcon(ICON_SMALL)) return icon;
  if (HICON icon = AskIcon(ICON_BIG)) return icon;
  if (HICON icon = os.GetClassIcon(hWnd, GCL_HICONSM)) return icon;
  if (HICON icon = os.GetClassIcon(hWnd, GCL_HICON)) return icon;
  // The tray draws small icons: the small image, not the large one shrunk.
  return os.LoadAppSmallIcon(IDI_FALLBACK);
}

HICON CTrayWnd::FindListIcon() {
  Platform& os = Os();
  HWND hWnd = Window();
  iconSearchTimedOut_ = false;
  if (HICON icon = AskIcon(ICON_BIG)) return icon;
  if (HICON icon = os.GetClassIcon(hWnd, GCL_HICON)) return icon;
  if (HICON icon = os.GetClassIcon(hWnd, GCL_HICONSM)) return icon;
  if (HICON icon = AskIcon(ICON_SMALL)) return icon;
  return os.LoadAppIcon(IDI_FALLBACK);
}

std::string CTrayWnd::TipFor(const std::string& titleUtf8, const std::string& wordsUtf8) {
  // The title stops at its first NUL, as a caption does.
  const std::string_view title = UpToNul(titleUtf8);
  const std::size_t words = Utf16Units(wordsUtf8);
  if (Utf16Units(title) + words <= kTipUnits) return std::string(title) + wordsUtf8;
  static constexpr char kCut[] = "...";
  const std::size_t room = kTipUnits > words + 3 ? kTipUnits - words - 3 : 0;
  std::string tip = std::string(Utf8Prefix(title, room)) + kCut + wordsUtf8;
  // Words too long for the tip (they are ours, so never) are cut too.
  return std::string(Utf8Prefix(tip, kTipUnits));
}

namespace {

// UTF-8 into a record's UTF-16 field, whole characters only, with room for
// the terminator that the record's memset left.
template <std::size_t N>
void CopyUtf16(const std::string& utf8, char16_t (&into)[N]) {
  const std::u16string text = Utf8ToUtf16(Utf8Prefix(utf8, N - 1));
  std::copy(text.begin(), text.end(), into);
}

}  // namespace

std::string CTrayWnd::TitleUtf8() const { return Os().GetWindowTextU8(Window()); }

void CTrayWnd::FillRecord(NOTIFYICONDATAW* data, UINT flags) const {
  std::memset(data, 0, sizeof *data);
  data->cbSize = sizeof *data;
  data->hWnd = Owner();
  data->uID = Id();
  data->uFlags = flags;
}

void CTrayWnd::RefreshTip(NOTIFYICONDATAW* data) {
  TipText = GetCaption();
  tipTitle_ = TitleUtf8();
  CopyUtf16(TipFor(tipTitle_, protected_ ? ProtectedWordsUtf8() : std::string()), data->szTip);
}

bool CTrayWnd::ShowBalloon(const std::string& titleUtf8, const std::string& textUtf8) {
  if (!IconShown) return false;
  NOTIFYICONDATAW data;
  FillRecord(&data, NIF_INFO);
  CopyUtf16(titleUtf8, data.szInfoTitle);
  CopyUtf16(textUtf8, data.szInfo);
  data.dwInfoFlags = NIIF_WARNING;
  return Os().Shell_NotifyIconW(NIM_MODIFY, &data) != 0;
}

int CTrayWnd::AddIcon() {
  if (Spec == nullptr || Spec->UseTrayIcon == 0) return 1;
  Platform& os = Os();
  if (Spec->ShowIconOnlyHidden && !Hidden && os.IsWindowVisible(Window())) return 1;
  NOTIFYICONDATAW data;
  FillRecord(&data, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = WMA_TRAYICON_NOTIFY;
  data.hIcon = TrayIcon;
  RefreshTip(&data);
  const BOOL added = os.Shell_NotifyIconW(NIM_ADD, &data);
  if (added) IconShown = 1;
  return added;
}

int CTrayWnd::UpdateIcon() {
  if (Spec == nullptr || Spec->UseTrayIcon == 0) {
    DeleteIcon();
    return 1;
  }
  Platform& os = Os();
  // Under "icon only while hidden" a shown window keeps whatever it has;
  // Show is what removes the icon.
  if (Spec->ShowIconOnlyHidden && !Hidden && os.IsWindowVisible(Window())) return 1;
  NOTIFYICONDATAW data;
  FillRecord(&data, NIF_ICON | NIF_TIP);
  data.hIcon = TrayIcon;
  RefreshTip(&data);
  // Fails when the shell never had the icon or lost it: register it anew.
  if (!os.Shell_NotifyIconW(NIM_MODIFY, &data)) return AddIcon();
  IconShown = 1;
  return 1;
}

int CTrayWnd::DeleteIcon() {
  if (!IconShown) return 1;
  NOTIFYICONDATAW data;
  FillRecord(&data, 0);
  const BOOL deleted = Os().Shell_NotifyIconW(NIM_DELETE, &data);
  if (deleted) IconShown = 0;
  return deleted;
}

// ---- Appearance --------------------------------------------------------------

BYTE CTrayWnd::PercentToAlpha(int percent) {
  // Rules come from a file anyone can edit; out-of-range percents must not
  // wrap around into some other opacity.
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  return static_cast<BYTE>(percent * 255 / 100);
}

int CTrayWnd::AlphaToPercent(BYTE alpha) { return alpha * 100 / 255; }

void CTrayWnd::ProbeOpacity() {
  Platform& os = Os();
  BOOL hasGet = 0;
  BOOL hasSet = 0;
  if (!os.QueryLayeredApi(&hasGet, &hasSet)) return;  // no user32: AlphaCapable stays 0
  // A window that is layered already but has no attributes we can read
  // paints itself with UpdateLayeredWindow; attributes set on it would stop
  // that for good, so its opacity is not ours to change.
  const bool layeredBefore = (SavedExStyle & WS_EX_LAYERED) != 0;
  if (!hasGet) {
    AlphaCapable = hasSet && !layeredBefore ? 1 : 0;
    return;
  }
  COLORREF key = 0;
  BYTE alpha = 255;
  DWORD flags = 0;
  if (os.GetLayeredWindowAttributes(Window(), &key, &alpha, &flags)) {
    // A colour key means the application draws its own shape: never touch it.
    AlphaCapable = flags == LWA_ALPHA ? 1 : 0;
    if (AlphaCapable) originalAlpha_ = alpha;
    if (AlphaActive == 100) AlphaActive = AlphaToPercent(alpha);
  } else {
    AlphaCapable = layeredBefore ? 0 : 1;
  }
}

void CTrayWnd::SetAlpha(int percent) {
  Os().SetLayeredWindowAttributes(Window(), 0, PercentToAlpha(percent), LWA_ALPHA);
  alphaChanged_ = true;
}

void CTrayWnd::ApplyOpacity() {
  if (!AlphaCapable) return;
  Platform& os = Os();
  HWND hWnd = Window();
  const int percent = Active ? AlphaActive : AlphaInactive;
  bool justLayered = false;
  // A style word written since (a title style, the program itself) may
  // have taken the layering off: reading it does not wait.
  if (Layered && (static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_EXSTYLE)) & WS_EX_LAYERED) == 0) {
    Layered = 0;
  }
  if (!Layered && percent != 100 && Answers()) {
    // Built from the saved word plus the current title style, so that
    // becoming layered does not undo a tool-window title.
    const DWORD exStyle = ExStyleFor(CurTitleStyle) | WS_EX_LAYERED;
    const LONG previous = os.SetWindowLongA(hWnd, GWL_EXSTYLE, static_cast<LONG>(exStyle));
    // 0 is both "failed" and a valid previous word; read back to tell.
    if (previous != 0 ||
        (static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_EXSTYLE)) & WS_EX_LAYERED) != 0) {
      Layered = 1;
      justLayered = true;
    }
  }
  // A window just made layered has no attributes yet and is not drawn at
  // all until it gets them, whatever was applied before.
  if (Layered && (percent != AlphaApplied || justLayered)) SetAlpha(percent);
  AlphaApplied = percent;
  os.SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, PosFlags(kRefreshFlags));
}

int CTrayWnd::SetTopMost(int on) {
  if (protected_) return 0;
  TopMost = on;
  return Os().SetWindowPos(Window(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                           PosFlags(kZOrderFlags));
}

DWORD CTrayWnd::StyleFor(int code) const {
  if (code == TitleStyleCode::NoTitle) return SavedStyle & ~WS_CAPTION;
  return SavedStyle;
}

DWORD CTrayWnd::ExStyleFor(int code) const {
  if (code == TitleStyleCode::ToolWindow) return SavedExStyle | WS_EX_TOOLWINDOW;
  return SavedExStyle;
}

void CTrayWnd::SetTitleStyle(int code) {
  pendingTitleStyle_ = -1;
  if (protected_) return;
  if (code == CurTitleStyle) return;
  // Writing a style word waits for the program: one that does not answer
  // gets the style once it does (Tick tries again), not never.
  if (!Answers()) {
    pendingTitleStyle_ = code;
    styleRetryCountdown_ = kStyleRetryTicks;
    return;
  }
  Platform& os = Os();
  HWND hWnd = Window();
  DWORD exStyle = ExStyleFor(code);
  // Writing the saved word alone would drop the layered bit we added and
  // leave the window opaque while we believe it is not.
  if (Layered) exStyle |= WS_EX_LAYERED;
  const DWORD state = static_cast<DWORD>(os.GetWindowLongA(hWnd, GWL_STYLE)) & kStateBits;
  os.SetWindowLongA(hWnd, GWL_STYLE, static_cast<LONG>((StyleFor(code) & ~kStateBits) | state));
  os.SetWindowLongA(hWnd, GWL_EXSTYLE, static_cast<LONG>(exStyle));
  if (Layered && AlphaCapable && AlphaApplied >= 0) SetAlpha(AlphaApplied);
  os.SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, PosFlags(kFrameRefreshFlags));
  CurTitleStyle = code;
}

int CTrayWnd::CanChangeTitleStyle() const {
  if (Spec == nullptr || protected_) return 0;
  if (Spec->DisableTitleStyleChanging) return 0;
  if (Spec->ClassName == kNoTitleChangeClass) return 0;
  return 1;
}

BOOL CTrayWnd::SysCommand(WPARAM command) {
  if (silent_) return FALSE;
  DWORD_PTR answer = 0;
  return Os().SendMessageTimeoutA(Window(), WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG,
                                  kSysCommandTimeoutMs, &answer);
}

BOOL CTrayWnd::ShowTarget(int cmd) {
  if (foreign_) return Os().ShowWindowAsync(Window(), cmd);
  return Os().ShowWindow(Window(), cmd);
}

UINT CTrayWnd::PosFlags(UINT flags) const { return foreign_ ? flags | SWP_ASYNCWINDOWPOS : flags; }

bool CTrayWnd::Answers(UINT timeoutMs) {
  if (!foreign_) return true;
  if (silent_) return false;
  DWORD_PTR answer = 0;
  return Os().SendMessageTimeoutA(Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &answer) !=
         0;
}

}  // namespace mm
