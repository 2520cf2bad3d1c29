// Files, error texts and code-page conversions of the Win32 backend, beyond
// the shared files contract.
#include "tests/wine/win32_test_support.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_text.h"

namespace mm::win32test {
namespace {

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof(temp), temp);
    folder_ = std::string(temp) + "morimo-files-" + std::to_string(::GetCurrentProcessId()) +
              "\\";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    ::DeleteFileA((folder_ + "a.bin").c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  Win32Platform os_;
  std::string folder_;
};

TEST_F(Win32FilesTest, FilesHeldByAnotherProgramAndSystemErrorTexts) {
  std::string read;
  // Another program holds the file open without sharing: the write fails
  // and leaves the old content alone. (Read-only attributes would not do:
  // the tests may run as root, whom Wine lets write anyway.)
  const std::string locked = folder_ + "a.bin";
  ASSERT_TRUE(os_.WriteFileBytes(locked, "old"));
  ::HANDLE holder = ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(os_.WriteFileBytes(locked, "new"));
  EXPECT_EQ(os_.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(os_.MoveFileReplaceA(folder_ + "missing.bin", locked));
  ::CloseHandle(holder);
  ASSERT_TRUE(os_.ReadFileBytes(locked, &read));
  EXPECT_EQ(read, "old");

  // The system's text, line end included; nothing for a code it does not know.
  const std::string text = os_.FormatMessageA(ERROR_FILE_NOT_FOUND);
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(os_.FormatMessageA(0x2ABCDEF0), "");
}

TEST_F(Win32FilesTest, TheUsersDataFolderAndOurOwnPath) {
  char path[MAX_PATH] = {};
  ASSERT_TRUE(os_.SHGetSpecialFolderPathA(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_TRUE(os_.FileExists(path));

  DWORD length = os_.GetModuleFileNameA(path, sizeof(path));
  ASSERT_GT(length, 4u);
  EXPECT_STRCASEEQ(path + length - 4, ".exe");
}

TEST(Win32TextTest, ConversionsKeepEveryCharacterAndEmbeddedNuls) {
  Win32Platform os;
  const std::string utf8("a\0\xE6\x97\xA5\xE6\x9C\xAC", 8);  // "a", NUL, "日本"
  EXPECT_EQ(win32::WidenUtf8(utf8), std::wstring(L"a\0\u65E5\u672C", 4));
  EXPECT_EQ(win32::NarrowUtf8(win32::WidenUtf8(utf8)), utf8);
  EXPECT_EQ(win32::WidenUtf8(""), L"");
  // Bytes that are not UTF-8 become a replacement, not an empty string.
  EXPECT_FALSE(win32::WidenUtf8("ok\xFF").empty());

  if (::GetACP() == 932) {
    const std::string sjis = "\x93\xFA\x96\x7B";  // "日本" in code page 932
    EXPECT_EQ(os.Utf8ToAnsi("\xE6\x97\xA5\xE6\x9C\xAC"), sjis);
    EXPECT_EQ(os.AnsiToUtf8(sjis), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_TRUE(os.IsDBCSLeadByte(0x93));
    EXPECT_FALSE(os.IsDBCSLeadByte('A'));
  } else {
    EXPECT_EQ(os.AnsiToUtf8(os.Utf8ToAnsi("plain")), "plain");
  }
}

}  // namespace
}  // namespace mm::win32test
