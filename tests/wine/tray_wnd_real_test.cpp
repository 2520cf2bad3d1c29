// CTrayWnd against real windows: the other application's window is a
// DefWindowProc window of this process, the manager an invisible one.
#include "core/tray_wnd.h"
#include "core/tray_wnd_spec.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sdk.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace mm {
namespace {

mm::HWND M(::HWND h) { return reinterpret_cast<mm::HWND>(h); }

// Dispatches our messages until `done` holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& done, ::DWORD ms = 3000) {
  const ::DWORD start = ::GetTickCount();
  for (;;) {
    ::MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (::GetTickCount() - start > ms) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

::HWND Create(const char* caption, ::DWORD style) {
  static const char kClass[] = "MorimoTrayWndTarget";
  static bool registered = false;
  if (!registered) {
    ::WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<::HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClass;
    registered = ::RegisterClassExA(&wc) != 0;
  }
  return ::CreateWindowExA(0, kClass, caption, style, 100, 100, 300, 200, nullptr, nullptr,
                           ::GetModuleHandleA(nullptr), nullptr);
}

class TrayWndReal : public ::testing::Test {
 protected:
  TrayWndReal() {
    SetOs(&platform);
    rule.UseCaption = 0;
    rule.UseClassname = 0;
    rule.ShowIconOnlyHidden = 0;
    rule.ShowTopMost = 0;
    rule.DisableTitleStyleChanging = 0;
    owner = Create("MoriMo test owner", WS_OVERLAPPEDWINDOW);
    target = Create("Real target", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    PumpUntil([] { return false; }, 100);
  }
  ~TrayWndReal() override {
    wnd.reset();
    ::DestroyWindow(target);
    ::DestroyWindow(owner);
    PumpUntil([] { return false; }, 100);
    SetOs(nullptr);
  }

  int Take() {
    wnd = std::make_unique<CTrayWnd>();
    return wnd->Attach(new TrayWndHandles{M(target), M(owner)}, &rule);
  }
  int Alpha() {
    ::BYTE alpha = 0;
    ::DWORD flags = 0;
    ::COLORREF key = 0;
    if (!::GetLayeredWindowAttributes(target, &key, &alpha, &flags) || flags != LWA_ALPHA)
      return -1;
    return alpha;
  }

  Win32Platform platform;
  CTrayWndSpec rule;
  ::HWND owner = nullptr;
  ::HWND target = nullptr;
  std::unique_ptr<CTrayWnd> wnd;
};

TEST_F(TrayWndReal, HideAndShow) {
  ASSERT_EQ(1, Take());
  EXPECT_EQ(1, wnd->IconShown);
  wnd->Hide();
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(target) && ::IsIconic(target); }));
  EXPECT_EQ(1, wnd->Tick());
  wnd->Show(1);
  EXPECT_TRUE(PumpUntil([&] {
    return ::IsWindowVisible(target) && !::IsIconic(target) && ::GetForegroundWindow() == target;
  }));
  wnd->Tick();
  EXPECT_EQ(1, wnd->Active);
}

TEST_F(TrayWndReal, OpacityReadsBackAndRevertRestoresTheStyleWords) {
  ASSERT_EQ(1, Take());
  const ::LONG style = ::GetWindowLongA(target, GWL_STYLE);
  const ::LONG exStyle = ::GetWindowLongA(target, GWL_EXSTYLE);
  EXPECT_EQ(1, wnd->IsOpacityAvailable());
  wnd->AlphaActive = wnd->AlphaInactive = 50;
  wnd->ApplyOpacity();
  EXPECT_TRUE(PumpUntil([&] { return Alpha() == 127; }));
  wnd->SetTitleStyle(2);
  EXPECT_EQ(0, ::GetWindowLongA(target, GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(127, Alpha());  // the layered bit and its alpha survive the change
  wnd->SetTitleStyle(1);
  EXPECT_NE(0, ::GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  wnd->Hide();
  EXPECT_EQ(1, wnd->Revert());
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(target) != FALSE; }));
  EXPECT_EQ(style, ::GetWindowLongA(target, GWL_STYLE));
  EXPECT_EQ(exStyle, ::GetWindowLongA(target, GWL_EXSTYLE));
  EXPECT_EQ(-1, Alpha());
}

TEST_F(TrayWndReal, DestroyedWindowIsReportedToTheOwnerOnce) {
  ASSERT_EQ(1, Take());
  ::DestroyWindow(target);
  EXPECT_EQ(0, wnd->Tick());
  EXPECT_EQ(0, wnd->Tick());
  int reports = 0;
  ::MSG msg;
  while (::PeekMessageA(&msg, owner, WMA_WINDOW_DESTROYED, WMA_WINDOW_DESTROYED, PM_REMOVE)) {
    ++reports;
    EXPECT_EQ(wnd->Id(), msg.wParam);
    EXPECT_EQ(reinterpret_cast<::LPARAM>(target), msg.lParam);
  }
  EXPECT_EQ(1, reports);
}

}  // namespace
}  // namespace mm
