// The rule editor "詳細入力": every field of one rule, on a copy. Its
// callers fill `Rule` (CopyRuleFields), run it modally, and copy `Rule`
// back only when it ended with IDOK.
#pragma once

#include <string>

#include "core/tray_wnd_spec.h"
#include "ui/dialog.h"

namespace mm {

class CRegisterDialog : public CDialog {
 public:
  CRegisterDialog();

  // The rule's fields being edited; a new editor holds the defaults.
  CTrayWndSpec Rule;
  // The opacity boxes' texts as typed; AlphaPercent and AlphaPercentBG
  // take them only when they read as 0 to 100.
  std::string AlphaPercentText;
  std::string AlphaPercentBGText;
  // A word of the editor's own under the fields (UTF-8), e.g. why a test
  // was proposed; empty for none.
  std::string NoteUtf8;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  void UpdateControls();
  // A check box's handler: the new state into the fields, what follows
  // from it, then everything back to the controls.
  void OnCheckBox(void (*follows)(CTrayWndSpec&));
  // Takes an opacity box's text into `percent` as leaving the box does:
  // false, with the message and the focus back in the box, when it does
  // not read as 0 to 100.
  bool TakeOpacity(int boxId, int& percent);
  void OnOpacityKillFocus(int boxId, int& percent);
  // The opacity box that holds the keyboard focus (a combo box passes it on
  // to its edit field), or 0.
  int FocusedOpacityBox();

  bool ending_ = false;
  bool asking_ = false;  // a range message of ours is open
};

}  // namespace mm
