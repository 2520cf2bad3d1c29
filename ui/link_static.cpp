#include "ui/link_static.h"

#include "platform/text.h"
#include "platform/window_text.h"
#include "ui/dialog.h"

namespace mm {

namespace {

// Mouse positions in lParam are signed: left of or above the label they
// are negative.
POINT PointOf(LPARAM lParam) {
  const auto v = static_cast<std::uintptr_t>(lParam);
  return POINT{static_cast<SHORT>(LOWORD(v)), static_cast<SHORT>(HIWORD(v))};
}

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// A colon as a character of its own: the second byte of a double-byte
// character is never taken for one.
bool HasColon(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); i += CharBytes(text, i)) {
    if (text[i] == ':') return true;
  }
  return false;
}

}  // namespace

void CLinkStatic::OnAttached() { Os().SetLinkLook(Hwnd(), colour_); }

bool CLinkStatic::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
  switch (msg) {
    case WM_MOUSEMOVE:
      OnMouseMove(PointOf(lParam));
      break;
    case WM_LBUTTONDOWN:
      pressed_ = 1;
      break;
    case WM_LBUTTONUP:
      OnLButtonUp(PointOf(lParam));
      break;
    default:
      break;
  }
  // The static's own processing runs for every message.
  return false;
}

void CLinkStatic::OnMouseMove(POINT at) {
  if (Os().GetCapture() == nullptr) {
    // The pointer has come over the label: keep hearing it until it leaves.
    SetColour(kHotColour);
    Os().SetCapture(Hwnd());
  }
  // While the button is held the label keeps the capture and its colour.
  if (!InClient(at) && pressed_ == 0) {
    SetColour(kNormalColour);
    Os().ReleaseCapture();
  }
}

void CLinkStatic::OnLButtonUp(POINT at) {
  if (pressed_ == 0) return;
  // Cleared first: the shell may run a message loop while it opens the
  // target, and a second release must not open it again.
  pressed_ = 0;
  Os().ReleaseCapture();
  if (!InClient(at)) {
    SetColour(kNormalColour);
    return;
  }
  Open();
  // Still over the label, it stays orange until the pointer leaves.
  RECT window{};
  POINT cursor{};
  if (Os().GetWindowRect(Hwnd(), &window) && Os().GetCursorPos(&cursor) &&
      !Contains(window, cursor)) {
    SetColour(kNormalColour);
  }
}

void CLinkStatic::Open() {
  if (target_.empty()) target_ = WindowCaption(Hwnd());
  // Without a scheme the text is taken for a mail address. A target that
  // got the prefix has a colon from then on and is not prefixed again.
  if (!HasColon(target_)) target_.insert(0, "mailto:");
  Os().ShellExecuteA(nullptr, "open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CLinkStatic::SetColour(COLORREF colour) {
  colour_ = colour;
  Os().SetLinkLook(Hwnd(), colour_);
}

bool CLinkStatic::InClient(POINT at) const {
  RECT client{};
  return Os().GetClientRect(Hwnd(), &client) && Contains(client, at);
}

}  // namespace mm
