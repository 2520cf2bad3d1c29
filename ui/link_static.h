// A static text of a dialog made a hyperlink, CLinkStatic: blue and
// underlined, orange while the mouse is over it or the button is held on
// it, with a hand cursor; a click opens its text through the shell, an
// address without a colon as a mail address. The label holds the mouse
// capture while it is orange, so that it hears the pointer leave.
//
// The state lives here; how it looks (colour, underlined font, cursor) is
// the platform's business behind one call, SetLinkLook.
#pragma once

#include <string>

#include "ui/hosted_control.h"

namespace mm {

class CLinkStatic : public CHostedControl {
 public:
  // Text colours, 0x00BBGGRR.
  static constexpr COLORREF kNormalColour = 0xFF0000;  // blue
  static constexpr COLORREF kHotColour = 0x0080FF;     // orange

  CLinkStatic() = default;

 protected:
  void OnAttached() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void OnMouseMove(POINT at);
  void OnLButtonUp(POINT at);
  void Open();
  void SetColour(COLORREF colour);
  bool InClient(POINT at) const;

  int pressed_ = 0;  // 1 from a press on the label until the release
  COLORREF colour_ = kNormalColour;
  // ANSI bytes for the shell: the window text, taken at the first click
  // and kept, "mailto:" put in front when it has no colon.
  std::string target_;
};

}  // namespace mm
