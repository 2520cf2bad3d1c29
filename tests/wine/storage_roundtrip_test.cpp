// The persistence layer on the real profile and file functions: settings
// saved by the Windows build in the Japanese locale read back identically
// and are code page 932 bytes on disk; the list limits and the recovery file
// hold on the real system too.
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sdk.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/tray_wnd_spec.h"
#include "storage/ini_file.h"
#include "storage/paths.h"
#include "storage/recovery.h"
#include "storage/settings.h"

namespace mm {
namespace {

// The real system, with the data folder moved to a scratch folder so that
// the prefix's own settings stay untouched.
class ScratchDataPlatform : public Win32Platform {
 public:
  explicit ScratchDataPlatform(const std::string& folder) : folder_(folder) {}
  BOOL SHGetSpecialFolderPathA(HWND, char* buffer, int, BOOL) override {
    std::snprintf(buffer, 260, "%s", folder_.c_str());
    return TRUE;
  }

 private:
  std::string folder_;
};

class StorageOnWindows : public ::testing::Test {
 protected:
  StorageOnWindows() : os_(Folder()) {
    SetOs(&os_);
    ResetModuleDirectoryCache();
  }
  ~StorageOnWindows() override {
    for (const char* name : {"MoriMo\\MoriMo.ini", "MoriMo\\hwnds", "list.ini"}) {
      ::DeleteFileA((Folder() + "\\" + name).c_str());
    }
    ::RemoveDirectoryA((Folder() + "\\MoriMo").c_str());
    ::RemoveDirectoryA(Folder().c_str());
    SetOs(nullptr);
  }
  static std::string Folder() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "morimo-storage-" + std::to_string(::GetCurrentProcessId());
  }
  std::string FileBytes(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(os_.ReadFileBytes(path, &bytes));
    return bytes;
  }

  ScratchDataPlatform os_;
};

TEST_F(StorageOnWindows, JapaneseSettingsRoundTripAsCodePage932Bytes) {
  if (::GetACP() != 932) GTEST_SKIP() << "run in the Japanese locale (LANG=ja_JP.UTF-8)";
  ::CreateDirectoryA(Folder().c_str(), nullptr);
  // メモ帳; 表示 and ソ end in 5C, the byte of a backslash.
  const std::string memo = "\x83\x81\x83\x82\x92\xA0";
  const std::string caption = "  \x95\x5C\x8E\xA6 \x83\x5C - " + memo;
  EXPECT_EQ(os_.Utf8ToAnsi("メモ帳"), memo);

  GeneralSettings saved{1, 0, 1, 300, 0};
  TraySpecList specs;
  specs.push_back(std::make_unique<CTrayWndSpec>());
  specs.back()->UserName = memo;
  specs.back()->Caption = caption;
  specs.back()->ClassName = "Notepad";
  specs.back()->CaptionMatchType = 2;
  specs.back()->ShowIconOnlyHidden = 0;
  SaveSettings(saved, specs);

  const std::string bytes = FileBytes(SettingsFilePath());
  EXPECT_NE(bytes.find("[TraySpec_0000]\r\nUseCaption=1\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\nUserName=" + memo + "\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\nCaption=\"" + caption + "\"\r\n"), std::string::npos);
  EXPECT_EQ(::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                  static_cast<int>(bytes.size()), nullptr, 0) > 0,
            true);

  GeneralSettings loaded;
  TraySpecList read;
  LoadSettings(loaded, read);
  EXPECT_EQ(loaded.TimerPeriod, 300);
  EXPECT_EQ(loaded.ShowTopMost, 0);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read.front()->UserName, memo);
  EXPECT_EQ(read.front()->Caption, caption);
  EXPECT_EQ(read.front()->ClassName, "Notepad");
  EXPECT_EQ(read.front()->CaptionMatchType, 2);
  EXPECT_EQ(read.front()->ShowIconOnlyHidden, 0);

  // A second save of the same settings leaves the bytes as they were.
  SaveSettings(loaded, read);
  EXPECT_EQ(FileBytes(SettingsFilePath()), bytes);
}

