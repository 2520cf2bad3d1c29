// A link label on the real window system: the underlined font made at its
// first paint, the colours its dialog paints it with, the hand and the
// orange colour when the real pointer comes over it, and where the hand
// comes from.
#include "ui/link_static.h"

#include "tests/wine/win32_test_support.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_internal.h"

namespace mm::win32test {
namespace {

constexpr int kLinkId = 2001;

class Win32LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetOs(&os_);
    MovePointer(::POINT{1200, 1000});  // away from where the dialog will be
    dialog_ = os_.CreateDialogIndirectU8(template_.Data(), nullptr, &host_);
    ASSERT_NE(dialog_, nullptr);
    // A static as the dialog manager makes one from a template, with the
    // dialog's font.
    link_ = ::CreateWindowExW(0, L"Static", L"https://example.com/",
                              WS_CHILD | WS_VISIBLE | SS_NOTIFY, 20, 20, 160, 16, W(dialog_),
                              reinterpret_cast<::HMENU>(static_cast<::INT_PTR>(kLinkId)),
                              ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(link_, nullptr);
    // Above the test dialog's other controls, where the pointer will find it.
    ::SetWindowPos(link_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessageW(link_, WM_SETFONT, ::SendMessageW(W(dialog_), WM_GETFONT, 0, 0), FALSE);
    dialogFont_ = Font();
    ASSERT_TRUE(label_.Attach(M(link_)));
  }
  void TearDown() override {
    if (dialog_ && ::IsWindow(W(dialog_))) os_.DestroyWindow(dialog_);
    SetOs(nullptr);
  }

  ::HFONT Font() const { return reinterpret_cast<::HFONT>(::SendMessageW(link_, WM_GETFONT, 0, 0)); }
  void Show() {
    // Away from the corner where Wine keeps its tray window.
    ::SetWindowPos(W(dialog_), nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(W(dialog_), SW_SHOW);
    ::SetForegroundWindow(W(dialog_));
    ::UpdateWindow(W(dialog_));
    PumpUntil([] { return false; }, 200);
  }
  // The colours the dialog paints the label with, as its static asks them.
  ::COLORREF TextColour(::HBRUSH* brush = nullptr, ::COLORREF* background = nullptr) const {
    ::HDC dc = ::CreateCompatibleDC(nullptr);
    auto answer = reinterpret_cast<::HBRUSH>(::SendMessageW(
        W(dialog_), WM_CTLCOLORSTATIC, reinterpret_cast<::WPARAM>(dc), reinterpret_cast<::LPARAM>(link_)));
    const ::COLORREF colour = ::GetTextColor(dc);
    if (brush != nullptr) *brush = answer;
    if (background != nullptr) *background = ::GetBkColor(dc);
    ::DeleteDC(dc);
    return colour;
  }
  // The real pointer moves to a screen point.
  static void MovePointer(::POINT at) {
    ::INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(at.x, 65536, ::GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = ::MulDiv(at.y, 65536, ::GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof input);
  }

  Win32Platform os_;
  TestTemplate template_;
  RecordingHost host_;
  mm::HWND dialog_ = nullptr;
  ::HWND link_ = nullptr;
  ::HFONT dialogFont_ = nullptr;
  CLinkStatic label_;
};

TEST_F(Win32LinkTest, UnderlinedFromTheFirstPaintOnInTheLinkColours) {
  EXPECT_EQ(Font(), dialogFont_);  // not painted yet: no font of its own
  Show();
  ::HFONT font = Font();
  ASSERT_NE(font, dialogFont_);
  ::LOGFONTW underlined{}, original{};
  ASSERT_NE(::GetObjectW(font, sizeof underlined, &underlined), 0);
  ASSERT_NE(::GetObjectW(dialogFont_, sizeof original, &original), 0);
  EXPECT_TRUE(underlined.lfUnderline);
  EXPECT_EQ(std::wstring(underlined.lfFaceName), std::wstring(original.lfFaceName));
  EXPECT_EQ(underlined.lfHeight, original.lfHeight);

  ::HBRUSH brush = nullptr;
  ::COLORREF background = 0;
  EXPECT_EQ(TextColour(&brush, &background), static_cast<::COLORREF>(CLinkStatic::kNormalColour));
  EXPECT_NE(brush, nullptr);
  EXPECT_EQ(background, ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(Win32LinkTest, TheRealPointerOverItShowsTheHandAndTurnsItOrange) {
  Show();
  ::RECT r{};
  ::GetWindowRect(link_, &r);
  MovePointer(::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() == link_; }));
  // Under Wine the help program has no cursor 106: the system's hand.
  bool owned = true;
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  ::HCURSOR hand = win32::LoadLinkCursor(std::wstring(windows) + L"\\winhlp32.exe", &owned);
  if (owned) ::DestroyCursor(hand);
  ASSERT_FALSE(owned) << "this Windows folder's help program has a hand of its own";
  ::CURSORINFO shown{};
  shown.cbSize = sizeof shown;
  ASSERT_TRUE(::GetCursorInfo(&shown));
  EXPECT_EQ(shown.hCursor, ::LoadCursorA(nullptr, IDC_HAND));
  EXPECT_EQ(TextColour(), static_cast<::COLORREF>(CLinkStatic::kHotColour));

  MovePointer(::POINT{r.right + 40, r.bottom + 40});
  ASSERT_TRUE(PumpUntil([] { return ::GetCapture() == nullptr; }));
  EXPECT_EQ(TextColour(), static_cast<::COLORREF>(CLinkStatic::kNormalColour));
}

TEST(Win32LinkCursor, TheHelpProgramsHandWhenItHasOneElseTheSystems) {
  // This program carries a cursor 106, so a copy of it stands in for a
  // help program that has the hand.
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring help = std::wstring(temp) + L"morimo_link_winhlp32.exe";
  ASSERT_TRUE(::CopyFileW(self, help.c_str(), FALSE));

  bool owned = false;
  ::HCURSOR copy = win32::LoadLinkCursor(help, &owned);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(owned);
  ::ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(copy, &info));  // still whole with the file unloaded
  EXPECT_EQ(info.xHotspot, 3u);
  EXPECT_EQ(info.yHotspot, 1u);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  EXPECT_TRUE(::DestroyCursor(copy));  // a copy: ours to destroy
  ::DeleteFileW(help.c_str());

  ::HCURSOR system = win32::LoadLinkCursor(help, &owned);
  EXPECT_FALSE(owned);
  EXPECT_EQ(system, ::LoadCursorA(nullptr, IDC_HAND));
}

}  // namespace
}  // namespace mm::win32test
