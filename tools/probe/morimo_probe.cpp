// morimo_probe: looks at the desktop for the end-to-end tests, as a console
// program whose output a shell script reads (UTF-8, one record a line).
//
//   morimo_probe list  [FILTERS]              matching top-level windows
//   morimo_probe wait  [FILTERS] --until C[,C...] [--timeout MS]
//                                             poll until the conditions hold
//   morimo_probe child [FILTERS] --id N       rect and centre of control N
//   morimo_probe items [FILTERS] --id N       rows of list view N: selection,
//                                             rectangle, centre and cell texts
//   morimo_probe titlebar [FILTERS]           centres of the minimise and close boxes
//   morimo_probe tray [--count N] [--timeout MS]
//                                             tray window and its icon windows;
//                                             with --count, wait for that many icons
//   morimo_probe tips                         the tray icons' tips, by icon window
//   morimo_probe folder                       the local application data folder
//   morimo_probe acp                          the ANSI code page
//   morimo_probe send --hwnd H [--msg M] [--wparam W] [--lparam L] [--timeout MS]
//                                             SendMessageTimeout; exit 0 if answered
//   morimo_probe watch --hwnd H [--timeout MS] [--for MS] [--stop-file F]
//                                             sends WM_NULL over and over; prints
//                                             the slow sends and the worst answer time
//   morimo_probe foreground                   the foreground window, then the
//                                             window with the keyboard focus
//   morimo_probe redraw --hwnd H              has window H and its children
//                                             painted again (for a picture)
//   morimo_probe storm --hwnd H --file F [--timeout MS]
//                                             sends or posts the messages of F to H,
//                                             one "send|post MSG WPARAM LPARAM" a line
//                                             (MSG a number or reg:NAME, registered);
//                                             prints the counts
//   morimo_probe resources --hwnd H           GDI and USER objects, private bytes
//                                             and window count of H's process
//   morimo_probe untray --hwnd H [--count N] [--broadcast 1] [--timeout MS]
//                                             removes the tray icons of owner H with ids
//                                             1..N (default 1000), as a tray host that
//                                             starts afresh has none; with --broadcast,
//                                             then broadcasts "TaskbarCreated" and times
//                                             the icons' return
//   morimo_probe record FILE TEXT...          appends TEXT as a line to FILE: the
//                                             program the shell starts for an
//                                             address or document in a test prefix
//
// FILTERS: --caption TEXT (equal), --caption-prefix TEXT, --class NAME,
//   --hwnd H, --pid P, --same-process H (same process as window H),
//   --visible-only.
//
// Conditions for wait (each "key=value"): count=N (number of matches),
// and, for every match (at least one must exist): visible, iconic, fg,
// topmost, layered, attrs, alpha, toolwindow, caption (0 or 1, alpha 0..255).
// attrs is 1 when GetLayeredWindowAttributes answers: a layered window
// without attributes paints itself with UpdateLayeredWindow.
//
// A window line reads:
//   hwnd=0x10064 pid=32 tid=36 visible=1 iconic=0 fg=1 topmost=0 layered=0 attrs=0 alpha=255
//   style=0x14cf0000 exstyle=0x100 rect=64,64,424,244 class=MoriMoTarget caption=Target A
// caption is last so that it may hold blanks.
#include "../tool_text.h"

#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

struct Filter {
  bool hasCaption = false, hasPrefix = false, visibleOnly = false;
  std::wstring caption, prefix, className;
  HWND hwnd = nullptr;
  DWORD pid = 0;
};

struct WindowInfo {
  HWND hwnd;
  DWORD pid, tid;
  bool visible, iconic, fg, topmost, layered, attrs;
  int alpha;  // 255 when the window is not layered or has no alpha set
  LONG_PTR style, exstyle;
  RECT rect;
  std::wstring className, caption;
};

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

std::wstring CaptionOf(HWND h) {
  // GetWindowText on a foreign window reads the stored text without
  // sending anything, so a hung window cannot stall the probe.
  wchar_t buf[1024] = {};
  GetWindowTextW(h, buf, 1024);
  return buf;
}

