// The about box: product name, version and copyright, and the two web
// addresses, which open in the browser when clicked.
#pragma once

#include <string>

#include "ui/dialog.h"

namespace mm {

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

  // "MoriMo  Version 1.0.0 build(0)": name, two blanks, the word, the
  // product version's three parts and its build number.
  static std::string VersionLine();

 protected:
  BOOL OnInitDialog() override;

 private:
  void OpenLink(int id);
};

}  // namespace mm
