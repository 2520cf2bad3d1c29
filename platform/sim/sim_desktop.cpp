#include "platform/sim/sim_desktop.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <set>
#include <utility>

#include "platform/sim/sim_files.h"

namespace mm::sim {

namespace {

// Win32 values the seam's vocabulary does not carry.
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorTimeout = 1460;
constexpr DWORD kErrorProcNotFound = 127;
constexpr DWORD kWsDisabled = 0x08000000;
constexpr DWORD kWsMaximize = 0x01000000;
constexpr DWORD kWsChild = 0x40000000;
constexpr DWORD kWsGroup = 0x00020000;
constexpr DWORD kBsAuto3State = 0x6;
constexpr DWORD kBsAutoRadioButton = 0x9;
constexpr DWORD kLvsSingleSel = 0x0004;
constexpr DWORD kLvsSortAscending = 0x0010;
constexpr DWORD kLvsSortDescending = 0x0020;
constexpr UINT kLvniFocused = 0x0001;
constexpr UINT kEnChange = 0x0300;
constexpr int kGwlId = -12;
constexpr int kGwlUserData = -21;
constexpr WPARAM kIconSmall2 = 2;
constexpr UINT kUserTimerMinimum = 10;
constexpr DWORD kOurProcessId = 4242;
constexpr int kMaxDeliveriesPerPump = 1000000;

const RECT kMinimizedRect = {-32000, -32000, -31840, -31972};

struct ListItem {
  std::string text;  // ANSI bytes
  int image = -1;
  LPARAM param = 0;
  UINT state = 0;
};

struct Window {
  HWND hwnd = nullptr;
  std::string caption;    // ANSI bytes
  std::string className;  // ANSI bytes
  DWORD style = 0;        // WS_VISIBLE and WS_MINIMIZE are the state itself
  DWORD exStyle = 0;
  DWORD processId = 0;
  HWND owner = nullptr;   // owner of a top-level window, parent of a control
  RECT rect = {0, 0, 0, 0};
  bool restoreToMaximized = false;

  // Application behaviour.
  HICON smallIcon = nullptr;
  HICON bigIcon = nullptr;
  HICON classIcon = nullptr;
  HICON classSmallIcon = nullptr;
  bool closesOnWmClose = true;
  bool hung = false;
  bool defersAsync = false;

  bool hasLayeredAttributes = false;
  COLORREF layeredKey = 0;
  BYTE layeredAlpha = 0;
  DWORD layeredFlags = 0;

  int captionReads = 0;
  int classReads = 0;
  LONG userData = 0;
  HMENU systemMenu = nullptr;

  // Our dialogs.
  DialogHost* host = nullptr;
  bool isDialog = false;
  bool modal = false;
  bool ended = false;
  INT_PTR endResult = 0;
  std::vector<HWND> controls;  // in template order

