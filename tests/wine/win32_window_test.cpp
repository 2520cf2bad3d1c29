// The Win32 backend on real windows, for the promises the shared contract
// suite cannot state on the simulated desktop: bounded sends to an
// application that stops answering, callbacks through user32, class icons
// and records passed through unchanged.
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

TEST(Win32WindowTest, SendToAnApplicationThatStopsAnsweringGivesUpAfterTheBound) {
  Win32Platform os;
  OtherApplication app;
  mm::HWND window = M(app.Window());
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

TEST(Win32WindowTest, ReadsOfAnotherThreadsWindow) {
  Win32Platform os;
  OtherApplication app;
  mm::HWND window = M(app.Window());
  EXPECT_EQ(os.GetClassIcon(window, GCL_HICON), M(app.ClassIcon()));
  EXPECT_EQ(os.GetClassIcon(window, GCL_HICONSM) != nullptr,
            ::GetClassLongPtrW(app.Window(), GCLP_HICONSM) != 0);

  mm::DWORD process = 0;
  EXPECT_EQ(os.GetWindowThreadProcessId(window, &process),
            ::GetWindowThreadProcessId(app.Window(), nullptr));
  EXPECT_EQ(process, os.GetCurrentProcessId());

  char text[64] = {};
  EXPECT_EQ(os.GetClassNameA(window, text, 6), 5);  // cut to size - 1, terminated
  EXPECT_STREQ(text, "Morim");

  ::SetWindowPos(app.Window(), nullptr, 40, 50, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  mm::WINDOWINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(os.GetWindowInfo(window, &info));
  mm::RECT rect{};
  ASSERT_TRUE(os.GetWindowRect(window, &rect));
  EXPECT_EQ(info.rcWindow.left, 40);
  EXPECT_EQ(rect.left, 40);
  EXPECT_EQ(rect.bottom - rect.top, 200);
  EXPECT_EQ(info.dwStyle, static_cast<mm::DWORD>(os.GetWindowLongA(window, GWL_STYLE)));
  EXPECT_EQ(info.atomWindowType, static_cast<mm::WORD>(::GetClassLongW(app.Window(), GCW_ATOM)));
}

struct EnumState {
  ::HWND wanted;
  int calls = 0;
  bool found = false;
};

TEST(Win32WindowTest, EnumerationStopsOnFalseAndCarriesExceptionsToTheCaller) {
  Win32Platform os;
  OtherApplication app;
  EnumState state{app.Window()};
  os.EnumWindows(
      [](mm::HWND hwnd, mm::LPARAM lParam) -> mm::BOOL {
        auto* s = reinterpret_cast<EnumState*>(lParam);
        ++s->calls;
        if (W(hwnd) != s->wanted) return TRUE;
        s->found = true;
        return FALSE;
      },
      reinterpret_cast<mm::LPARAM>(&state));
  EXPECT_TRUE(state.found);
  const int callsToFind = state.calls;

  state = EnumState{app.Window()};
  EXPECT_THROW(os.EnumWindows(
                   [](mm::HWND, mm::LPARAM lParam) -> mm::BOOL {
                     ++reinterpret_cast<EnumState*>(lParam)->calls;
                     throw std::runtime_error("callback failed");
                   },
                   reinterpret_cast<mm::LPARAM>(&state)),
               std::runtime_error);
  EXPECT_EQ(state.calls, 1);
  EXPECT_GE(callsToFind, 1);
}

TEST(Win32WindowTest, LayeredCallsAreFoundAtRunTimeAndWork) {
  Win32Platform os;
  OtherApplication app;
  mm::HWND window = M(app.Window());
  BOOL hasGet = FALSE, hasSet = FALSE;
  ASSERT_TRUE(os.QueryLayeredApi(&hasGet, &hasSet));
  EXPECT_TRUE(hasGet);
  EXPECT_TRUE(hasSet);

  COLORREF key = 1;
  BYTE alpha = 1;
  DWORD flags = 1;
  EXPECT_FALSE(os.GetLayeredWindowAttributes(window, &key, &alpha, &flags));  // not layered

  const LONG exStyle = os.GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_EQ(os.SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED), exStyle);
  ASSERT_TRUE(os.SetLayeredWindowAttributes(window, 0, 128, LWA_ALPHA));
  ASSERT_TRUE(os.GetLayeredWindowAttributes(window, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
  EXPECT_EQ(os.SetWindowLongA(window, GWL_EXSTYLE, exStyle), exStyle | WS_EX_LAYERED);
}

}  // namespace
}  // namespace mm::win32test
