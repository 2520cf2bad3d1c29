// Controls of our dialogs with a host of ours (a link label): their messages
// reach the host first, and their look is only recorded.
#include "tests/sim/sim_state.h"

namespace mm::sim {

BOOL SimDesktop::HostControl(HWND control, DialogHost* host) {
  State& s = *s_;
  Window* w = s.Find(control);
  if (w == nullptr || !s.Ours(*w) || !w->IsControl()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->host = host;
  return TRUE;
}

BOOL SimDesktop::SetLinkLook(HWND control, COLORREF textColour) {
  State& s = *s_;
  Window* w = s.Find(control);
  if (w == nullptr || !s.Ours(*w) || !std::holds_alternative<StaticControl>(w->control)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  s.linkLooks[control] = textColour;
  return TRUE;
}

bool SimDesktop::LinkLook(HWND control, COLORREF* textColour) const {
  auto it = s_->linkLooks.find(control);
  if (it == s_->linkLooks.end()) return false;
  if (textColour != nullptr) *textColour = it->second;
  return true;
}

}  // namespace mm::sim
