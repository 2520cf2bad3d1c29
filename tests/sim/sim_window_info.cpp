// What the program reads and sets on a window of any process: its text and
// class name (bytes, never splitting a double-byte character), window words,
// rectangle, owning process and layered attributes.
#include <cstring>
#include <functional>

#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

const RECT kMinimizedRect = {-32000, -32000, -31840, -31972};

}  // namespace

// ---- texts -----------------------------------------------------------------------------

int SimDesktop::GetWindowTextLengthA(HWND hWnd) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(w->Text().size());
}

int SimDesktop::GetWindowTextA(HWND hWnd, char* buffer, int size) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  ++w->captionReads;
  if (buffer == nullptr || size <= 0) return 0;
  const std::string& text = w->Text();
  size_t n = s_->FitBytes(text, size);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

int SimDesktop::GetClassNameA(HWND hWnd, char* buffer, int size) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  ++w->classReads;
  if (buffer == nullptr || size <= 0) return 0;
  size_t n = s_->FitBytes(w->className, size);
  std::memcpy(buffer, w->className.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

BOOL SimDesktop::SetWindowTextA(HWND hWnd, const std::string& text) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  s_->WaitFor(*w, "SetWindowTextA");
  w->Text() = text;
  w->titleUtf8.reset();
  // A single-line edit field reports a text set by the program as a change,
  // as it reports typing (a combo box's field does not).
  if (std::holds_alternative<EditControl>(w->control) && !(w->style & ES_MULTILINE)) {
    s_->Notify(hWnd, EN_UPDATE);
    s_->Notify(hWnd, EN_CHANGE);
  }
  return TRUE;
}

BOOL SimDesktop::SetWindowTextU8(HWND hWnd, const std::string& text) {
  return SetWindowTextA(hWnd, Utf8ToAnsi(text));
}

std::string SimDesktop::GetWindowTextU8(HWND hWnd) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) return std::string();
  return w->titleUtf8 ? *w->titleUtf8 : AnsiToUtf8(w->Text());
}

int SimDesktop::CaptionReads(HWND hWnd) const {
  const Window* w = s_->Find(hWnd);
  return w != nullptr ? w->captionReads : 0;
}

int SimDesktop::ClassReads(HWND hWnd) const {
  const Window* w = s_->Find(hWnd);
  return w != nullptr ? w->classReads : 0;
}

void SimDesktop::ResetReadCounts() {
  for (auto& entry : s_->windows) {
    entry.second->captionReads = 0;
    entry.second->classReads = 0;
  }
}

// ---- window words, rectangle, process ----------------------------------------------------------

LONG SimDesktop::GetWindowLongA(HWND hWnd, int index) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWL_ID:
      return w->controlId;
    case GWL_USERDATA:
      return w->userData;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG SimDesktop::SetWindowLongA(HWND hWnd, int index, LONG value) {
  State& s = *s_;
  Window* w = s.Changeable(hWnd);
  if (w == nullptr) return 0;
  LONG previous = 0;
  const DWORD v = static_cast<DWORD>(value);
  if (index == GWL_STYLE || index == GWL_EXSTYLE) s.WaitFor(*w, "SetWindowLongA (style)");
  switch (index) {
    case GWL_STYLE:
      previous = static_cast<LONG>(w->style);
      w->style = v;
      if (!w->Visible()) s.ActivateOther(hWnd);
      // A button behaves as its style word says from now on.
      if (auto* button = std::get_if<ButtonControl>(&w->control)) button->type = v & BS_TYPEMASK;
      break;
    case GWL_EXSTYLE:
      previous = static_cast<LONG>(w->exStyle);
      // Only SetWindowPos changes the topmost state.
      w->exStyle = (v & ~WS_EX_TOPMOST) | (w->exStyle & WS_EX_TOPMOST);
      // A window that stops being layered loses its attributes.
      if (!(w->exStyle & WS_EX_LAYERED)) w->hasLayeredAttributes = false;
      break;
    case GWL_ID:
      previous = w->controlId;
      w->controlId = value;
      break;
    case GWL_USERDATA:
      previous = w->userData;
      w->userData = value;
      break;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  SetLastError(0);
  return previous;
}

BOOL SimDesktop::GetWindowInfo(HWND hWnd, WINDOWINFO* info) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (info == nullptr || info->cbSize != sizeof(WINDOWINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECT r = w->Minimized() ? kMinimizedRect : w->rect;
  info->rcWindow = r;
  info->rcClient = {r.left + 8, r.top + 31, r.right - 8, r.bottom - 8};
  if (info->rcClient.right < info->rcClient.left) info->rcClient.right = info->rcClient.left;
  if (info->rcClient.bottom < info->rcClient.top) info->rcClient.bottom = info->rcClient.top;
  info->dwStyle = w->style;
  info->dwExStyle = w->exStyle;
  info->dwWindowStatus = s_->active == hWnd ? WS_ACTIVECAPTION : 0;
  info->cxWindowBorders = 8;
  info->cyWindowBorders = 8;
  info->atomWindowType = static_cast<WORD>(0xC000 + (std::hash<std::string>()(w->className) % 0x3FFF));
  info->wCreatorVersion = 0x0400;
  return TRUE;
}

BOOL SimDesktop::GetWindowRect(HWND hWnd, RECT* rect) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr || rect == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->Minimized()) {
    *rect = kMinimizedRect;
    return TRUE;
  }
  *rect = w->rect;
  // A child's rectangle is kept in its parent's client area.
  if (w->IsControl() || (w->style & WS_CHILD)) {
    if (const Window* parent = s_->Find(w->owner)) {
      const POINT origin = s_->ClientOrigin(*parent);
      *rect = {rect->left + origin.x, rect->top + origin.y, rect->right + origin.x,
               rect->bottom + origin.y};
    }
  }
  return TRUE;
}