WindowInfo Describe(HWND h) {
  WindowInfo w{};
  w.hwnd = h;
  w.tid = GetWindowThreadProcessId(h, &w.pid);
  w.visible = IsWindowVisible(h) != 0;
  w.iconic = IsIconic(h) != 0;
  w.fg = GetForegroundWindow() == h;
  w.style = GetWindowLongPtrW(h, GWL_STYLE);
  w.exstyle = GetWindowLongPtrW(h, GWL_EXSTYLE);
  w.topmost = (w.exstyle & WS_EX_TOPMOST) != 0;
  w.layered = (w.exstyle & WS_EX_LAYERED) != 0;
  w.alpha = 255;
  BYTE alpha = 255;
  DWORD flags = 0;
  w.attrs = w.layered && GetLayeredWindowAttributes(h, nullptr, &alpha, &flags);
  if (w.attrs && (flags & LWA_ALPHA)) w.alpha = alpha;
  GetWindowRect(h, &w.rect);
  w.className = ClassOf(h);
  w.caption = CaptionOf(h);
  return w;
}

bool Matches(const Filter& f, HWND h) {
  if (f.hwnd && h != f.hwnd) return false;
  if (f.visibleOnly && !IsWindowVisible(h)) return false;
  if (f.pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != f.pid) return false;
  }
  if (!f.className.empty() && ClassOf(h) != f.className) return false;
  if (f.hasCaption || f.hasPrefix) {
    std::wstring c = CaptionOf(h);
    if (f.hasCaption && c != f.caption) return false;
    if (f.hasPrefix && c.compare(0, f.prefix.size(), f.prefix) != 0) return false;
  }
  return true;
}

std::vector<HWND> FindWindowsMatching(const Filter& f) {
  struct Ctx {
    const Filter* f;
    std::vector<HWND> out;
  } ctx{&f, {}};
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        if (Matches(*c->f, h)) c->out.push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.out;
}

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::string Format(const char* fmt, long long a = 0, long long b = 0, long long c = 0,
                   long long d = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, a, b, c, d);
  return buf;
}

std::string LineOf(const WindowInfo& w) {
  std::string s = "hwnd=" + tools::ToUtf8(tools::HwndText(w.hwnd));
  s += Format(" pid=%lld tid=%lld", w.pid, w.tid);
  s += Format(" visible=%lld iconic=%lld fg=%lld", w.visible, w.iconic, w.fg);
  s += Format(" topmost=%lld layered=%lld attrs=%lld alpha=%lld", w.topmost, w.layered, w.attrs,
              w.alpha);
  s += Format(" style=0x%llx exstyle=0x%llx", static_cast<DWORD>(w.style),
              static_cast<DWORD>(w.exstyle));
  s += Format(" rect=%lld,%lld,%lld,%lld", w.rect.left, w.rect.top, w.rect.right, w.rect.bottom);
  s += " class=" + tools::ToUtf8(w.className) + " caption=" + tools::ToUtf8(w.caption);
  return s;
}

// Conditions of "wait": key -> wanted value.
using Conditions = std::map<std::string, long long>;

bool ParseConditions(const std::wstring& text, Conditions* out) {
  std::string s = tools::ToUtf8(text);
  size_t start = 0;
  while (start <= s.size()) {
    size_t comma = s.find(',', start);
    std::string item = s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t eq = item.find('=');
    long long v = 0;
    if (eq == std::string::npos || !tools::ParseInt(tools::FromUtf8(item.substr(eq + 1)), &v))
      return false;
    std::string key = item.substr(0, eq);
    static const char* kKeys[] = {"count",   "visible", "iconic", "fg",         "topmost",
                                  "layered", "attrs",   "alpha",  "toolwindow", "caption"};
    bool known = false;
    for (const char* k : kKeys) known = known || key == k;
    if (!known) return false;
    (*out)[key] = v;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return !out->empty();
}

bool Holds(const WindowInfo& w, const Conditions& c) {
  for (const auto& [key, want] : c) {
    long long have = 0;
    if (key == "count") continue;
    if (key == "visible") have = w.visible;
    else if (key == "iconic") have = w.iconic;
    else if (key == "fg") have = w.fg;
    else if (key == "topmost") have = w.topmost;
    else if (key == "layered") have = w.layered;
    else if (key == "attrs") have = w.attrs;
    else if (key == "alpha") have = w.alpha;
    else if (key == "toolwindow") have = (w.exstyle & WS_EX_TOOLWINDOW) != 0;
    else if (key == "caption") have = (w.style & WS_CAPTION) == WS_CAPTION;
    if (have != want) return false;
  }
  return true;
}

int Wait(const Filter& f, const Conditions& c, long long timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    std::vector<HWND> found = FindWindowsMatching(f);
    std::vector<WindowInfo> infos;
    for (HWND h : found) infos.push_back(Describe(h));
    bool ok = true;
    auto count = c.find("count");
    if (count != c.end()) ok = static_cast<long long>(infos.size()) == count->second;
    bool perWindow = c.size() > (count != c.end() ? 1u : 0u);
    if (perWindow) {
      ok = ok && !infos.empty();
      for (const WindowInfo& w : infos) ok = ok && Holds(w, c);
    }
    if (ok || GetTickCount64() >= deadline) {
      Print(ok ? "ok" : Format("timeout after %lld ms", timeoutMs));
      for (const WindowInfo& w : infos) Print(LineOf(w));
      return ok ? 0 : 1;
    }
    Sleep(20);
  }
}

