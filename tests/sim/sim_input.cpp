// Input the test gives (keys, the cursor), timers driven by the test's
// clock, and the message loop.
#include <algorithm>

#include "tests/sim/sim_state.h"

namespace mm::sim {

// ---- keys and the cursor ---------------------------------------------------------------

SHORT SimDesktop::GetKeyState(int virtualKey) {
  return s_->keysDown.count(virtualKey) ? static_cast<SHORT>(-128) : static_cast<SHORT>(0);
}

SHORT SimDesktop::GetAsyncKeyState(int virtualKey) {
  const bool down = s_->keysDown.count(virtualKey) || s_->keysDownElsewhere.count(virtualKey);
  return down ? static_cast<SHORT>(-32768) : static_cast<SHORT>(0);
}

void SimDesktop::SetKeyDown(int virtualKey, bool down) {
  if (down) {
    s_->keysDown.insert(virtualKey);
  } else {
    s_->keysDown.erase(virtualKey);
  }
}

void SimDesktop::HoldHotKeyElsewhere(UINT modifiers, UINT virtualKey, bool held) {
  const auto combination = std::make_pair(modifiers & ~MOD_NOREPEAT, virtualKey);
  if (held) {
    s_->hotKeysElsewhere.insert(combination);
  } else {
    s_->hotKeysElsewhere.erase(combination);
  }
}

bool SimDesktop::PressHotKey(UINT modifiers, UINT virtualKey) {
  modifiers &= ~MOD_NOREPEAT;
  for (const RegisteredHotKey& key : s_->hotKeys) {
    if (key.modifiers != modifiers || key.virtualKey != virtualKey) continue;
    PostMessageA(key.hwnd, WM_HOTKEY, static_cast<WPARAM>(key.id),
                 static_cast<LPARAM>(modifiers | virtualKey << 16));
    Pump();
    return true;
  }
  return false;
}

std::vector<std::pair<int, std::pair<UINT, UINT>>> SimDesktop::RegisteredHotKeys() const {
  std::vector<std::pair<int, std::pair<UINT, UINT>>> keys;
  for (const RegisteredHotKey& key : s_->hotKeys) {
    keys.push_back({key.id, {key.modifiers, key.virtualKey}});
  }
  return keys;
}

BOOL SimDesktop::RegisterHotKey(HWND hWnd, int id, UINT modifiers, UINT virtualKey) {
  State& s = *s_;
  const Window* w = s.Find(hWnd);
  if (w == nullptr || !s.Ours(*w)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  modifiers &= ~MOD_NOREPEAT;
  bool taken = s.hotKeysElsewhere.count({modifiers, virtualKey}) != 0;
  for (const RegisteredHotKey& key : s.hotKeys) {
    if (key.modifiers == modifiers && key.virtualKey == virtualKey) taken = true;
  }
  if (taken) {
    SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
    return FALSE;
  }
  s.hotKeys.push_back({hWnd, id, modifiers, virtualKey});
  return TRUE;
}

BOOL SimDesktop::UnregisterHotKey(HWND hWnd, int id) {
  auto& keys = s_->hotKeys;
  const auto before = keys.size();
  keys.erase(std::remove_if(keys.begin(), keys.end(),
                            [&](const RegisteredHotKey& key) { return key.hwnd == hWnd && key.id == id; }),
             keys.end());
  if (keys.size() == before) {
    SetLastError(1419);  // ERROR_HOTKEY_NOT_REGISTERED
    return FALSE;
  }
  return TRUE;
}

std::string SimDesktop::KeyNameU8(UINT virtualKey) {
  // The names of a US layout, as the system's table gives them.
  switch (virtualKey) {
    case VK_CONTROL: return "Ctrl";
    case VK_SHIFT: return "Shift";
    case VK_MENU: return "Alt";
    case VK_UP: return "Up";
    case VK_DOWN: return "Down";
    case VK_LEFT: return "Left";
    case 0x27: return "Right";
    case VK_HOME: return "Home";
    case VK_END: return "End";
    case VK_INSERT: return "Insert";
    case VK_DELETE: return "Delete";
    case 0x20: return "Space";
    default: break;
  }
  if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
    return std::string(1, static_cast<char>(virtualKey));
  if (virtualKey >= static_cast<UINT>(VK_F1) && virtualKey < static_cast<UINT>(VK_F1) + 24)
    return "F" + std::to_string(virtualKey - VK_F1 + 1);
  return std::string();
}

void SimDesktop::SetKeyDownElsewhere(int virtualKey, bool down) {
  if (down) {
    s_->keysDownElsewhere.insert(virtualKey);
  } else {
    s_->keysDownElsewhere.erase(virtualKey);
  }
}

BOOL SimDesktop::GetCursorPos(POINT* point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *point = s_->cursor;
  return TRUE;
}

void SimDesktop::MoveCursor(POINT at) { s_->cursor = at; }

// ---- timers and the loop ----------------------------------------------------------------

UINT_PTR SimDesktop::SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs) {
  State& s = *s_;
  Window* w = s.Find(hWnd);
  if (w == nullptr || !s.Ours(*w)) {
    // Timers belong to windows of the calling thread.
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  UINT period = std::max(elapseMs, USER_TIMER_MINIMUM);
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
    s.Send(h, WM_TIMER, id, 0);
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

}  // namespace mm::sim