  // Controls.
  bool isControl = false;
  int controlId = 0;
  UINT check = BST_UNCHECKED;
  std::vector<ListItem> items;
  HIMAGELIST imageLists[3] = {nullptr, nullptr, nullptr};

  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Minimized() const { return (style & WS_MINIMIZE) != 0; }
  bool Maximized() const { return (style & kWsMaximize) != 0; }
  bool Enabled() const { return (style & kWsDisabled) == 0; }
  bool Topmost() const { return (exStyle & WS_EX_TOPMOST) != 0; }
};

struct Posted {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  long historyIndex;  // -1 when not recorded (our own windows)
  // An asynchronous request (ShowWindowAsync, SWP_ASYNCWINDOWPOS) that the
  // window's application carries out when it takes it from its queue.
  std::function<void()> action = nullptr;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT period;
  std::uint64_t due;
  std::uint64_t seq;  // orders timers that fall due together
};

struct Menu {
  HWND owner;
  std::vector<MenuItemRecord> items;
};

bool ValidItem(const Window& lv, int index) {
  return index >= 0 && static_cast<size_t>(index) < lv.items.size();
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool EqualsNoCaseAscii(const std::string& a, const char* b) { return UpperAscii(a) == UpperAscii(b); }

// Converts between encodings with iconv; an unconvertible character becomes
// '?' and the conversion goes on. Without the converter the bytes pass
// unchanged.
std::string Convert(const char* to, const char* from, const std::string& in, bool fromUtf8) {
  if (in.empty()) return in;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  std::vector<char> buffer(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), buffer.size() - dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one character of the input.
    out.push_back('?');
    size_t skip = 1;
    if (fromUtf8) {
      unsigned char c = static_cast<unsigned char>(*src);
      skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    }
    skip = std::min(skip, srcLeft);
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

struct SimDesktop::State {
  State(SimDesktop& owner, const std::string& root) : desk(owner), files(root) {}

  SimDesktop& desk;
  SimFileSystem files;
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> zorder;  // top-level windows, topmost first
  std::uintptr_t nextHandle = 0x10010;
  HWND desktop = nullptr;
  HWND active = nullptr;

  std::deque<Posted> queue;
  std::vector<MessageRecord> history;
  std::vector<Timer> timers;
  std::uint64_t now = 0;
  std::uint64_t timerSeq = 0;
  bool quitPosted = false;
  int quitCode = 0;

  std::vector<TrayIconRecord> tray;
  std::vector<TrayCallRecord> trayCalls;
  int failAdds = 0;
  int failModifies = 0;
  int failDeletes = 0;

  std::map<std::string, UINT> registered;  // upper-cased name -> number
  std::set<int> keysDown;
  std::deque<int> messageBoxAnswers;
  std::vector<MessageBoxRecord> messageBoxes;
  std::deque<std::function<void(HWND)>> modalScripts;
  std::map<int, DialogTemplate> templates;
  std::map<UINT, std::string> strings;
  std::vector<std::string> shellOpened;
  int droppedExceptions = 0;

  std::map<HMENU, Menu> menus;
  std::uintptr_t nextMenu = 0x30000;
  std::map<HIMAGELIST, std::vector<HICON>> imageLists;
  std::uintptr_t nextImageList = 0x50000;

  bool layeredLibraryLoads = true;
  bool layeredHasGet = true;
  bool layeredHasSet = true;
  std::vector<std::pair<BYTE, BYTE>> leadRanges = {{0x81, 0x9F}, {0xE0, 0xFC}};

  Window* Find(HWND h) {
    auto it = windows.find(h);
    return it == windows.end() ? nullptr : it->second.get();
  }
  const Window* Find(HWND h) const {
    auto it = windows.find(h);
    return it == windows.end() ? nullptr : it->second.get();
  }
  Window* TopLevel(HWND h) {
    Window* w = Find(h);
    return w != nullptr && !w->isControl && h != desktop ? w : nullptr;
  }
  bool Ours(const Window& w) const { return w.processId == kOurProcessId; }
  // A call that waits for the window's application; with the application
  // hung it would never return, so the simulation stops the test there.
  void WaitFor(const Window& w, const char* call) const {
    if (Ours(w) || !w.hung) return;
    std::fprintf(stderr, "SimDesktop: %s on a hung application's window blocks for ever\n", call);
    std::abort();
  }

  HWND NewHandle() {
    HWND h = reinterpret_cast<HWND>(nextHandle);
    nextHandle += 4;
    return h;
  }

  Window& Create() {
    auto w = std::make_unique<Window>();
    w->hwnd = NewHandle();
    Window& ref = *w;
    windows[ref.hwnd] = std::move(w);
    return ref;
  }

  // ---- z-order ---------------------------------------------------------------
  void Unlink(HWND h) { zorder.erase(std::remove(zorder.begin(), zorder.end(), h), zorder.end()); }
  // Index of the first window that is not topmost.
  size_t BandStart() const {
    size_t i = 0;
    while (i < zorder.size()) {
      const Window* w = Find(zorder[i]);
      if (w == nullptr || !w->Topmost()) break;
      ++i;
    }
    return i;
  }
  void ToTopOfBand(Window& w) {
    Unlink(w.hwnd);
    size_t at = w.Topmost() ? 0 : BandStart();
    zorder.insert(zorder.begin() + static_cast<long>(at), w.hwnd);
  }
  void ToBottom(Window& w) {
    Unlink(w.hwnd);
    zorder.push_back(w.hwnd);
  }

  // ---- activation -------------------------------------------------------------
  // As the window manager decides: visible, enabled, not a control (a
  // minimised window can be active).
  static bool CanActivate(const Window& w) { return w.Visible() && w.Enabled() && !w.isControl; }
  void Activate(Window& w) {
    active = w.hwnd;
    ToTopOfBand(w);
  }
  // The window loses activation (hidden, minimised, destroyed): like the
  // window manager, pass it to its owner or to the next window below it.
  void ActivateOther(HWND leaving) {
    if (active != leaving) return;
    active = nullptr;
    Window* w = Find(leaving);
    if (w != nullptr && (w->style & WS_POPUP) && w->owner != nullptr) {
      Window* owner = TopLevel(w->owner);
      if (owner != nullptr && CanActivate(*owner)) {
        Activate(*owner);
        return;
      }
    }
    // The next window below it, else the first from the top above it.
    auto at = std::find(zorder.begin(), zorder.end(), leaving);
    if (at == zorder.end()) return;
    for (auto it = at + 1; it != zorder.end(); ++it) {
      Window* next = Find(*it);
      if (next != nullptr && CanActivate(*next)) {
        Activate(*next);
        return;
      }
    }
    for (auto it = zorder.begin(); it != at; ++it) {
      Window* next = Find(*it);
      if (next != nullptr && CanActivate(*next)) {
        Activate(*next);
        return;
      }
    }
  }

  // ---- show states ---------------------------------------------------------------
  void Hide(Window& w) {
    if (!w.Visible()) return;
    w.style &= ~WS_VISIBLE;
    ActivateOther(w.hwnd);
  }
  void Minimize(Window& w, bool activate) {
    if (!w.Minimized()) {
      w.restoreToMaximized = w.Maximized();
      w.style &= ~kWsMaximize;
      w.style |= WS_MINIMIZE;
    }
    w.style |= WS_VISIBLE;  // minimising shows a hidden window (minimised)
    if (activate) {
      active = w.hwnd;
    } else {
      ActivateOther(w.hwnd);
    }
  }
  void Restore(Window& w, bool activate) {
    if (w.Minimized()) {
      w.style &= ~WS_MINIMIZE;
      if (w.restoreToMaximized) w.style |= kWsMaximize;
      w.restoreToMaximized = false;
    } else {
      w.style &= ~kWsMaximize;
    }
    w.style |= WS_VISIBLE;
    if (activate) Activate(w);
  }
  void Maximize(Window& w, bool activate) {
    w.style &= ~WS_MINIMIZE;
    w.style |= kWsMaximize | WS_VISIBLE;
    w.restoreToMaximized = false;
    if (activate) Activate(w);
  }

  bool IsLead(BYTE b) const {
    for (const auto& r : leadRanges)
      if (b >= r.first && b <= r.second) return true;
    return false;
  }

  // Bytes of `text` that fit into a buffer of `size` with its NUL, without
  // splitting a double-byte character.
  size_t FitBytes(const std::string& text, int size) const {
    if (size <= 0) return 0;
    size_t limit = std::min(text.size(), static_cast<size_t>(size - 1));
    size_t i = 0;
    while (i < limit) {
      size_t step = IsLead(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
      if (i + step > limit) break;
      i += step;
    }
    return i;
  }

  // Message delivery and the window life cycle (below).
  LRESULT CallHost(DialogHost* host, HWND h, UINT msg, WPARAM wParam, LPARAM lParam,
                   bool* handled);
  LRESULT DefaultProcessing(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
  bool Deliver(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void DestroyTree(HWND h);
  HWND BuildDialog(int templateId, HWND parent, DialogHost* host, bool modal);
  Window* ListView(HWND h);
  void NotifyItemChanged(HWND list, int index, UINT oldState, UINT newState, UINT changed,
                         LPARAM param);

  // The order of a sorted list view: letters compare without case, and,
  // as in the system's word sort, hyphens and apostrophes do not count.
  // Trail bytes of double-byte characters are never folded.
  std::string SortKey(const std::string& text) const {
    std::string key;
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (IsLead(c) && i + 1 < text.size()) {
        key.push_back(text[i]);
        key.push_back(text[++i]);
        continue;
      }
      if (c == '-' || c == '\'') continue;
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
      key.push_back(static_cast<char>(c));
    }
    return key;
  }
  int CompareForSort(const std::string& a, const std::string& b) const {
    const std::string x = SortKey(a);
    const std::string y = SortKey(b);
    const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
  }
};

// ---- construction --------------------------------------------------------------

SimDesktop::SimDesktop(const std::string& fileRoot) : s_(std::make_unique<State>(*this, fileRoot)) {
  Window& desktop = s_->Create();
  desktop.className = "#32769";
  desktop.style = WS_VISIBLE | WS_POPUP;
  desktop.rect = {0, 0, 1280, 1024};
  desktop.processId = 4;
  s_->desktop = desktop.hwnd;
  s_->files.SetLeadByteTest(
      [](void* ctx, BYTE b) -> BOOL { return static_cast<SimDesktop*>(ctx)->IsDBCSLeadByte(b); },
      this);
}

SimDesktop::~SimDesktop() = default;

// ---- message delivery ---------------------------------------------------------------
//
// A message reaches a window of ours through its DialogHost; what the host
// does not handle, and every message to another application's window, gets
// the default processing of DefWindowProc / DefDlgProc below.

LRESULT SimDesktop::State::CallHost(DialogHost* host, HWND h, UINT msg, WPARAM wParam,
                                    LPARAM lParam, bool* handled) {
  State& s = *this;
  LRESULT result = 0;
  *handled = false;
  try {
    *handled = host->HandleDialogMessage(h, msg, wParam, lParam, &result);
  } catch (const std::exception& e) {
    ++s.droppedExceptions;
    std::fprintf(stderr, "SimDesktop: exception escaped a dialog (message 0x%X): %s\n", msg,
                 e.what());
    *handled = true;
  } catch (...) {
    ++s.droppedExceptions;
    std::fprintf(stderr, "SimDesktop: exception escaped a dialog (message 0x%X)\n", msg);
    *handled = true;
  }
  return result;
}

// DefWindowProc / DefDlgProc for the messages the simulation models.
LRESULT SimDesktop::State::DefaultProcessing(Window& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = *this;
  switch (msg) {
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          s.Minimize(w, false);
          return 0;
        case SC_RESTORE:
          if (w.Minimized() || w.Maximized()) s.Restore(w, true);
          return 0;
        case SC_MAXIMIZE:
          s.Maximize(w, true);
          return 0;
        case SC_CLOSE: {
          LRESULT r = 0;
          s.Deliver(w.hwnd, WM_CLOSE, 0, 0, &r);
          return 0;
        }
        default:
          return 0;
      }
    case WM_CLOSE:
      if (w.isDialog) {
        // A dialog turns its close box into the cancel command, posted; a
        // disabled Cancel button keeps the dialog open.
        HWND cancel = nullptr;
        for (HWND c : w.controls) {
          Window* cw = s.Find(c);
          if (cw != nullptr && cw->controlId == IDCANCEL) cancel = c;
        }
        const Window* cw = s.Find(cancel);
        if (cw == nullptr || cw->Enabled())
          s.queue.push_back({w.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(cancel), -1});
      } else if (w.closesOnWmClose) {
        s.DestroyTree(w.hwnd);
      }
      return 0;
    case WM_GETICON:
      switch (wParam) {
        case ICON_SMALL:
          return reinterpret_cast<LRESULT>(w.smallIcon);
        case ICON_BIG:
          return reinterpret_cast<LRESULT>(w.bigIcon);
        case kIconSmall2:
          return reinterpret_cast<LRESULT>(w.smallIcon != nullptr ? w.smallIcon : w.bigIcon);
        default:
          return 0;
      }
    case WM_SETICON: {
      HICON icon = reinterpret_cast<HICON>(lParam);
      HICON previous = nullptr;
      if (wParam == ICON_BIG) {
        previous = w.bigIcon;
        w.bigIcon = icon;
      } else if (wParam == ICON_SMALL) {
        previous = w.smallIcon;
        w.smallIcon = icon;
      }
      return reinterpret_cast<LRESULT>(previous);
    }
    default:
      return 0;
  }
}

// Delivers a message as SendMessage would; false for a window that does not
// exist.
bool SimDesktop::State::Deliver(HWND h, UINT msg, WPARAM wParam, LPARAM lParam,
                                LRESULT* result) {
  State& s = *this;
  *result = 0;
  Window* w = s.Find(h);
  if (w == nullptr) return false;
  if (w->host != nullptr) {
    bool handled = false;
    LRESULT r = CallHost(w->host, h, msg, wParam, lParam, &handled);
    if (handled) {
      *result = r;
      return true;
    }
    w = s.Find(h);  // the handler may have destroyed it
    if (w == nullptr) return true;
  }
  *result = DefaultProcessing(*w, msg, wParam, lParam);
  return true;
}

void SimDesktop::State::DestroyTree(HWND h) {
  State& s = *this;
  Window* w = s.Find(h);
  if (w == nullptr || h == s.desktop) return;
  // Owned windows go first, as the window manager destroys them.
  std::vector<HWND> owned;
  for (const auto& entry : s.windows)
    if (!entry.second->isControl && entry.second->owner == h) owned.push_back(entry.first);
  for (HWND o : owned) s.DestroyTree(o);
  w = s.Find(h);
  if (w == nullptr) return;
  if (!w->isControl) {
    w->style &= ~WS_VISIBLE;
    s.ActivateOther(h);
  }
  if (w->host != nullptr) {
    DialogHost* host = w->host;
    bool handled = false;
    CallHost(host, h, WM_DESTROY, 0, 0, &handled);
    w = s.Find(h);
    if (w == nullptr) return;
    w->host = nullptr;  // nothing reaches the host after WM_DESTROY
  }
  for (HWND c : w->controls) s.windows.erase(c);
  if (w->systemMenu != nullptr) s.menus.erase(w->systemMenu);
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                [h](const Timer& t) { return t.hwnd == h; }),
                 s.timers.end());
  s.Unlink(h);
  if (s.active == h) s.active = nullptr;
  s.windows.erase(h);
}

// ---- test controls: foreign windows -----------------------------------------------

HWND SimDesktop::AddWindow(const WindowSpec& spec) {
  Window& w = s_->Create();
  w.caption = spec.caption;
  w.className = spec.className;
  w.style = spec.style & ~(WS_VISIBLE | WS_MINIMIZE);
  if (spec.visible) w.style |= WS_VISIBLE;
  if (spec.minimized) w.style |= WS_MINIMIZE;
  w.exStyle = spec.exStyle;
  w.processId = spec.processId;
  w.smallIcon = spec.smallIcon;
  w.bigIcon = spec.bigIcon;
  w.classIcon = spec.classIcon;
  w.classSmallIcon = spec.classSmallIcon;
  w.closesOnWmClose = spec.closesOnWmClose;
  LONG n = static_cast<LONG>(s_->windows.size() % 20);
  w.rect = {100 + 20 * n, 80 + 20 * n, 740 + 20 * n, 560 + 20 * n};
  s_->ToTopOfBand(w);
  return w.hwnd;
}

void SimDesktop::CloseWindow(HWND hWnd) { s_->DestroyTree(hWnd); }

void SimDesktop::SetCaption(HWND hWnd, const std::string& caption) {
  if (Window* w = s_->Find(hWnd)) w->caption = caption;
}

void SimDesktop::SetIcons(HWND hWnd, HICON smallIcon, HICON bigIcon) {
  if (Window* w = s_->Find(hWnd)) {
    w->smallIcon = smallIcon;
    w->bigIcon = bigIcon;
  }
}

void SimDesktop::SetHung(HWND hWnd, bool hung) {
  if (Window* w = s_->Find(hWnd)) w->hung = hung;
}

void SimDesktop::DeferAsyncRequests(HWND hWnd, bool defer) {
  if (Window* w = s_->Find(hWnd)) w->defersAsync = defer;
}

void SimDesktop::UserMinimize(HWND hWnd) {
  LRESULT r = 0;
  if (s_->TopLevel(hWnd) != nullptr) s_->Deliver(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0, &r);
  Pump();
}

void SimDesktop::UserRestore(HWND hWnd) {
  LRESULT r = 0;
  if (s_->TopLevel(hWnd) != nullptr) s_->Deliver(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0, &r);
  Pump();
}

void SimDesktop::UserActivate(HWND hWnd) {
  Window* w = s_->TopLevel(hWnd);
  if (w == nullptr || !w->Visible() || !w->Enabled()) return;  // nothing to click on
  if (w->Minimized()) {
    s_->Restore(*w, true);  // a click on its taskbar button
  } else {
    s_->Activate(*w);
  }
  Pump();
}

void SimDesktop::SetLayered(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags) {
  if (Window* w = s_->Find(hWnd)) {
    w->exStyle |= WS_EX_LAYERED;
    w->hasLayeredAttributes = true;
    w->layeredKey = key;
    w->layeredAlpha = alpha;
    w->layeredFlags = flags;
  }
}

std::vector<HWND> SimDesktop::TopLevelWindows() const { return s_->zorder; }

bool SimDesktop::Exists(HWND hWnd) const { return s_->Find(hWnd) != nullptr; }

// ---- test controls: the system ---------------------------------------------------------

void SimDesktop::SetLayeredApi(bool libraryLoads, bool hasGet, bool hasSet) {
  s_->layeredLibraryLoads = libraryLoads;
  s_->layeredHasGet = hasGet;
  s_->layeredHasSet = hasSet;
}

void SimDesktop::SetLeadByteRanges(std::vector<std::pair<BYTE, BYTE>> ranges) {
  s_->leadRanges = std::move(ranges);
}

void SimDesktop::SetKeyDown(int virtualKey, bool down) {
  if (down) {
    s_->keysDown.insert(virtualKey);
  } else {
    s_->keysDown.erase(virtualKey);
  }
}

void SimDesktop::QueueMessageBoxAnswer(int answer) { s_->messageBoxAnswers.push_back(answer); }

const std::vector<MessageBoxRecord>& SimDesktop::MessageBoxes() const { return s_->messageBoxes; }

void SimDesktop::QueueModalScript(std::function<void(HWND dialog)> script) {
  s_->modalScripts.push_back(std::move(script));
}

// ---- test controls: tray --------------------------------------------------------------------

std::vector<TrayIconRecord> SimDesktop::TrayIcons() const { return s_->tray; }

const TrayIconRecord* SimDesktop::FindTrayIcon(HWND owner, UINT id) const {
  for (const auto& icon : s_->tray)
    if (icon.owner == owner && icon.id == id) return &icon;
  return nullptr;
}

void SimDesktop::FailTrayAdds(int count) { s_->failAdds = count; }
void SimDesktop::FailTrayModifies(int count) { s_->failModifies = count; }
void SimDesktop::FailTrayDeletes(int count) { s_->failDeletes = count; }

const std::vector<TrayCallRecord>& SimDesktop::TrayCalls() const { return s_->trayCalls; }

void SimDesktop::RestartTray() {
  s_->tray.clear();
  UINT msg = RegisterWindowMessageA("TaskbarCreated");
  std::vector<HWND> targets;
  for (HWND h : s_->zorder) {
    const Window* w = s_->Find(h);
    if (w != nullptr && s_->Ours(*w)) targets.push_back(h);
  }
  for (HWND h : targets) PostMessageA(h, msg, 0, 0);
  Pump();
}

void SimDesktop::MouseOnTrayIcon(HWND owner, UINT id, UINT mouseMessage) {
  const TrayIconRecord* icon = FindTrayIcon(owner, id);
  if (icon == nullptr || icon->callbackMessage == 0) return;
  PostMessageA(owner, icon->callbackMessage, id, static_cast<LPARAM>(mouseMessage));
  Pump();
}

// ---- test controls: time and messages ------------------------------------------------------

void SimDesktop::Pump() {
  State& s = *s_;
  for (int delivered = 0;; ++delivered) {
    if (delivered > kMaxDeliveriesPerPump) {
      std::fprintf(stderr, "SimDesktop: messages keep coming; a handler posts without end\n");
      std::abort();
    }
    // The first message whose window can take it: a hung application's
    // messages wait in its queue.
    auto it = s.queue.begin();
    for (; it != s.queue.end(); ++it) {
      const Window* w = s.Find(it->hwnd);
      if (w == nullptr || !w->hung) break;
    }
    if (it == s.queue.end()) return;
    Posted p = *it;
    s.queue.erase(it);
    Window* w = s.Find(p.hwnd);
    if (w == nullptr) continue;  // the window went while the message waited
    if (p.historyIndex >= 0) s.history[static_cast<size_t>(p.historyIndex)].answered = true;
    if (p.action) {
      p.action();
      continue;
    }
    LRESULT r = 0;
    s.Deliver(p.hwnd, p.msg, p.wParam, p.lParam, &r);
  }
}

void SimDesktop::AdvanceTime(UINT ms) {
  State& s = *s_;
  Pump();
  const std::uint64_t end = s.now + ms;
  for (;;) {
    auto next = s.timers.end();
    for (auto it = s.timers.begin(); it != s.timers.end(); ++it) {
      if (it->due > end) continue;
      if (next == s.timers.end() || it->due < next->due ||
          (it->due == next->due && it->seq < next->seq))
        next = it;
    }
    if (next == s.timers.end()) break;
    s.now = std::max(s.now, next->due);
    HWND h = next->hwnd;
    UINT_PTR id = next->id;
    // Re-armed before delivery, so that KillTimer or SetTimer in the handler
    // has the last word.
    next->due = s.now + next->period;
    next->seq = ++s.timerSeq;
    LRESULT r = 0;
    s.Deliver(h, WM_TIMER, id, 0, &r);
    Pump();
  }
  s.now = end;
}

bool SimDesktop::TimerActive(HWND hWnd, UINT_PTR id) const {
  for (const auto& t : s_->timers)
    if (t.hwnd == hWnd && t.id == id) return true;
  return false;
}

bool SimDesktop::QuitPosted() const { return s_->quitPosted; }
int SimDesktop::QuitCode() const { return s_->quitCode; }
const std::vector<MessageRecord>& SimDesktop::History() const { return s_->history; }
void SimDesktop::ClearHistory() {
  s_->history.clear();
  for (auto& p : s_->queue) p.historyIndex = -1;
}

int SimDesktop::CaptionReads(HWND hWnd) const {
  const Window* w = s_->Find(hWnd);
  return w != nullptr ? w->captionReads : 0;
}

int SimDesktop::ClassReads(HWND hWnd) const {
  const Window* w = s_->Find(hWnd);
  return w != nullptr ? w->classReads : 0;
}

void SimDesktop::ResetReadCounts() {
  for (auto& entry : s_->windows) {
    entry.second->captionReads = 0;
    entry.second->classReads = 0;
  }
}

int SimDesktop::PendingMessages(HWND hWnd) const {
  int n = 0;
  for (const auto& p : s_->queue)
    if (p.hwnd == hWnd) ++n;
  return n;
}

int SimDesktop::DroppedExceptions() const { return s_->droppedExceptions; }

// ---- windows of any process -----------------------------------------------------------

BOOL SimDesktop::IsWindow(HWND hWnd) { return s_->Find(hWnd) != nullptr; }

BOOL SimDesktop::IsWindowVisible(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || !w->Visible()) return FALSE;
  if (w->isControl) {
    const Window* parent = s_->Find(w->owner);
    return parent != nullptr && parent->Visible();
  }
  return TRUE;
}

BOOL SimDesktop::IsIconic(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  return w != nullptr && w->Minimized();
}

int SimDesktop::GetWindowTextLengthA(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  return static_cast<int>(w->caption.size());
}

int SimDesktop::GetWindowTextA(HWND hWnd, char* buffer, int size) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  ++w->captionReads;
  if (buffer == nullptr || size <= 0) return 0;
  size_t n = s_->FitBytes(w->caption, size);
  std::memcpy(buffer, w->caption.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

int SimDesktop::GetClassNameA(HWND hWnd, char* buffer, int size) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  ++w->classReads;
  if (buffer == nullptr || size <= 0) return 0;
  size_t n = s_->FitBytes(w->className, size);
  std::memcpy(buffer, w->className.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

BOOL SimDesktop::EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (proc == nullptr) return FALSE;
  // A snapshot, as the window manager takes one: windows created meanwhile
  // are not visited, windows destroyed meanwhile are skipped.
  const std::vector<HWND> snapshot = s_->zorder;
  for (HWND h : snapshot) {
    if (s_->Find(h) == nullptr) continue;
    if (!proc(h, lParam)) return FALSE;
  }
  return TRUE;
}

BOOL SimDesktop::ShowWindow(HWND hWnd, int cmd) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || hWnd == s.desktop) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  const BOOL wasVisible = w->Visible() ? TRUE : FALSE;
  s.WaitFor(*w, "ShowWindow");
  if (w->isControl) {
    if (cmd == SW_HIDE) {
      w->style &= ~WS_VISIBLE;
    } else {
      w->style |= WS_VISIBLE;
    }
    return wasVisible;
  }
  switch (cmd) {
    case SW_HIDE:
      s.Hide(*w);
      break;
    case SW_SHOW:
      // Shows the window as it is (minimised stays minimised) and, when it
      // was hidden, raises and activates it.
      if (!wasVisible) {
        w->style |= WS_VISIBLE;
        if (w->Enabled()) s.Activate(*w);
      }
      break;
    case SW_SHOWNA:
      w->style |= WS_VISIBLE;
      break;
    case SW_SHOWNOACTIVATE:
      if (w->Minimized() || w->Maximized()) {
        s.Restore(*w, false);
      } else {
        w->style |= WS_VISIBLE;
      }
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      s.Restore(*w, true);
      break;
    case SW_SHOWMINIMIZED:
      s.Minimize(*w, true);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      s.Minimize(*w, false);
      break;
    case SW_MAXIMIZE:
      s.Maximize(*w, true);
      break;
    default:
      SetLastError(kErrorInvalidParameter);
      return FALSE;
  }
  return wasVisible;
}

BOOL SimDesktop::ShowWindowAsync(HWND hWnd, int cmd) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || hWnd == s.desktop) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  // An application that answers at once has done it before this returns.
  if (s.Ours(*w) || (!w->hung && !w->defersAsync)) {
    ShowWindow(hWnd, cmd);
    return TRUE;
  }
  s.queue.push_back({hWnd, WM_NULL, 0, 0, -1, [this, hWnd, cmd] { ShowWindow(hWnd, cmd); }});
  return TRUE;
}

