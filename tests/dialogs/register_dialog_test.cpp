// The rule editor on the simulated desktop, driven as the user drives it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dialogs/register_dialog.h"
#include "res/resource.h"
#include "tests/sim/sim_desktop.h"

namespace mm {
namespace {

constexpr char kRangeMessage[] = "0～100までの値を指定してください。";

class RegisterDialogTest : public ::testing::Test {
 protected:
  RegisterDialogTest() : desk(::testing::TempDir() + "morimo_register") { SetOs(&desk); }
  ~RegisterDialogTest() override { SetOs(nullptr); }

  // Runs the editor; the script acts while it is open.
  INT_PTR Run(CRegisterDialog& editor, std::function<void(HWND)> script) {
    desk.QueueModalScript(std::move(script));
    return editor.DoModal(nullptr);
  }
  HWND Item(HWND d, int id) { return desk.GetDlgItem(d, id); }
  bool Checked(HWND d, int id) { return desk.IsDlgButtonChecked(d, id) == BST_CHECKED; }
  bool Enabled(HWND d, int id) { return desk.IsWindowEnabled(Item(d, id)) != 0; }
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& box : desk.MessageBoxes()) texts.push_back(box.textUtf8);
    return texts;
  }

  sim::SimDesktop desk;
};

TEST_F(RegisterDialogTest, OpensOnTheRegisterButtonWithTheRulesValues) {
  CRegisterDialog editor;
  editor.Rule.AlphaPercent = 10;
  editor.Rule.CaptionMatchType = CaptionMatch::EndsWith;
  editor.Rule.Caption = "\x83\x81\x83\x82";  // "メモ" in code page 932
  EXPECT_EQ(Run(editor, [&](HWND d) {
              EXPECT_EQ(desk.DialogTitleUtf8(d), "詳細入力");
              EXPECT_EQ(desk.GetFocus(), Item(d, IDOK));
              EXPECT_EQ(desk.GetWindowTextU8(Item(d, IDC_COMBO_ALPHA)), "10");
              EXPECT_EQ(desk.GetWindowTextU8(Item(d, IDC_COMBO_ALPHA_BG)), "100");
              EXPECT_EQ(desk.ComboBoxStringsUtf8(Item(d, IDC_COMBO_ALPHA)),
                        (std::vector<std::string>{"100", "90", "80", "70", "60", "50", "40",
                                                  "30", "20", "10", "0"}));
              EXPECT_EQ(desk.GetWindowTextU8(Item(d, IDC_EDIT_CAPTION)), "メモ");
              EXPECT_TRUE(Checked(d, IDC_RADIO_MATCH_END));
              EXPECT_FALSE(desk.IsWindowVisible(Item(d, IDC_CHECK_REGEX)));
              desk.PressEscape(d);
            }),
            IDCANCEL);
}

TEST_F(RegisterDialogTest, ValuesOnlyASettingsFileGivesAreKeptOrReadBackAsNone) {
  CRegisterDialog editor;
  editor.Rule.Caption = "x";
  editor.Rule.ClassName = "y";
  editor.Rule.TitleStyle = 4;
  editor.Rule.CaptionMatchType = 9;
  ASSERT_EQ(Run(editor, [&](HWND d) {
              for (int id : {IDC_RADIO_STYLE_DEFAULT, IDC_RADIO_STYLE_TOOLWINDOW,
                             IDC_RADIO_STYLE_NONE, IDC_RADIO_MATCH_EQUAL, IDC_RADIO_MATCH_START,
                             IDC_RADIO_MATCH_END, IDC_RADIO_MATCH_CONTAIN}) {
                EXPECT_FALSE(Checked(d, id)) << id;
              }
              EXPECT_TRUE(Checked(d, IDC_RADIO_STYLE_5));
              EXPECT_FALSE(desk.IsWindowVisible(Item(d, IDC_RADIO_STYLE_5)));
              desk.PressEnter(d);
            }),
            IDOK);
  EXPECT_EQ(editor.Rule.TitleStyle, 4);
  EXPECT_EQ(editor.Rule.CaptionMatchType, -1);

  CRegisterDialog second;
  second.Rule.Caption = "x";
  second.Rule.ClassName = "y";
  second.Rule.TitleStyle = 9;
  ASSERT_EQ(Run(second, [&](HWND d) { desk.PressEnter(d); }), IDOK);
  EXPECT_EQ(second.Rule.TitleStyle, -1);
}

