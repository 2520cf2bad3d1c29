// Promises of the seam about version blocks: the program file's block read
// whole, its values by their paths (names in any case), texts in the ANSI
// code page, and a file without a block.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/contract/contract_version.h"
#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

class VersionContract : public ::testing::Test {
 protected:
  void SetUp() override {
    char program[MAX_PATH] = {};
    ASSERT_GT(os.GetModuleFileNameA(program, MAX_PATH), 0u);
    DWORD handle = 1;
    const DWORD size = os.GetFileVersionInfoSizeA(program, &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    block.assign(size, '\0');
    ASSERT_TRUE(os.GetFileVersionInfoA(program, handle, size, block.data()));
  }

  // The value's bytes; empty when it is missing.
  std::string Query(const char* path, UINT* length = nullptr) {
    void* value = nullptr;
    UINT n = 0;
    if (!os.VerQueryValueA(block.data(), path, &value, &n) || value == nullptr) return "";
    if (length != nullptr) *length = n;
    return std::string(static_cast<const char*>(value), n);
  }
  // A text up to its NUL.
  std::string Text(const char* path) {
    void* value = nullptr;
    UINT n = 0;
    if (!os.VerQueryValueA(block.data(), path, &value, &n) || value == nullptr) return "<none>";
    return std::string(static_cast<const char*>(value));
  }

  std::unique_ptr<ContractWorld> world = MakeContractWorld();
  Platform& os = world->os();
  std::vector<char> block;
};

TEST_F(VersionContract, FixedPartAndTranslationAreBinaryValues) {
  UINT length = 0;
  const std::string fixedBytes = Query("\\", &length);
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed{};
  std::memcpy(&fixed, fixedBytes.data(), sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  const WORD product[] = {MM_CONTRACT_PRODUCT_VERSION};
  const WORD file[] = {MM_CONTRACT_FILE_VERSION};
  EXPECT_EQ(fixed.dwProductVersionMS, (DWORD{product[0]} << 16) | product[1]);
  EXPECT_EQ(fixed.dwProductVersionLS, (DWORD{product[2]} << 16) | product[3]);
  EXPECT_EQ(fixed.dwFileVersionMS, (DWORD{file[0]} << 16) | file[1]);

  const std::string translation = Query("\\VarFileInfo\\Translation", &length);
  ASSERT_EQ(length, 4u);
  WORD pair[2] = {};
  std::memcpy(pair, translation.data(), sizeof pair);
  EXPECT_EQ(pair[0], MM_CONTRACT_LANGUAGE);
  EXPECT_EQ(pair[1], MM_CONTRACT_CODE_PAGE);
}

TEST_F(VersionContract, TextsComeInTheAnsiCodePageByPathInAnyCase) {
  EXPECT_EQ(Text("\\StringFileInfo\\" MM_CONTRACT_TABLE "\\ProductName"),
            os.Utf8ToAnsi(MM_CONTRACT_PRODUCT_NAME));
  EXPECT_EQ(Text("\\stringfileinfo\\041103a4\\legalcopyright"), MM_CONTRACT_COPYRIGHT);
  EXPECT_EQ(Text("\\StringFileInfo\\" MM_CONTRACT_TABLE "\\Comments"), "<none>");
  EXPECT_EQ(Text("\\StringFileInfo\\040904B0\\ProductName"), "<none>");
}

TEST_F(VersionContract, AFileWithoutABlockHasNone) {
  const std::string file = world->ScratchFolder() + "plain.txt";
  ASSERT_TRUE(os.WriteFileBytes(file, "no version here"));
  DWORD handle = 1;
  EXPECT_EQ(os.GetFileVersionInfoSizeA(file.c_str(), &handle), 0u);
}

}  // namespace
}  // namespace mm::contract
