// The contract suite's world on the real window system: the seam is a
// Win32Platform, and the "other applications" are real top-level windows
// that this test process creates with CreateWindowExA.
#include "tests/contract/contract_world.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sdk.h"

namespace mm::contract {
namespace {

::HWND W(mm::HWND h) { return reinterpret_cast<::HWND>(h); }
mm::HWND M(::HWND h) { return reinterpret_cast<mm::HWND>(h); }

// One window class per class name the tests ask for. The default window
// procedure answers WM_SYSCOMMAND, WM_CLOSE and WM_GETICON as an ordinary
// application's window does. Classes live as long as the process.
void EnsureClass(const std::string& className) {
  static std::set<std::string> registered;
  if (registered.count(className)) return;
  ::WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<::HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className.c_str();
  if (::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    registered.insert(className);
  }
}

void DeleteTree(const std::string& folder) {
  ::WIN32_FIND_DATAA found{};
  ::HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path + "\\");
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(folder.c_str());
}

class Win32World : public ContractWorld {
 public:
  Win32World() { SetOs(&platform_); }

  ~Win32World() override {
    // The shell holds icons by owner window; the windows' end takes them
    // away, and the pump lets that happen before the next test.
    for (::HWND hwnd : windows_) {
      if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
    Settle();
    if (!scratch_.empty()) DeleteTree(scratch_);
    SetOs(nullptr);
  }

  Platform& os() override { return platform_; }

  mm::HWND CreateTopLevel(const std::string& caption, const std::string& className, bool visible,
                          mm::DWORD style, mm::DWORD exStyle) override {
    EnsureClass(className);
    if (visible) style |= WS_VISIBLE;
    ::HWND hwnd = ::CreateWindowExA(exStyle, className.c_str(), caption.c_str(), style,
                                    60 + 20 * static_cast<int>(windows_.size() % 10), 60, 320,
                                    200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (hwnd != nullptr) windows_.push_back(hwnd);
    Settle();
    return M(hwnd);
  }

  void Destroy(mm::HWND hWnd) override {
    ::DestroyWindow(W(hWnd));
    Settle();
  }

  void Settle() override {
    // Drain our queue; then give the X server and the shell a moment to
    // answer with more (under Wine, effects come back as messages). Done
    // when a short spell passes without any, or the deadline is reached.
    const ::DWORD deadline = ::GetTickCount() + 2000;
    for (;;) {
      ::MSG msg;
      while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          // A quit from a test is the test's business; keep it for it.
          ::PostQuitMessage(static_cast<int>(msg.wParam));
          return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
      }
      const ::DWORD now = ::GetTickCount();
      if (static_cast<::LONG>(deadline - now) <= 0) return;
      ::DWORD wait = std::min<::DWORD>(30, deadline - now);
      if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT) == WAIT_TIMEOUT) {
        return;
      }
    }
  }

  std::string ScratchFolder() override {
    if (scratch_.empty()) {
      static int serial = 0;
      char temp[MAX_PATH + 1] = {};
      ::DWORD length = ::GetTempPathA(sizeof(temp), temp);
      std::string base = length > 0 && length < sizeof(temp) ? std::string(temp, length) : "C:\\";
      if (base.back() != '\\') base += '\\';
      for (;;) {
        std::string folder = base + "morimo-contract-" + std::to_string(::GetCurrentProcessId()) +
                             "-" + std::to_string(++serial) + "\\";
        if (::CreateDirectoryA(folder.c_str(), nullptr)) {
          scratch_ = folder;
          break;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
      }
    }
    return scratch_;
  }

  bool IsSimulated() const override { return false; }

 private:
  Win32Platform platform_;
  std::vector<::HWND> windows_;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<ContractWorld> MakeContractWorld() { return std::make_unique<Win32World>(); }

}  // namespace mm::contract
