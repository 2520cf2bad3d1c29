// Notification-area icons through the Win32 backend, on the real shell.
#include "tests/wine/win32_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace mm::win32test {
namespace {

class Win32TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The icons' owner: a hidden ordinary top-level window, as ours is.
    ::WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MorimoTestTrayOwner";
    ::RegisterClassExW(&wc);
    owner_ = ::CreateWindowExW(0, wc.lpszClassName, L"tray owner", WS_OVERLAPPEDWINDOW, 0, 0,
                               100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    mm::NOTIFYICONDATAA data = Record(1);
    os_.Shell_NotifyIconA(NIM_DELETE, &data);
    ::DestroyWindow(owner_);
  }
  mm::NOTIFYICONDATAA Record(UINT id, const char* tip = "") {
    mm::NOTIFYICONDATAA data{};
    data.cbSize = sizeof(data);
    data.hWnd = M(owner_);
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP + 1;
    data.hIcon = M(::LoadIconA(nullptr, IDI_APPLICATION));
    std::strncpy(data.szTip, tip, sizeof(data.szTip) - 1);
    return data;
  }

  Win32Platform os_;
  ::HWND owner_ = nullptr;
};

// Adding, changing and removing an icon are in the shared contract; these
// are the refusals and the record handling of the backend itself.
TEST_F(Win32TrayTest, EachIconIsAddedAndDeletedOnlyOnce) {
  mm::NOTIFYICONDATAA data = Record(1, "first tip");
  ASSERT_TRUE(os_.Shell_NotifyIconA(NIM_ADD, &data));
  EXPECT_FALSE(os_.Shell_NotifyIconA(NIM_ADD, &data));
  EXPECT_EQ(data.cbSize, sizeof(mm::NOTIFYICONDATAA));  // the caller's record is untouched

  // A tip of double-byte text in the ANSI code page, as another program's
  // caption would be.
  data = Record(1, os_.Utf8ToAnsi("\xE3\x83\xA1\xE3\x83\xA2").c_str());  // "メモ"
  EXPECT_TRUE(os_.Shell_NotifyIconA(NIM_MODIFY, &data));
  EXPECT_TRUE(os_.Shell_NotifyIconA(NIM_DELETE, &data));
  EXPECT_FALSE(os_.Shell_NotifyIconA(NIM_DELETE, &data));
  EXPECT_FALSE(os_.Shell_NotifyIconA(NIM_ADD, nullptr));
}

}  // namespace
}  // namespace mm::win32test