TEST_F(StorageOnWindows, AUnicodeSettingsFileIsChangedByTheSystemAndStaysUnicode) {
  if (::GetACP() != 932) GTEST_SKIP() << "run in the Japanese locale (LANG=ja_JP.UTF-8)";
  ::CreateDirectoryA(Folder().c_str(), nullptr);
  CreateDirectories(SettingsFilePath(), 1);
  // Saved as "Unicode" by an editor: UTF-16 with a byte order mark.
  const std::wstring text = L"\uFEFF[Other]\r\nkey=\u5024\r\n[General]\r\nTimerPeriod=100\r\n";
  ASSERT_TRUE(os_.WriteFileBytes(SettingsFilePath(),
                                 std::string(reinterpret_cast<const char*>(text.data()),
                                             text.size() * sizeof(wchar_t))));
  const std::string memo = os_.Utf8ToAnsi("メモ帳");
  GeneralSettings saved{1, 0, 1, 300, 0};
  TraySpecList specs;
  specs.push_back(std::make_unique<CTrayWndSpec>());
  specs.back()->Caption = memo;
  SaveSettings(saved, specs);

  EXPECT_EQ(FileBytes(SettingsFilePath()).substr(0, 2), "\xFF\xFE");
  GeneralSettings loaded;
  TraySpecList read;
  LoadSettings(loaded, read);
  EXPECT_EQ(loaded.TimerPeriod, 300);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read.front()->Caption, memo);
  EXPECT_EQ(CIniFile(SettingsFilePath(), "Other").GetString("key", ""), os_.Utf8ToAnsi("値"));
}

TEST_F(StorageOnWindows, SectionListFitsUpToExactlyItsBuffer) {
  // The system reports a list that fills its buffer exactly like a cut one;
  // CIniFile still takes a list of exactly 10,240 bytes and refuses one more.
  ::CreateDirectoryA(Folder().c_str(), nullptr);
  const std::string file = Folder() + "\\list.ini";
  auto write = [&](int lastLength) {
    std::string text;
    for (int i = 0; i < 102; ++i) {
      text += "[" + std::to_string(1000 + i) + std::string(95, 's') + "]\r\nk=v\r\n";
    }
    text += "[L" + std::string(lastLength - 1, 'l') + "]\r\nk=v\r\n";
    ASSERT_TRUE(os_.WriteFileBytes(file, text));
  };
  CIniFile ini(file, "S");
  write(38);
  auto list = ini.GetSectionList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->size(), 103u);
  EXPECT_EQ(list->back().size(), 38u);
  write(39);
  EXPECT_FALSE(ini.GetSectionList());
}

TEST_F(StorageOnWindows, RecoveryFileAndFoldersOnTheRealSystem) {
  ::CreateDirectoryA(Folder().c_str(), nullptr);
  EXPECT_EQ(CreateDirectories(SettingsFilePath(), 1), 1);
  const HWND desktop = reinterpret_cast<HWND>(::GetDesktopWindow());
  const HWND sample = RecordToHandle(0x80001234u);
  WriteHwndsFile(0, {desktop, nullptr, sample});
  EXPECT_EQ(FileBytes(HwndsFilePath()).size(), 12u);
  std::vector<HWND> offered;
  int restoring = 0;
  ReadHwndsFile(&restoring, [&](HWND h) {
    offered.push_back(h);
    return 0;
  });
  EXPECT_EQ(offered, (std::vector<HWND>{desktop, nullptr, sample}));
  EXPECT_TRUE(::IsWindow(reinterpret_cast<::HWND>(offered.front())));
  DeleteHwndsFile();
  EXPECT_FALSE(os_.FileExists(HwndsFilePath()));

  char module[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string folder = GetModuleDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(std::string(module).rfind(folder, 0), 0u);
}

}  // namespace
}  // namespace mm