DWORD SimDesktop::GetWindowThreadProcessId(HWND hWnd, DWORD* processId) {
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = w->processId;
  return w->processId * 4 + 4;  // one thread per process
}

DWORD SimDesktop::GetCurrentProcessId() { return kOurProcessId; }

BOOL SimDesktop::QueryFullProcessImageNameA(DWORD processId, std::string* path) {
  State& s = *s_;
  ++s.programQueries;
  bool alive = processId == kOurProcessId;
  for (const auto& entry : s.windows) alive = alive || entry.second->processId == processId;
  if (!alive) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (processId == kOurProcessId) {
    char buffer[260] = {};
    GetModuleFileNameA(buffer, sizeof buffer);
    *path = buffer;
    return TRUE;
  }
  auto known = s.programPaths.find(processId);
  *path = known != s.programPaths.end() ? known->second : "C:\\Program Files\\App\\app.exe";
  return TRUE;
}

int SimDesktop::ProgramQueries() const { return s_->programQueries; }

int SimDesktop::ProcessIntegrityLevel(DWORD processId) {
  State& s = *s_;
  constexpr int kMedium = 0x2000, kHigh = 0x3000;
  if (processId == kOurProcessId) return s.weAreElevated ? kHigh : kMedium;
  bool alive = false;
  for (const auto& entry : s.windows) alive = alive || entry.second->processId == processId;
  if (!alive) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  return s.elevatedProcesses.count(processId) != 0 ? kHigh : kMedium;
}

BOOL SimDesktop::IsProcessElevated() { return s_->weAreElevated ? TRUE : FALSE; }

void SimDesktop::SetProcessElevated(DWORD processId, bool elevated) {
  if (elevated) {
    s_->elevatedProcesses.insert(processId);
  } else {
    s_->elevatedProcesses.erase(processId);
  }
}

void SimDesktop::SetOurselvesElevated(bool elevated) { s_->weAreElevated = elevated; }

void SimDesktop::Sleep(DWORD ms) { s_->now += ms; }

// ---- layered windows -------------------------------------------------------------------------

void SimDesktop::SetLayeredApi(bool libraryLoads, bool hasGet, bool hasSet) {
  s_->layeredLibraryLoads = libraryLoads;
  s_->layeredHasGet = hasGet;
  s_->layeredHasSet = hasSet;
}

BOOL SimDesktop::QueryLayeredApi(BOOL* hasGet, BOOL* hasSet) {
  if (!s_->layeredLibraryLoads) return FALSE;
  if (hasGet != nullptr) *hasGet = s_->layeredHasGet;
  if (hasSet != nullptr) *hasSet = s_->layeredHasSet;
  return TRUE;
}

BOOL SimDesktop::GetLayeredWindowAttributes(HWND hWnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  if (!s_->layeredLibraryLoads || !s_->layeredHasGet) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  const Window* w = s_->Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED) || !w->hasLayeredAttributes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (key != nullptr) *key = w->layeredKey;
  if (alpha != nullptr) *alpha = w->layeredAlpha;
  if (flags != nullptr) *flags = w->layeredFlags;
  return TRUE;
}

BOOL SimDesktop::SetLayeredWindowAttributes(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags) {
  if (!s_->layeredLibraryLoads || !s_->layeredHasSet) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  Window* w = s_->Find(hWnd);
  if (w != nullptr && s_->Refuses(*w)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  w->hasLayeredAttributes = true;
  w->layeredKey = key;
  w->layeredAlpha = alpha;
  w->layeredFlags = flags;
  return TRUE;
}


}  // namespace mm::sim
