// The window picker of the rule list: a press on the target icon captures
// the mouse, the drag shows cursor 131, and the release picks the top-level
// window under the cursor's hot spot (its top-left corner).
#include "dialogs/manage_dialog.h"
#include "dialogs/rule_list_logic.h"
#include "res/resource.h"

namespace mm {

void CManageDialog::OnPickerButtonDown(POINT at) {
  RECT target{};
  if (!Os().GetWindowRect(Item(IDC_PICK_TARGET), &target)) return;
  POINT topLeft{target.left, target.top};
  POINT bottomRight{target.right, target.bottom};
  Os().ScreenToClient(Hwnd(), &topLeft);
  Os().ScreenToClient(Hwnd(), &bottomRight);
  // As PtInRect counts: the left and top edges inside, the others outside.
  if (at.x >= topLeft.x && at.x < bottomRight.x && at.y >= topLeft.y && at.y < bottomRight.y) {
    Os().SetCapture(Hwnd());
  }
}

void CManageDialog::OnPickerMouseMove() {
  if (Os().GetCapture() == Hwnd()) Os().SetCursorResource(IDC_PICK_CURSOR);
}

void CManageDialog::OnPickerButtonUp(POINT at) {
  if (Os().GetCapture() != Hwnd()) return;
  // The normal cursor comes back when the system next asks for one.
  Os().ReleaseCapture();
  POINT screen = at;
  Os().ClientToScreen(Hwnd(), &screen);
  // A control or an owned window stands for the top-level window it
  // belongs to; over this dialog the walk ends at its owner, the manager.
  const HWND picked = PickedWindow(Os().WindowFromPoint(screen), Os().GetDesktopWindow(),
                                   [](HWND window) { return Os().GetParent(window); });
  AddRuleForWindow(picked);
}

}  // namespace mm
