#include "dialogs/register_dialog.h"

#include <initializer_list>
#include <vector>

#include "dialogs/rule_editor_logic.h"
#include "res/resource.h"
#include "res/version.h"
#include "ui/controls.h"

namespace mm {

namespace {

constexpr char kOpacityRange[] = "0～100までの値を指定してください。";
constexpr char kNoCaption[] = "ウインドウタイトル名を設定してください。";
constexpr char kNoClassName[] = "ウインドウクラス名を設定してください。";
constexpr char kNoProgramName[] = "プログラム名を設定してください。";

constexpr int kOpacityBoxes[] = {IDC_COMBO_ALPHA, IDC_COMBO_ALPHA_BG};

}  // namespace

CRegisterDialog::CRegisterDialog() : CDialog(IDD_REGISTER_DIALOG) {
  OnClicked(IDC_CHECK_USE_CAPTION, [this] { OnCheckBox(&AfterCaptionTestClicked); });
  OnClicked(IDC_CHECK_USE_CLASSNAME, [this] { OnCheckBox(&AfterClassTestClicked); });
  OnClicked(IDC_CHECK_USE_EXENAME, [this] { OnCheckBox(&AfterProgramTestClicked); });
  OnClicked(IDC_CHECK_NO_STYLE_CHANGE, [this] { OnCheckBox(&AfterStyleLockClicked); });
  OnClicked(IDC_CHECK_USE_TRAYICON, [this] { OnCheckBox(nullptr); });
  OnCommand(IDC_COMBO_ALPHA, CBN_KILLFOCUS,
            [this] { OnOpacityKillFocus(IDC_COMBO_ALPHA, Rule.AlphaPercent); });
  OnCommand(IDC_COMBO_ALPHA_BG, CBN_KILLFOCUS,
            [this] { OnOpacityKillFocus(IDC_COMBO_ALPHA_BG, Rule.AlphaPercentBG); });
}

BOOL CRegisterDialog::OnInitDialog() {
  const std::vector<std::string> choices = OpacityChoices();
  for (int id : kOpacityBoxes) {
    for (const std::string& choice : choices) Os().ComboBoxAddStringU8(Item(id), choice);
  }
  for (const std::string& choice : ClassMatchChoices()) {
    Os().ComboBoxAddStringU8(Item(IDC_COMBO_CLASS_MATCH), choice);
  }
  Os().SetWindowTextU8(Item(IDC_STATIC_EDITOR_NOTE), NoteUtf8);
  AlphaPercentText = std::to_string(Rule.AlphaPercent);
  AlphaPercentBGText = std::to_string(Rule.AlphaPercentBG);
  UpdateData(false);
  UpdateControls();
  // The dialog manager focuses the first tab stop: "登録".
  return 1;
}

void CRegisterDialog::DoDataExchange(CDataExchange& dx) {
  dx.Check(IDC_CHECK_HIDE_ICONIZED, Rule.HideIfIconized);
  dx.Check(IDC_CHECK_USE_CLASSNAME, Rule.UseClassname);
  dx.Check(IDC_CHECK_USE_CAPTION, Rule.UseCaption);
  dx.Text(IDC_EDIT_USERNAME, Rule.UserName);
  dx.Text(IDC_EDIT_CAPTION, Rule.Caption);
  dx.Text(IDC_EDIT_CLASSNAME, Rule.ClassName);
  dx.Radio({IDC_RADIO_MATCH_EQUAL, IDC_RADIO_MATCH_START, IDC_RADIO_MATCH_END,
            IDC_RADIO_MATCH_CONTAIN, IDC_RADIO_MATCH_PATTERN},
           Rule.CaptionMatchType);
  dx.Check(IDC_CHECK_USE_EXENAME, Rule.UseExeName);
  dx.Text(IDC_EDIT_EXENAME, Rule.ExeName);
  // A comparison the list does not have (from a damaged file) selects
  // nothing and is kept as it is.
  const HWND classMatch = Item(IDC_COMBO_CLASS_MATCH);
  if (dx.Saving()) {
    const int chosen = ui::ComboBoxCurSel(classMatch);
    if (chosen >= 0) Rule.ClassMatchType = chosen;
  } else {
    ui::ComboBoxSetCurSel(classMatch, Rule.ClassMatchType);
  }
  dx.Check(IDC_CHECK_ICON_ONLY_HIDDEN, Rule.ShowIconOnlyHidden);
  dx.Check(IDC_CHECK_SHOW_TOPMOST, Rule.ShowTopMost);
  // The hidden buttons hold the styles 3 to 5 that a settings file can give.
  dx.Radio({IDC_RADIO_STYLE_DEFAULT, IDC_RADIO_STYLE_TOOLWINDOW, IDC_RADIO_STYLE_NONE,
            IDC_RADIO_STYLE_4, IDC_RADIO_STYLE_5, IDC_RADIO_STYLE_6},
           Rule.TitleStyle);
  dx.Check(IDC_CHECK_HIDE_ON_STARTUP, Rule.HideOnStartup);
  dx.Check(IDC_CHECK_CLOSE_ON_STARTUP, Rule.CloseOnStartup);
  dx.TextU8(IDC_COMBO_ALPHA, AlphaPercentText);
  dx.TextU8(IDC_COMBO_ALPHA_BG, AlphaPercentBGText);
  dx.Check(IDC_CHECK_NO_STYLE_CHANGE, Rule.DisableTitleStyleChanging);
  dx.Check(IDC_CHECK_USE_TRAYICON, Rule.UseTrayIcon);
}

void CRegisterDialog::UpdateControls() {
  const RuleEditorEnables enables = EditorEnables(Rule);
  auto enable = [this](std::initializer_list<int> ids, bool on) {
    for (int id : ids) Os().EnableWindow(Item(id), on ? 1 : 0);
  };
  enable({IDC_EDIT_CAPTION, IDC_RADIO_MATCH_EQUAL, IDC_RADIO_MATCH_START, IDC_RADIO_MATCH_END,
          IDC_RADIO_MATCH_CONTAIN, IDC_STATIC_MATCH},
         enables.captionTest);
  enable({IDC_EDIT_CLASSNAME, IDC_COMBO_CLASS_MATCH, IDC_STATIC_CLASS_MATCH}, enables.className);
  enable({IDC_EDIT_EXENAME, IDC_STATIC_EXENAME_HINT}, enables.programName);
  enable({IDC_RADIO_STYLE_DEFAULT, IDC_RADIO_STYLE_TOOLWINDOW, IDC_RADIO_STYLE_NONE},
         enables.titleStyles);
  enable({IDC_CHECK_ICON_ONLY_HIDDEN}, enables.iconOnlyHidden);
}

void CRegisterDialog::OnCheckBox(void (*follows)(CTrayWndSpec&)) {
  UpdateData(true);
  if (follows != nullptr) follows(Rule);
  UpdateControls();
  UpdateData(false);
}

bool CRegisterDialog::TakeOpacity(int boxId, int& percent) {
  // The range message takes the focus from the box while it is open: that
  // is not the user leaving the box, and must not ask a second time.
  asking_ = true;
  CDataExchange dx(Hwnd(), true);
  dx.Int(boxId, percent, 0, 100, kOpacityRange);
  asking_ = false;
  return !dx.Failed();
}

void CRegisterDialog::OnOpacityKillFocus(int boxId, int& percent) {
  // Ending the dialog takes the focus from the box too (EndDialog focuses
  // the dialog); what the user left there is no longer asked about.
  if (ending_ || asking_) return;
  UpdateData(true);
  if (TakeOpacity(boxId, percent)) UpdateData(false);
}

int CRegisterDialog::FocusedOpacityBox() {
  const HWND focus = Os().GetFocus();
  if (focus == nullptr) return 0;
  for (int id : kOpacityBoxes) {
    const HWND box = Item(id);
    if (focus == box || Os().GetParent(focus) == box) return id;
  }
  return 0;
}

void CRegisterDialog::OnOK() {
  // Enter in an opacity box: what was typed there counts as it would when
  // leaving the box, rather than being dropped.
  if (const int box = FocusedOpacityBox()) {
    int& percent = box == IDC_COMBO_ALPHA ? Rule.AlphaPercent : Rule.AlphaPercentBG;
    if (!TakeOpacity(box, percent)) return;
  }
  UpdateData(true);
  switch (FirstMissingText(Rule)) {
    case MissingText::Caption:
      Os().MessageBoxU8(Hwnd(), kNoCaption, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
      Os().SetFocus(Item(IDC_EDIT_CAPTION));
      return;
    case MissingText::ClassName:
      Os().MessageBoxU8(Hwnd(), kNoClassName, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
      Os().SetFocus(Item(IDC_EDIT_CLASSNAME));
      return;
    case MissingText::ProgramName:
      Os().MessageBoxU8(Hwnd(), kNoProgramName, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
      Os().SetFocus(Item(IDC_EDIT_EXENAME));
      return;
    case MissingText::None:
      break;
  }
  ending_ = true;
  CDialog::OnOK();
}

void CRegisterDialog::OnCancel() {
  ending_ = true;
  CDialog::OnCancel();
}

}  // namespace mm
