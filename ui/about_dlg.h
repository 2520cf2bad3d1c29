// The about box, CAboutDlg: the product name and version and the copyright
// line, read from our own program file's version block (CVerRes), and the
// maker's and the product's web pages as links (CLinkStatic). Run modally.
#pragma once

#include <string>

#include "ui/dialog.h"
#include "ui/link_static.h"

namespace mm {

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;

 private:
  CLinkStatic productLink_;
  CLinkStatic makerLink_;
  std::string versionLine_;    // ANSI bytes, as the version block gives them
  std::string copyrightLine_;
};

}  // namespace mm