BOOL SimDesktop::SendMessageTimeoutA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                     UINT flags, UINT timeoutMs, DWORD_PTR* result) {
  (void)flags;
  (void)timeoutMs;
  State& s = *s_;
  if (result != nullptr) *result = 0;
  Window* w = s.Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  const bool foreign = !s.Ours(*w);
  if (foreign && w->hung) {
    s.history.push_back({hWnd, msg, wParam, lParam, false, false});
    SetLastError(kErrorTimeout);
    return FALSE;
  }
  if (foreign) s.history.push_back({hWnd, msg, wParam, lParam, false, true});
  LRESULT r = 0;
  s.Deliver(hWnd, msg, wParam, lParam, &r);
  if (result != nullptr) *result = static_cast<DWORD_PTR>(r);
  return TRUE;
}

BOOL SimDesktop::PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || hWnd == s.desktop) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  long index = -1;
  if (!s.Ours(*w)) {
    index = static_cast<long>(s.history.size());
    s.history.push_back({hWnd, msg, wParam, lParam, true, false});
  }
  s.queue.push_back({hWnd, msg, wParam, lParam, index});
  return TRUE;
}

LRESULT SimDesktop::SendMessageToOwnWindow(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  if (!s.Ours(*w)) {
    // An unbounded send to another program: if it hangs, so would we.
    if (w->hung) {
      std::fprintf(stderr,
                   "SimDesktop: SendMessageToOwnWindow to a hung application's window blocks "
                   "for ever\n");
      std::abort();
    }
    s.history.push_back({hWnd, msg, wParam, lParam, false, true});
  }
  LRESULT r = 0;
  s.Deliver(hWnd, msg, wParam, lParam, &r);
  return r;
}

