// Input, timers and the message loop.
#include <vector>

#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_text.h"

namespace mm {

using win32::M;
using win32::W;

SHORT Win32Platform::GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

SHORT Win32Platform::GetAsyncKeyState(int virtualKey) { return ::GetAsyncKeyState(virtualKey); }

BOOL Win32Platform::GetCursorPos(POINT* point) {
  ::POINT real{};
  BOOL ok = ::GetCursorPos(&real);
  if (ok && point != nullptr) *point = POINT{static_cast<LONG>(real.x), static_cast<LONG>(real.y)};
  return ok;
}

// ---- Mouse and pointer ---------------------------------------------------------

HWND Win32Platform::SetCapture(HWND hWnd) { return M(::SetCapture(W(hWnd))); }
HWND Win32Platform::GetCapture() { return M(::GetCapture()); }
BOOL Win32Platform::ReleaseCapture() { return ::ReleaseCapture(); }

BOOL Win32Platform::ClientToScreen(HWND hWnd, POINT* point) {
  ::POINT p{point->x, point->y};
  if (!::ClientToScreen(W(hWnd), &p)) return FALSE;
  *point = POINT{p.x, p.y};
  return TRUE;
}

BOOL Win32Platform::ScreenToClient(HWND hWnd, POINT* point) {
  ::POINT p{point->x, point->y};
  if (!::ScreenToClient(W(hWnd), &p)) return FALSE;
  *point = POINT{p.x, p.y};
  return TRUE;
}

BOOL Win32Platform::GetClientRect(HWND hWnd, RECT* rect) {
  ::RECT r{};
  if (!::GetClientRect(W(hWnd), &r)) return FALSE;
  *rect = RECT{r.left, r.top, r.right, r.bottom};
  return TRUE;
}

HWND Win32Platform::WindowFromPoint(POINT point) {
  return M(::WindowFromPoint(::POINT{point.x, point.y}));
}

HWND Win32Platform::GetParent(HWND hWnd) { return M(::GetParent(W(hWnd))); }

HWND Win32Platform::GetAncestor(HWND hWnd, UINT flags) { return M(::GetAncestor(W(hWnd), flags)); }

BOOL Win32Platform::QueryFullProcessImageNameA(DWORD processId, std::string* path) {
  ::HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return FALSE;
  // Most paths fit on the stack (the scan and the log ask often); a long
  // one (\\?\ names) is asked again with room for any, never cut.
  wchar_t shortName[MAX_PATH];
  ::DWORD size = MAX_PATH;
  std::wstring name;
  BOOL ok = ::QueryFullProcessImageNameW(process, 0, shortName, &size);
  if (ok) {
    name.assign(shortName, size);
  } else if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    name.assign(32768, L'\0');
    size = static_cast<::DWORD>(name.size());
    ok = ::QueryFullProcessImageNameW(process, 0, name.data(), &size);
    name.resize(ok ? size : 0);
  }
  ::CloseHandle(process);
  if (!ok) return FALSE;
  *path = win32::Narrow(name, win32::kAnsiCodePage);
  return TRUE;
}

namespace {

// The token's integrity RID, or -1.
int TokenIntegrity(::HANDLE token) {
  ::DWORD size = 0;
  ::GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return -1;
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) return -1;
  const auto* label = reinterpret_cast<const ::TOKEN_MANDATORY_LABEL*>(buffer.data());
  const ::UCHAR count = *::GetSidSubAuthorityCount(label->Label.Sid);
  if (count == 0) return -1;
  return static_cast<int>(*::GetSidSubAuthority(label->Label.Sid, count - 1u));
}

}  // namespace

int Win32Platform::ProcessIntegrityLevel(DWORD processId) {
  ::HANDLE process = processId == ::GetCurrentProcessId()
                         ? ::GetCurrentProcess()
                         : ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return -1;
  int level = -1;
  ::HANDLE token = nullptr;
  if (::OpenProcessToken(process, TOKEN_QUERY, &token)) {
    level = TokenIntegrity(token);
    ::CloseHandle(token);
  }
  if (processId != ::GetCurrentProcessId()) ::CloseHandle(process);
  return level;
}

BOOL Win32Platform::IsProcessElevated() {
  ::HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return FALSE;
  ::TOKEN_ELEVATION elevation{};
  ::DWORD size = 0;
  const BOOL ok = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  ::CloseHandle(token);
  return ok && elevation.TokenIsElevated != 0;
}

void Win32Platform::Sleep(DWORD ms) { ::Sleep(ms); }

// ---- Hotkeys ----------------------------------------------------------------------

BOOL Win32Platform::RegisterHotKey(HWND hWnd, int id, UINT modifiers, UINT virtualKey) {
  return ::RegisterHotKey(W(hWnd), id, modifiers, virtualKey);
}

BOOL Win32Platform::UnregisterHotKey(HWND hWnd, int id) { return ::UnregisterHotKey(W(hWnd), id); }

std::string Win32Platform::KeyNameU8(UINT virtualKey) {
  const UINT scanCode = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  if (scanCode == 0) return std::string();
  // Without the extended bit the arrows and the editing block are named
  // as the number pad's keys ("Num 2" for the down arrow).
  bool extended = false;
  switch (virtualKey) {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP:
    case VK_RIGHT: case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_DIVIDE:
    case VK_NUMLOCK: case VK_LWIN: case VK_RWIN: case VK_APPS: case VK_SNAPSHOT:
      extended = true;
      break;
    default:
      break;
  }
  const LONG lParam = static_cast<LONG>((scanCode << 16) | (extended ? 1u << 24 : 0u));
  wchar_t name[64] = {};
  const int length = ::GetKeyNameTextW(lParam, name, 64);
  return length > 0 ? win32::NarrowUtf8(std::wstring(name, static_cast<size_t>(length))) : std::string();
}

BOOL Win32Platform::SetCursorResource(int resourceId) {
  // Cursors from resources are shared: nothing to destroy.
  ::HCURSOR cursor = resourceId == 0
                         ? ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))  // IDC_ARROW
                         : ::LoadCursorW(win32::OurModule(), MAKEINTRESOURCEW(resourceId));
  if (cursor == nullptr) return FALSE;
  ::SetCursor(cursor);
  return TRUE;
}

UINT_PTR Win32Platform::SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs) {
  return ::SetTimer(W(hWnd), id, elapseMs, nullptr);
}

BOOL Win32Platform::KillTimer(HWND hWnd, UINT_PTR id) { return ::KillTimer(W(hWnd), id); }

void Win32Platform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

int Win32Platform::RunMessageLoop() {
  ::MSG msg{};
  for (;;) {
    ::BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);  // WM_QUIT
    if (got == -1) return -1;  // only for invalid arguments; nothing to wait for
    if (win32::RouteToModelessDialog(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

BOOL Win32Platform::InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
  if (rect == nullptr) return ::InvalidateRect(W(hWnd), nullptr, erase);
  ::RECT real{rect->left, rect->top, rect->right, rect->bottom};
  return ::InvalidateRect(W(hWnd), &real, erase);
}

HWND Win32Platform::GetDesktopWindow() { return M(::GetDesktopWindow()); }

}  // namespace mm
