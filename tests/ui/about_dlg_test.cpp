// The about box on its template from res/morimo.rc: the texts come from our
// program file's version block, and the two links open our pages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "res/version.h"
#include "tests/sim/sim_desktop.h"
#include "tests/support/version_block.h"
#include "ui/about_dlg.h"

namespace mm {
namespace {

using testing::VersionBlock;

constexpr char kProgram[] = "C:\\Program Files\\MoriMo\\morimo.exe";

class AboutDlgTest : public ::testing::Test {
 protected:
  AboutDlgTest() : desk(::testing::TempDir() + "morimo_about") { SetOs(&desk); }
  ~AboutDlgTest() override { SetOs(nullptr); }

  // Opens the about box and runs `whileOpen` in it.
  void Run(std::function<void(HWND)> whileOpen) {
    desk.QueueModalScript([&](HWND dialog) {
      whileOpen(dialog);
      desk.PressEnter(dialog);
    });
    CAboutDlg about;
    EXPECT_EQ(about.DoModal(nullptr), IDOK);
  }
  std::string Text(HWND dialog, int id) {
    return desk.GetWindowTextU8(desk.GetDlgItem(dialog, id));
  }

  sim::SimDesktop desk;
};

TEST_F(AboutDlgTest, ShowsNameVersionAndCopyrightOfTheProgramsBlock) {
  VersionBlock b;
  b.productVersionMS = VersionBlock::Pack(3, 4);
  b.productVersionLS = VersionBlock::Pack(5, 6);
  b.tables = {{"041104B0", {{"ProductName", "MoriMo"}, {"LegalCopyright", "(C) us"}}}};
  b.translations = {{0x0411, 0x04B0}};
  desk.SetFileVersionBlock(kProgram, b.Bytes());
  Run([&](HWND dialog) {
    EXPECT_EQ(Text(dialog, IDC_STATIC_VERSION), "MoriMo  Version 3.4.5 build(6)");
    EXPECT_EQ(Text(dialog, IDC_STATIC_COPYRIGHT), "(C) us");
  });
}

TEST_F(AboutDlgTest, WithoutAVersionBlockTheTextsAreEmpty) {
  Run([&](HWND dialog) {
    EXPECT_EQ(Text(dialog, IDC_STATIC_VERSION), "  Version ");
    EXPECT_EQ(Text(dialog, IDC_STATIC_COPYRIGHT), "");
  });
}

TEST_F(AboutDlgTest, EachLinkOpensItsOwnAddress) {
  Run([&](HWND dialog) {
    for (int id : {IDC_LINK_MAKER, IDC_LINK_PRODUCT}) {
      RECT r{};
      ASSERT_TRUE(desk.GetWindowRect(desk.GetDlgItem(dialog, id), &r));
      const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      desk.UserMouseMove(middle);
      desk.UserMouseDown(middle);
      desk.UserMouseUp(middle);
    }
  });
  EXPECT_EQ(desk.ShellOpened(), (std::vector<std::string>{MORIMO_MAKER_URL, MORIMO_PRODUCT_URL}));
}

}  // namespace
}  // namespace mm
