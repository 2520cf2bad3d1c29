// The simulated desktop's core: the window table, message delivery, the
// window life cycle, posted and sent messages, and the pump.
#include "tests/sim/sim_desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

constexpr int kMaxDeliveriesPerPump = 1000000;

}  // namespace

SimDesktop::State::State(SimDesktop& owner, const std::string& root) : desk(owner), files(root) {}

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
  // Read once a process: every desktop of a test program shares it.
  static const auto builtIn = std::make_shared<const ResourceScript>(
      ReadResourceScript(EmbeddedResourceFiles().at("morimo.rc"), EmbeddedResourceFiles()));
  s_->script = builtIn;
}

SimDesktop::~SimDesktop() = default;

// ---- the window table ------------------------------------------------------------------

Window* SimDesktop::State::Find(HWND h) {
  auto it = windows.find(h);
  return it == windows.end() ? nullptr : it->second.get();
}

const Window* SimDesktop::State::Find(HWND h) const {
  auto it = windows.find(h);
  return it == windows.end() ? nullptr : it->second.get();
}

Window* SimDesktop::State::TopLevel(HWND h) {
  Window* w = Find(h);
  return w != nullptr && !w->IsControl() && !(w->style & WS_CHILD) && h != desktop ? w : nullptr;
}

Window* SimDesktop::State::Changeable(HWND h) {
  Window* w = Find(h);
  if (w != nullptr && Refuses(*w)) {
    desk.SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (w != nullptr && h != desktop) return w;
  desk.SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

void SimDesktop::State::WaitFor(const Window& w, const char* call) const {
  if (Ours(w) || !w.hung) return;
  std::fprintf(stderr, "SimDesktop: %s on a hung application's window blocks for ever\n", call);
  std::abort();
}

Window& SimDesktop::State::Create() {
  auto w = std::make_unique<Window>();
  w->hwnd = reinterpret_cast<HWND>(nextHandle);
  nextHandle += 4;
  Window& ref = *w;
  windows[ref.hwnd] = std::move(w);
  return ref;
}

// ---- message delivery ---------------------------------------------------------------
//
// A message reaches a window of ours through its DialogHost; what the host
// does not handle, and every message to another application's window, gets
// the default processing of DefWindowProc / DefDlgProc below, and a
// control's message its control's own processing.

LRESULT SimDesktop::State::CallHost(DialogHost* host, HWND h, UINT msg, WPARAM wParam,
                                    LPARAM lParam, bool* handled) {
  LRESULT result = 0;
  *handled = false;
  try {
    *handled = host->HandleDialogMessage(h, msg, wParam, lParam, &result);
  } catch (const std::exception& e) {
    ++droppedExceptions;
    std::fprintf(stderr, "SimDesktop: exception escaped a dialog (message 0x%X): %s\n", msg,
                 e.what());
    *handled = true;
  } catch (...) {
    ++droppedExceptions;
    std::fprintf(stderr, "SimDesktop: exception escaped a dialog (message 0x%X)\n", msg);
    *handled = true;
  }
  return result;
}

LRESULT SimDesktop::State::DefaultProcessing(Window& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (w.IsControl()) return ControlMessage(w, msg, wParam, lParam);
  switch (msg) {
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          Minimize(w, false);
          return 0;
        case SC_RESTORE:
          if (w.Minimized() || w.Maximized()) Restore(w, true);
          return 0;
        case SC_MAXIMIZE:
          Maximize(w, true);
          return 0;
        case SC_CLOSE:
          Send(w.hwnd, WM_CLOSE, 0, 0);
          return 0;
        default:
          return 0;
      }
    case WM_CLOSE:
      if (w.isDialog) {
        // A dialog turns its close box into the cancel command, posted; a
        // disabled Cancel button keeps the dialog open.
        HWND cancel = nullptr;
        for (HWND c : w.controls) {
          Window* cw = Find(c);
          if (cw != nullptr && cw->controlId == IDCANCEL) cancel = c;
        }
        const Window* cw = Find(cancel);
        if (cw == nullptr || cw->Enabled())
          queue.push_back({w.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(cancel), -1});
      } else if (w.closesOnWmClose) {
        DestroyTree(w.hwnd);
      }
      return 0;
    case WM_GETICON:
      switch (wParam) {
        case ICON_SMALL:
          return reinterpret_cast<LRESULT>(w.smallIcon);
        case ICON_BIG:
          return reinterpret_cast<LRESULT>(w.bigIcon);
        case ICON_SMALL2:
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
  *result = 0;
  // Only this delivery is another program's send; whatever its handler
  // sends or dispatches in turn comes from our own thread.
  const bool fromOtherThread = nextFromOtherThread;
  nextFromOtherThread = false;
  Window* w = Find(h);
  if (w == nullptr) return false;
  if (w->host != nullptr) {
    bool handled = false;
    const bool outer = sentByOtherThread;
    sentByOtherThread = fromOtherThread;
    LRESULT r = CallHost(w->host, h, msg, wParam, lParam, &handled);
    sentByOtherThread = outer;
    if (handled) {
      *result = r;
      return true;
    }
    w = Find(h);  // the handler may have destroyed it
    if (w == nullptr) return true;
  }
  *result = DefaultProcessing(*w, msg, wParam, lParam);
  return true;
}

LRESULT SimDesktop::State::Send(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  Deliver(h, msg, wParam, lParam, &r);
  return r;
}

// ---- the window life cycle -------------------------------------------------------------

void SimDesktop::State::DestroyTree(HWND h) {
  Window* w = Find(h);
  if (w == nullptr || h == desktop) return;
  // Owned windows go first, as the window manager destroys them.
  std::vector<HWND> owned;
  for (const auto& entry : windows)
    if (!entry.second->IsControl() && entry.second->owner == h) owned.push_back(entry.first);
  for (HWND o : owned) DestroyTree(o);
  w = Find(h);
  if (w == nullptr) return;
  if (!w->IsControl()) {
    w->style &= ~WS_VISIBLE;
    ActivateOther(h);
  }
  if (w->host != nullptr) {
    DialogHost* host = w->host;
    bool handled = false;
    CallHost(host, h, WM_DESTROY, 0, 0, &handled);
    w = Find(h);
    if (w == nullptr) return;
    w->host = nullptr;  // nothing reaches the host after WM_DESTROY
  }
  const std::vector<HWND> controls = w->controls;
  for (HWND c : controls) DestroyControl(c);
  if (focus == h) focus = nullptr;
  if (capture == h) capture = nullptr;
  if (w->systemMenu != nullptr) menus.erase(w->systemMenu);
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [h](const Timer& t) { return t.hwnd == h; }),
               timers.end());
  Unlink(h);
  if (active == h) active = nullptr;
  windows.erase(h);
}

void SimDesktop::State::DestroyControl(HWND h) {
  Window* w = Find(h);
  if (w == nullptr) return;
  // A control with a host of ours hears of its end; WM_NCDESTROY is the last.
  if (w->host != nullptr) {
    DialogHost* host = w->host;
    bool handled = false;
    CallHost(host, h, WM_DESTROY, 0, 0, &handled);
    CallHost(host, h, WM_NCDESTROY, 0, 0, &handled);
    w = Find(h);
    if (w == nullptr) return;
    w->host = nullptr;
  }
  linkLooks.erase(h);
  if (capture == h) capture = nullptr;  // a window that goes lets the mouse go
  // A list view takes its image lists with it unless they are shared.
  if (auto* lv = std::get_if<ListViewControl>(&w->control); lv && !(w->style & LVS_SHAREIMAGELISTS)) {
    for (HIMAGELIST list : lv->imageLists)
      if (list != nullptr) DestroyImageList(list);
  }
  if (Window* parent = Find(w->owner)) {
    auto& cs = parent->controls;
    cs.erase(std::remove(cs.begin(), cs.end(), h), cs.end());
  }
  if (focus == h) focus = nullptr;
  windows.erase(h);
}

BOOL SimDesktop::DestroyWindow(HWND hWnd) {
  State& s = *s_;
  Window* w = s.Changeable(hWnd);
  if (w == nullptr) return FALSE;
  if (!s.Ours(*w)) {
    SetLastError(ERROR_ACCESS_DENIED);  // another program's window
    return FALSE;
  }
  if (w->IsControl()) {
    s.DestroyControl(hWnd);
  } else {
    s.DestroyTree(hWnd);
  }
  return TRUE;
}

// ---- sent and posted messages --------------------------------------------------------------

BOOL SimDesktop::SendMessageTimeoutA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                     UINT flags, UINT timeoutMs, DWORD_PTR* result) {
  (void)flags;
  (void)timeoutMs;
  State& s = *s_;
  if (result != nullptr) *result = 0;
  Window* w = s.Find(hWnd);
  if (w != nullptr && s.Refuses(*w)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool foreign = !s.Ours(*w);
  if (foreign && w->hung) {
    s.history.push_back({hWnd, msg, wParam, lParam, false, false});
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
  }
  if (foreign) s.history.push_back({hWnd, msg, wParam, lParam, false, true});
  auto meanwhile = w->whileAnswering.find(msg);
  if (meanwhile != w->whileAnswering.end()) {
    std::function<void()> action = std::move(meanwhile->second);
    w->whileAnswering.erase(meanwhile);
    action();
    if (s.Find(hWnd) == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  const LRESULT r = s.Send(hWnd, msg, wParam, lParam);
  if (result != nullptr) *result = static_cast<DWORD_PTR>(r);
  return TRUE;
}

std::vector<bool> SimDesktop::ProgramsAnswer(const std::vector<HWND>& windows, UINT) {
  // All asked at once: the bound is waited for once, whatever hangs.
  State& s = *s_;
  std::vector<bool> answers;
  for (HWND hWnd : windows) {
    const Window* w = s.Find(hWnd);
    const bool ok = w != nullptr && !(w->hung && !s.Ours(*w));
    if (w != nullptr) s.history.push_back({hWnd, WM_NULL, 0, 0, false, ok});
    answers.push_back(ok);
  }
  return answers;
}

BOOL SimDesktop::PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = *s_;
  if (hWnd == HwndBroadcast()) {
    // Every top-level window gets it, hidden ones too.
    const std::vector<HWND> all = s.zorder;
    for (HWND h : all) PostMessageA(h, msg, wParam, lParam);
    return TRUE;
  }
  Window* w = s.Changeable(hWnd);
  if (w == nullptr) return FALSE;
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
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!s.Ours(*w)) {
    // An unbounded send to another program: if it hangs, so would we.
    s.WaitFor(*w, "SendMessageToOwnWindow");
    s.history.push_back({hWnd, msg, wParam, lParam, false, true});
  }
  return s.Send(hWnd, msg, wParam, lParam);
}

BOOL SimDesktop::InSendMessage() { return s_->sentByOtherThread ? TRUE : FALSE; }

LRESULT SimDesktop::SendFromOtherProgram(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = *s_;
  s.nextFromOtherThread = true;
  return s.Send(hWnd, msg, wParam, lParam);
}

// ---- test controls: messages ------------------------------------------------------------------

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
    if (s.Find(p.hwnd) == nullptr) continue;  // the window went while the message waited
    if (p.historyIndex >= 0) s.history[static_cast<size_t>(p.historyIndex)].answered = true;
    if (p.action) {
      p.action();
      continue;
    }
    s.Send(p.hwnd, p.msg, p.wParam, p.lParam);
  }
}

const std::vector<MessageRecord>& SimDesktop::History() const { return s_->history; }

void SimDesktop::ClearHistory() {
  s_->history.clear();
  for (auto& p : s_->queue) p.historyIndex = -1;
}

int SimDesktop::PendingMessages(HWND hWnd) const {
  return static_cast<int>(std::count_if(s_->queue.begin(), s_->queue.end(),
                                        [hWnd](const Posted& p) { return p.hwnd == hWnd; }));
}

int SimDesktop::DroppedExceptions() const { return s_->droppedExceptions; }

}  // namespace mm::sim