BOOL SimDesktop::SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy,
                              UINT flags) {
  State& s = *s_;
  Window* w = s.TopLevel(hWnd);
  if (w == nullptr) {
    if (Window* c = s.Find(hWnd); c != nullptr && c->isControl) return TRUE;
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (!s.Ours(*w) && (w->hung || (w->defersAsync && (flags & SWP_ASYNCWINDOWPOS)))) {
    if (!(flags & SWP_ASYNCWINDOWPOS)) s.WaitFor(*w, "SetWindowPos");
    s.queue.push_back({hWnd, WM_NULL, 0, 0, -1, [=, this] {
                         // Carried out by the window's own thread now.
                         SetWindowPos(hWnd, insertAfter, x, y, cx, cy, flags & ~SWP_ASYNCWINDOWPOS);
                       }});
    return TRUE;
  }
  if (!(flags & SWP_NOMOVE)) {
    LONG width = w->rect.right - w->rect.left;
    LONG height = w->rect.bottom - w->rect.top;
    w->rect = {x, y, x + width, y + height};
  }
  if (!(flags & SWP_NOSIZE)) {
    w->rect.right = w->rect.left + cx;
    w->rect.bottom = w->rect.top + cy;
  }
  // Without SWP_NOACTIVATE the window manager activates the window, and
  // activation brings it to the top of its band unless the call itself asks
  // for the topmost or the normal band.
  const bool activate = !(flags & SWP_NOACTIVATE) && State::CanActivate(*w);
  if (activate && ((flags & SWP_NOZORDER) ||
                   (insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST))) {
    flags &= ~SWP_NOZORDER;
    insertAfter = HWND_TOP;
  }
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) {
      w->exStyle |= WS_EX_TOPMOST;
      s.ToTopOfBand(*w);
    } else if (insertAfter == HWND_NOTOPMOST) {
      // Above every window that is not topmost; no move for one that is
      // not topmost already.
      if (w->Topmost()) {
        w->exStyle &= ~WS_EX_TOPMOST;
        s.ToTopOfBand(*w);
      }
    } else if (insertAfter == HWND_TOP) {
      s.ToTopOfBand(*w);
    } else if (insertAfter == HwndFromValue(1)) {  // HWND_BOTTOM
      w->exStyle &= ~WS_EX_TOPMOST;
      s.ToBottom(*w);
    } else if (Window* after = s.TopLevel(insertAfter); after != nullptr && after != w) {
      // Below `after`, within the window's own band.
      s.Unlink(hWnd);
      auto pos = std::find(s.zorder.begin(), s.zorder.end(), insertAfter);
      size_t at = static_cast<size_t>(pos - s.zorder.begin()) + 1;
      size_t band = s.BandStart();
      if (w->Topmost()) {
        at = std::min(at, band);
      } else {
        at = std::max(at, band);
      }
      s.zorder.insert(s.zorder.begin() + static_cast<long>(at), hWnd);
    }
  }
  if (activate) s.active = hWnd;
  return TRUE;
}

BOOL SimDesktop::SetForegroundWindow(HWND hWnd) {
  Window* w = s_->TopLevel(hWnd);
  if (w == nullptr || !w->Visible() || !w->Enabled()) return FALSE;
  s_->Activate(*w);
  return TRUE;
}

HWND SimDesktop::GetForegroundWindow() { return s_->active; }

LONG SimDesktop::GetWindowLongA(HWND hWnd, int index) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case kGwlId:
      return w->controlId;
    case kGwlUserData:
      return w->userData;
    default:
      SetLastError(kErrorInvalidIndex);
      return 0;
  }
}

LONG SimDesktop::SetWindowLongA(HWND hWnd, int index, LONG value) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || hWnd == s.desktop) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  LONG previous = 0;
  const DWORD v = static_cast<DWORD>(value);
  if (index == GWL_STYLE || index == GWL_EXSTYLE) s.WaitFor(*w, "SetWindowLongA (style)");
  switch (index) {
    case GWL_STYLE:
      previous = static_cast<LONG>(w->style);
      w->style = v;
      if (!w->Visible()) s.ActivateOther(hWnd);
      break;
    case GWL_EXSTYLE:
      previous = static_cast<LONG>(w->exStyle);
      // Only SetWindowPos changes the topmost state.
      w->exStyle = (v & ~WS_EX_TOPMOST) | (w->exStyle & WS_EX_TOPMOST);
      // A window that stops being layered loses its attributes.
      if (!(w->exStyle & WS_EX_LAYERED)) w->hasLayeredAttributes = false;
      break;
    case kGwlId:
      previous = w->controlId;
      w->controlId = value;
      break;
    case kGwlUserData:
      previous = w->userData;
      w->userData = value;
      break;
    default:
      SetLastError(kErrorInvalidIndex);
      return 0;
  }
  SetLastError(0);
  return previous;
}

