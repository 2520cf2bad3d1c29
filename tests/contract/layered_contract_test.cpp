// Promises of the seam about layered windows, style words and the active
// caption, which opacity and title-style changes rely on.
#include <gtest/gtest.h>

#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

class LayeredContract : public ::testing::Test {
 protected:
  LayeredContract() : world(MakeContractWorld()), os(world->os()) {}

  HWND Window(const char* caption, DWORD exStyle = 0) {
    return world->CreateTopLevel(caption, "MorimoLayeredContract", true, WS_OVERLAPPEDWINDOW,
                                 exStyle);
  }
  DWORD ExStyle(HWND w) { return static_cast<DWORD>(os.GetWindowLongA(w, GWL_EXSTYLE)); }

  std::unique_ptr<ContractWorld> world;
  Platform& os;
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
};

TEST_F(LayeredContract, BothLayeredCallsAreOffered) {
  BOOL hasGet = 0, hasSet = 0;
  ASSERT_TRUE(os.QueryLayeredApi(&hasGet, &hasSet));
  EXPECT_TRUE(hasGet);
  EXPECT_TRUE(hasSet);
}

TEST_F(LayeredContract, AttributesNeedTheLayeredBit) {
  HWND w = Window("Plain");
  EXPECT_FALSE(os.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_FALSE(os.SetLayeredWindowAttributes(w, 0, 127, LWA_ALPHA));
  // Layered but never given attributes: still nothing to read.
  os.SetWindowLongA(w, GWL_EXSTYLE, static_cast<LONG>(ExStyle(w) | WS_EX_LAYERED));
  EXPECT_NE(0u, ExStyle(w) & WS_EX_LAYERED);
  EXPECT_FALSE(os.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
}

TEST_F(LayeredContract, AlphaReadsBackAndSurvivesOtherStyleChanges) {
  HWND w = Window("Faded", WS_EX_LAYERED);
  ASSERT_TRUE(os.SetLayeredWindowAttributes(w, 0, 127, LWA_ALPHA));
  world->Settle();
  ASSERT_TRUE(os.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(127, alpha);
  EXPECT_EQ(LWA_ALPHA, flags);
  EXPECT_TRUE(os.IsWindowVisible(w));  // transparent is not hidden
  // A title-style change that keeps the layered bit keeps the alpha.
  os.SetWindowLongA(w, GWL_EXSTYLE, static_cast<LONG>(ExStyle(w) | WS_EX_TOOLWINDOW));
  world->Settle();
  ASSERT_TRUE(os.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(127, alpha);
  // Clearing the bit makes the window plain again.
  os.SetWindowLongA(w, GWL_EXSTYLE, static_cast<LONG>(ExStyle(w) & ~WS_EX_LAYERED));
  world->Settle();
  EXPECT_EQ(0u, ExStyle(w) & WS_EX_LAYERED);
  EXPECT_FALSE(os.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
}

TEST_F(LayeredContract, ColourKeyReadsBackWithItsFlags) {
  HWND w = Window("Shaped", WS_EX_LAYERED);
  ASSERT_TRUE(os.SetLayeredWindowAttributes(w, 0x00FF00FF, 200, LWA_COLORKEY | LWA_ALPHA));
  ASSERT_TRUE(os.GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(0x00FF00FFu, key);
  EXPECT_EQ(200, alpha);
  EXPECT_EQ(LWA_COLORKEY | LWA_ALPHA, flags);
}

TEST_F(LayeredContract, TitleStyleWordsRoundTrip) {
  HWND w = Window("Titled");
  const DWORD style = static_cast<DWORD>(os.GetWindowLongA(w, GWL_STYLE));
  const DWORD exStyle = ExStyle(w);
  ASSERT_EQ(WS_CAPTION, style & WS_CAPTION);
  // The setters answer with the word they replaced.
  EXPECT_EQ(static_cast<LONG>(style),
            os.SetWindowLongA(w, GWL_STYLE, static_cast<LONG>(style & ~WS_CAPTION)));
  EXPECT_EQ(0u, static_cast<DWORD>(os.GetWindowLongA(w, GWL_STYLE)) & WS_CAPTION);
  EXPECT_EQ(static_cast<LONG>(exStyle),
            os.SetWindowLongA(w, GWL_EXSTYLE, static_cast<LONG>(exStyle | WS_EX_TOOLWINDOW)));
  EXPECT_NE(0u, ExStyle(w) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(os.SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER));
  os.SetWindowLongA(w, GWL_EXSTYLE, static_cast<LONG>(exStyle));
  os.SetWindowLongA(w, GWL_STYLE, static_cast<LONG>(style));
  world->Settle();
  EXPECT_EQ(style, static_cast<DWORD>(os.GetWindowLongA(w, GWL_STYLE)));
  EXPECT_EQ(exStyle, ExStyle(w));
}

TEST_F(LayeredContract, WindowInfoMarksOnlyTheActiveCaption) {
  HWND a = Window("First");
  HWND b = Window("Second");
  ASSERT_TRUE(os.SetForegroundWindow(a));
  world->Settle();
  WINDOWINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(os.GetWindowInfo(a, &info));
  EXPECT_EQ(WS_ACTIVECAPTION, info.dwWindowStatus);
  info = WINDOWINFO{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(os.GetWindowInfo(b, &info));
  EXPECT_EQ(0u, info.dwWindowStatus);
}

}  // namespace
}  // namespace mm::contract
