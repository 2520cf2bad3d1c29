// morimo_target: the foreign application of the end-to-end tests.
//
// Opens top-level windows with the captions and class it is given and then
// does what the test tells it, through timed options or a control file that
// a worker thread polls (commands must reach it while the window thread
// hangs, which is the point of the hang mode).
//
//   morimo_target.exe --caption TEXT [--caption TEXT2 ...] [--class NAME]
//       [--count N] [--control FILE] [--ready FILE] [--log FILE]
//       [--minimize-after-ms MS] [--hang-after-ms MS] [--hang-for-ms MS]
//       [--refuse-close] [--layered-paint] [--pos X,Y] [--size W,H]
//
// With --layered-paint the windows are frameless and layered, and draw
// themselves with UpdateLayeredWindow (as splash screens do): such a window
// has no layered attributes, and once someone gives it some, its own
// UpdateLayeredWindow calls fail.
//
// With --count N every caption opens N windows; "{n}" in a caption becomes
// the window's number (1-based) and "{nn}" the same with two digits.
//
// Control file commands, one per line (UTF-8), appended by the test:
//   hang                 the window thread stops pumping messages
//   unhang               ... and starts again
//   minimize-hang        minimise every window, then hang
//   minimize I|*         show the window(s) minimised (SW_MINIMIZE)
//   restore I|*          SW_RESTORE
//   caption I TEXT       change a caption
//   close I|*            destroy window(s)
//   paint I|*            draw again with UpdateLayeredWindow (--layered-paint);
//                        logs "paint I ok" or "paint I failed ERROR"
//   exit                 end the program
// I is the 1-based window number in creation order.
//
// The ready file lists "hwnd caption" per window once all exist; the log
// file gets one line per event the test may want to check.
#include "../tool_text.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr UINT kMsgCommand = WM_APP + 0x120;  // thread message; lParam owns a std::string*
constexpr UINT_PTR kTimerMinimize = 1;
constexpr UINT_PTR kTimerHang = 2;

struct Options {
  std::vector<std::wstring> captions;
  std::wstring className = L"MoriMoTarget";
  int count = 1;
  long long minimizeAfterMs = -1;
  long long hangAfterMs = -1;
  long long hangForMs = -1;  // -1: until "unhang"
  std::wstring controlFile;
  std::wstring readyFile;
  std::wstring logFile;
  bool refuseClose = false;
  bool layeredPaint = false;
  int holdHotKey = 0;  // a hotkey control's value, registered at start
  int x = 40, y = 40, w = 360, h = 180;
};

Options g_opt;
std::vector<HWND> g_windows;
HWND g_main = nullptr;  // holds the timers
DWORD g_uiThread = 0;   // receives commands from the worker thread
HANDLE g_unhang = nullptr;
std::atomic<bool> g_quit{false};