BOOL SimDesktop::GetWindowInfo(HWND hWnd, WINDOWINFO* info) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (info == nullptr || info->cbSize != sizeof(WINDOWINFO)) {
    SetLastError(kErrorInvalidParameter);
    return FALSE;
  }
  RECT r = w->Minimized() ? kMinimizedRect : w->rect;
  info->rcWindow = r;
  info->rcClient = {r.left + 8, r.top + 31, r.right - 8, r.bottom - 8};
  if (info->rcClient.right < info->rcClient.left) info->rcClient.right = info->rcClient.left;
  if (info->rcClient.bottom < info->rcClient.top) info->rcClient.bottom = info->rcClient.top;
  info->dwStyle = w->style;
  info->dwExStyle = w->exStyle;
  info->dwWindowStatus = s_->active == hWnd ? WS_ACTIVECAPTION : 0;
  info->cxWindowBorders = 8;
  info->cyWindowBorders = 8;
  info->atomWindowType = static_cast<WORD>(0xC000 + (std::hash<std::string>()(w->className) % 0x3FFF));
  info->wCreatorVersion = 0x0400;
  return TRUE;
}

BOOL SimDesktop::GetWindowRect(HWND hWnd, RECT* rect) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || rect == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  *rect = w->Minimized() ? kMinimizedRect : w->rect;
  return TRUE;
}

DWORD SimDesktop::GetWindowThreadProcessId(HWND hWnd, DWORD* processId) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  if (processId != nullptr) *processId = w->processId;
  return w->processId * 4 + 4;  // one thread per process
}

DWORD SimDesktop::GetCurrentProcessId() { return kOurProcessId; }

// ---- layered windows ------------------------------------------------------------------

BOOL SimDesktop::QueryLayeredApi(BOOL* hasGet, BOOL* hasSet) {
  if (!s_->layeredLibraryLoads) return FALSE;
  if (hasGet != nullptr) *hasGet = s_->layeredHasGet;
  if (hasSet != nullptr) *hasSet = s_->layeredHasSet;
  return TRUE;
}

BOOL SimDesktop::GetLayeredWindowAttributes(HWND hWnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  if (!s_->layeredLibraryLoads || !s_->layeredHasGet) {
    SetLastError(kErrorProcNotFound);
    return FALSE;
  }
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED) || !w->hasLayeredAttributes) {
    SetLastError(kErrorInvalidParameter);
    return FALSE;
  }
  if (key != nullptr) *key = w->layeredKey;
  if (alpha != nullptr) *alpha = w->layeredAlpha;
  if (flags != nullptr) *flags = w->layeredFlags;
  return TRUE;
}

BOOL SimDesktop::SetLayeredWindowAttributes(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags) {
  if (!s_->layeredLibraryLoads || !s_->layeredHasSet) {
    SetLastError(kErrorProcNotFound);
    return FALSE;
  }
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(kErrorInvalidParameter);
    return FALSE;
  }
  w->hasLayeredAttributes = true;
  w->layeredKey = key;
  w->layeredAlpha = alpha;
  w->layeredFlags = flags;
  return TRUE;
}

// ---- icons and the tray ------------------------------------------------------------------

BOOL SimDesktop::Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data) {
  State& s = *s_;
  if (data == nullptr) return FALSE;
  TrayCallRecord call{message, data->hWnd, data->uID, data->uFlags, false};
  auto record = [&](BOOL ok) {
    call.succeeded = ok != FALSE;
    s.trayCalls.push_back(call);
    return ok;
  };
  if (data->cbSize != sizeof(NOTIFYICONDATAA)) return record(FALSE);
  auto it = std::find_if(s.tray.begin(), s.tray.end(), [&](const TrayIconRecord& r) {
    return r.owner == data->hWnd && r.id == data->uID;
  });
  auto apply = [&](TrayIconRecord& r) {
    if (data->uFlags & NIF_MESSAGE) r.callbackMessage = data->uCallbackMessage;
    if (data->uFlags & NIF_ICON) r.icon = data->hIcon;
    if (data->uFlags & NIF_TIP) r.tip.assign(data->szTip, strnlen(data->szTip, sizeof data->szTip - 1));
  };
  switch (message) {
    case NIM_ADD: {
      if (s.failAdds > 0) {
        --s.failAdds;
        return record(FALSE);
      }
      if (it != s.tray.end()) return record(FALSE);
      TrayIconRecord r{data->hWnd, data->uID, 0, nullptr, std::string()};
      apply(r);
      s.tray.push_back(r);
      return record(TRUE);
    }
    case NIM_MODIFY:
      if (s.failModifies > 0) {
        --s.failModifies;
        return record(FALSE);
      }
      if (it == s.tray.end()) return record(FALSE);
      apply(*it);
      return record(TRUE);
    case NIM_DELETE:
      if (s.failDeletes > 0) {
        --s.failDeletes;
        return record(FALSE);
      }
      if (it == s.tray.end()) return record(FALSE);
      s.tray.erase(it);
      return record(TRUE);
    default:
      return record(it != s.tray.end() ? TRUE : FALSE);
  }
}

HICON SimDesktop::GetClassIcon(HWND hWnd, int index) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return nullptr;
  }
  if (index == GCL_HICON) return w->classIcon;
  if (index == GCL_HICONSM) return w->classSmallIcon;
  SetLastError(kErrorInvalidIndex);
  return nullptr;
}

HICON SimDesktop::LoadAppIcon(int resourceId) {
  // The program's icon resources.
  if (resourceId != 128 && resourceId != 129 && resourceId != 132) return nullptr;
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0xA0000 + resourceId));
}

UINT SimDesktop::RegisterWindowMessageA(const char* name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  const std::string key = UpperAscii(name);  // atom names ignore case
  auto it = s_->registered.find(key);
  if (it != s_->registered.end()) return it->second;
  UINT number = 0xC000 + 0x12 + static_cast<UINT>(s_->registered.size());
  s_->registered[key] = number;
  return number;
}

// ---- input, timers, loop ---------------------------------------------------------------------

SHORT SimDesktop::GetKeyState(int virtualKey) {
  return s_->keysDown.count(virtualKey) ? static_cast<SHORT>(-128) : static_cast<SHORT>(0);
}

UINT_PTR SimDesktop::SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || !s.Ours(*w)) {
    // Timers belong to windows of the calling thread.
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  UINT period = std::max(elapseMs, kUserTimerMinimum);
  for (auto& t : s.timers) {
    if (t.hwnd == hWnd && t.id == id) {
      t.period = period;
      t.due = s.now + period;
      t.seq = ++s.timerSeq;
      return id == 0 ? 1 : id;
    }
  }
  s.timers.push_back({hWnd, id, period, s.now + period, ++s.timerSeq});
  return id == 0 ? 1 : id;
}

BOOL SimDesktop::KillTimer(HWND hWnd, UINT_PTR id) {
  auto& timers = s_->timers;
  auto it = std::find_if(timers.begin(), timers.end(),
                         [&](const Timer& t) { return t.hwnd == hWnd && t.id == id; });
  if (it == timers.end()) return FALSE;
  timers.erase(it);
  return TRUE;
}

void SimDesktop::PostQuitMessage(int exitCode) {
  s_->quitPosted = true;
  s_->quitCode = exitCode;
}

int SimDesktop::RunMessageLoop() {
  Pump();
  return s_->quitCode;
}

BOOL SimDesktop::InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
  (void)rect;
  (void)erase;
  return hWnd == nullptr || s_->Find(hWnd) != nullptr;
}

HWND SimDesktop::GetDesktopWindow() { return s_->desktop; }

// ---- our own user interface -----------------------------------------------------------------

int SimDesktop::MessageBoxU8(HWND owner, const std::string& text, const std::string& caption,
                             UINT type) {
  s_->messageBoxes.push_back({owner, text, caption, type});
  // The box runs a message loop of its own while it is open.
  Pump();
  if (s_->messageBoxAnswers.empty()) return IDOK;
  int answer = s_->messageBoxAnswers.front();
  s_->messageBoxAnswers.pop_front();
  return answer;
}

std::string SimDesktop::LoadStringU8(UINT id) {
  auto it = s_->strings.find(id);
  return it == s_->strings.end() ? std::string() : it->second;
}

void SimDesktop::SetString(UINT id, const std::string& textUtf8) { s_->strings[id] = textUtf8; }

void SimDesktop::AddDialogTemplate(const DialogTemplate& dialogTemplate) {
  s_->templates[dialogTemplate.id] = dialogTemplate;
}

