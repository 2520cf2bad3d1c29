// The notification area (icons by owner and id, with failure knobs and a
// restart), the icons of windows and of our own resources, and registered
// messages.
#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "tests/sim/sim_state.h"

namespace mm::sim {

// ---- test controls ----------------------------------------------------------------------------

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

// ---- the tray ---------------------------------------------------------------------------

BOOL SimDesktop::Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
  State& s = *s_;
  if (data == nullptr) return FALSE;
  TrayCallRecord call{message, data->hWnd, data->uID, data->uFlags, false};
  auto record = [&](BOOL ok) {
    call.succeeded = ok != FALSE;
    s.trayCalls.push_back(call);
    return ok;
  };
  if (data->cbSize != sizeof(NOTIFYICONDATAW)) return record(FALSE);
  auto it = std::find_if(s.tray.begin(), s.tray.end(), [&](const TrayIconRecord& r) {
    return r.owner == data->hWnd && r.id == data->uID;
  });
  auto apply = [&](TrayIconRecord& r) {
    if (data->uFlags & NIF_MESSAGE) r.callbackMessage = data->uCallbackMessage;
    if (data->uFlags & NIF_ICON) r.icon = data->hIcon;
    if (data->uFlags & NIF_TIP) {
      // The shell reads at most the field, whatever its terminator.
      std::u16string_view tip(data->szTip, std::size(data->szTip) - 1);
      r.tip = Utf16ToUtf8(tip.substr(0, std::min(tip.size(), tip.find(u'\0'))));
    }
    if (data->uFlags & NIF_INFO) {
      std::u16string_view title(data->szInfoTitle, std::size(data->szInfoTitle) - 1);
      std::u16string_view text(data->szInfo, std::size(data->szInfo) - 1);
      r.balloonTitle = Utf16ToUtf8(title.substr(0, std::min(title.size(), title.find(u'\0'))));
      r.balloon = Utf16ToUtf8(text.substr(0, std::min(text.size(), text.find(u'\0'))));
    }
  };
  // A failure knob set for this kind of call takes the call.
  auto knobFails = [](int& count) {
    if (count <= 0) return false;
    --count;
    return true;
  };
  const bool known = it != s.tray.end();
  switch (message) {
    case NIM_ADD: {
      if (knobFails(s.failAdds) || known) return record(FALSE);
      TrayIconRecord r{data->hWnd, data->uID, 0, nullptr, std::string()};
      apply(r);
      s.tray.push_back(r);
      return record(TRUE);
    }
    case NIM_MODIFY:
      if (knobFails(s.failModifies) || !known) return record(FALSE);
      apply(*it);
      return record(TRUE);
    case NIM_DELETE:
      if (knobFails(s.failDeletes) || !known) return record(FALSE);
      s.tray.erase(it);
      return record(TRUE);
    default:
      return record(known ? TRUE : FALSE);
  }
}

// ---- icons and registered messages -------------------------------------------------------------

HICON SimDesktop::GetClassIcon(HWND hWnd, int index) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (index == GCL_HICON) return w->classIcon;
  if (index == GCL_HICONSM) return w->classSmallIcon;
  SetLastError(ERROR_INVALID_INDEX);
  return nullptr;
}

HICON SimDesktop::LoadAppIcon(int resourceId) {
  // The program's icon resources.
  if (resourceId != 128 && resourceId != 129 && resourceId != 132) return nullptr;
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0xA0000 + resourceId));
}

HICON SimDesktop::LoadAppSmallIcon(int resourceId) {
  // Handles of their own: a test tells the small image from the large.
  if (LoadAppIcon(resourceId) == nullptr) return nullptr;
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0xB0000 + resourceId));
}

int SimDesktop::GetSystemMetrics(int index) {
  const int dpi = s_->screenDpi;
  if (index == SM_CXICON || index == SM_CYICON) return 32 * dpi / 96;
  if (index == SM_CXSMICON || index == SM_CYSMICON) return 16 * dpi / 96;
  return 0;
}

void SimDesktop::SetScreenDpi(int dpi) { s_->screenDpi = dpi; }

BOOL SimDesktop::AllowMessageFromLowerPrivilege(HWND hWnd, UINT msg) {
  if (s_->Find(hWnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  s_->allowedFromLowerPrivilege[hWnd].push_back(msg);
  return TRUE;
}

std::vector<UINT> SimDesktop::AllowedFromLowerPrivilege(HWND hWnd) const {
  auto it = s_->allowedFromLowerPrivilege.find(hWnd);
  return it == s_->allowedFromLowerPrivilege.end() ? std::vector<UINT>() : it->second;
}

BOOL SimDesktop::AllowSetForegroundWindow(DWORD) { return TRUE; }

UINT SimDesktop::RegisterWindowMessageA(const char* name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string key = name;  // atom names ignore case
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  auto it = s_->registered.find(key);
  if (it != s_->registered.end()) return it->second;
  UINT number = 0xC000 + 0x12 + static_cast<UINT>(s_->registered.size());
  s_->registered[key] = number;
  return number;
}

}  // namespace mm::sim
