// CVerRes on the real morimo.exe: the version block the build wrote from
// res/version.h, read back through version.dll.
#include "ui/ver_res.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_platform.h"
#include "res/version.h"

namespace mm {
namespace {

TEST(VerResOnTheProgram, ReadsTheBlockTheBuildWrote) {
  Win32Platform os;
  SetOs(&os);
  CVerRes version(MORIMO_EXE);
  EXPECT_EQ(version.GetVersionText(),
            MORIMO_VERSION_TEXT " build(" + std::to_string(MORIMO_VERSION_BUILD) + ")");
  EXPECT_EQ(version.GetProductName(), MORIMO_PRODUCT_NAME);
  EXPECT_EQ(version.GetLegalCopyright(), MORIMO_COPYRIGHT);
  SetOs(nullptr);
}

}  // namespace
}  // namespace mm