// Builds a dialog window and its controls from the template and runs
// WM_INITDIALOG; returns the dialog or 0.
HWND SimDesktop::State::BuildDialog(int templateId, HWND parent, DialogHost* host, bool modal) {
  State& s = *this;
  const DialogTemplate* t = nullptr;
  auto it = s.templates.find(templateId);
  if (it != s.templates.end()) {
    t = &it->second;
  } else {
    t = FindDialogTemplate(templateId);
  }
  if (t == nullptr || host == nullptr) {
    desk.SetLastError(1813);  // ERROR_RESOURCE_TYPE_NOT_FOUND
    return nullptr;
  }
  Window& d = s.Create();
  const HWND dialog = d.hwnd;
  d.caption = desk.Utf8ToAnsi(t->titleUtf8);
  d.className = "#32770";
  d.style = t->style & ~(WS_VISIBLE | WS_MINIMIZE);
  d.exStyle = t->exStyle;
  d.processId = kOurProcessId;
  d.owner = parent;
  d.isDialog = true;
  d.modal = modal;
  d.closesOnWmClose = false;
  d.rect = {t->x * 2, t->y * 2, (t->x + t->cx) * 2, (t->y + t->cy) * 2};
  for (const DialogItemTemplate& item : t->items) {
    Window& c = s.Create();
    c.caption = desk.Utf8ToAnsi(item.textUtf8);
    c.className = item.cls;
    c.style = item.style | kWsChild | WS_VISIBLE;
    c.processId = kOurProcessId;
    c.owner = dialog;
    c.isControl = true;
    c.controlId = item.id;
    c.closesOnWmClose = false;
    c.rect = {item.x * 2, item.y * 2, (item.x + item.cx) * 2, (item.y + item.cy) * 2};
    s.Find(dialog)->controls.push_back(c.hwnd);
  }
  Window* dw = s.Find(dialog);
  s.ToTopOfBand(*dw);
  dw->host = host;
  HWND focus = dw->controls.empty() ? nullptr : dw->controls.front();
  LRESULT r = 0;
  s.Deliver(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus),
          reinterpret_cast<LPARAM>(host), &r);
  dw = s.Find(dialog);
  if (dw == nullptr) return nullptr;  // destroyed during its initialisation
  if ((t->style & WS_VISIBLE) || modal) {
    if (!(modal && dw->ended)) {
      dw->style |= WS_VISIBLE;
      s.Activate(*dw);
    }
  }
  return dialog;
}

HWND SimDesktop::CreateDialogU8(int templateId, HWND parent, DialogHost* host) {
  return s_->BuildDialog(templateId, parent, host, false);
}

INT_PTR SimDesktop::DialogBoxU8(int templateId, HWND parent, DialogHost* host) {
  State& s = *s_;
  // The owner is disabled while the modal dialog runs.
  Window* owner = s.Find(parent);
  bool reenable = false;
  if (owner != nullptr && owner->Enabled()) {
    owner->style |= kWsDisabled;
    reenable = true;
  }
  HWND dialog = s.BuildDialog(templateId, parent, host, true);
  INT_PTR result = -1;
  if (dialog != nullptr) {
    Pump();
    Window* d = s.Find(dialog);
    if (d != nullptr && !d->ended && !s.modalScripts.empty()) {
      auto script = std::move(s.modalScripts.front());
      s.modalScripts.pop_front();
      script(dialog);
    }
    d = s.Find(dialog);
    if (d != nullptr && !d->ended) {
      PressEscape(dialog);
      d = s.Find(dialog);
      if (d != nullptr && !d->ended) {
        d->ended = true;
        d->endResult = IDCANCEL;
      }
    }
    d = s.Find(dialog);
    result = d != nullptr ? d->endResult : IDCANCEL;
    if (d != nullptr) s.DestroyTree(dialog);
  }
  if (reenable) {
    if (Window* o = s.Find(parent)) {
      o->style &= ~kWsDisabled;
      if (s.active == nullptr && State::CanActivate(*o)) s.Activate(*o);
    }
  }
  return result;
}

BOOL SimDesktop::EndDialog(HWND dialog, INT_PTR result) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->isDialog) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  d->ended = true;
  d->endResult = result;
  s.Hide(*d);
  if (d->modal && d->owner != nullptr) {
    if (Window* o = s.Find(d->owner)) {
      o->style &= ~kWsDisabled;
      if (s.active == nullptr && State::CanActivate(*o)) s.Activate(*o);
    }
  }
  return TRUE;
}

BOOL SimDesktop::DestroyWindow(HWND hWnd) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || hWnd == s.desktop) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (!s.Ours(*w)) {
    SetLastError(5);  // ERROR_ACCESS_DENIED: another program's window
    return FALSE;
  }
  if (w->isControl) {
    Window* parent = s.Find(w->owner);
    if (parent != nullptr) {
      auto& cs = parent->controls;
      cs.erase(std::remove(cs.begin(), cs.end(), hWnd), cs.end());
    }
    s.windows.erase(hWnd);
    return TRUE;
  }
  s.DestroyTree(hWnd);
  return TRUE;
}

HWND SimDesktop::GetDlgItem(HWND dialog, int id) {
  const Window* d = s_->Find(dialog);
  if (d == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return nullptr;
  }
  for (HWND c : d->controls) {
    const Window* cw = s_->Find(c);
    if (cw != nullptr && cw->controlId == id) return c;
  }
  SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
  return nullptr;
}

int SimDesktop::GetDlgCtrlID(HWND control) {
  const Window* c = s_->Find(control);
  return c != nullptr && c->isControl ? c->controlId : 0;
}

BOOL SimDesktop::EnableWindow(HWND hWnd, BOOL enable) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = w->Enabled() ? FALSE : TRUE;
  if (enable) {
    w->style &= ~kWsDisabled;
  } else {
    w->style |= kWsDisabled;
    if (!w->isControl) s_->ActivateOther(hWnd);
  }
  return wasDisabled;
}

BOOL SimDesktop::IsWindowEnabled(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  return w != nullptr && w->Enabled();
}

BOOL SimDesktop::CheckDlgButton(HWND dialog, int id, UINT check) {
  Window* c = s_->Find(GetDlgItem(dialog, id));
  if (c == nullptr) return FALSE;
  c->check = check;
  return TRUE;
}

UINT SimDesktop::IsDlgButtonChecked(HWND dialog, int id) {
  const Window* c = s_->Find(GetDlgItem(dialog, id));
  return c != nullptr ? c->check : 0;
}

BOOL SimDesktop::SetWindowTextU8(HWND hWnd, const std::string& text) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  w->caption = Utf8ToAnsi(text);
  return TRUE;
}

std::string SimDesktop::GetWindowTextU8(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  return w != nullptr ? AnsiToUtf8(w->caption) : std::string();
}

HMENU SimDesktop::GetSystemMenu(HWND hWnd, BOOL revert) {
  State& s = *s_;
  Window* w = s.TopLevel(hWnd);
  if (w == nullptr) return nullptr;
  if (revert) {
    if (w->systemMenu != nullptr) s.menus.erase(w->systemMenu);
    w->systemMenu = nullptr;
    return nullptr;
  }
  if (w->systemMenu == nullptr) {
    w->systemMenu = reinterpret_cast<HMENU>(s.nextMenu);
    s.nextMenu += 4;
    s.menus[w->systemMenu] = Menu{hWnd, {}};
  }
  return w->systemMenu;
}

BOOL SimDesktop::AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) {
  auto it = s_->menus.find(menu);
  if (it == s_->menus.end()) return FALSE;
  it->second.items.push_back({flags, id, (flags & MF_SEPARATOR) ? std::string() : text});
  return TRUE;
}

std::vector<MenuItemRecord> SimDesktop::SystemMenuItems(HWND hWnd) const {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || w->systemMenu == nullptr) return {};
  auto it = s_->menus.find(w->systemMenu);
  return it == s_->menus.end() ? std::vector<MenuItemRecord>() : it->second.items;
}

// ---- list views ------------------------------------------------------------------------------

Window* SimDesktop::State::ListView(HWND h) {
  Window* w = Find(h);
  return w != nullptr && w->isControl && EqualsNoCaseAscii(w->className, "SysListView32") ? w
                                                                                           : nullptr;
}

// LVN_ITEMCHANGED to the list's dialog, sent as the control sends it.
void SimDesktop::State::NotifyItemChanged(HWND list, int index, UINT oldState, UINT newState,
                                          UINT changed, LPARAM param) {
  State& s = *this;
  Window* lv = s.Find(list);
  if (lv == nullptr) return;
  NMLISTVIEW nm{};
  nm.hdr.hwndFrom = list;
  nm.hdr.idFrom = static_cast<UINT_PTR>(lv->controlId);
  nm.hdr.code = LVN_ITEMCHANGED;
  nm.iItem = index;
  nm.iSubItem = 0;
  nm.uNewState = newState;
  nm.uOldState = oldState;
  nm.uChanged = changed;
  nm.lParam = param;
  LRESULT r = 0;
  s.Deliver(lv->owner, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm), &r);
}

int SimDesktop::ListViewInsertItem(HWND listView, int index, const std::string& text, int image) {
  State& s = *s_;
  Window* lv = s.ListView(listView);
  if (lv == nullptr || index < 0) return -1;
  size_t at = std::min(static_cast<size_t>(index), lv->items.size());
  if (lv->style & (kLvsSortAscending | kLvsSortDescending)) {
    // The control keeps its items sorted by text and ignores the index; a
    // new item goes before the items that sort equal to it.
    const bool descending = (lv->style & kLvsSortDescending) != 0;
    at = 0;
    while (at < lv->items.size()) {
      int c = s.CompareForSort(lv->items[at].text, text);
      if (descending ? c <= 0 : c >= 0) break;
      ++at;
    }
  }
  ListItem item;
  item.text = text;
  item.image = image;
  lv->items.insert(lv->items.begin() + static_cast<long>(at), item);
  return static_cast<int>(at);
}