TEST_F(RegisterDialogTest, CheckBoxesKeepATestOnAndResetAnUnlockedStyle) {
  CRegisterDialog editor;
  editor.Rule.Caption = "x";
  editor.Rule.ClassName = "y";
  editor.Rule.UseClassname = 0;
  editor.Rule.TitleStyle = TitleStyleCode::NoTitle;
  editor.Rule.ShowIconOnlyHidden = 1;
  ASSERT_EQ(Run(editor, [&](HWND d) {
              EXPECT_FALSE(Enabled(d, IDC_EDIT_CLASSNAME));
              ASSERT_TRUE(desk.ClickButton(d, IDC_CHECK_USE_CAPTION));  // cleared
              EXPECT_TRUE(Checked(d, IDC_CHECK_USE_CLASSNAME));
              EXPECT_TRUE(Enabled(d, IDC_EDIT_CLASSNAME));
              EXPECT_FALSE(Enabled(d, IDC_EDIT_CAPTION));
              EXPECT_FALSE(Enabled(d, IDC_RADIO_MATCH_START));

              ASSERT_TRUE(desk.ClickButton(d, IDC_CHECK_NO_STYLE_CHANGE));  // ticked
              EXPECT_TRUE(Checked(d, IDC_RADIO_STYLE_NONE));
              EXPECT_FALSE(Enabled(d, IDC_RADIO_STYLE_NONE));
              ASSERT_TRUE(desk.ClickButton(d, IDC_CHECK_NO_STYLE_CHANGE));  // cleared
              EXPECT_TRUE(Checked(d, IDC_RADIO_STYLE_DEFAULT));
              EXPECT_TRUE(Enabled(d, IDC_RADIO_STYLE_DEFAULT));

              ASSERT_TRUE(desk.ClickButton(d, IDC_CHECK_USE_TRAYICON));  // cleared
              EXPECT_FALSE(Enabled(d, IDC_CHECK_ICON_ONLY_HIDDEN));
              EXPECT_TRUE(Checked(d, IDC_CHECK_ICON_ONLY_HIDDEN));
              desk.PressEnter(d);
            }),
            IDOK);
  EXPECT_EQ(editor.Rule.UseCaption, 0);
  EXPECT_EQ(editor.Rule.UseClassname, 1);
  EXPECT_EQ(editor.Rule.TitleStyle, TitleStyleCode::Default);
  EXPECT_EQ(editor.Rule.UseTrayIcon, 0);
  EXPECT_EQ(editor.Rule.ShowIconOnlyHidden, 1);  // disabled, still passed on
}

TEST_F(RegisterDialogTest, OpacityIsReadLikeAtoiAndOutOfRangeKeepsTheOldValue) {
  CRegisterDialog editor;
  EXPECT_EQ(Run(editor, [&](HWND d) {
              auto leave = [&](const char* typed) {
                desk.TypeText(d, IDC_COMBO_ALPHA, typed);
                desk.FocusControl(d, IDC_EDIT_USERNAME);
              };
              leave("abc");
              EXPECT_EQ(editor.Rule.AlphaPercent, 0);
              leave("50%");
              EXPECT_EQ(editor.Rule.AlphaPercent, 50);
              EXPECT_TRUE(desk.MessageBoxes().empty());
              for (const char* wrong : {"-5", "150"}) {
                leave(wrong);
                EXPECT_EQ(editor.Rule.AlphaPercent, 50) << wrong;
                EXPECT_EQ(desk.GetFocus(), Item(d, IDC_COMBO_ALPHA)) << wrong;
              }
              // Escape with "150" still in the box: nothing more is asked.
              desk.PressEscape(d);
            }),
            IDCANCEL);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kRangeMessage, kRangeMessage}));
}

TEST_F(RegisterDialogTest, OkAsksForEachMissingTextInTurnWithTheFocusInItsField) {
  CRegisterDialog editor;
  ASSERT_EQ(Run(editor, [&](HWND d) {
              desk.PressEnter(d);
              EXPECT_EQ(desk.GetFocus(), Item(d, IDC_EDIT_CAPTION));
              desk.TypeText(d, IDC_EDIT_CAPTION, "Target");
              desk.PressEnter(d);  // in the field: OK with all its tests
              EXPECT_EQ(desk.GetFocus(), Item(d, IDC_EDIT_CLASSNAME));
              desk.TypeText(d, IDC_EDIT_CLASSNAME, "TargetClass");
              desk.PressEnter(d);
            }),
            IDOK);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"ウインドウタイトル名を設定してください。",
                                                  "ウインドウクラス名を設定してください。"}));
  EXPECT_EQ(editor.Rule.Caption, "Target");
  EXPECT_EQ(editor.Rule.ClassName, "TargetClass");
}

// Enter while typing in an opacity box takes the value as leaving it does,
// instead of dropping it.
TEST_F(RegisterDialogTest, EnterInAnOpacityBoxTakesWhatWasTyped) {
  CRegisterDialog editor;
  editor.Rule.Caption = "x";
  editor.Rule.ClassName = "y";
  ASSERT_EQ(Run(editor, [&](HWND d) {
              desk.TypeText(d, IDC_COMBO_ALPHA_BG, "150");
              desk.PressEnter(d);
              EXPECT_EQ(desk.GetFocus(), Item(d, IDC_COMBO_ALPHA_BG));
              // A click on OK leaves the box first: the check takes the click.
              desk.ClickButton(d, IDOK);
              EXPECT_EQ(desk.GetFocus(), Item(d, IDC_COMBO_ALPHA_BG));
              desk.TypeText(d, IDC_COMBO_ALPHA_BG, "40");
              desk.PressEnter(d);
            }),
            IDOK);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kRangeMessage, kRangeMessage}));
  EXPECT_EQ(editor.Rule.AlphaPercentBG, 40);
  EXPECT_EQ(editor.AlphaPercentBGText, "40");
}

}  // namespace
}  // namespace mm
