#include "ui/about_dlg.h"

#include "res/resource.h"
#include "ui/ver_res.h"

namespace mm {

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange(CDataExchange& dx) {
  // The links' own texts are their addresses.
  dx.Control(IDC_LINK_PRODUCT, productLink_);
  dx.Control(IDC_LINK_MAKER, makerLink_);
  dx.Text(IDC_STATIC_VERSION, versionLine_);
  dx.Text(IDC_STATIC_COPYRIGHT, copyrightLine_);
}

BOOL CAboutDlg::OnInitDialog() {
  {
    CVerRes version;  // of our own program file
    versionLine_ = version.GetProductName() + "  Version " + version.GetVersionText();
    copyrightLine_ = version.GetLegalCopyright();
  }
  CDialog::OnInitDialog();
  // The focus stays where the dialog manager put it; Enter is still OK's.
  return FALSE;
}

}  // namespace mm
