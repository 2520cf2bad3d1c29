// The mouse: capture, coordinates, the window under a point, the cursor,
// and the user's button presses and moves.
//
// A window's client area is its whole rectangle (no frame is modelled);
// children keep their rectangles in their parent's client area.
#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsChild(const Window& w) { return w.IsControl() || (w.style & WS_CHILD) != 0; }

// Statics without SS_NOTIFY and group boxes answer HTTRANSPARENT: the mouse
// goes through them to their parent.
bool LetsMouseThrough(const Window& w) {
  if (std::holds_alternative<StaticControl>(w.control)) return (w.style & SS_NOTIFY) == 0;
  if (std::holds_alternative<ButtonControl>(w.control)) {
    return (w.style & BS_TYPEMASK) == BS_GROUPBOX;
  }
  return false;
}

LPARAM PointParam(POINT p) {
  return static_cast<LPARAM>(MAKEWPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

}  // namespace

POINT SimDesktop::State::ClientOrigin(const Window& w) const {
  POINT origin{w.rect.left, w.rect.top};
  if (IsChild(w)) {
    if (const Window* parent = Find(w.owner)) {
      const POINT p = ClientOrigin(*parent);
      origin.x += p.x;
      origin.y += p.y;
    }
  }
  return origin;
}

HWND SimDesktop::State::HitTest(POINT screen) const {
  for (HWND top : zorder) {
    const Window* w = Find(top);
    if (w == nullptr || !w->Visible() || w->Minimized() || !Contains(w->rect, screen)) continue;
    // Down through the children under the point, last created on top.
    HWND found = top;
    for (bool deeper = true; deeper;) {
      deeper = false;
      const Window* parent = Find(found);
      const POINT origin = ClientOrigin(*parent);
      const POINT local{screen.x - origin.x, screen.y - origin.y};
      HWND hit = nullptr;
      for (const auto& entry : windows) {
        const Window& c = *entry.second;
        if (c.owner != found || !IsChild(c) || !c.Visible() || !Contains(c.rect, local)) continue;
        if (LetsMouseThrough(c)) continue;
        hit = entry.first;  // handles grow with creation: the last one wins
      }
      if (hit != nullptr) {
        found = hit;
        deeper = true;
      }
    }
    return found;
  }
  return nullptr;
}

void SimDesktop::State::DeliverMouse(UINT msg, POINT screen) {
  cursor = screen;
  HWND target = capture != nullptr ? capture : HitTest(screen);
  const Window* w = Find(target);
  if (w == nullptr || !Ours(*w)) return;
  // The system asks for the cursor before it sends the move.
  if (msg == WM_MOUSEMOVE && capture == nullptr) cursorResource = 0;
  const POINT origin = ClientOrigin(*w);
  Send(target, msg, msg == WM_LBUTTONDOWN ? 1 : 0,
       PointParam(POINT{screen.x - origin.x, screen.y - origin.y}));
}

void SimDesktop::UserMouseDown(POINT at) { s_->DeliverMouse(WM_LBUTTONDOWN, at); }
void SimDesktop::UserMouseMove(POINT at) { s_->DeliverMouse(WM_MOUSEMOVE, at); }
void SimDesktop::UserMouseUp(POINT at) { s_->DeliverMouse(WM_LBUTTONUP, at); }
int SimDesktop::CurrentCursorResource() const { return s_->cursorResource; }

HWND SimDesktop::SetCapture(HWND hWnd) {
  State& s = *s_;
  const Window* w = s.Find(hWnd);
  if (w == nullptr || !s.Ours(*w)) return nullptr;
  const HWND previous = s.capture;
  s.capture = hWnd;
  if (previous != nullptr && previous != hWnd) {
    s.Send(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
  }
  return previous;
}

HWND SimDesktop::GetCapture() { return s_->capture; }

BOOL SimDesktop::ReleaseCapture() {
  State& s = *s_;
  const HWND previous = s.capture;
  s.capture = nullptr;
  // The system asks for the cursor again: the normal one comes back.
  s.cursorResource = 0;
  if (previous != nullptr) s.Send(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

BOOL SimDesktop::ClientToScreen(HWND hWnd, POINT* point) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || point == nullptr) return FALSE;
  const POINT origin = s_->ClientOrigin(*w);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL SimDesktop::ScreenToClient(HWND hWnd, POINT* point) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || point == nullptr) return FALSE;
  const POINT origin = s_->ClientOrigin(*w);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL SimDesktop::GetClientRect(HWND hWnd, RECT* rect) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || rect == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

HWND SimDesktop::WindowFromPoint(POINT point) { return s_->HitTest(point); }

HWND SimDesktop::GetParent(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (IsChild(*w)) return w->owner;
  // A top-level window: its owner, but only for a pop-up.
  return (w->style & WS_POPUP) != 0 ? w->owner : nullptr;
}

HWND SimDesktop::GetAncestor(HWND hWnd, UINT flags) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (flags == GA_PARENT) return IsChild(*w) ? w->owner : s_->desktop;
  while (IsChild(*w)) {
    const Window* parent = s_->Find(w->owner);
    if (parent == nullptr) break;
    w = parent;
  }
  if (flags == GA_ROOTOWNER) {
    // Owners up to the top; a chain that loops ends where it would repeat.
    for (int steps = 0; w->owner != nullptr && steps < 64; ++steps) {
      const Window* owner = s_->Find(w->owner);
      if (owner == nullptr) break;
      w = owner;
    }
  }
  return w->hwnd;
}

BOOL SimDesktop::SetCursorResource(int resourceId) {
  s_->cursorResource = resourceId;
  return TRUE;
}

}  // namespace mm::sim