// A control's own text: WM_GETTEXT, which the system carries across
// processes (GetWindowText of another process's window gives only the text
// the window was created with, not what an edit field holds now).
std::wstring ControlText(HWND control) {
  wchar_t buf[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL,
                           1000, &copied))
    return CaptionOf(control);
  return std::wstring(buf, std::min<size_t>(copied, 1023));
}

int Child(const Filter& f, long long id) {
  for (HWND h : FindWindowsMatching(f)) {
    HWND child = GetDlgItem(h, static_cast<int>(id));
    if (!child) continue;
    RECT r;
    GetWindowRect(child, &r);
    // Check state of a button (0 for a push button); -1 when it does not answer.
    DWORD_PTR checked = 0;
    long long check = -1;
    if (SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_NORMAL, 1000, &checked))
      check = static_cast<long long>(checked);
    Print("hwnd=" + tools::ToUtf8(tools::HwndText(child)) +
          Format(" rect=%lld,%lld,%lld,%lld", r.left, r.top, r.right, r.bottom) +
          Format(" center=%lld,%lld", (r.left + r.right) / 2, (r.top + r.bottom) / 2) +
          Format(" visible=%lld enabled=%lld checked=%lld", IsWindowVisible(child) != 0,
                 IsWindowEnabled(child) != 0, check) +
          " text=" + tools::ToUtf8(ControlText(child)));
    return 0;
  }
  Print("no such control");
  return 1;
}

// Memory in another process: list-view messages that carry a record point
// into the list's own process, which the system does not translate.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, SIZE_T size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
      base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool Valid() const { return base_ != nullptr; }
  char* At(SIZE_T offset) const { return static_cast<char*>(base_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) {
    return WriteProcessMemory(process_, At(offset), data, size, nullptr) != 0;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) {
    return ReadProcessMemory(process_, At(offset), data, size, nullptr) != 0;
  }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
};