BOOL SimDesktop::ListViewSetItemParam(HWND listView, int index, LPARAM param) {
  State& s = *s_;
  Window* lv = s.ListView(listView);
  if (lv == nullptr || !ValidItem(*lv, index)) return FALSE;
  ListItem& item = lv->items[static_cast<size_t>(index)];
  if (item.param == param) return TRUE;
  item.param = param;
  // The control reports changed item data too, with the new data and no
  // state.
  s.NotifyItemChanged(listView, index, 0, 0, LVIF_PARAM, param);
  return TRUE;
}

LPARAM SimDesktop::ListViewGetItemParam(HWND listView, int index) {
  Window* lv = s_->ListView(listView);
  return lv != nullptr && ValidItem(*lv, index) ? lv->items[static_cast<size_t>(index)].param : 0;
}

std::string SimDesktop::ListViewGetItemText(HWND listView, int index) {
  Window* lv = s_->ListView(listView);
  return lv != nullptr && ValidItem(*lv, index) ? lv->items[static_cast<size_t>(index)].text
                                                : std::string();
}

int SimDesktop::ListViewGetItemCount(HWND listView) {
  Window* lv = s_->ListView(listView);
  return lv != nullptr ? static_cast<int>(lv->items.size()) : 0;
}

int SimDesktop::ListViewGetSelectedCount(HWND listView) {
  Window* lv = s_->ListView(listView);
  if (lv == nullptr) return 0;
  return static_cast<int>(std::count_if(lv->items.begin(), lv->items.end(), [](const ListItem& i) {
    return (i.state & LVIS_SELECTED) != 0;
  }));
}

int SimDesktop::ListViewGetNextItem(HWND listView, int start, UINT flags) {
  Window* lv = s_->ListView(listView);
  if (lv == nullptr) return -1;
  UINT want = 0;
  if (flags & LVNI_SELECTED) want |= LVIS_SELECTED;
  if (flags & kLvniFocused) want |= LVIS_FOCUSED;
  for (size_t i = static_cast<size_t>(std::max(start + 1, 0)); i < lv->items.size(); ++i)
    if ((lv->items[i].state & want) == want) return static_cast<int>(i);
  return -1;
}

int SimDesktop::ListViewFindItemByParam(HWND listView, int start, LPARAM param) {
  Window* lv = s_->ListView(listView);
  if (lv == nullptr) return -1;
  for (size_t i = static_cast<size_t>(std::max(start + 1, 0)); i < lv->items.size(); ++i)
    if (lv->items[i].param == param) return static_cast<int>(i);
  return -1;
}

BOOL SimDesktop::ListViewDeleteItem(HWND listView, int index) {
  State& s = *s_;
  Window* lv = s.ListView(listView);
  if (lv == nullptr || !ValidItem(*lv, index)) return FALSE;
  // A selected or focused item first loses that state, with the
  // notification the control sends for it.
  const ListItem& item = lv->items[static_cast<size_t>(index)];
  const UINT old = item.state;
  const bool hadFocus = (old & LVIS_FOCUSED) != 0;
  if (old & (LVIS_SELECTED | LVIS_FOCUSED)) {
    const UINT now = old & ~(LVIS_SELECTED | LVIS_FOCUSED);
    lv->items[static_cast<size_t>(index)].state = now;
    s.NotifyItemChanged(listView, index, old, now, LVIF_STATE, item.param);
    lv = s.ListView(listView);
    if (lv == nullptr || !ValidItem(*lv, index)) return TRUE;
  }
  lv->items.erase(lv->items.begin() + index);
  // The focus stays at its place: the item that moves up (or the new last
  // one) takes it, without a notification.
  if (hadFocus && !lv->items.empty()) {
    const size_t next = std::min(static_cast<size_t>(index), lv->items.size() - 1);
    lv->items[next].state |= LVIS_FOCUSED;
  }
  return TRUE;
}

UINT SimDesktop::ListViewGetItemState(HWND listView, int index, UINT mask) {
  Window* lv = s_->ListView(listView);
  return lv != nullptr && ValidItem(*lv, index) ? lv->items[static_cast<size_t>(index)].state & mask
                                                : 0;
}

BOOL SimDesktop::ListViewSetItemState(HWND listView, int index, UINT state, UINT mask) {
  State& s = *s_;
  Window* lv = s.ListView(listView);
  if (lv == nullptr) return FALSE;
  std::vector<int> targets;
  if (index == -1) {
    for (size_t i = 0; i < lv->items.size(); ++i) targets.push_back(static_cast<int>(i));
  } else if (ValidItem(*lv, index)) {
    targets.push_back(index);
  } else {
    return FALSE;
  }
  for (int i : targets) {
    lv = s.ListView(listView);  // a handler may have changed the list
    if (lv == nullptr) return FALSE;
    if (!ValidItem(*lv, i)) continue;
    ListItem& item = lv->items[static_cast<size_t>(i)];
    const UINT old = item.state;
    const UINT now = (old & ~mask) | (state & mask);
    if (now == old) continue;
    // A single-selection list gives up its other selected item first.
    if ((lv->style & kLvsSingleSel) && (now & LVIS_SELECTED) && !(old & LVIS_SELECTED)) {
      for (size_t j = 0; j < lv->items.size(); ++j) {
        if (static_cast<int>(j) != i && (lv->items[j].state & LVIS_SELECTED)) {
          const UINT o = lv->items[j].state;
          lv->items[j].state &= ~LVIS_SELECTED;
          s.NotifyItemChanged(listView, static_cast<int>(j), o, o & ~LVIS_SELECTED, LVIF_STATE,
                              lv->items[j].param);
          lv = s.ListView(listView);
          if (lv == nullptr || !ValidItem(*lv, i)) return FALSE;
        }
      }
    }
    // Only one item carries the focus.
    if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED)) {
      for (size_t j = 0; j < lv->items.size(); ++j) {
        if (static_cast<int>(j) != i && (lv->items[j].state & LVIS_FOCUSED)) {
          const UINT o = lv->items[j].state;
          lv->items[j].state &= ~LVIS_FOCUSED;
          s.NotifyItemChanged(listView, static_cast<int>(j), o, o & ~LVIS_FOCUSED,
                            LVIF_STATE, lv->items[j].param);
          lv = s.ListView(listView);
          if (lv == nullptr || !ValidItem(*lv, i)) return FALSE;
        }
      }
    }
    ListItem& target = lv->items[static_cast<size_t>(i)];
    target.state = now;
    s.NotifyItemChanged(listView, i, old, now, LVIF_STATE, target.param);
  }
  return TRUE;
}

HIMAGELIST SimDesktop::ListViewSetImageList(HWND listView, HIMAGELIST list, int which) {
  Window* lv = s_->ListView(listView);
  if (lv == nullptr || which < 0 || which > 2) return nullptr;
  HIMAGELIST previous = lv->imageLists[which];
  lv->imageLists[which] = list;
  return previous;
}

HIMAGELIST SimDesktop::ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
  (void)flags;
  (void)initial;
  (void)grow;
  if (cx <= 0 || cy <= 0) return nullptr;
  HIMAGELIST h = reinterpret_cast<HIMAGELIST>(s_->nextImageList);
  s_->nextImageList += 4;
  s_->imageLists[h] = {};
  return h;
}

int SimDesktop::ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  auto it = s_->imageLists.find(list);
  if (it == s_->imageLists.end() || icon == nullptr) return -1;
  auto& images = it->second;
  if (index == -1) {
    images.push_back(icon);
    return static_cast<int>(images.size() - 1);
  }
  if (index < 0 || static_cast<size_t>(index) >= images.size()) return -1;
  images[static_cast<size_t>(index)] = icon;
  return index;
}

BOOL SimDesktop::ImageListDestroy(HIMAGELIST list) { return s_->imageLists.erase(list) ? TRUE : FALSE; }

// ---- test controls: our own dialogs -----------------------------------------------------------

bool SimDesktop::ClickButton(HWND dialog, int id) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  HWND button = GetDlgItem(dialog, id);
  Window* b = s.Find(button);
  if (d == nullptr || b == nullptr || !b->Enabled() || !d->Enabled()) return false;
  const DWORD type = b->style & BS_TYPEMASK;
  if (type == BS_AUTOCHECKBOX) {
    b->check = b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  } else if (type == kBsAuto3State) {
    b->check = (b->check + 1) % 3;
  } else if (type == kBsAutoRadioButton) {
    // Clears the other automatic radio buttons of its group.
    auto& cs = d->controls;
    auto at = std::find(cs.begin(), cs.end(), button);
    auto first = at;
    while (first != cs.begin()) {
      Window* cw = s.Find(*first);
      if (cw != nullptr && (cw->style & kWsGroup)) break;
      --first;
    }
    for (auto it = first; it != cs.end(); ++it) {
      Window* cw = s.Find(*it);
      if (cw == nullptr) continue;
      if (it != first && (cw->style & kWsGroup)) break;
      if ((cw->style & BS_TYPEMASK) == kBsAutoRadioButton) cw->check = BST_UNCHECKED;
    }
    b->check = BST_CHECKED;
  }
  LRESULT r = 0;
  s.Deliver(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
          reinterpret_cast<LPARAM>(button), &r);
  Pump();
  return true;
}

