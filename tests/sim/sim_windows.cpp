// Top-level windows as the window manager keeps them: z-order in two bands
// (topmost and the rest), activation, show states and positions, and the
// test controls that stand for what other applications and the user do to
// their windows.
#include <algorithm>

#include "tests/sim/sim_state.h"

namespace mm::sim {

// ---- z-order -----------------------------------------------------------------------------

void SimDesktop::State::Unlink(HWND h) {
  zorder.erase(std::remove(zorder.begin(), zorder.end(), h), zorder.end());
}

size_t SimDesktop::State::BandStart() const {
  size_t i = 0;
  while (i < zorder.size()) {
    const Window* w = Find(zorder[i]);
    if (w == nullptr || !w->Topmost()) break;
    ++i;
  }
  return i;
}

void SimDesktop::State::ToTopOfBand(Window& w) {
  Unlink(w.hwnd);
  size_t at = w.Topmost() ? 0 : BandStart();
  zorder.insert(zorder.begin() + static_cast<long>(at), w.hwnd);
}

void SimDesktop::State::ToBottom(Window& w) {
  Unlink(w.hwnd);
  zorder.push_back(w.hwnd);
}

// ---- activation ------------------------------------------------------------------------------

void SimDesktop::State::Activate(Window& w) {
  active = w.hwnd;
  ToTopOfBand(w);
}

// The window loses activation (hidden, minimised, destroyed): like the
// window manager, pass it to its owner or to the next window below it.
void SimDesktop::State::ActivateOther(HWND leaving) {
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
  auto next = std::find_if(at + 1, zorder.end(), [this](HWND h) {
    const Window* n = Find(h);
    return n != nullptr && CanActivate(*n);
  });
  if (next == zorder.end()) {
    next = std::find_if(zorder.begin(), at, [this](HWND h) {
      const Window* n = Find(h);
      return n != nullptr && CanActivate(*n);
    });
    if (next == at) return;
  }
  Activate(*Find(*next));
}

// ---- show states ---------------------------------------------------------------------------------

void SimDesktop::State::Hide(Window& w) {
  if (!w.Visible()) return;
  w.style &= ~WS_VISIBLE;
  ActivateOther(w.hwnd);
}

void SimDesktop::State::Minimize(Window& w, bool activate) {
  if (!w.Minimized()) {
    w.restoreToMaximized = w.Maximized();
    w.style &= ~WS_MAXIMIZE;
    w.style |= WS_MINIMIZE;
  }
  w.style |= WS_VISIBLE;  // minimising shows a hidden window (minimised)
  if (activate) {
    active = w.hwnd;
  } else {
    ActivateOther(w.hwnd);
  }
}

void SimDesktop::State::Restore(Window& w, bool activate) {
  if (w.Minimized()) {
    w.style &= ~WS_MINIMIZE;
    if (w.restoreToMaximized) w.style |= WS_MAXIMIZE;
    w.restoreToMaximized = false;
  } else {
    w.style &= ~WS_MAXIMIZE;
  }
  w.style |= WS_VISIBLE;
  if (activate) Activate(w);
}

void SimDesktop::State::Maximize(Window& w, bool activate) {
  w.style &= ~WS_MINIMIZE;
  w.style |= WS_MAXIMIZE | WS_VISIBLE;
  w.restoreToMaximized = false;
  if (activate) Activate(w);
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
  if (!spec.programPath.empty()) s_->programPaths[spec.processId] = spec.programPath;
  w.smallIcon = spec.smallIcon;
  w.bigIcon = spec.bigIcon;
  w.classIcon = spec.classIcon;
  w.classSmallIcon = spec.classSmallIcon;
  w.closesOnWmClose = spec.closesOnWmClose;
  LONG n = static_cast<LONG>(s_->windows.size() % 20);
  w.rect = {100 + 20 * n, 80 + 20 * n, 740 + 20 * n, 560 + 20 * n};
  if (spec.rect.right > spec.rect.left) w.rect = spec.rect;
  if (spec.parent != nullptr) {
    // A child lives in its parent's client area, outside the z-order of
    // top-level windows.
    w.style |= WS_CHILD;
    w.owner = spec.parent;
    return w.hwnd;
  }
  w.owner = spec.owner;
  s_->ToTopOfBand(w);
  return w.hwnd;
}

void SimDesktop::CloseWindow(HWND hWnd) { s_->DestroyTree(hWnd); }

void SimDesktop::SetCaption(HWND hWnd, const std::string& caption) {
  if (Window* w = s_->Find(hWnd)) {
    w->caption = caption;
    w->titleUtf8.reset();
  }
}

void SimDesktop::SetCaptionUtf8(HWND hWnd, const std::string& titleUtf8) {
  if (Window* w = s_->Find(hWnd)) {
    w->caption = Utf8ToAnsi(titleUtf8);
    w->titleUtf8 = titleUtf8;
  }
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

void SimDesktop::WhileAnswering(HWND hWnd, UINT msg, std::function<void()> meanwhile) {
  if (Window* w = s_->Find(hWnd)) w->whileAnswering[msg] = std::move(meanwhile);
}

void SimDesktop::UserMinimize(HWND hWnd) {
  if (s_->TopLevel(hWnd) != nullptr) s_->Send(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump();
}

void SimDesktop::UserRestore(HWND hWnd) {
  if (s_->TopLevel(hWnd) != nullptr) s_->Send(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
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

// ---- windows of any process ------------------------------------------------------------

BOOL SimDesktop::IsWindow(HWND hWnd) { return s_->Find(hWnd) != nullptr; }

BOOL SimDesktop::IsWindowVisible(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || !w->Visible()) return FALSE;
  if (w->IsControl()) {
    const Window* parent = s_->Find(w->owner);
    return parent != nullptr && parent->Visible();
  }
  return TRUE;
}

BOOL SimDesktop::IsIconic(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  return w != nullptr && w->Minimized();
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
  Window* w = s.Changeable(hWnd);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = w->Visible() ? TRUE : FALSE;
  s.WaitFor(*w, "ShowWindow");
  if (w->IsControl()) {
    if (cmd != SW_HIDE) {
      w->style |= WS_VISIBLE;
    } else if (wasVisible) {
      w->style &= ~WS_VISIBLE;
      // The focus goes back to the dialog, as it does from a hidden window.
      if (s.focus == hWnd) s.MoveFocus(w->owner);
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
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  return wasVisible;
}

BOOL SimDesktop::ShowWindowAsync(HWND hWnd, int cmd) {
  State& s = *s_;
  Window* w = s.Changeable(hWnd);
  if (w == nullptr) return FALSE;
  // An application that answers at once has done it before this returns.
  if (s.Ours(*w) || (!w->hung && !w->defersAsync)) {
    ShowWindow(hWnd, cmd);
    return TRUE;
  }
  s.queue.push_back({hWnd, WM_NULL, 0, 0, -1, [this, hWnd, cmd] { ShowWindow(hWnd, cmd); }});
  return TRUE;
}

BOOL SimDesktop::SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy,
                              UINT flags) {
  State& s = *s_;
  Window* w = s.TopLevel(hWnd);
  if (w != nullptr && s.Refuses(*w)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w == nullptr) {
    if (Window* c = s.Find(hWnd); c != nullptr && c->IsControl()) return TRUE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
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
    } else if (insertAfter == HWND_BOTTOM) {
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
  if (w == nullptr || !w->Enabled()) return FALSE;
  // A hidden window of ours may take the foreground (a tray program's menu
  // needs its hidden window in front); another program's must be shown.
  if (!w->Visible() && !s_->Ours(*w)) return FALSE;
  s_->Activate(*w);
  return TRUE;
}

HWND SimDesktop::GetForegroundWindow() { return s_->active; }


}  // namespace mm::sim