LRESULT SendBounded(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_NORMAL, 2000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

// One line a row: "row=I selected=S rect=l,t,r,b center=x,y texts=a|b|c"
// (screen coordinates; texts last), after a line with the column widths.
int Items(const Filter& f, long long id) {
  constexpr SIZE_T kChars = 512;
  constexpr SIZE_T kTextAt = sizeof(LVITEMW);
  constexpr SIZE_T kRectAt = kTextAt + kChars * sizeof(wchar_t);
  for (HWND h : FindWindowsMatching(f)) {
    HWND list = GetDlgItem(h, static_cast<int>(id));
    if (!list) continue;
    RemoteBuffer remote(list, kRectAt + sizeof(RECT));
    if (!remote.Valid()) {
      Print("cannot reach the list's process");
      return 1;
    }
    HWND header = reinterpret_cast<HWND>(SendBounded(list, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendBounded(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    std::string widths;
    for (int c = 0; c < columns; ++c)
      widths += (c ? "," : "") + std::to_string(SendBounded(list, LVM_GETCOLUMNWIDTH, c, 0));
    const long long count = SendBounded(list, LVM_GETITEMCOUNT, 0, 0);
    Print(Format("list rows=%lld", count) + " widths=" + widths);
    POINT origin = {0, 0};
    ClientToScreen(list, &origin);
    for (long long row = 0; row < count; ++row) {
      RECT r = {LVIR_BOUNDS, 0, 0, 0};
      remote.Write(kRectAt, &r, sizeof r);
      SendBounded(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                  reinterpret_cast<LPARAM>(remote.At(kRectAt)));
      remote.Read(kRectAt, &r, sizeof r);
      OffsetRect(&r, origin.x, origin.y);
      std::string texts;
      for (int c = 0; c < columns; ++c) {
        LVITEMW item = {};
        item.iSubItem = c;
        item.pszText = reinterpret_cast<LPWSTR>(remote.At(kTextAt));
        item.cchTextMax = static_cast<int>(kChars);
        remote.Write(0, &item, sizeof item);
        LRESULT n = SendBounded(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(remote.At(0)));
        wchar_t text[kChars] = {};
        if (n > 0) {
          const SIZE_T chars = static_cast<SIZE_T>(std::min<LRESULT>(n, kChars - 1));
          remote.Read(kTextAt, text, chars * sizeof(wchar_t));
        }
        texts += (c ? "|" : "") + tools::ToUtf8(text);
      }
      const bool selected = (SendBounded(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                         LVIS_SELECTED) & LVIS_SELECTED) != 0;
      Print(Format("row=%lld selected=%lld", row, selected) +
            Format(" rect=%lld,%lld,%lld,%lld", r.left, r.top, r.right, r.bottom) +
            Format(" center=%lld,%lld", (r.left + r.right) / 2, (r.top + r.bottom) / 2) +
            " texts=" + texts);
    }
    return 0;
  }
  Print("no such list");
  return 1;
}

// Finds the caption buttons by asking the window itself (WM_NCHITTEST along
// its caption row), so the answer fits whatever draws the frame.
int TitleBar(const Filter& f) {
  for (HWND h : FindWindowsMatching(f)) {
    RECT r;
    GetWindowRect(h, &r);
    int row = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    long long spans[2][2] = {{-1, -1}, {-1, -1}};  // minimise, close: first and last x
    for (int x = r.right - 1; x > r.left; --x) {
      DWORD_PTR hit = 0;
      if (!SendMessageTimeoutW(h, WM_NCHITTEST, 0, MAKELPARAM(x, row), SMTO_NORMAL, 1000, &hit))
        break;
      int k = hit == HTMINBUTTON ? 0 : hit == HTCLOSE ? 1 : -1;
      if (k < 0) continue;
      if (spans[k][1] < 0) spans[k][1] = x;
      spans[k][0] = x;
    }
    if (spans[0][0] < 0) continue;
    Print("hwnd=" + tools::ToUtf8(tools::HwndText(h)) +
          Format(" minimize=%lld,%lld", (spans[0][0] + spans[0][1]) / 2, row) +
          Format(" close=%lld,%lld", (spans[1][0] + spans[1][1]) / 2, row));
    return 0;
  }
  Print("no such window or no minimise box");
  return 1;
}

// Wine's stand-alone notification area: one top-level window holding one
// child window per visible icon, laid out in the order the icons came.
struct TrayIcon {
  HWND h;
  RECT r;
};

std::vector<TrayIcon> TrayIcons(HWND tray) {
  std::vector<TrayIcon> icons;
  for (HWND c = GetWindow(tray, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) != L"__winex11_tray_icon" || !IsWindowVisible(c)) continue;
    TrayIcon icon{c, {}};
    GetWindowRect(c, &icon.r);
    icons.push_back(icon);
  }
  std::sort(icons.begin(), icons.end(), [](const TrayIcon& a, const TrayIcon& b) {
    return a.r.top != b.r.top ? a.r.top < b.r.top : a.r.left < b.r.left;
  });
  return icons;
}

// With count >= 0, polls until exactly that many icons show.
int Tray(long long count, long long timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  HWND tray = nullptr;
  std::vector<TrayIcon> icons;
  for (;;) {
    tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    icons = tray ? TrayIcons(tray) : std::vector<TrayIcon>();
    if (count < 0 || static_cast<long long>(icons.size()) == count ||
        GetTickCount64() >= deadline)
      break;
    Sleep(20);
  }
  bool ok = count < 0 || static_cast<long long>(icons.size()) == count;
  if (!ok) Print(Format("timeout after %lld ms: %lld icons", timeoutMs, icons.size()));
  if (!tray) {
    Print("no tray");
    return count <= 0 && ok ? 0 : 1;
  }
  RECT tr;
  GetWindowRect(tray, &tr);
  POINT origin = {0, 0};
  ClientToScreen(tray, &origin);
  Print("tray hwnd=" + tools::ToUtf8(tools::HwndText(tray)) +
        Format(" visible=%lld", IsWindowVisible(tray) != 0) +
        Format(" rect=%lld,%lld,%lld,%lld", tr.left, tr.top, tr.right, tr.bottom) +
        Format(" client-origin=%lld,%lld", origin.x, origin.y));
  int index = 0;
  for (const TrayIcon& i : icons) {
    const RECT& r = i.r;
    Print(Format("icon index=%lld", index++) + " hwnd=" + tools::ToUtf8(tools::HwndText(i.h)) +
          Format(" rect=%lld,%lld,%lld,%lld", r.left, r.top, r.right, r.bottom) +
          Format(" center=%lld,%lld", (r.left + r.right) / 2, (r.top + r.bottom) / 2) +
          Format(" local=%lld,%lld", (r.left + r.right) / 2 - origin.x,
                 (r.top + r.bottom) / 2 - origin.y));
  }
  return ok ? 0 : 1;
}

BOOL CALLBACK CollectTooltip(HWND h, LPARAM found) {
  if (ClassOf(h) == TOOLTIPS_CLASSW) reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
  return TRUE;
}

// The tips of the tray's icons: the notification area shows each with a
// tooltip control of its own process, whose tools name the icon windows.
// One line a tip: "icon hwnd=H text=T".
int Tips() {
  constexpr SIZE_T kChars = 1024;
  constexpr SIZE_T kTextAt = sizeof(TTTOOLINFOW);
  std::vector<HWND> tooltips;
  EnumWindows(CollectTooltip, reinterpret_cast<LPARAM>(&tooltips));
  for (HWND tooltip : tooltips) {
    const LRESULT tools = SendBounded(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    if (tools <= 0) continue;
    RemoteBuffer remote(tooltip, kTextAt + kChars * sizeof(wchar_t));
    if (!remote.Valid()) continue;
    for (LRESULT i = 0; i < tools; ++i) {
      TTTOOLINFOW info = {};
      info.cbSize = sizeof info;
      info.lpszText = reinterpret_cast<LPWSTR>(remote.At(kTextAt));
      wchar_t text[kChars] = {};
      remote.Write(kTextAt, text, sizeof text);
      remote.Write(0, &info, sizeof info);
      if (SendBounded(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                      reinterpret_cast<LPARAM>(remote.At(0))) <= 0)
        continue;
      remote.Read(0, &info, sizeof info);
      remote.Read(kTextAt, text, (kChars - 1) * sizeof(wchar_t));
      if (ClassOf(info.hwnd) != L"__winex11_tray_icon") continue;
      Print("icon hwnd=" + tools::ToUtf8(tools::HwndText(info.hwnd)) + " text=" + tools::ToUtf8(text));
    }
  }
  return 0;
}

int Send(HWND h, long long msg, long long wp, long long lp, long long timeoutMs) {
  DWORD_PTR result = 0;
  ULONGLONG start = GetTickCount64();
  LRESULT ok = SendMessageTimeoutW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp),
                                   static_cast<LPARAM>(lp), SMTO_NORMAL,
                                   static_cast<UINT>(timeoutMs), &result);
  DWORD err = ok ? 0 : GetLastError();
  Print(Format("answered=%lld result=%lld ms=%lld error=%lld", ok != 0,
               static_cast<long long>(result), static_cast<long long>(GetTickCount64() - start),
               err));
  return ok ? 0 : 1;
}

// Sends WM_NULL to the window every 50 ms until it is gone, file `stopFile`
// exists or `forMs` have passed. Prints a line for each send slower than
// 100 ms or unanswered (ms since the start, then its time), then
// "watch samples=N missed=M worst=W gone=G" (W in ms).
int Watch(HWND h, long long timeoutMs, long long forMs, const std::wstring& stopFile) {
  const ULONGLONG start = GetTickCount64();
  long long samples = 0, missed = 0, worst = 0;
  bool gone = false;
  for (;;) {
    if (!stopFile.empty() && GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    if (GetTickCount64() - start >= static_cast<ULONGLONG>(forMs)) break;
    if (!IsWindow(h)) {
      gone = true;
      break;
    }
    DWORD_PTR result = 0;
    const ULONGLONG before = GetTickCount64();
    const bool ok = SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL,
                                        static_cast<UINT>(timeoutMs), &result) != 0;
    const long long ms = static_cast<long long>(GetTickCount64() - before);
    if (!ok && !IsWindow(h)) {
      gone = true;
      break;
    }
    ++samples;
    if (!ok) ++missed;
    worst = std::max(worst, ms);
    if (!ok || ms > 100) {
      Print(Format("slow at=%lld ms=%lld answered=%lld", static_cast<long long>(before - start), ms,
                   ok));
      std::fflush(stdout);
    }
    Sleep(50);
  }
  Print(Format("watch samples=%lld missed=%lld worst=%lld", samples, missed, worst) +
        Format(" gone=%lld", gone));
  return missed == 0 ? 0 : 1;
}

// Appends the words, joined by blanks, as one UTF-8 line.
int Record(const std::wstring& file, const std::vector<std::wstring>& words) {
  std::wstring line;
  for (const std::wstring& w : words) line += (line.empty() ? L"" : L" ") + w;
  std::FILE* f = _wfopen(file.c_str(), L"ab");
  if (f == nullptr) return 1;
  const std::string bytes = tools::ToUtf8(line) + "\n";
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written ? 0 : 1;
}

// Any 64-bit number, decimal or 0x-hex, negative ones wrapped.
bool ParseWord(const std::string& text, unsigned long long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const bool negative = text[0] == '-';
  unsigned long long v = std::strtoull(text.c_str() + (negative ? 1 : 0), &end, 0);
  if (end == nullptr || *end != '\0') return false;
  *out = negative ? 0 - v : v;
  return true;
}

// Messages from a file, all in one process so that thousands take seconds.
// Posts are paced by a sent WM_NULL every 100, so the queue never fills.
int Storm(HWND h, const std::wstring& file, long long timeoutMs) {
  std::FILE* f = _wfopen(file.c_str(), L"rb");
  if (f == nullptr) {
    Print("cannot read the message file");
    return 2;
  }
  long long sent = 0, answered = 0, posted = 0, postFailed = 0, bad = 0, slowest = 0;
  char line[512];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    char how[16] = {}, msgText[128] = {}, wText[64] = {}, lText[64] = {};
    unsigned long long msg = 0, wp = 0, lp = 0;
    if (std::sscanf(line, "%15s %127s %63s %63s", how, msgText, wText, lText) != 4 ||
        !ParseWord(wText, &wp) || !ParseWord(lText, &lp)) {
      ++bad;
      continue;
    }
    const std::string m = msgText;
    if (m.rfind("reg:", 0) == 0) {
      msg = RegisterWindowMessageW(tools::FromUtf8(m.substr(4)).c_str());
    } else if (!ParseWord(m, &msg)) {
      ++bad;
      continue;
    }
    if (std::string(how) == "post") {
      if (PostMessageW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp)))
        ++posted;
      else
        ++postFailed;
      if (posted % 100 == 0) SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
      continue;
    }
    DWORD_PTR result = 0;
    const ULONGLONG start = GetTickCount64();
    ++sent;
    if (SendMessageTimeoutW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp),
                            static_cast<LPARAM>(lp), SMTO_NORMAL, static_cast<UINT>(timeoutMs),
                            &result))
      ++answered;
    slowest = std::max<long long>(slowest, static_cast<long long>(GetTickCount64() - start));
  }
  std::fclose(f);
  Print(Format("sent=%lld answered=%lld posted=%lld", sent, answered, posted) +
        Format(" post-failed=%lld bad-lines=%lld slowest-ms=%lld", postFailed, bad, slowest));
  return bad == 0 && answered == sent ? 0 : 1;
}

