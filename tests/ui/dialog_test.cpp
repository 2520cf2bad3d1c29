// The dialog layer: each notification reaches the one handler registered
// for its control and code, and data exchange moves values both ways.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/sim/sim_desktop.h"
#include "ui/dialog.h"

namespace mm {
namespace {

constexpr int kTemplate = 950;
constexpr int kEdit = 10, kCombo = 11, kLink = 12, kRadio1 = 13, kRadio2 = 14, kNumber = 15;

DialogTemplate Template() {
  DialogTemplate t{};
  t.id = kTemplate;
  t.titleUtf8 = "Test";
  t.style = WS_POPUP | WS_CAPTION;
  auto item = [](int id, const char* cls, const char* text, DWORD style) {
    return DialogItemTemplate{id, cls, text, style | WS_CHILD | WS_VISIBLE, 0, 0, 10, 10};
  };
  t.items = {item(IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP),
             item(kEdit, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP),
             item(kCombo, "ComboBox", "", CBS_DROPDOWN | WS_TABSTOP),
             item(kLink, "Static", "link", SS_NOTIFY),
             item(kRadio1, "Button", "1", BS_AUTORADIOBUTTON | WS_GROUP),
             item(kRadio2, "Button", "2", BS_AUTORADIOBUTTON),
             item(kNumber, "Edit", "", WS_TABSTOP)};
  return t;
}

class Counting : public CDialog {
 public:
  Counting() : CDialog(kTemplate) {
    OnCommand(kEdit, EN_CHANGE, [this] { ++editChanges; });
    OnCommand(kCombo, CBN_SELCHANGE, [this] { ++comboSelections; });
    OnCommand(kLink, STN_CLICKED, [this] { ++linkClicks; });
    OnCommand(kLink, STN_DBLCLK, [this] { ++linkDoubleClicks; });
    OnMenuCommand(kCombo, [this] { ++menuCommands; });
  }
  void DoDataExchange(CDataExchange& dx) override {
    dx.Text(kEdit, text);
    dx.Radio({kRadio1, kRadio2}, choice);
    dx.Int(kNumber, number, 0, 100, "0～100");
  }
  using CDialog::UpdateData;

  int editChanges = 0, comboSelections = 0, linkClicks = 0, linkDoubleClicks = 0;
  int menuCommands = 0;
  std::string text;
  int choice = 1;
  int number = 50;
};

class DialogLayerTest : public ::testing::Test {
 protected:
  DialogLayerTest() : desk(::testing::TempDir() + "morimo_ui") {
    SetOs(&desk);
    desk.AddDialogTemplate(Template());
    owned->Create(nullptr);
  }
  ~DialogLayerTest() override {
    owned.reset();
    SetOs(nullptr);
  }

  sim::SimDesktop desk;
  std::unique_ptr<Counting> owned = std::make_unique<Counting>();
  Counting& dialog = *owned;
};

TEST_F(DialogLayerTest, EachNotificationReachesOnlyItsOwnHandlerOnce) {
  HWND d = dialog.Hwnd();
  ASSERT_NE(d, nullptr);
  ASSERT_GE(desk.ComboBoxAddStringU8(desk.GetDlgItem(d, kCombo), "100"), 0);
  dialog.editChanges = 0;  // the initial exchange set the field's text

  ASSERT_TRUE(desk.TypeText(d, kEdit, "abc"));
  ASSERT_TRUE(desk.SelectComboItem(d, kCombo, 0));
  ASSERT_TRUE(desk.DoubleClickControl(d, kLink));

  EXPECT_EQ(dialog.editChanges, 1);
  EXPECT_EQ(dialog.comboSelections, 1);
  // The double click's first click is a click; the second is not one more.
  EXPECT_EQ(dialog.linkClicks, 1);
  EXPECT_EQ(dialog.linkDoubleClicks, 1);
  // A menu command of the same number is not a control's notification.
  EXPECT_EQ(dialog.menuCommands, 0);
  desk.PostMessageA(d, WM_COMMAND, kCombo, 0);
  desk.Pump();
  EXPECT_EQ(dialog.menuCommands, 1);
  EXPECT_EQ(dialog.comboSelections, 1);
}

TEST_F(DialogLayerTest, DataExchangeMovesValuesAndReportsWhatItCouldNotTake) {
  HWND d = dialog.Hwnd();
  // Loading: the second radio button ticked, the bytes and the number shown.
  dialog.text = "\x83\x65\x83\x58\x83\x67";  // double-byte ANSI
  dialog.UpdateData(false);
  EXPECT_EQ(desk.IsDlgButtonChecked(d, kRadio2), BST_CHECKED);
  EXPECT_EQ(desk.GetWindowTextU8(desk.GetDlgItem(d, kNumber)), "50");

  desk.CheckDlgButton(d, kRadio2, BST_UNCHECKED);
  ASSERT_TRUE(desk.TypeText(d, kNumber, "150"));
  EXPECT_FALSE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.number, 50);  // kept
  EXPECT_EQ(dialog.choice, -1);  // none ticked
  EXPECT_EQ(dialog.text, "\x83\x65\x83\x58\x83\x67");
  ASSERT_EQ(desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(desk.GetFocus(), desk.GetDlgItem(d, kNumber));

  ASSERT_TRUE(desk.TypeText(d, kNumber, " 42%"));  // read as atoi reads it
  EXPECT_TRUE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.number, 42);
}

TEST_F(DialogLayerTest, AnotherProgramsNotificationIsNeverFollowed) {
  int seen = 0;
  class Listening : public Counting {
   public:
    explicit Listening(int* seen) {
      OnNotify(kEdit, 0xFFFFFF00u, [seen](const NMHDR*) {
        ++*seen;
        return LRESULT{0};
      });
    }
  } listening(&seen);
  listening.Create(nullptr);
  NMHDR hdr{};
  hdr.idFrom = kEdit;
  hdr.code = 0xFFFFFF00u;
  // From our own control: handled. From another program: its pointer would
  // name memory of that program; it is not read at all.
  desk.SendMessageToOwnWindow(listening.Hwnd(), WM_NOTIFY, kEdit, reinterpret_cast<LPARAM>(&hdr));
  desk.SendFromOtherProgram(listening.Hwnd(), WM_NOTIFY, kEdit, 0x10);
  EXPECT_EQ(seen, 1);
}

TEST(ReadIntLikeAtoi, ReadsLeadingDigitsOnly) {
  EXPECT_EQ(ReadIntLikeAtoi("abc"), 0);
  EXPECT_EQ(ReadIntLikeAtoi("50%"), 50);
  EXPECT_EQ(ReadIntLikeAtoi("  -5"), -5);
  EXPECT_EQ(ReadIntLikeAtoi("99999999999"), 2147483647);
}

}  // namespace
}  // namespace mm
