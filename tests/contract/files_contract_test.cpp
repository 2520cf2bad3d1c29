// Promises of the file and folder operations that the data folder helpers,
// the settings file and the recovery file build on.
#include <gtest/gtest.h>

#include <string>

#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorPathNotFound = 3;
constexpr DWORD kErrorAlreadyExists = 183;

class FilesContract : public ::testing::Test {
 protected:
  FilesContract() : world(MakeContractWorld()), os(world->os()), dir(world->ScratchFolder()) {}

  std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(os.ReadFileBytes(path, &bytes)) << path;
    return bytes;
  }

  std::unique_ptr<ContractWorld> world;
  Platform& os;
  std::string dir;  // ends with a backslash
};

TEST_F(FilesContract, WholeFilesAreWrittenReadReplacedAndDeleted) {
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 31);  // NULs and all
  const std::string a = dir + "a.bin", b = dir + "b.bin";
  ASSERT_TRUE(os.WriteFileBytes(a, bytes));
  EXPECT_EQ(Read(a), bytes);
  ASSERT_TRUE(os.WriteFileBytes(a, "four"));  // rewriting truncates
  EXPECT_EQ(Read(a), "four");
  ASSERT_TRUE(os.WriteFileBytes(b, ""));
  EXPECT_EQ(Read(b), "");

  ASSERT_TRUE(os.MoveFileReplaceA(a, b));
  EXPECT_FALSE(os.FileExists(a));
  EXPECT_EQ(Read(b), "four");
  ASSERT_TRUE(os.MoveFileReplaceA(b, a));  // also onto a name that is free
  EXPECT_EQ(Read(a), "four");

  EXPECT_TRUE(os.DeleteFileA(a));
  EXPECT_FALSE(os.FileExists(a));
  os.SetLastError(0);
  EXPECT_FALSE(os.DeleteFileA(a));
  EXPECT_EQ(os.GetLastError(), kErrorFileNotFound);
}

TEST_F(FilesContract, FailuresLeaveThingsAsTheyWereAndSayWhy) {
  std::string bytes = "untouched";
  os.SetLastError(0);
  EXPECT_FALSE(os.ReadFileBytes(dir + "missing.bin", &bytes));
  EXPECT_EQ(os.GetLastError(), kErrorFileNotFound);
  EXPECT_EQ(bytes, "untouched");

  const std::string deep = dir + "no-folder\\x.bin";
  os.SetLastError(0);
  EXPECT_FALSE(os.WriteFileBytes(deep, "x"));
  EXPECT_EQ(os.GetLastError(), kErrorPathNotFound);
  EXPECT_FALSE(os.ReadFileBytes(deep, &bytes));
  EXPECT_EQ(os.GetLastError(), kErrorPathNotFound);
  EXPECT_FALSE(os.FileExists(dir + "no-folder"));

  ASSERT_TRUE(os.WriteFileBytes(dir + "keep.bin", "old"));
  EXPECT_FALSE(os.MoveFileReplaceA(dir + "missing.bin", dir + "keep.bin"));
  EXPECT_EQ(Read(dir + "keep.bin"), "old");
  EXPECT_FALSE(os.MoveFileReplaceA(dir + "keep.bin", deep));
  EXPECT_EQ(Read(dir + "keep.bin"), "old");

  // A folder is not a file.
  ASSERT_TRUE(os.CreateDirectoryA(dir + "sub"));
  EXPECT_FALSE(os.ReadFileBytes(dir + "sub", &bytes));
  EXPECT_FALSE(os.WriteFileBytes(dir + "sub", "x"));
  EXPECT_FALSE(os.DeleteFileA(dir + "sub"));
  EXPECT_TRUE(os.FileExists(dir + "sub"));
}