// What a process holds, read from outside: GDI and USER objects (0 where
// the system does not count them), private bytes, and its top-level and
// child windows.
int Resources(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  HANDLE process = pid ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)
                       : nullptr;
  if (process == nullptr) {
    Print(Format("cannot open the process of the window (pid %lld, error %lld)", pid,
                 GetLastError()));
    return 1;
  }
  const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX mem = {};
  mem.cb = sizeof mem;
  const bool haveMem = K32GetProcessMemoryInfo(
      process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem);
  CloseHandle(process);
  Filter f;
  f.pid = pid;
  long long tops = 0, children = 0;
  for (HWND top : FindWindowsMatching(f)) {
    ++tops;
    EnumChildWindows(
        top, [](HWND, LPARAM lp) -> BOOL { return ++*reinterpret_cast<long long*>(lp), TRUE; },
        reinterpret_cast<LPARAM>(&children));
  }
  Print(Format("pid=%lld gdi=%lld user=%lld", pid, gdi, user) +
        Format(" private=%lld working-set=%lld", haveMem ? static_cast<long long>(mem.PrivateUsage) : -1,
               haveMem ? static_cast<long long>(mem.WorkingSetSize) : -1) +
        Format(" windows=%lld children=%lld", tops, children));
  return 0;
}

long long IconCount() {
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  return tray ? static_cast<long long>(TrayIcons(tray).size()) : 0;
}

