// CVerRes on version blocks the simulated desktop gives our program file:
// the product version, the texts of the first translation, and files
// without a block or a value.
#include <gtest/gtest.h>

#include <string>

#include "tests/sim/sim_desktop.h"
#include "tests/support/version_block.h"
#include "ui/ver_res.h"

namespace mm {
namespace {

using testing::VersionBlock;

// Where the simulated desktop puts our program file.
constexpr char kProgram[] = "C:\\Program Files\\MoriMo\\morimo.exe";

class VerResTest : public ::testing::Test {
 protected:
  VerResTest() : desk(::testing::TempDir() + "morimo_ver_res") { SetOs(&desk); }
  ~VerResTest() override { SetOs(nullptr); }

  // A block of version 1.0.0.0 with one translation, Japanese in code page
  // 932, and its string table.
  static VersionBlock Block(const std::string& productName, const std::string& copyright) {
    VersionBlock b;
    b.fileVersionMS = b.productVersionMS = VersionBlock::Pack(1, 0);
    b.tables = {{"041103A4", {{"ProductName", productName}, {"LegalCopyright", copyright}}}};
    b.translations = {{0x0411, 0x03A4}};
    return b;
  }

  void Give(const VersionBlock& block) { desk.SetFileVersionBlock(kProgram, block.Bytes()); }

  sim::SimDesktop desk;
};

TEST_F(VerResTest, VersionTextIsTheProductVersionNotTheFileVersion) {
  VersionBlock b = Block("MoriMo", "");
  b.productVersionMS = VersionBlock::Pack(2, 1);
  b.productVersionLS = VersionBlock::Pack(0, 5);
  b.fileVersionMS = VersionBlock::Pack(9, 9);
  b.fileVersionLS = VersionBlock::Pack(9, 9);
  Give(b);
  EXPECT_EQ(CVerRes().GetVersionText(), "2.1.0 build(5)");
}

TEST_F(VerResTest, TextsComeFromTheFirstTranslationsTable) {
  VersionBlock b = Block("森のMoriMo", "(C) 森");
  // A second translation with a table of its own is never read.
  b.translations.push_back({0x0409, 0x04B0});
  b.tables.push_back({"040904B0", {{"ProductName", "Other"}, {"LegalCopyright", "Other"}}});
  Give(b);
  CVerRes version;
  // Whole: the length counts characters, and these are double-byte ones.
  EXPECT_EQ(version.GetProductName(), desk.Utf8ToAnsi("森のMoriMo"));
  EXPECT_EQ(desk.VersionQueries().back(), "\\StringFileInfo\\041103A4\\ProductName");
  EXPECT_EQ(version.GetLegalCopyright(), desk.Utf8ToAnsi("(C) 森"));
  EXPECT_EQ(desk.VersionQueries().back(), "\\StringFileInfo\\041103A4\\LegalCopyright");
}

TEST_F(VerResTest, ATextEndsAtItsFirstNul) {
  Give(Block(std::string("Mori\0Mo", 7), "C"));
  EXPECT_EQ(CVerRes().GetProductName(), "Mori");
}

TEST_F(VerResTest, WhatIsMissingReadsEmpty) {
  // No block at all.
  EXPECT_EQ(CVerRes().GetVersionText(), "");
  EXPECT_EQ(CVerRes().GetProductName(), "");

  // No copyright in the table.
  VersionBlock b = Block("MoriMo", "");
  b.tables[0].values.pop_back();
  Give(b);
  EXPECT_EQ(CVerRes().GetProductName(), "MoriMo");
  EXPECT_EQ(CVerRes().GetLegalCopyright(), "");

  // No translation: no table to read the texts under, so no block.
  b.translations.clear();
  Give(b);
  EXPECT_EQ(CVerRes().GetVersionText(), "");
  EXPECT_EQ(CVerRes().GetProductName(), "");
}

}  // namespace
}  // namespace mm
