// CIniFile: results, cuts, error texts and the list operations.
#include "storage/ini_file.h"

#include "tests/storage/storage_world.h"

namespace mm::test {
namespace {

const std::string kFile = "C:\\test.ini";
const char kCheckNamesText[] = "CIniFile::CheckNames():ﾌｧｲﾙ名・ｾｸｼｮﾝ名が未設定です。";
const char kMalformedText[] = "CIniFile::ParseStringByNULL():取得ﾃﾞｰﾀに異常があります";

using IniFileTest = StorageTest;

TEST_F(IniFileTest, ReadsWithoutNamesFailWithTheirOwnValuesWritesStillGoThrough) {
  CIniFile ini(kFile, "");
  EXPECT_EQ(ini.GetInt("k", 7), 0);
  EXPECT_EQ(ini.ErrorText(), kCheckNamesText);
  EXPECT_EQ(ini.GetString("k", "dflt"), "");
  EXPECT_EQ(ini.GetDouble("k", 2.5), 0.0);
  EXPECT_EQ(ini.WriteInt("k", 1), 1);  // no check on writes: the platform decides
  EXPECT_NE(HostRead(kFile), "<none>");
  CIniFile noFile("", "S");
  EXPECT_EQ(noFile.GetInt("k", 7), 0);
  EXPECT_EQ(noFile.ErrorText(), kCheckNamesText);
}

TEST_F(IniFileTest, ErrorTextLastsUntilAnOperationThatClearsIt) {
  CIniFile ini(kFile, "");
  ini.GetInt("k", 7);
  ini.WriteInt("k", 1);  // writes and lists do not clear it
  EXPECT_EQ(ini.ErrorText(), kCheckNamesText);
  ini.SetSectionName("S");
  EXPECT_EQ(ini.ErrorText(), "");
  desk.SetReadOnly(kFile, true);
  EXPECT_EQ(ini.WriteString("k", "v"), 0);
  EXPECT_EQ(ini.ErrorText(), desk.FormatMessageA(5));  // the system's text
  EXPECT_NE(ini.ErrorText(), "");
  EXPECT_EQ(ini.DeleteKey("k"), 0);
  EXPECT_EQ(ini.DeleteSection("S"), 0);
  EXPECT_EQ(ini.GetString("k", ""), "");
  EXPECT_EQ(ini.ErrorText(), "");
}

TEST_F(IniFileTest, ValuesComeBackAsWrittenWithinTheirLimits) {
  CIniFile ini(kFile, "S");
  const std::vector<std::string> values = {
      "plain", "  leading", "trailing  ", "\"quoted\"", "'single'", "\"", "",
      "\x95\x5C\x8E\xA6 \x83\x65\x83\x58\x83\x67",  // 表示 テスト
      std::string(1023, 'x')};
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string key = "k" + std::to_string(i);
    ASSERT_EQ(ini.WriteString(key, values[i]), 1);
    EXPECT_EQ(ini.GetString(key, "missing"), values[i]) << key;
  }
  // A line break would start a line of its own: the value ends there.
  ini.WriteString("broken", "one\r\n[General]\r\nTimerPeriod=1");
  EXPECT_EQ(ini.GetString("broken", ""), "one");
  EXPECT_EQ(CIniFile(kFile, "General").GetInt("TimerPeriod", 500), 500);

  ini.WriteString("long", std::string(2000, 'v'));
  EXPECT_EQ(ini.GetString("long", ""), std::string(1023, 'v'));
  EXPECT_EQ(ini.GetString("missing", std::string(2000, 'd')), std::string(1023, 'd'));

  ini.WriteInt("int", -2147483647 - 1);
  EXPECT_EQ(ini.GetInt("int", 0), -2147483647 - 1);
  ini.WriteDouble("pi", 3.14159265);
  EXPECT_NEAR(ini.GetDouble("pi", 0.0), 3.14159265, 1e-6);
  EXPECT_DOUBLE_EQ(ini.GetDouble("missing", 1.0 / 3.0), 3.333333e-01);  // "%e" precision
  EXPECT_EQ(ini.GetDouble("k0", 9.0), 0.0);  // text that is no number
}

TEST_F(IniFileTest, SectionListFitsUpToExactlyItsBuffer) {
  // Names of 99 bytes take 100 with their NUL: 102 of them and one of 38
  // bytes fill 10,239, the closing NUL makes 10,240.
  auto write = [&](int count, int lastLength) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "[" + std::to_string(1000 + i) + std::string(95, 's') + "]\r\nk=v\r\n";
    text += "[L" + std::string(lastLength - 1, 'l') + "]\r\nk=v\r\n";
    ASSERT_TRUE(desk.WriteFileBytes(kFile, text));
  };
  CIniFile ini(kFile, "S");
  write(102, 38);
  auto list = ini.GetSectionList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->size(), 103u);
  EXPECT_EQ(list->back().size(), 38u);
  write(102, 39);
  EXPECT_FALSE(ini.GetSectionList());
  EXPECT_EQ(ini.ErrorText(),
            "CIniFile::GetSectionList():ｾｸｼｮﾝの合計ｻｲｽﾞが多きすぎて、読み込むことができません");
  EXPECT_FALSE(ini.GetKeyList("1000" + std::string(95, 's'))->empty());
  EXPECT_TRUE(ini.GetKeyList("nowhere")->empty());
}

TEST_F(IniFileTest, ParseStringByNullStopsAtTheEndOfItsBuffer) {
  CIniFile ini(kFile, "S");
  EXPECT_TRUE(ini.ParseStringByNULL("\0abc", 4)->empty());
  EXPECT_EQ(*ini.ParseStringByNULL("ab\0c\0\0", 6), (StringList{"ab", "c"}));
  EXPECT_FALSE(ini.ParseStringByNULL("ab\0c\0", 5));
  EXPECT_EQ(ini.ErrorText(), kMalformedText);
  EXPECT_FALSE(ini.ParseStringByNULL("abcdef", 3));  // no NUL at all
  EXPECT_FALSE(ini.ParseStringByNULL("", 0));
}

TEST_F(IniFileTest, CopyAndDeleteKeepTheSelectionTheirOwnWay) {
  CIniFile ini(kFile, "A");
  ini.WriteString("x", "1");
  ini.WriteString("y", std::string(1500, 'y'));
  EXPECT_EQ(ini.CopySection("B", "A"), 1);
  EXPECT_EQ(ini.GetSectionName(), "B");
  EXPECT_EQ(*ini.GetKeyList("B"), (StringList{"x", "y"}));
  EXPECT_EQ(ini.GetString("y", ""), std::string(1023, 'y'));
  EXPECT_EQ(ini.CopySection("C", "Empty"), 1);
  EXPECT_EQ(ini.GetSectionName(), "Empty");

  ini.SetSectionName("A");
  EXPECT_EQ(ini.DeleteKey("B", "x"), 1);
  EXPECT_EQ(ini.GetSectionName(), "B");
  EXPECT_EQ(ini.DeleteSection("A"), 1);
  EXPECT_EQ(ini.GetSectionName(), "B");
  EXPECT_EQ(*ini.GetSectionList(), (StringList{"B"}));
  EXPECT_EQ(*ini.GetKeyList(), (StringList{"y"}));
}

}  // namespace
}  // namespace mm::test