// A tray host that starts afresh, as far as one program's icons go: they
// are removed, and with broadcast, once the tray shows none, the registered
// "TaskbarCreated" goes to every top-level window as a starting shell sends
// it; then the time until as many icons show as before.
int Untray(HWND owner, long long count, bool broadcast, long long timeoutMs) {
  const long long before = IconCount();
  long long removed = 0;
  for (long long id = 1; id <= count; ++id) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = static_cast<UINT>(id);
    if (Shell_NotifyIconW(NIM_DELETE, &data)) ++removed;
  }
  if (!broadcast) {
    Print(Format("removed=%lld before=%lld", removed, before));
    return 0;
  }
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (IconCount() != before - removed && GetTickCount64() < deadline) Sleep(5);
  const long long left = IconCount();
  const ULONGLONG sent = GetTickCount64();
  SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  deadline = sent + static_cast<ULONGLONG>(timeoutMs);
  long long now = left;
  while ((now = IconCount()) != before && GetTickCount64() < deadline) Sleep(5);
  Print(Format("removed=%lld before=%lld left=%lld", removed, before, left) +
        Format(" after=%lld ms=%lld", now, static_cast<long long>(GetTickCount64() - sent)));
  return now == before ? 0 : 1;
}

// Starts `file` and times it from the launch until a window of its process
// matching `f` answers a message; then ends the process it started. Prints
// "startup ms=N pid=P", or "startup timeout pid=P".
int Startup(Filter f, const std::wstring& file, long long timeoutMs) {
  std::wstring commandLine = L"\"" + file + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  const ULONGLONG start = GetTickCount64();
  if (!CreateProcessW(file.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    Print(Format("startup error=%lld", static_cast<long long>(GetLastError())));
    return 1;
  }
  f.pid = pi.dwProcessId;
  long long ms = -1;
  while (ms < 0 && GetTickCount64() - start < static_cast<ULONGLONG>(timeoutMs)) {
    for (HWND h : FindWindowsMatching(f)) {
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) {
        ms = static_cast<long long>(GetTickCount64() - start);
        break;
      }
    }
    if (ms < 0) Sleep(2);
  }
  if (ms >= 0) {
    Print(Format("startup ms=%lld pid=%lld", ms, static_cast<long long>(pi.dwProcessId)));
  } else {
    Print(Format("startup timeout pid=%lld", static_cast<long long>(pi.dwProcessId)));
  }
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ms >= 0 ? 0 : 1;
}