bool SimDesktop::SelectListItems(HWND dialog, int listId, const std::vector<int>& indices) {
  State& s = *s_;
  HWND list = GetDlgItem(dialog, listId);
  Window* lv = s.ListView(list);
  if (lv == nullptr || !lv->Enabled()) return false;
  std::vector<int> wanted = indices;
  if ((lv->style & kLvsSingleSel) && wanted.size() > 1) wanted = {wanted.back()};
  for (int i : wanted)
    if (!ValidItem(*lv, i)) return false;
  const int focus = wanted.empty() ? -1 : wanted.back();
  std::vector<UINT> target(lv->items.size());
  for (size_t i = 0; i < lv->items.size(); ++i) {
    UINT st = lv->items[i].state & ~(LVIS_SELECTED | LVIS_FOCUSED);
    if (std::find(wanted.begin(), wanted.end(), static_cast<int>(i)) != wanted.end())
      st |= LVIS_SELECTED;
    if (static_cast<int>(i) == focus) st |= LVIS_FOCUSED;
    // Without a new focus item the old one keeps the focus.
    if (focus == -1) st |= lv->items[i].state & LVIS_FOCUSED;
    target[i] = st;
  }
  // Items that lose their state first, then those that gain, the focused
  // one last, as a click reports them.
  std::vector<int> order;
  for (size_t i = 0; i < target.size(); ++i)
    if ((lv->items[i].state & ~target[i]) & (LVIS_SELECTED | LVIS_FOCUSED))
      order.push_back(static_cast<int>(i));
  for (size_t i = 0; i < target.size(); ++i)
    if (std::find(order.begin(), order.end(), static_cast<int>(i)) == order.end() &&
        target[i] != lv->items[i].state && static_cast<int>(i) != focus)
      order.push_back(static_cast<int>(i));
  if (focus >= 0 && std::find(order.begin(), order.end(), focus) == order.end() &&
      target[static_cast<size_t>(focus)] != lv->items[static_cast<size_t>(focus)].state)
    order.push_back(focus);
  for (int i : order) {
    lv = s.ListView(list);
    if (lv == nullptr) return true;
    if (!ValidItem(*lv, i) || static_cast<size_t>(i) >= target.size()) continue;
    ListItem& item = lv->items[static_cast<size_t>(i)];
    const UINT old = item.state;
    const UINT now = (old & ~(LVIS_SELECTED | LVIS_FOCUSED)) |
                     (target[static_cast<size_t>(i)] & (LVIS_SELECTED | LVIS_FOCUSED));
    if (now == old) continue;
    item.state = now;
    s.NotifyItemChanged(list, i, old, now, LVIF_STATE, item.param);
  }
  Pump();
  return true;
}

bool SimDesktop::DoubleClickListItem(HWND dialog, int listId, int index) {
  State& s = *s_;
  HWND list = GetDlgItem(dialog, listId);
  Window* lv = s.ListView(list);
  if (lv == nullptr || !lv->Enabled()) return false;
  if (index != -1 && !ValidItem(*lv, index)) return false;
  if (!SelectListItems(dialog, listId, index == -1 ? std::vector<int>{} : std::vector<int>{index}))
    return false;
  lv = s.ListView(list);
  if (lv == nullptr) return true;
  NMITEMACTIVATE nm{};
  nm.hdr.hwndFrom = list;
  nm.hdr.idFrom = static_cast<UINT_PTR>(lv->controlId);
  nm.hdr.code = NM_DBLCLK;
  nm.iItem = index;
  nm.iSubItem = 0;
  nm.ptAction = {10, 10};
  if (index >= 0) nm.uNewState = nm.uOldState = lv->items[static_cast<size_t>(index)].state;
  LRESULT r = 0;
  s.Deliver(dialog, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm), &r);
  Pump();
  return true;
}

bool SimDesktop::TypeText(HWND dialog, int id, const std::string& textUtf8) {
  State& s = *s_;
  HWND edit = GetDlgItem(dialog, id);
  Window* e = s.Find(edit);
  if (e == nullptr || !e->Enabled()) return false;
  e->caption = Utf8ToAnsi(textUtf8);
  LRESULT r = 0;
  s.Deliver(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), kEnChange),
          reinterpret_cast<LPARAM>(edit), &r);
  Pump();
  return true;
}

void SimDesktop::PressEnter(HWND dialog) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->Enabled()) return;
  int id = IDOK;
  HWND button = nullptr;
  for (HWND c : d->controls) {
    Window* cw = s.Find(c);
    if (cw != nullptr && EqualsNoCaseAscii(cw->className, "Button") &&
        (cw->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      if (!cw->Enabled()) return;  // a disabled default button ignores Enter
      id = cw->controlId;
      button = c;
      break;
    }
  }
  if (button == nullptr) button = GetDlgItem(dialog, IDOK);
  LRESULT r = 0;
  s.Deliver(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
          reinterpret_cast<LPARAM>(button), &r);
  Pump();
}

void SimDesktop::PressEscape(HWND dialog) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->Enabled()) return;
  HWND button = nullptr;
  for (HWND c : d->controls) {
    Window* cw = s.Find(c);
    if (cw != nullptr && cw->controlId == IDCANCEL) button = c;
  }
  LRESULT r = 0;
  s.Deliver(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
          reinterpret_cast<LPARAM>(button), &r);
  Pump();
}

void SimDesktop::PressCloseBox(HWND dialog) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->Enabled()) return;
  LRESULT r = 0;
  s.Deliver(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, &r);
  Pump();
}

std::string SimDesktop::DialogTitleUtf8(HWND dialog) const {
  const Window* d = s_->Find(dialog);
  return d != nullptr ? const_cast<SimDesktop*>(this)->AnsiToUtf8(d->caption) : std::string();
}

// ---- shell -------------------------------------------------------------------------------------

INT_PTR SimDesktop::ShellExecuteA(HWND owner, const char* verb, const char* file,
                                  const char* parameters, const char* directory, int show) {
  (void)owner;
  (void)verb;
  (void)parameters;
  (void)directory;
  (void)show;
  if (file == nullptr) return 2;  // SE_ERR_FNF
  s_->shellOpened.emplace_back(file);
  return 42;  // above 32: success
}

const std::vector<std::string>& SimDesktop::ShellOpened() const { return s_->shellOpened; }

// ---- code page ---------------------------------------------------------------------------------

BOOL SimDesktop::IsDBCSLeadByte(BYTE b) { return s_->IsLead(b) ? TRUE : FALSE; }

std::string SimDesktop::AnsiToUtf8(const std::string& ansi) {
  return Convert("UTF-8", "CP932", ansi, false);
}

std::string SimDesktop::Utf8ToAnsi(const std::string& utf8) {
  return Convert("CP932", "UTF-8", utf8, true);
}

// ---- files and folders -------------------------------------------------------------------------

DWORD SimDesktop::GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buffer, DWORD size,
                                           const char* fileName) {
  return s_->files.GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

UINT SimDesktop::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                       const char* fileName) {
  return s_->files.GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

BOOL SimDesktop::WritePrivateProfileStringA(const char* section, const char* key,
                                            const char* value, const char* fileName) {
  return s_->files.WritePrivateProfileStringA(section, key, value, fileName);
}

DWORD SimDesktop::GetLastError() { return s_->files.GetLastError(); }
void SimDesktop::SetLastError(DWORD code) { s_->files.SetLastError(code); }
std::string SimDesktop::FormatMessageA(DWORD code) { return s_->files.FormatMessageA(code); }

BOOL SimDesktop::SHGetSpecialFolderPathA(HWND owner, char* buffer, int csidl, BOOL create) {
  (void)owner;
  return s_->files.SHGetSpecialFolderPathA(buffer, csidl, create);
}

BOOL SimDesktop::FileExists(const std::string& path) { return s_->files.FileExists(path); }
BOOL SimDesktop::CreateDirectoryA(const std::string& path) { return s_->files.CreateDirectoryA(path); }
DWORD SimDesktop::GetModuleFileNameA(char* buffer, DWORD size) {
  return s_->files.GetModuleFileNameA(buffer, size);
}
BOOL SimDesktop::ReadFileBytes(const std::string& path, std::string* bytes) {
  return s_->files.ReadFileBytes(path, bytes);
}
BOOL SimDesktop::WriteFileBytes(const std::string& path, const std::string& bytes) {
  return s_->files.WriteFileBytes(path, bytes);
}
BOOL SimDesktop::MoveFileReplaceA(const std::string& from, const std::string& to) {
  return s_->files.MoveFileReplaceA(from, to);
}
BOOL SimDesktop::DeleteFileA(const std::string& path) { return s_->files.DeleteFileA(path); }

std::string SimDesktop::HostPath(const std::string& windowsPath) const {
  return s_->files.HostPath(windowsPath);
}
void SimDesktop::SetSpecialFolder(const std::string& path, bool fails) {
  s_->files.SetSpecialFolder(path, fails);
}
void SimDesktop::SetModuleFileName(const std::string& path) { s_->files.SetModuleFileName(path); }
void SimDesktop::FailNextWriteAfter(long bytes) { s_->files.FailNextWriteAfter(bytes); }
void SimDesktop::FailMoves(bool fail) { s_->files.FailMoves(fail); }
void SimDesktop::SetReadOnly(const std::string& windowsPath, bool readOnly) {
  s_->files.SetReadOnly(windowsPath, readOnly);
}

}  // namespace mm::sim
