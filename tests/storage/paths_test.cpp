// The data folder and path helpers: their forms (trailing backslash, empty
// text on failure) and double-byte-safe splitting.
#include "tests/storage/storage_world.h"

namespace mm::test {
namespace {

// 表 is 95 5C: a path that ends in it ends in the byte of a backslash.
const std::string kHyou = "\x95\x5C";

using PathsTest = StorageTest;

TEST_F(PathsTest, SpecialFolderEndsWithExactlyOneBackslash) {
  EXPECT_EQ(GetSpecialFolder(CSIDL_LOCAL_APPDATA), kDataFolder);
  EXPECT_TRUE(desk.FileExists(kDataFolder));  // created on the way
  desk.SetSpecialFolder("D:\\Data\\", false);
  desk.CreateDirectoryA("D:\\Data");
  EXPECT_EQ(GetSpecialFolder(CSIDL_LOCAL_APPDATA), "");  // no drive D:
  desk.SetSpecialFolder("C:\\Data\\", false);
  EXPECT_EQ(GetSpecialFolder(CSIDL_LOCAL_APPDATA), "C:\\Data\\");
  desk.SetSpecialFolder("C:\\" + kHyou, false);
  EXPECT_EQ(GetSpecialFolder(CSIDL_LOCAL_APPDATA), "C:\\" + kHyou + "\\");
  desk.SetSpecialFolder("C:\\Data", true);
  EXPECT_EQ(GetSpecialFolder(CSIDL_LOCAL_APPDATA), "");
}

TEST_F(PathsTest, CreateDirectoriesMakesWhatIsMissingAndNothingElse) {
  GetSpecialFolder(CSIDL_LOCAL_APPDATA);
  EXPECT_EQ(CreateDirectories(kIniPath, 1), 1);
  EXPECT_TRUE(desk.FileExists(kDataFolder + "MoriMo"));
  EXPECT_FALSE(desk.FileExists(kIniPath));  // the file itself is not made
  EXPECT_EQ(CreateDirectories(kIniPath, 1), 1);

  EXPECT_EQ(CreateDirectories("C:\\a\\b\\\\", 0), 1);
  EXPECT_TRUE(desk.FileExists("C:\\a\\b"));
  EXPECT_EQ(CreateDirectories("C:\\", 0), 1);

  // No parent to build on: a relative name, or the root of the current
  // drive reached through an empty data folder.
  EXPECT_EQ(CreateDirectories("abc", 0), 0);
  EXPECT_EQ(CreateDirectories("\\MoriMo\\MoriMo.ini", 1), 0);
  EXPECT_EQ(CreateDirectories("", 0), 0);
  EXPECT_FALSE(desk.FileExists("C:\\abc"));
  EXPECT_FALSE(desk.FileExists("C:\\MoriMo"));

  // A file in the way counts as existing; nothing is created beneath it.
  ASSERT_TRUE(desk.WriteFileBytes("C:\\a\\file", "x"));
  EXPECT_EQ(CreateDirectories("C:\\a\\file", 0), 1);
  EXPECT_EQ(CreateDirectories("C:\\a\\file\\sub", 0), 0);

  // The trail byte 5C of 表 is no separator.
  EXPECT_EQ(CreateDirectories("C:\\" + kHyou + "\\x", 0), 1);
  EXPECT_TRUE(desk.FileExists("C:\\" + kHyou + "\\x"));
  EXPECT_FALSE(desk.FileExists("C:\\\x95"));
}

TEST_F(PathsTest, ModuleDirectoryIsCachedOnceKnown) {
  desk.SetModuleFileName("D:\\Tools\\app.exe");
  EXPECT_EQ(GetModuleDirectory(), "D:\\Tools\\");
  desk.SetModuleFileName("E:\\Other\\app.exe");
  EXPECT_EQ(GetModuleDirectory(), "D:\\Tools\\");

  ResetModuleDirectoryCache();
  desk.SetModuleFileName("");  // the platform cannot tell
  EXPECT_EQ(GetModuleDirectory(), "");
  desk.SetModuleFileName("C:\\" + kHyou + "\\app.exe");
  EXPECT_EQ(GetModuleDirectory(), "C:\\" + kHyou + "\\");  // tried again

  // Longer than a 260-byte buffer: asked again with more room, not cut.
  ResetModuleDirectoryCache();
  const std::string deep = "C:\\" + std::string(300, 'd') + "\\";
  desk.SetModuleFileName(deep + "app.exe");
  EXPECT_EQ(GetModuleDirectory(), deep);
}

}  // namespace
}  // namespace mm::test

namespace mm::test {
namespace {

// A MoriMo.ini beside the program makes a portable copy, but only in a
// folder it may write to; otherwise the profile's folder, as always.
TEST_F(StorageTest, APortableCopyKeepsItsFilesBesideTheProgramInAWritableFolder) {
  const std::string program = "C:\\Tools\\MoriMo\\";
  desk.SetModuleFileName(program + "morimo.exe");
  desk.CreateDirectoryA("C:\\Tools");
  desk.CreateDirectoryA("C:\\Tools\\MoriMo");
  ResetModuleDirectoryCache();
  EXPECT_EQ(SettingsFilePath(), kIniPath) << "no file beside it";

  ASSERT_TRUE(desk.WriteFileBytes(program + "MoriMo.ini", ""));
  ResetModuleDirectoryCache();
  EXPECT_EQ(SettingsFilePath(), program + "MoriMo.ini");
  EXPECT_EQ(HwndsFilePath(), program + "hwnds");
  EXPECT_FALSE(desk.FileExists(program + "MoriMo.write-test")) << "the probe is gone";

  desk.SetReadOnly("C:\\Tools\\MoriMo", true);
  ResetModuleDirectoryCache();
  EXPECT_EQ(SettingsFilePath(), kIniPath) << "a folder it may not write to";
}

}  // namespace
}  // namespace mm::test
