// The portable form of the dialog templates in morimo.rc. The simulated
// desktop builds its dialogs from these; a native test reads morimo.rc and
// checks that both say the same (ids, classes, texts, rectangles, styles),
// so style words here are the full words the resource compiler produces.
#include "platform/dialog_template.h"

#include "res/dialog_styles.h"
#include "res/resource.h"
#include "res/version.h"

namespace mm {

namespace {

using namespace mm::res;

constexpr DWORD kPush = kControlDefault | BS_PUSHBUTTON | kWsTabStop;
constexpr DWORD kDefPush = kControlDefault | BS_DEFPUSHBUTTON | kWsTabStop;
constexpr DWORD kAutoCheck = kControlDefault | BS_AUTOCHECKBOX | kWsTabStop;
constexpr DWORD kStatic = kControlDefault | kSsLeft;

const DialogTemplate& ManagerTemplate() {
  static const DialogTemplate t{
      IDD_MORIMO_DIALOG,
      "MoriMo マネージャ",
      kDsSetFont | kDsModalFrame | kDsCenter | WS_POPUP | WS_CAPTION | WS_SYSMENU |
          WS_MINIMIZEBOX,
      WS_EX_APPWINDOW,
      0, 0, 299, 240,
      "MS UI Gothic",
      9,
      {
          {IDC_LIST_WINDOWS, "SysListView32", "",
           kControlDefault | kLvsIcon | kLvsSortAscending | kLvsAutoArrange |
               kLvsShowSelAlways | kWsBorder | kWsTabStop,
           5, 5, 218, 205},
          {IDOK, "Button", "隠す(&C)", kDefPush, 235, 5, 50, 18},
          {IDC_BUTTON_SETTING, "Button", "設定(&E)", kPush, 235, 30, 50, 18},
          {-1, "Button", "ウインドウ", kControlDefault | BS_GROUPBOX, 230, 55, 62, 113},
          {IDC_BUTTON_SHOW, "Button", "表示(&S)", kPush, 235, 70, 50, 18},
          {IDC_BUTTON_HIDE, "Button", "非表示(&H)", kPush, 235, 90, 50, 18},
          {IDC_BUTTON_CLOSE, "Button", "閉じる(&X)", kPush, 235, 115, 50, 18},
          {IDC_BUTTON_PROPERTY, "Button", "プロパティ(&P)", kPush, 235, 140, 50, 18},
          {IDC_BUTTON_HELP, "Button", "ヘルプ(&H)", kPush, 235, 175, 50, 18},
          {IDC_BUTTON_EXIT, "Button", "終了(&Q)", kPush, 235, 210, 50, 18},
          {IDC_CHECK_TOPMOST, "Button", "常に最前面に表示(&T)", kAutoCheck, 5, 215, 100, 10},
          {IDC_CHECK_SHOW_AT_STARTUP, "Button", "起動時に表示する(&L)", kAutoCheck, 110, 215,
           100, 10},
          {IDC_CHECK_REALY_HIDE, "Button", "最小化時に完全に隠す（Ctrl+Shiftで表示）",
           kAutoCheck, 5, 225, 205, 10},
      }};
  return t;
}

const DialogTemplate& AboutTemplate() {
  static const DialogTemplate t{
      IDD_ABOUTBOX,
      "Morimoのﾊﾞｰｼﾞｮﾝ情報",
      kDsSetFont | kDsModalFrame | kDsCenter | WS_POPUP | WS_CAPTION | WS_SYSMENU,
      0,
      0, 0, 300, 155,
      "MS UI Gothic",
      9,
      {
          // An icon static's text names its icon resource by number.
          {-1, "Static", "#128", kControlDefault | kSsIcon, 20, 10, 20, 20},
          {IDC_STATIC_VERSION, "Static", "MoriMo Version (自動)", kStatic | kSsNoPrefix, 55,
           15, 181, 8},
          {IDC_STATIC_COPYRIGHT, "Static", "Copyright", kStatic, 55, 30, 180, 8},
          {IDOK, "Button", "OK", kDefPush | kWsGroup, 236, 125, 50, 14},
          {-1, "Static", "作者のページ：", kStatic, 55, 55, 68, 8},
          {IDC_LINK_MAKER, "Static", MORIMO_MAKER_URL, kStatic | kSsNotify, 125, 55, 170, 8},
          {-1, "Static", "MoriMoのページ：", kStatic, 55, 71, 68, 8},
          {IDC_LINK_PRODUCT, "Static", MORIMO_PRODUCT_URL, kStatic | kSsNotify, 125, 71, 170,
           8},
      }};
  return t;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  switch (id) {
    case IDD_MORIMO_DIALOG:
      return &ManagerTemplate();
    case IDD_ABOUTBOX:
      return &AboutTemplate();
    default:
      return nullptr;
  }
}

}  // namespace mm
