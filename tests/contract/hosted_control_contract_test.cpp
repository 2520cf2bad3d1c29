// Promises of the seam about controls of ours with a host (a link label):
// the host hears the control's messages first and its answer reaches the
// sender, what it declines the control handles itself, giving the control
// back stops the messages, and the host's last message is WM_NCDESTROY.
#include <gtest/gtest.h>

#include <vector>

#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

constexpr int kLink = 100;
constexpr UINT kAsk = WM_USER + 7;

class Quiet : public DialogHost {
 public:
  bool HandleDialogMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT* result) override {
    if (msg != WM_INITDIALOG) return false;
    *result = TRUE;
    return true;
  }
};

// Answers kAsk with 42 and records what reaches it.
class Recording : public DialogHost {
 public:
  bool HandleDialogMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT* result) override {
    seen.push_back(msg);
    if (msg != kAsk) return false;
    *result = 42;
    return true;
  }
  int Count(UINT msg) const {
    int n = 0;
    for (UINT m : seen) n += m == msg;
    return n;
  }
  std::vector<UINT> seen;
};

TEST(HostedControlContract, TheHostHearsTheControlFirstAndItsEndLast) {
  auto world = MakeContractWorld();
  Platform& os = world->os();
  DialogTemplate t{};
  t.id = 3300;
  t.titleUtf8 = "Hosted";
  t.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.cx = 160;
  t.cy = 60;
  t.fontUtf8 = "MS UI Gothic";
  t.fontPoints = 9;
  t.items = {{kLink, "Static", "https://example.com/", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 10,
              100, 8}};
  Quiet dialogHost;
  HWND dialog = world->CreateDialogFrom(t, nullptr, &dialogHost);
  ASSERT_NE(dialog, nullptr);
  HWND link = os.GetDlgItem(dialog, kLink);
  Recording host;

  EXPECT_FALSE(os.HostControl(dialog, &host));  // a dialog is no control
  ASSERT_TRUE(os.HostControl(link, &host));
  EXPECT_EQ(os.SendMessageToOwnWindow(link, kAsk, 0, 0), 42);
  os.SendMessageToOwnWindow(link, WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(host.Count(WM_MOUSEMOVE), 1);
  // Declined messages get the static's own processing: it keeps its text.
  EXPECT_EQ(os.GetWindowTextU8(link), "https://example.com/");
  // Only a static of ours can look like a link.
  EXPECT_TRUE(os.SetLinkLook(link, 0xFF0000));
  EXPECT_FALSE(os.SetLinkLook(dialog, 0xFF0000));

  ASSERT_TRUE(os.HostControl(link, nullptr));
  EXPECT_EQ(os.SendMessageToOwnWindow(link, kAsk, 0, 0), 0);
  EXPECT_EQ(host.Count(kAsk), 1);

  ASSERT_TRUE(os.HostControl(link, &host));
  os.DestroyWindow(dialog);
  world->Settle();
  ASSERT_FALSE(host.seen.empty());
  EXPECT_EQ(host.seen.back(), WM_NCDESTROY);
  EXPECT_EQ(host.Count(WM_NCDESTROY), 1);
}

}  // namespace
}  // namespace mm::contract
