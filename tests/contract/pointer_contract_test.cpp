// Promises of the seam about the mouse and the pointer: coordinates, the
// window under a point, parents, and the capture.
#include <gtest/gtest.h>

#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

constexpr int kEdit = 100, kIcon = 101;

class Quiet : public DialogHost {
 public:
  bool HandleDialogMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT* result) override {
    if (msg == WM_CAPTURECHANGED) ++captureLost;
    if (msg != WM_INITDIALOG) return false;
    *result = TRUE;
    return true;
  }
  int captureLost = 0;
};

TEST(PointerContract, CoordinatesHitsParentsAndTheCapture) {
  auto world = MakeContractWorld();
  Platform& os = world->os();
  DialogTemplate t{};
  t.id = 3200;
  t.titleUtf8 = "Pointer";
  t.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.x = 20;
  t.y = 20;
  t.cx = 160;
  t.cy = 80;
  t.fontUtf8 = "MS UI Gothic";
  t.fontPoints = 9;
  t.items = {{kEdit, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 40, 30, 80, 14},
             {kIcon, "Static", "#128", WS_CHILD | WS_VISIBLE | SS_ICON, 5, 5, 20, 20}};
  Quiet host;
  HWND dialog = world->CreateDialogFrom(t, nullptr, &host);
  ASSERT_NE(dialog, nullptr);
  world->Settle();
  HWND edit = os.GetDlgItem(dialog, kEdit);

  RECT client{};
  ASSERT_TRUE(os.GetClientRect(dialog, &client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.top, 0);
  EXPECT_GT(client.right, 0);
  POINT p{5, 7};
  ASSERT_TRUE(os.ClientToScreen(dialog, &p));
  ASSERT_TRUE(os.ScreenToClient(dialog, &p));
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 7);

  // The middle of the edit field, on the screen: the field itself, whose
  // parent is the dialog; the dialog has none.
  RECT field{};
  ASSERT_TRUE(os.GetWindowRect(edit, &field));
  const POINT middle{(field.left + field.right) / 2, (field.top + field.bottom) / 2};
  EXPECT_EQ(os.WindowFromPoint(middle), edit);
  EXPECT_EQ(os.GetParent(edit), dialog);
  EXPECT_EQ(os.GetParent(dialog), nullptr);
  // An icon static that does not notify lets the mouse through: a press on
  // it is the dialog's.
  RECT icon{};
  ASSERT_TRUE(os.GetWindowRect(os.GetDlgItem(dialog, kIcon), &icon));
  EXPECT_EQ(os.WindowFromPoint(POINT{icon.left + 2, icon.top + 2}), dialog);
  // A pop-up window's parent is its owner.
  DialogTemplate owned = t;
  owned.id = 3201;
  owned.items.clear();
  owned.x = 200;
  Quiet ownedHost;
  HWND popup = world->CreateDialogFrom(owned, dialog, &ownedHost);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(os.GetParent(popup), dialog);
  os.DestroyWindow(popup);

  EXPECT_EQ(os.GetCapture(), nullptr);
  os.SetCapture(dialog);
  EXPECT_EQ(os.GetCapture(), dialog);
  EXPECT_TRUE(os.ReleaseCapture());
  EXPECT_EQ(os.GetCapture(), nullptr);
  world->Settle();
  EXPECT_EQ(host.captureLost, 1);
  os.DestroyWindow(dialog);
  world->Settle();
}

}  // namespace
}  // namespace mm::contract