TEST_F(FilesContract, FoldersAreCreatedOneLevelAtATime) {
  const std::string one = dir + "one", two = dir + "one\\two";
  EXPECT_FALSE(os.FileExists(one));
  os.SetLastError(0);
  EXPECT_FALSE(os.CreateDirectoryA(two));
  EXPECT_EQ(os.GetLastError(), kErrorPathNotFound);
  ASSERT_TRUE(os.CreateDirectoryA(one));
  ASSERT_TRUE(os.CreateDirectoryA(two));
  EXPECT_TRUE(os.FileExists(two));
  EXPECT_TRUE(os.FileExists(two + "\\"));
  os.SetLastError(0);
  EXPECT_FALSE(os.CreateDirectoryA(one));
  EXPECT_EQ(os.GetLastError(), kErrorAlreadyExists);

  // A file in the way of a folder.
  ASSERT_TRUE(os.WriteFileBytes(dir + "plain", "x"));
  EXPECT_FALSE(os.CreateDirectoryA(dir + "plain"));
  EXPECT_TRUE(os.FileExists(dir + "plain"));
  EXPECT_FALSE(os.WriteFileBytes(dir + "plain\\inner.bin", "x"));
}

TEST_F(FilesContract, NamesCompareWithoutCase) {
  ASSERT_TRUE(os.CreateDirectoryA(dir + "MoriMo"));
  ASSERT_TRUE(os.WriteFileBytes(dir + "MoriMo\\Hwnds", "1234"));
  EXPECT_TRUE(os.FileExists(dir + "MORIMO\\hwnds"));
  EXPECT_EQ(Read(dir + "morimo\\HWNDS"), "1234");
  ASSERT_TRUE(os.WriteFileBytes(dir + "morimo\\hwnds.new", "5678"));
  ASSERT_TRUE(os.MoveFileReplaceA(dir + "MORIMO\\HWNDS.NEW", dir + "morimo\\hwnds"));
  EXPECT_EQ(Read(dir + "MoriMo\\Hwnds"), "5678");
  EXPECT_FALSE(os.FileExists(dir + "MoriMo\\hwnds.new"));
  EXPECT_FALSE(os.CreateDirectoryA(dir + "MORIMO"));
}

TEST_F(FilesContract, DoubleBytePathsKeepTheirBackslashTrailBytes) {
  if (!(os.IsDBCSLeadByte(0x95) && os.IsDBCSLeadByte(0x83))) {
    GTEST_SKIP() << "needs the ANSI code page 932";
  }
  // "表" is 95 5C: its second byte is no separator.
  const std::string folder = dir + "\x95\x5C\x8E\xA6";  // 表示
  ASSERT_TRUE(os.CreateDirectoryA(folder));
  EXPECT_TRUE(os.FileExists(folder));
  ASSERT_TRUE(os.WriteFileBytes(folder + "\\\x83\x65.bin", "dbcs"));  // テ.bin
  EXPECT_EQ(Read(folder + "\\\x83\x65.bin"), "dbcs");
  // "テ" (83 65) and "ウ" (83 45) differ only in a trail byte that looks
  // like a letter's case: different names.
  EXPECT_FALSE(os.FileExists(folder + "\\\x83\x45.bin"));
}

// The logon list's value: written, read back as written (a path with a
// space and Japanese in it), and deleted; a missing one reads as missing.
TEST(RunValueContract, AValueIsWrittenReadBackAndDeleted) {
  auto world = MakeContractWorld();
  Platform& os = world->os();
  const std::string name = "MoriMo.ContractTest";
  const std::string command = "\"C:\\Program Files\\ツール\\morimo.exe\"";
  os.DeleteRunValueU8(name);
  std::string read;
  EXPECT_FALSE(os.GetRunValueU8(name, &read));
  ASSERT_TRUE(os.SetRunValueU8(name, command));
  ASSERT_TRUE(os.GetRunValueU8(name, &read));
  EXPECT_EQ(read, command);
  EXPECT_TRUE(os.DeleteRunValueU8(name));
  EXPECT_FALSE(os.GetRunValueU8(name, &read));
  EXPECT_FALSE(os.DeleteRunValueU8(name));
}

}  // namespace
}  // namespace mm::contract
