// The link label on the simulated desktop, driven with the mouse as a user
// drives it: its colour and capture, and what a click gives the shell.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/sim/sim_desktop.h"
#include "ui/dialog.h"
#include "ui/link_static.h"

namespace mm {
namespace {

constexpr int kTemplate = 951;
constexpr int kWeb = 21, kMail = 22, kEmpty = 23;
constexpr COLORREF kBlue = 0xFF0000, kOrange = 0x0080FF;

DialogTemplate Template() {
  DialogTemplate t{};
  t.id = kTemplate;
  t.titleUtf8 = "Links";
  t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.x = 10;
  t.y = 10;
  t.cx = 200;
  t.cy = 100;
  auto link = [](int id, const char* text, int y) {
    return DialogItemTemplate{id, "Static", text, SS_NOTIFY | WS_CHILD | WS_VISIBLE, 10, y, 100, 10};
  };
  t.items = {link(kWeb, "https://example.com/a:b", 10), link(kMail, "someone@example.com", 30),
             link(kEmpty, "", 50)};
  return t;
}

class Links : public CDialog {
 public:
  Links() : CDialog(kTemplate) {}
  void DoDataExchange(CDataExchange& dx) override {
    dx.Control(kWeb, web);
    dx.Control(kMail, mail);
    dx.Control(kEmpty, empty);
  }
  CLinkStatic web, mail, empty;
};

class LinkStaticTest : public ::testing::Test {
 protected:
  LinkStaticTest() : desk(::testing::TempDir() + "morimo_link") {
    SetOs(&desk);
    desk.AddDialogTemplate(Template());
    dialog->Create(nullptr);
  }
  ~LinkStaticTest() override {
    dialog.reset();
    SetOs(nullptr);
  }

  HWND Link(int id) { return desk.GetDlgItem(dialog->Hwnd(), id); }
  POINT Inside(int id) {
    RECT r{};
    desk.GetWindowRect(Link(id), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // A point of the dialog away from every link.
  POINT Outside() {
    RECT r{};
    desk.GetWindowRect(dialog->Hwnd(), &r);
    return POINT{r.right - 10, r.bottom - 10};
  }
  COLORREF Colour(int id) {
    COLORREF colour = 0;
    EXPECT_TRUE(desk.LinkLook(Link(id), &colour)) << id;
    return colour;
  }
  void Click(int id) {
    desk.UserMouseMove(Inside(id));
    desk.UserMouseDown(Inside(id));
    desk.UserMouseUp(Inside(id));
  }

  sim::SimDesktop desk;
  std::unique_ptr<Links> dialog = std::make_unique<Links>();
};

TEST_F(LinkStaticTest, OrangeAndHoldingTheMouseOnlyWhileThePointerIsOver) {
  EXPECT_EQ(Colour(kWeb), kBlue);  // a link from the start
  desk.UserMouseMove(Inside(kWeb));
  EXPECT_EQ(Colour(kWeb), kOrange);
  EXPECT_EQ(desk.GetCapture(), Link(kWeb));
  desk.UserMouseMove(Outside());
  EXPECT_EQ(Colour(kWeb), kBlue);
  EXPECT_EQ(desk.GetCapture(), nullptr);
  EXPECT_TRUE(desk.ShellOpened().empty());
}

TEST_F(LinkStaticTest, ClicksOpenTheTextWithMailtoBeforeAnAddressWithoutAColon) {
  Click(kWeb);
  Click(kMail);
  Click(kMail);  // the kept target already has its colon
  Click(kEmpty);
  EXPECT_EQ(desk.ShellOpened(),
            (std::vector<std::string>{"https://example.com/a:b", "mailto:someone@example.com",
                                      "mailto:someone@example.com", "mailto:"}));
}

TEST_F(LinkStaticTest, ReleasedOutsideOpensNothingAndTurnsBlue) {
  desk.UserMouseMove(Inside(kWeb));
  desk.UserMouseDown(Inside(kWeb));
  desk.UserMouseMove(Outside());
  // While the button is held the label keeps the mouse and its colour.
  EXPECT_EQ(Colour(kWeb), kOrange);
  EXPECT_EQ(desk.GetCapture(), Link(kWeb));
  desk.UserMouseUp(Outside());
  EXPECT_TRUE(desk.ShellOpened().empty());
  EXPECT_EQ(Colour(kWeb), kBlue);
  EXPECT_EQ(desk.GetCapture(), nullptr);
}

TEST_F(LinkStaticTest, DraggedOutAndBackInTheReleaseOpens) {
  desk.UserMouseMove(Inside(kWeb));
  desk.UserMouseDown(Inside(kWeb));
  desk.UserMouseMove(Outside());
  desk.UserMouseMove(Inside(kWeb));
  desk.UserMouseUp(Inside(kWeb));
  EXPECT_EQ(desk.ShellOpened(), std::vector<std::string>{"https://example.com/a:b"});
  // Still under the pointer: orange until the pointer leaves.
  EXPECT_EQ(Colour(kWeb), kOrange);
  desk.UserMouseMove(Inside(kWeb));
  desk.UserMouseMove(Outside());
  EXPECT_EQ(Colour(kWeb), kBlue);
}

}  // namespace
}  // namespace mm
