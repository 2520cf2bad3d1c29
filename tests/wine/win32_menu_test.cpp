// Popup menus of the Win32 backend: the caller's changes on a real menu,
// and a popup of our menu resource shown and chosen from with the keyboard.
#include "tests/wine/win32_test_support.h"
#include "tests/wine/wine_test_resources.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_internal.h"

namespace mm::win32test {
namespace {

constexpr ::UINT kFirst = 11, kInner = 21, kTwin = 31, kLast = 12;

// Builds:  First | Sub > (Inner, Twin ticked) | separator | Twin ticked |
// Last greyed.
::HMENU BuildMenu() {
  ::HMENU menu = ::CreatePopupMenu();
  ::HMENU sub = ::CreatePopupMenu();
  ::AppendMenuW(sub, MF_STRING, kInner, L"Inner");
  ::AppendMenuW(sub, MF_STRING | MF_CHECKED, kTwin, L"Twin in sub");
  ::AppendMenuW(menu, MF_STRING, kFirst, L"First");
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<::UINT_PTR>(sub), L"Sub");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING | MF_CHECKED, kTwin, L"Twin");
  ::AppendMenuW(menu, MF_STRING | MF_GRAYED, kLast, L"Last");
  return menu;
}

std::wstring Label(::HMENU menu, ::UINT position) {
  wchar_t text[64] = {};
  ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

MenuItemChange Change(UINT id, int grayed, int checked) {
  MenuItemChange change;
  change.id = id;
  change.grayed = grayed;
  change.checked = checked;
  return change;
}

MenuItemChange Relabel(UINT id, const std::string& text, UINT newId) {
  MenuItemChange change;
  change.id = id;
  change.relabel = true;
  change.textUtf8 = text;
  change.newId = newId;
  return change;
}

TEST(Win32MenuTest, ChangesReachTheFirstItemWithTheCommandAtAnyDepth) {
  win32::UniqueMenu menu(BuildMenu());
  ::HMENU sub = ::GetSubMenu(menu.Get(), 1);
  const ::UINT separator = ::GetMenuState(menu.Get(), 2, MF_BYPOSITION);
  win32::ApplyMenuChanges(menu.Get(), {Change(kInner, 1, 1), Change(kTwin, -1, 0),
                                       Change(kLast, 0, -1), Change(0, 1, 1), Change(77, 1, 1)});
  EXPECT_EQ(::GetMenuState(sub, 0, MF_BYPOSITION), static_cast<::UINT>(MF_GRAYED | MF_CHECKED));
  // Of the two items with one command, the one inside the earlier submenu.
  EXPECT_EQ(::GetMenuState(sub, 1, MF_BYPOSITION), 0u);
  EXPECT_EQ(::GetMenuState(menu.Get(), 3, MF_BYPOSITION), static_cast<::UINT>(MF_CHECKED));
  EXPECT_EQ(::GetMenuState(menu.Get(), 4, MF_BYPOSITION), 0u);  // enabled again
  // Command 0 names no separator; an unknown command changes nothing.
  EXPECT_EQ(::GetMenuState(menu.Get(), 2, MF_BYPOSITION), separator);
  EXPECT_EQ(::GetMenuState(menu.Get(), 0, MF_BYPOSITION), 0u);
}

TEST(Win32MenuTest, ARelabelledItemKeepsItsStateUnlessTheChangeSetsIt) {
  win32::UniqueMenu menu(BuildMenu());
  ::HMENU sub = ::GetSubMenu(menu.Get(), 1);
  MenuItemChange hide = Relabel(kLast, "\xE9\x9A\xA0\xE3\x81\x99", 41);  // "隠す"
  MenuItemChange show = Relabel(kTwin, "Show", 42);
  show.checked = 0;
  win32::ApplyMenuChanges(menu.Get(), {hide, show});

  EXPECT_EQ(::GetMenuItemID(menu.Get(), 4), 41u);
  EXPECT_EQ(Label(menu.Get(), 4), L"\u96A0\u3059");
  EXPECT_EQ(::GetMenuState(menu.Get(), 4, MF_BYPOSITION), static_cast<::UINT>(MF_GRAYED));
  EXPECT_EQ(::GetMenuItemID(sub, 1), 42u);
  EXPECT_EQ(Label(sub, 1), L"Show");
  EXPECT_EQ(::GetMenuState(sub, 1, MF_BYPOSITION), 0u);  // unticked by the same change
  EXPECT_EQ(::GetMenuState(menu.Get(), 3, MF_BYPOSITION), static_cast<::UINT>(MF_CHECKED));
}

class Win32PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The owner: a hidden top-level window, as the tray icons' owner is.
    owner_ = ::CreateWindowExW(0, L"Static", L"menu owner", WS_OVERLAPPED, 0, 0, 100, 100,
                               nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override { ::DestroyWindow(owner_); }

  static ::HWND owner_;
  static int ticks_;
};

::HWND Win32PopupTest::owner_ = nullptr;
int Win32PopupTest::ticks_ = 0;

TEST_F(Win32PopupTest, TheUserChoosesARelabelledItemOfTheWantedPopup) {
  Win32Platform os;
  // The user presses Down (the first item) and Enter. The menu's own loop
  // dispatches the thread timer and takes the keys from the queue; should
  // the menu never open, Escape ends it after a while.
  ticks_ = 0;
  const ::UINT_PTR user = ::SetTimer(nullptr, 0, 100, [](::HWND, ::UINT, ::UINT_PTR, ::DWORD) {
    const ::WPARAM keys[] = {VK_DOWN, VK_RETURN};
    const int tick = ticks_++;
    ::PostMessageW(owner_, WM_KEYDOWN, tick < 2 ? keys[tick] : VK_ESCAPE, 0);
  });
  PopupMenuDescription menu;
  menu.menuResource = MM_TEST_MENU;
  menu.popupIndex = 1;
  menu.changes = {Relabel(MM_TEST_ITEM_OPEN, "\xE9\x96\x8B\xE3\x81\x8F", 150),  // "開く"
                  Change(MM_TEST_ITEM_EXIT, 1, -1)};
  const UINT chosen = os.TrackPopupMenuU8(M(owner_), menu, POINT{200, 200});
  ::KillTimer(nullptr, user);
  EXPECT_EQ(chosen, 150u);
  EXPECT_EQ(ticks_, 2);
}

TEST_F(Win32PopupTest, AMissingMenuOrPopupShowsNothing) {
  Win32Platform os;
  PopupMenuDescription menu;
  menu.menuResource = 4242;
  const ::DWORD start = ::GetTickCount();
  EXPECT_EQ(os.TrackPopupMenuU8(M(owner_), menu, POINT{200, 200}), 0u);
  menu.menuResource = MM_TEST_MENU;
  menu.popupIndex = 2;
  EXPECT_EQ(os.TrackPopupMenuU8(M(owner_), menu, POINT{200, 200}), 0u);
  // Returned at once: no menu loop waited for the user.
  EXPECT_LT(::GetTickCount() - start, 1000u);
}

}  // namespace
}  // namespace mm::win32test
