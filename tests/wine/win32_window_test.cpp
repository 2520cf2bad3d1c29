// The Win32 backend on real windows, for the promises the shared contract
// suite cannot state on the simulated desktop: bounded sends to an
// application that stops answering, class icons, callbacks through user32.
#include "tests/wine/win32_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace mm::win32test {
namespace {

constexpr ::UINT kHangMessage = WM_APP + 10;

// Another "application": a thread with a window of its own class and its
// own message loop. On kHangMessage it stops pumping until released.
class OtherApplication {
 public:
  OtherApplication() {
    release_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
    while (!ready_.load()) std::this_thread::yield();
  }
  ~OtherApplication() {
    ::SetEvent(release_);
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
    ::CloseHandle(release_);
  }
  ::HWND Window() const { return hwnd_; }
  ::HICON ClassIcon() const { return classIcon_; }
  void Hang() { ::PostMessageW(hwnd_, kHangMessage, 0, 0); }
  bool Hanging() const { return hanging_.load(); }
  void Release() { ::SetEvent(release_); }

 private:
  static ::LRESULT CALLBACK Proc(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
    auto* self = reinterpret_cast<OtherApplication*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == kHangMessage && self != nullptr) {
      self->hanging_ = true;
      ::WaitForSingleObject(self->release_, 20000);
      self->hanging_ = false;
      return 0;
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  void Run() {
    classIcon_ = ::LoadIconA(nullptr, IDI_INFORMATION);
    ::WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hIcon = classIcon_;
    wc.lpszClassName = L"MorimoTestOtherApp";
    ::RegisterClassExW(&wc);  // the second test finds it registered
    hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"Other application", WS_OVERLAPPEDWINDOW,
                              100, 100, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<::LONG_PTR>(this));
    ready_ = true;
    ::MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  }

  std::thread thread_;
  ::HANDLE release_ = nullptr;
  ::HWND hwnd_ = nullptr;
  ::HICON classIcon_ = nullptr;
  std::atomic<bool> ready_{false};
  std::atomic<bool> hanging_{false};
};

TEST(Win32WindowTest, AnsweringApplicationGivesItsIconsAndAHungOneTimesOut) {
  Win32Platform os;
  OtherApplication app;
  mm::HWND window = M(app.Window());
  EXPECT_EQ(os.GetClassIcon(window, GCL_HICON), M(app.ClassIcon()));
  ::SendMessageW(app.Window(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<::LPARAM>(app.ClassIcon()));

  DWORD_PTR answer = 0;
  ASSERT_TRUE(os.SendMessageTimeoutA(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 200,
                                     &answer));
  EXPECT_EQ(answer, reinterpret_cast<DWORD_PTR>(app.ClassIcon()));

  app.Hang();
  ASSERT_TRUE(PumpUntil([&] { return app.Hanging(); }));
  const ::DWORD start = ::GetTickCount();
  answer = 12345;
  EXPECT_FALSE(os.SendMessageTimeoutA(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 200,
                                      &answer));
  // Far below the 20 s the application would keep us waiting otherwise.
  EXPECT_LT(::GetTickCount() - start, 5000u);
  EXPECT_EQ(answer, 0u);  // no stale value for a caller that ignores the result

  app.Release();
  ASSERT_TRUE(PumpUntil([&] { return !app.Hanging(); }));
  EXPECT_TRUE(os.SendMessageTimeoutA(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 1000,
                                     &answer));
}

struct EnumState {
  ::HWND wanted;
  int calls = 0;
  bool found = false;
};

TEST(Win32WindowTest, AnExceptionInTheEnumerationCallbackReachesTheCaller) {
  Win32Platform os;
  OtherApplication app;
  int calls = 0;
  // Unwinding through user32's frames is not allowed; the backend stops
  // the enumeration and throws again on our side.
  EXPECT_THROW(os.EnumWindows(
                   [](mm::HWND, mm::LPARAM lParam) -> mm::BOOL {
                     ++*reinterpret_cast<int*>(lParam);
                     throw std::runtime_error("callback failed");
                   },
                   reinterpret_cast<mm::LPARAM>(&calls)),
               std::runtime_error);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace mm::win32test
