// Promises of the seam about notification-area icons and the icon queries
// that a managed window's tray icon is built from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/text.h"
#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

class TrayContract : public ::testing::Test {
 protected:
  TrayContract() : world(MakeContractWorld()), os(world->os()) {
    owner = world->CreateTopLevel("MoriMo tray owner", "MorimoTrayContract", false);
  }
  ~TrayContract() override {
    for (UINT id : {kId, kOtherId}) Call(NIM_DELETE, id, 0);
  }

  BOOL Call(DWORD message, UINT id, UINT flags, const char* tip = "") {
    NOTIFYICONDATAW data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = flags;
    if (message == NIM_ADD) data.uCallbackMessage = WM_APP + 1;
    data.hIcon = os.LoadAppIcon(129);
    const std::u16string wide = Utf8ToUtf16(tip);
    std::copy_n(wide.begin(), std::min(wide.size(), std::size(data.szTip) - 1), data.szTip);
    const BOOL result = os.Shell_NotifyIconW(message, &data);
    world->Settle();
    return result;
  }

  static constexpr UINT kId = 7;
  static constexpr UINT kOtherId = 8;
  static constexpr UINT kAddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  static constexpr UINT kModifyFlags = NIF_ICON | NIF_TIP;
  std::unique_ptr<ContractWorld> world;
  Platform& os;
  HWND owner = nullptr;
};

TEST_F(TrayContract, AddModifyDelete) {
  ASSERT_TRUE(Call(NIM_ADD, kId, kAddFlags, "Editor"));
  EXPECT_FALSE(Call(NIM_ADD, kId, kAddFlags, "Editor"));  // one icon per owner and id
  EXPECT_TRUE(Call(NIM_ADD, kOtherId, kAddFlags, ""));
  EXPECT_TRUE(Call(NIM_MODIFY, kId, kModifyFlags, "Editor - a.txt"));
  EXPECT_TRUE(Call(NIM_DELETE, kId, 0));
  EXPECT_FALSE(Call(NIM_DELETE, kId, 0));
  EXPECT_TRUE(Call(NIM_DELETE, kOtherId, 0));
}

TEST_F(TrayContract, ModifyOfAnUnknownIconFails) {
  EXPECT_FALSE(Call(NIM_MODIFY, kId, kModifyFlags, "nobody"));
  ASSERT_TRUE(Call(NIM_ADD, kId, kAddFlags, "Editor"));
  ASSERT_TRUE(Call(NIM_DELETE, kId, 0));
  EXPECT_FALSE(Call(NIM_MODIFY, kId, kModifyFlags, "gone"));
}

TEST_F(TrayContract, WindowWithoutIconsAnswersNone) {
  HWND w = world->CreateTopLevel("No icons", "MorimoTrayContract", true);
  for (WPARAM which : {ICON_SMALL, ICON_BIG}) {
    DWORD_PTR answer = 1;
    EXPECT_TRUE(os.SendMessageTimeoutA(w, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 200, &answer));
    EXPECT_EQ(0u, answer);
  }
  EXPECT_EQ(nullptr, os.GetClassIcon(w, GCL_HICON));
  EXPECT_EQ(nullptr, os.GetClassIcon(w, GCL_HICONSM));
}

}  // namespace
}  // namespace mm::contract