void Log(const std::string& line) {
  if (g_opt.logFile.empty()) return;
  HANDLE f = CreateFileW(g_opt.logFile.c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
}

std::wstring ExpandCaption(const std::wstring& pattern, int n) {
  wchar_t one[16], two[16];
  std::swprintf(one, 16, L"%d", n);
  std::swprintf(two, 16, L"%02d", n);
  std::wstring out = pattern;
  for (auto [token, value] : {std::pair<std::wstring, std::wstring>{L"{nn}", two},
                              std::pair<std::wstring, std::wstring>{L"{n}", one}}) {
    for (size_t at = out.find(token); at != std::wstring::npos; at = out.find(token, at)) {
      out.replace(at, token.size(), value);
      at += value.size();
    }
  }
  return out;
}

// Blocks the window thread: no message of any of our windows is handled
// until "unhang" arrives or the time is up.
void Hang(long long ms) {
  ResetEvent(g_unhang);
  Log("hang begin");
  WaitForSingleObject(g_unhang, ms < 0 ? INFINITE : static_cast<DWORD>(ms));
  Log("hang end");
}

// Window numbers are 1-based; "*" is every window. Returns the selection.
std::vector<HWND> Select(const std::string& which) {
  std::vector<HWND> out;
  if (which == "*") {
    for (HWND h : g_windows)
      if (IsWindow(h)) out.push_back(h);
    return out;
  }
  char* end = nullptr;
  long n = std::strtol(which.c_str(), &end, 10);
  if (end && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= g_windows.size())
    out.push_back(g_windows[static_cast<size_t>(n) - 1]);
  return out;
}

// Draws the caption on an opaque panel and hands it to the system with
// UpdateLayeredWindow; logs whether the call succeeded.
void PaintLayered(HWND hwnd) {
  size_t number = 0;
  while (number < g_windows.size() && g_windows[number] != hwnd) ++number;
  RECT rc;
  GetWindowRect(hwnd, &rc);
  SIZE size = {rc.right - rc.left, rc.bottom - rc.top};
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size.cx;
  bi.bmiHeader.biHeight = -size.cy;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all = {0, 0, size.cx, size.cy};
  HBRUSH panel = CreateSolidBrush(RGB(0x30, 0x60, 0xA0));
  FillRect(dc, &all, panel);
  DeleteObject(panel);
  wchar_t text[512];
  int n = GetWindowTextW(hwnd, text, 512);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawTextW(dc, text, n, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  GdiFlush();
  // GDI leaves the alpha bytes at zero: the whole panel is opaque.
  auto* px = static_cast<DWORD*>(bits);
  for (LONG i = 0; i < size.cx * size.cy; ++i) px[i] |= 0xFF000000u;
  POINT src = {0, 0};
  POINT dst = {rc.left, rc.top};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  BOOL ok = UpdateLayeredWindow(hwnd, screen, &dst, &size, dc, &src, 0, &blend, ULW_ALPHA);
  DWORD err = ok ? 0 : GetLastError();
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  Log("paint " + std::to_string(number + 1) + (ok ? " ok" : " failed " + std::to_string(err)));
}

void RunCommand(const std::string& line) {
  std::string verb = line, rest;
  size_t sp = line.find(' ');
  if (sp != std::string::npos) {
    verb = line.substr(0, sp);
    rest = line.substr(sp + 1);
  }
  Log("command " + line);
  if (verb == "hang") {
    Hang(-1);
  } else if (verb == "minimize-hang") {
    for (HWND h : Select("*")) ShowWindow(h, SW_MINIMIZE);
    Hang(-1);
  } else if (verb == "minimize") {
    for (HWND h : Select(rest)) ShowWindow(h, SW_MINIMIZE);
  } else if (verb == "restore") {
    for (HWND h : Select(rest)) ShowWindow(h, SW_RESTORE);
  } else if (verb == "caption") {
    size_t sp2 = rest.find(' ');
    std::string which = rest.substr(0, sp2);
    std::string text = sp2 == std::string::npos ? std::string() : rest.substr(sp2 + 1);
    for (HWND h : Select(which)) SetWindowTextW(h, tools::FromUtf8(text).c_str());
  } else if (verb == "close") {
    for (HWND h : Select(rest)) DestroyWindow(h);
  } else if (verb == "paint") {
    for (HWND h : Select(rest)) PaintLayered(h);
  } else if (verb == "exit") {
    for (HWND h : Select("*")) DestroyWindow(h);
  } else {
    Log("unknown command " + line);
  }
}

// Polls the control file for appended lines. "unhang" is acted on here,
// everything else is handed to the window thread.
DWORD WINAPI ControlThread(void*) {
  std::string pending;
  LONGLONG offset = 0;
  while (!g_quit.load()) {
    HANDLE f = CreateFileW(g_opt.controlFile.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      LARGE_INTEGER pos;
      pos.QuadPart = offset;
      SetFilePointerEx(f, pos, nullptr, FILE_BEGIN);
      char buf[4096];
      DWORD got = 0;
      while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) {
        pending.append(buf, got);
        offset += got;
      }
      CloseHandle(f);
    }
    for (size_t nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
      std::string line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      if (line.empty()) continue;
      if (line == "unhang") {
        Log("command unhang");
        SetEvent(g_unhang);
      } else {
        PostThreadMessageW(g_uiThread, kMsgCommand, 0,
                           reinterpret_cast<LPARAM>(new std::string(line)));
      }
    }
    Sleep(50);
  }
  return 0;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      KillTimer(hwnd, wp);
      if (wp == kTimerMinimize) {
        Log("minimize timer");
        for (HWND h : Select("*")) ShowWindow(h, SW_MINIMIZE);
      } else if (wp == kTimerHang) {
        Hang(g_opt.hangForMs);
      }
      return 0;
    case WM_CLOSE:
      Log("WM_CLOSE " + tools::ToUtf8(tools::HwndText(hwnd)));
      if (g_opt.refuseClose) return 0;
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      wchar_t text[512];
      int n = GetWindowTextW(hwnd, text, 512);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
      DrawTextW(dc, text, n, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY: {
      bool any = false;
      for (HWND h : g_windows)
        if (h != hwnd && IsWindow(h)) any = true;
      Log("destroyed " + tools::ToUtf8(tools::HwndText(hwnd)));
      if (!any) PostQuitMessage(0);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ParsePair(const std::wstring& text, int* a, int* b) {
  size_t comma = text.find(L',');
  long long x = 0, y = 0;
  if (comma == std::wstring::npos || !tools::ParseInt(text.substr(0, comma), &x) ||
      !tools::ParseInt(text.substr(comma + 1), &y))
    return false;
  *a = static_cast<int>(x);
  *b = static_cast<int>(y);
  return true;
}

bool ParseOptions(const std::vector<std::wstring>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    bool hasValue = i + 1 < args.size();
    long long v = 0;
    if (a == L"--refuse-close") {
      g_opt.refuseClose = true;
      continue;
    }
    if (a == L"--layered-paint") {
      g_opt.layeredPaint = true;
      continue;
    }
    if (!hasValue) return false;
    const std::wstring& value = args[++i];
    if (a == L"--caption") {
      g_opt.captions.push_back(value);
    } else if (a == L"--class") {
      g_opt.className = value;
    } else if (a == L"--control") {
      g_opt.controlFile = value;
    } else if (a == L"--ready") {
      g_opt.readyFile = value;
    } else if (a == L"--log") {
      g_opt.logFile = value;
    } else if (a == L"--pos") {
      if (!ParsePair(value, &g_opt.x, &g_opt.y)) return false;
    } else if (a == L"--size") {
      if (!ParsePair(value, &g_opt.w, &g_opt.h)) return false;
    } else if (tools::ParseInt(value, &v)) {
      if (a == L"--count" && v >= 1) g_opt.count = static_cast<int>(v);
      else if (a == L"--minimize-after-ms") g_opt.minimizeAfterMs = v;
      else if (a == L"--hang-after-ms") g_opt.hangAfterMs = v;
      else if (a == L"--hang-for-ms") g_opt.hangForMs = v;
      else if (a == L"--hold-hotkey") g_opt.holdHotKey = static_cast<int>(v);
      else return false;
    } else {
      return false;
    }
  }
  return !g_opt.captions.empty();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  if (!ParseOptions(tools::WideArgs())) {
    MessageBoxW(nullptr, L"usage: morimo_target --caption TEXT [options]", L"morimo_target",
                MB_OK);
    return 2;
  }
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.lpszClassName = g_opt.className.c_str();
  if (!RegisterClassExW(&wc)) return 3;

  g_uiThread = GetCurrentThreadId();
  g_unhang = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int index = 0;
  for (const std::wstring& pattern : g_opt.captions) {
    for (int n = 1; n <= g_opt.count; ++n, ++index) {
      // Cascade so that every caption bar stays in sight on a 1280x1024 screen.
      int x = g_opt.x + (index % 20) * 24 + (index / 20) * 300;
      int y = g_opt.y + (index % 20) * 24;
      DWORD exStyle = g_opt.layeredPaint ? WS_EX_LAYERED : 0;
      DWORD style = g_opt.layeredPaint ? WS_POPUP : WS_OVERLAPPEDWINDOW;
      HWND h = CreateWindowExW(exStyle, g_opt.className.c_str(), ExpandCaption(pattern, n).c_str(),
                               style, x, y, g_opt.w, g_opt.h, nullptr, nullptr, instance, nullptr);
      if (!h) return 4;
      g_windows.push_back(h);
      // Drawn before it is shown, as a splash screen is.
      if (g_opt.layeredPaint) PaintLayered(h);
      ShowWindow(h, SW_SHOWNORMAL);
      UpdateWindow(h);
    }
  }
  g_main = g_windows.front();
  if (g_opt.holdHotKey != 0) {
    // Another program's hold on a combination, for MoriMo to meet.
    // HOTKEYF_SHIFT 1, HOTKEYF_CONTROL 2, HOTKEYF_ALT 4 in the high byte.
    const UINT flags = (g_opt.holdHotKey >> 8) & 0xFF;
    const UINT modifiers = ((flags & 1) ? MOD_SHIFT : 0) | ((flags & 2) ? MOD_CONTROL : 0) |
                           ((flags & 4) ? MOD_ALT : 0);
    const bool held = RegisterHotKey(g_main, 1, modifiers, g_opt.holdHotKey & 0xFF) != 0;
    Log(held ? "hotkey held" : "hotkey refused");
  }

  if (!g_opt.readyFile.empty()) {
    std::string ready;
    for (HWND h : g_windows) {
      wchar_t text[512];
      GetWindowTextW(h, text, 512);
      ready += tools::ToUtf8(tools::HwndText(h)) + " " + tools::ToUtf8(text) + "\n";
    }
    tools::WriteFileAtomically(g_opt.readyFile, ready);
  }
  Log("ready");

  if (g_opt.minimizeAfterMs >= 0)
    SetTimer(g_main, kTimerMinimize, static_cast<UINT>(g_opt.minimizeAfterMs), nullptr);
  if (g_opt.hangAfterMs >= 0)
    SetTimer(g_main, kTimerHang, static_cast<UINT>(g_opt.hangAfterMs), nullptr);

  HANDLE worker = nullptr;
  if (!g_opt.controlFile.empty()) worker = CreateThread(nullptr, 0, ControlThread, nullptr, 0, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!msg.hwnd && msg.message == kMsgCommand) {
      std::string* line = reinterpret_cast<std::string*>(msg.lParam);
      RunCommand(*line);
      delete line;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  g_quit.store(true);
  if (worker) {
    WaitForSingleObject(worker, 2000);
    CloseHandle(worker);
  }
  Log("exit");
  return 0;
}
