// Notification-area icons through the Win32 backend, on the real shell.
#include "tests/wine/win32_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/text.h"

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
    mm::NOTIFYICONDATAW data = Record(1);
    os_.Shell_NotifyIconW(NIM_DELETE, &data);
    ::DestroyWindow(owner_);
  }
  mm::NOTIFYICONDATAW Record(UINT id, const char* tip = "") {
    mm::NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = M(owner_);
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP + 1;
    data.hIcon = M(::LoadIconA(nullptr, IDI_APPLICATION));
    const std::u16string wide = mm::Utf8ToUtf16(tip);
    std::copy_n(wide.begin(), std::min(wide.size(), std::size(data.szTip) - 1), data.szTip);
    return data;
  }

  Win32Platform os_;
  ::HWND owner_ = nullptr;
};

// Adding, changing and removing an icon are in the shared contract; these
// are the refusals and the record handling of the backend itself.
TEST_F(Win32TrayTest, EachIconIsAddedAndDeletedOnlyOnce) {
  mm::NOTIFYICONDATAW data = Record(1, "first tip");
  ASSERT_TRUE(os_.Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_FALSE(os_.Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_EQ(data.cbSize, sizeof(mm::NOTIFYICONDATAW));  // the caller's record is untouched

  // A tip of text beyond the ANSI code page, as another program's title
  // may be.
  data = Record(1, "\xE3\x83\xA1\xE3\x83\xA2 \xF0\x9F\x8E\xB5");  // "メモ 🎵"
  EXPECT_TRUE(os_.Shell_NotifyIconW(NIM_MODIFY, &data));
  EXPECT_TRUE(os_.Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_FALSE(os_.Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_FALSE(os_.Shell_NotifyIconW(NIM_ADD, nullptr));
}

}  // namespace
}  // namespace mm::win32test
