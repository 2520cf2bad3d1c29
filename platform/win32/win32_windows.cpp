// Windows of any process and the messages we send and post to them.
#include "platform/win32/win32_internal.h"

#include <cstring>
#include <exception>
#include <map>
#include <system_error>
#include <thread>

static_assert(sizeof(mm::WINDOWINFO) == sizeof(::WINDOWINFO), "WINDOWINFO");
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, rcWindow);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, rcClient);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, dwStyle);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, dwExStyle);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, dwWindowStatus);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, cxWindowBorders);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, atomWindowType);
MM_SAME_OFFSET(WINDOWINFO, WINDOWINFO, wCreatorVersion);
static_assert(sizeof(mm::RECT) == sizeof(::RECT), "RECT");

// Our handle types are distinct pointer types of the same size; values pass
// unchanged.
static_assert(sizeof(mm::HWND) == sizeof(::HWND) && sizeof(mm::LPARAM) == sizeof(::LPARAM) &&
                  sizeof(mm::WPARAM) == sizeof(::WPARAM) &&
                  sizeof(mm::DWORD) == sizeof(::DWORD) && sizeof(mm::LONG) == sizeof(::LONG),
              "handle and integer widths");

namespace mm {

using win32::M;
using win32::W;

namespace {

struct EnumContext {
  WNDENUMPROC proc;
  LPARAM lParam;
  std::exception_ptr error;
};

BOOL CALLBACK EnumThunk(::HWND hwnd, ::LPARAM lParam) {
  auto* context = reinterpret_cast<EnumContext*>(lParam);
  try {
    return context->proc(M(hwnd), context->lParam) ? TRUE : FALSE;
  } catch (...) {
    // Carried past user32 and rethrown to our caller.
    context->error = std::current_exception();
    return FALSE;
  }
}

}  // namespace

BOOL Win32Platform::IsWindow(HWND hWnd) { return ::IsWindow(W(hWnd)); }
BOOL Win32Platform::IsWindowVisible(HWND hWnd) { return ::IsWindowVisible(W(hWnd)); }
BOOL Win32Platform::IsIconic(HWND hWnd) { return ::IsIconic(W(hWnd)); }
int Win32Platform::GetWindowTextLengthA(HWND hWnd) { return ::GetWindowTextLengthA(W(hWnd)); }

int Win32Platform::GetWindowTextA(HWND hWnd, char* buffer, int size) {
  return ::GetWindowTextA(W(hWnd), buffer, size);
}

int Win32Platform::GetClassNameA(HWND hWnd, char* buffer, int size) {
  return ::GetClassNameA(W(hWnd), buffer, size);
}

BOOL Win32Platform::EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  EnumContext context{proc, lParam, nullptr};
  BOOL result = ::EnumWindows(EnumThunk, reinterpret_cast<::LPARAM>(&context));
  if (context.error) std::rethrow_exception(context.error);
  return result;
}

BOOL Win32Platform::ShowWindow(HWND hWnd, int cmd) { return ::ShowWindow(W(hWnd), cmd); }
BOOL Win32Platform::ShowWindowAsync(HWND hWnd, int cmd) {
  return ::ShowWindowAsync(W(hWnd), cmd);
}

BOOL Win32Platform::SendMessageTimeoutA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                        UINT flags, UINT timeoutMs, DWORD_PTR* result) {
  ::DWORD_PTR answer = 0;
  ::LRESULT ok =
      ::SendMessageTimeoutA(W(hWnd), msg, wParam, lParam, flags, timeoutMs, &answer);
  if (result != nullptr) *result = ok ? answer : 0;
  return ok ? TRUE : FALSE;
}

std::vector<bool> Win32Platform::ProgramsAnswer(const std::vector<HWND>& windows,
                                                UINT timeoutMs) {
  // One question a window thread, each from a thread of its own, so that
  // the hung programs wait out the bound together rather than in turn.
  // Our own thread answers by running this: its windows are not asked
  // (the question would wait for the join below).
  std::map<::DWORD, std::vector<std::size_t>> byThread;
  std::vector<char> answered(windows.size(), 0);
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const ::DWORD thread = ::GetWindowThreadProcessId(W(windows[i]), nullptr);
    if (thread == ::GetCurrentThreadId()) {
      answered[i] = 1;
    } else if (thread != 0) {
      byThread[thread].push_back(i);
    }
  }
  std::vector<std::thread> askers;
  askers.reserve(byThread.size());
  try {
    for (const auto& entry : byThread) {
      const std::vector<std::size_t>* members = &entry.second;
      askers.emplace_back([&windows, &answered, members, timeoutMs] {
        ::DWORD_PTR ignored = 0;
        const bool ok = ::SendMessageTimeoutW(W(windows[members->front()]), WM_NULL, 0, 0,
                                              SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
        for (std::size_t i : *members) answered[i] = ok ? 1 : 0;
      });
    }
  } catch (const std::system_error&) {
    // No more threads to be had: the rest count as not answering.
  }
  for (std::thread& asker : askers) asker.join();
  return std::vector<bool>(answered.begin(), answered.end());
}

BOOL Win32Platform::PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(W(hWnd), msg, wParam, lParam);
}

LRESULT Win32Platform::SendMessageToOwnWindow(HWND hWnd, UINT msg, WPARAM wParam,
                                              LPARAM lParam) {
  return ::SendMessageW(W(hWnd), msg, wParam, lParam);
}

BOOL Win32Platform::InSendMessage() { return win32::HandlingAnotherThreadsMessage() ? TRUE : FALSE; }

BOOL Win32Platform::SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy,
                                 UINT flags) {
  return ::SetWindowPos(W(hWnd), W(insertAfter), x, y, cx, cy, flags);
}

BOOL Win32Platform::SetForegroundWindow(HWND hWnd) { return ::SetForegroundWindow(W(hWnd)); }
HWND Win32Platform::GetForegroundWindow() { return M(::GetForegroundWindow()); }

LONG Win32Platform::GetWindowLongA(HWND hWnd, int index) {
  return static_cast<LONG>(::GetWindowLongA(W(hWnd), index));
}

LONG Win32Platform::SetWindowLongA(HWND hWnd, int index, LONG value) {
  return static_cast<LONG>(::SetWindowLongA(W(hWnd), index, value));
}

BOOL Win32Platform::GetWindowInfo(HWND hWnd, WINDOWINFO* info) {
  if (info == nullptr) return ::GetWindowInfo(W(hWnd), nullptr);
  ::WINDOWINFO real;
  std::memcpy(&real, info, sizeof(real));  // cbSize is the caller's
  BOOL ok = ::GetWindowInfo(W(hWnd), &real);
  if (ok) std::memcpy(info, &real, sizeof(real));
  return ok;
}

BOOL Win32Platform::GetWindowRect(HWND hWnd, RECT* rect) {
  ::RECT real{};
  BOOL ok = ::GetWindowRect(W(hWnd), &real);
  if (ok && rect != nullptr) {
    *rect = RECT{static_cast<LONG>(real.left), static_cast<LONG>(real.top),
                 static_cast<LONG>(real.right), static_cast<LONG>(real.bottom)};
  }
  return ok;
}

DWORD Win32Platform::GetWindowThreadProcessId(HWND hWnd, DWORD* processId) {
  ::DWORD process = 0;
  ::DWORD thread = ::GetWindowThreadProcessId(W(hWnd), &process);
  if (processId != nullptr) *processId = process;
  return thread;
}

DWORD Win32Platform::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace mm
