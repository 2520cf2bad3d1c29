#include "app/about_dlg.h"

#include "res/resource.h"
#include "res/version.h"

namespace mm {

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {
  OnCommand(IDC_LINK_MAKER, STN_CLICKED, [this] { OpenLink(IDC_LINK_MAKER); });
  OnCommand(IDC_LINK_PRODUCT, STN_CLICKED, [this] { OpenLink(IDC_LINK_PRODUCT); });
}

std::string CAboutDlg::VersionLine() {
  return std::string(MORIMO_PRODUCT_NAME) + "  Version " + std::to_string(MORIMO_VERSION_MAJOR) +
         "." + std::to_string(MORIMO_VERSION_MINOR) + "." + std::to_string(MORIMO_VERSION_PATCH) +
         " build(" + std::to_string(MORIMO_VERSION_BUILD) + ")";
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Os().SetWindowTextU8(Item(IDC_STATIC_VERSION), VersionLine());
  Os().SetWindowTextU8(Item(IDC_STATIC_COPYRIGHT), MORIMO_COPYRIGHT);
  // The focus stays where the dialog manager put it: OK, the default.
  return 0;
}

void CAboutDlg::OpenLink(int id) {
  // The address shown is the target.
  const std::string address = Os().Utf8ToAnsi(Os().GetWindowTextU8(Item(id)));
  Os().ShellExecuteA(Hwnd(), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace mm