int Usage() {
  Print("usage: morimo_probe list|wait|child|items|titlebar|tray|folder|acp|send|foreground|"
        "redraw|record|watch|storm|resources|untray|startup [options]");
  return 2;
}

}  // namespace

int main() {
  // Rectangles and centres are for xdotool, in the screen's own pixels.
  // Windows scales them for a program that is not DPI-aware (Wine 8 gives
  // every program the real ones, aware or not).
  SetProcessDPIAware();
  std::vector<std::wstring> args = tools::WideArgs();
  if (args.empty()) return Usage();
  std::wstring cmd = args[0];
  if (cmd == L"record") {
    if (args.size() < 2) return Usage();
    return Record(args[1], std::vector<std::wstring>(args.begin() + 2, args.end()));
  }
  Filter f;
  Conditions until;
  long long timeoutMs = 10000, id = -1, count = -1, msg = WM_NULL, wp = 0, lp = 0, broadcast = 0;
  bool timeoutGiven = false;
  long long forMs = 600000;
  std::wstring stopFile;
  std::wstring file;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (a == L"--visible-only") {
      f.visibleOnly = true;
      continue;
    }
    if (i + 1 >= args.size()) return Usage();
    const std::wstring& v = args[++i];
    if (a == L"--stop-file") {
      stopFile = v;
      continue;
    }
    long long n = 0;
    bool isNum = tools::ParseInt(v, &n);
    if (a == L"--caption") {
      f.hasCaption = true;
      f.caption = v;
    } else if (a == L"--caption-prefix") {
      f.hasPrefix = true;
      f.prefix = v;
    } else if (a == L"--class") {
      f.className = v;
    } else if (a == L"--file") {
      file = v;
    } else if (a == L"--until") {
      if (!ParseConditions(v, &until)) return Usage();
    } else if (!isNum) {
      return Usage();
    } else if (a == L"--hwnd") {
      f.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(n));
    } else if (a == L"--pid") {
      f.pid = static_cast<DWORD>(n);
    } else if (a == L"--same-process") {
      GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<uintptr_t>(n)), &f.pid);
      if (!f.pid) f.pid = 0xFFFFFFFF;  // no such window: match nothing
    } else if (a == L"--timeout") {
      timeoutMs = n;
      timeoutGiven = true;
    } else if (a == L"--for") {
      forMs = n;
    } else if (a == L"--count") {
      count = n;
    } else if (a == L"--id") {
      id = n;
    } else if (a == L"--msg") {
      msg = n;
    } else if (a == L"--wparam") {
      wp = n;
    } else if (a == L"--lparam") {
      lp = n;
    } else if (a == L"--broadcast") {
      broadcast = n;
    } else {
      return Usage();
    }
  }
  int rc = 2;
  if (cmd == L"list") {
    for (HWND h : FindWindowsMatching(f)) Print(LineOf(Describe(h)));
    rc = 0;
  } else if (cmd == L"wait") {
    rc = until.empty() ? Usage() : Wait(f, until, timeoutMs);
  } else if (cmd == L"child") {
    rc = id < 0 ? Usage() : Child(f, id);
  } else if (cmd == L"items") {
    rc = id < 0 ? Usage() : Items(f, id);
  } else if (cmd == L"titlebar") {
    rc = TitleBar(f);
  } else if (cmd == L"tray") {
    rc = Tray(count, timeoutMs);
  } else if (cmd == L"tips") {
    rc = Tips();
  } else if (cmd == L"acp") {
    Print(Format("%lld", GetACP()));
    rc = 0;
  } else if (cmd == L"folder") {
    // Where the program under test keeps its data: the per-user local
    // application data folder, as SHGetFolderPath gives it.
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return 1;
    Print(tools::ToUtf8(path));
    rc = 0;
  } else if (cmd == L"send") {
    rc = f.hwnd ? Send(f.hwnd, msg, wp, lp, timeoutGiven ? timeoutMs : 1000) : Usage();
  } else if (cmd == L"startup") {
    rc = file.empty() ? Usage() : Startup(f, file, timeoutGiven ? timeoutMs : 120000);
  } else if (cmd == L"watch") {
    rc = f.hwnd ? Watch(f.hwnd, timeoutGiven ? timeoutMs : 1000, forMs, stopFile) : Usage();
  } else if (cmd == L"storm" || cmd == L"resources") {
    if (!f.hwnd || (cmd == L"storm" && file.empty())) return Usage();
    rc = cmd == L"storm" ? Storm(f.hwnd, file, timeoutGiven ? timeoutMs : 1000)
                         : Resources(f.hwnd);
  } else if (cmd == L"untray") {
    rc = f.hwnd ? Untray(f.hwnd, count < 0 ? 1000 : count, broadcast != 0, timeoutMs) : Usage();
  } else if (cmd == L"redraw") {
    if (!f.hwnd) return Usage();
    rc = RedrawWindow(f.hwnd, nullptr, nullptr,
                      RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN)
             ? 0
             : 1;
  } else if (cmd == L"foreground") {
    HWND h = GetForegroundWindow();
    Print(h ? LineOf(Describe(h)) : "hwnd=0x0");
    // The focus of the foreground thread, which may be a control.
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    HWND focus = GetGUIThreadInfo(0, &gui) ? gui.hwndFocus : nullptr;
    Print("focus hwnd=" + tools::ToUtf8(tools::HwndText(focus)) + " class=" +
          (focus ? tools::ToUtf8(ClassOf(focus)) : std::string()));
    rc = 0;
  } else {
    rc = Usage();
  }
  std::fflush(stdout);
  return rc;
}
