// Promises of the profile (INI) functions that CIniFile and the settings
// file build on: the simulated desktop's own INI implementation must keep
// them exactly as the system's GetPrivateProfileStringA and friends do. And
// the settings file's writer (IniText), which edits the text itself, must
// write what they read back as written.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "storage/ini_text.h"
#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

constexpr DWORD kErrorPathNotFound = 3;

class ProfileContract : public ::testing::Test {
 protected:
  ProfileContract() : world(MakeContractWorld()), os(world->os()) {
    file = world->ScratchFolder() + "test.ini";
  }

  std::string Get(const char* section, const char* key, const char* def = "<default>",
                  DWORD size = 1024) {
    std::vector<char> buffer(size + 1, 'X');
    DWORD n = os.GetPrivateProfileStringA(section, key, def, buffer.data(), size, file.c_str());
    EXPECT_LT(n, size);
    EXPECT_EQ(buffer[n], '\0');
    return std::string(buffer.data(), n);
  }
  int Int(const char* section, const char* key, int def = 77) {
    return static_cast<int>(os.GetPrivateProfileIntA(section, key, def, file.c_str()));
  }
  BOOL Put(const char* section, const char* key, const char* value) {
    return os.WritePrivateProfileStringA(section, key, value, file.c_str());
  }
  // A name list (sections, or the keys of a section) as the names it holds,
  // checking that it is closed by one more NUL.
  std::vector<std::string> List(const char* section, DWORD size = 4096) {
    std::vector<char> buffer(size, 'X');
    DWORD n = os.GetPrivateProfileStringA(section, nullptr, nullptr, buffer.data(), size,
                                          file.c_str());
    EXPECT_LT(n + 1, size);
    EXPECT_EQ(buffer[n], '\0');
    std::vector<std::string> names;
    for (DWORD p = 0; p < n;) {
      std::string name(buffer.data() + p);
      names.push_back(name);
      p += static_cast<DWORD>(name.size()) + 1;
    }
    return names;
  }
  std::string FileBytes() {
    std::string bytes;
    EXPECT_TRUE(os.ReadFileBytes(file, &bytes));
    return bytes;
  }
  void SetFileBytes(const std::string& bytes) { ASSERT_TRUE(os.WriteFileBytes(file, bytes)); }
  bool CodePage932() { return os.IsDBCSLeadByte(0x83) && os.IsDBCSLeadByte(0xE0); }

  std::unique_ptr<ContractWorld> world;
  Platform& os;
  std::string file;
};

using Names = std::vector<std::string>;

TEST_F(ProfileContract, WritingCreatesFileSectionAndKeyAndReadsBack) {
  EXPECT_EQ(Get("General", "TimerPeriod"), "<default>");  // no file yet
  EXPECT_EQ(Int("General", "TimerPeriod", 500), 500);
  ASSERT_TRUE(Put("General", "TimerPeriod", "250"));
  EXPECT_TRUE(os.FileExists(file));
  EXPECT_EQ(Get("General", "TimerPeriod"), "250");
  EXPECT_EQ(Int("General", "TimerPeriod", 500), 250);
  EXPECT_EQ(Get("General", "Missing"), "<default>");
  EXPECT_EQ(Get("Other", "TimerPeriod"), "<default>");
  EXPECT_EQ(Get("General", "Missing", nullptr), "");
  // The file is plain INI text with CR LF line ends.
  EXPECT_EQ(FileBytes(), "[General]\r\nTimerPeriod=250\r\n");
}

TEST_F(ProfileContract, ExistingKeysKeepTheirPlaceNewOnesGoToTheEndOfTheirSection) {
  ASSERT_TRUE(Put("A", "one", "1"));
  ASSERT_TRUE(Put("A", "two", "2"));
  ASSERT_TRUE(Put("B", "x", "9"));
  ASSERT_TRUE(Put("A", "one", "first"));  // replaced in place
  ASSERT_TRUE(Put("A", "three", "3"));    // after "two", still inside [A]
  ASSERT_TRUE(Put("C", "y", "8"));        // a new section goes to the end
  EXPECT_EQ(List(nullptr), (Names{"A", "B", "C"}));
  EXPECT_EQ(List("A"), (Names{"one", "two", "three"}));
  EXPECT_EQ(Get("A", "one"), "first");
  EXPECT_EQ(Get("A", "three"), "3");
  EXPECT_EQ(Get("B", "x"), "9");
  const std::string bytes = FileBytes();
  EXPECT_LT(bytes.find("three=3"), bytes.find("[B]"));
}

TEST_F(ProfileContract, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  ASSERT_TRUE(Put("General", "ShowTopMost", "1"));
  EXPECT_EQ(Get("GENERAL", "showtopmost"), "1");
  ASSERT_TRUE(Put("general", "SHOWTOPMOST", "0"));
  EXPECT_EQ(List(nullptr), (Names{"General"}));
  EXPECT_EQ(List("general"), (Names{"ShowTopMost"}));
  EXPECT_EQ(Get("General", "ShowTopMost"), "0");
}

TEST_F(ProfileContract, ValuesAndDefaultsAreCutToTheBufferAndTerminated) {
  const std::string longValue(2000, 'v');
  ASSERT_TRUE(Put("S", "k", longValue.c_str()));
  EXPECT_EQ(Get("S", "k", "", 1024), std::string(1023, 'v'));
  const std::string longDefault(2000, 'd');
  EXPECT_EQ(Get("S", "missing", longDefault.c_str(), 1024), std::string(1023, 'd'));
  char one[1] = {'X'};
  EXPECT_EQ(os.GetPrivateProfileStringA("S", "k", "", one, 1, file.c_str()), 0u);
  EXPECT_EQ(one[0], '\0');
}

TEST_F(ProfileContract, ListsAreDoubleNulTerminatedAndCutTheWindowsWay) {
  EXPECT_EQ(List(nullptr), Names{});  // no file: an empty list
  ASSERT_TRUE(Put("Alpha", "a", "1"));
  ASSERT_TRUE(Put("Bravo", "b", "2"));
  ASSERT_TRUE(Put("Alpha", "c", "3"));
  EXPECT_EQ(List(nullptr), (Names{"Alpha", "Bravo"}));
  EXPECT_EQ(List("Alpha"), (Names{"a", "c"}));
  EXPECT_EQ(List("Nowhere"), Names{});

  // Too small: the last name is cut, two NULs close the buffer, and the
  // result is size - 2.
  char small[9];
  std::memset(small, 'X', sizeof small);
  DWORD n = os.GetPrivateProfileStringA(nullptr, nullptr, nullptr, small, sizeof small,
                                        file.c_str());
  EXPECT_EQ(n, sizeof small - 2);
  EXPECT_EQ(std::string(small, 6), std::string("Alpha\0", 6));
  EXPECT_EQ(small[n], '\0');
  EXPECT_EQ(std::string(small + 6), "B");
}

TEST_F(ProfileContract, DeletingKeysAndSections) {
  ASSERT_TRUE(Put("A", "one", "1"));
  ASSERT_TRUE(Put("A", "two", "2"));
  ASSERT_TRUE(Put("B", "x", "9"));
  ASSERT_TRUE(Put("A", "one", nullptr));
  EXPECT_EQ(List("A"), (Names{"two"}));
  EXPECT_EQ(Get("A", "one"), "<default>");
  EXPECT_TRUE(Put("A", "never-there", nullptr));
  ASSERT_TRUE(Put("A", nullptr, nullptr));
  EXPECT_EQ(List(nullptr), (Names{"B"}));
  EXPECT_EQ(Get("A", "two"), "<default>");
  EXPECT_EQ(Get("B", "x"), "9");
  EXPECT_TRUE(Put("Gone", nullptr, nullptr));
}

TEST_F(ProfileContract, ReadingToleratesBlanksQuotesAndAnyLineEnds) {
  SetFileBytes(
      "[Lf]\nplain=1\n  spaced  =  two words  \n"
      "[CrLf]\r\ndq=\"quoted value\"\r\nsq='single'\r\nhalf=\"open\r\ninner=a\"b\"c\r\n"
      "[NoEnd]\nlast=tail");
  EXPECT_EQ(Get("Lf", "plain"), "1");
  EXPECT_EQ(Get("Lf", "spaced"), "two words");
  EXPECT_EQ(Get("CrLf", "dq"), "quoted value");
  EXPECT_EQ(Get("CrLf", "sq"), "single");
  EXPECT_EQ(Get("CrLf", "half"), "\"open");
  EXPECT_EQ(Get("CrLf", "inner"), "a\"b\"c");
  EXPECT_EQ(Get("NoEnd", "last"), "tail");
  EXPECT_EQ(List(nullptr), (Names{"Lf", "CrLf", "NoEnd"}));

  // Quotes keep blanks that trimming would take away.
  ASSERT_TRUE(Put("Lf", "kept", "\"  padded  \""));
  EXPECT_EQ(Get("Lf", "kept"), "  padded  ");
}

TEST_F(ProfileContract, DamagedTextReadsAsTheSystemReadsIt) {
  std::string bytes =
      "\xEF\xBB\xBFpre=1\r\n[ A ]\r\nnoeq\r\n;c=1\r\n k = v \r\nk=dup\r\nhex=0x10\r\n"
      "HEX=0X10\r\nbin=0b11\r\n[A]\r\nsecond=2\r\n[B]\r\nx=1\r\n[C\r\nz=1\rcr=2\nnul=a";
  bytes += '\0';
  bytes += "b\n[Nul";
  bytes += '\0';
  bytes += "junk]\nn=1\n";
  SetFileBytes(bytes);
  // Names in the file are trimmed; a header without "]" is no header, one
  // with a NUL in it still is; the first of duplicate sections and keys
  // counts, the later ones are listed.
  EXPECT_EQ(List(nullptr), (Names{"A", "A", "B", "Nul"}));
  EXPECT_EQ(Get("Nul", "n"), "1");
  EXPECT_EQ(List("A"), (Names{"k", "k", "hex", "HEX", "bin"}));
  EXPECT_EQ(Get("A", "k"), "v");
  EXPECT_EQ(Get("A", "second"), "<default>");
  EXPECT_EQ(Get("A", "noeq"), "<default>");
  EXPECT_EQ(Get("A", ";c"), "1");  // never listed, yet found
  EXPECT_EQ(Get("", "pre"), "1");  // keys before any header
  EXPECT_EQ(Get("B", "z"), "1");
  EXPECT_EQ(Get("B", "cr"), "2");  // a lone CR ends a line
  EXPECT_EQ(Get("B", "nul"), "a");
  EXPECT_EQ(Int("A", "hex"), 16);
  EXPECT_EQ(Int("A", "HEX"), 16);
  EXPECT_EQ(Int("A", "bin"), 3);
  // A key list of a missing section gives the default text.
  EXPECT_EQ(Get("Nowhere", nullptr, "dflt"), "dflt");

  // Writing drops blanks around a value.
  ASSERT_TRUE(Put("B", "new", "  padded  "));
  EXPECT_EQ(Get("B", "new"), "padded");
  EXPECT_EQ(Get("A", "k"), "v");
}

TEST_F(ProfileContract, TextWrittenInOnePieceReadsBackAsWrittenAndKeepsTheRest) {
  // "表示" and "ア" in code page 932; "ゾ" (83 5D) ends in the byte of "]".
  const bool dbcs = CodePage932();
  const std::string hyouji = "\x95\x5C\x8E\xA6", a = "\x83\x41", zo = "\x83\x5D";
  std::string before =
      "; another program's notes\n"
      "[Other]\r\n"
      "name =  \"  quoted  \"  \r\n"
      "path=C:\\x\r\n";
  if (dbcs) before += "[" + hyouji + "]\r\n" + a + "=" + hyouji + "\r\n";
  before += "[General]\n";
  if (dbcs) before += "[" + zo + "=no header\n";
  before +=
      "  TimerPeriod  =  250  \n"
      "ShowTopMost=1\n"
      "showtopmost=7\n"
      "Caption\n"
      "Caption=hidden by the line above\n"
      ";comment=kept\n"
      "\n"
      "\r\n"
      "[general]\r\n"
      "RealyHideOnHidden=5\r\n"
      "[Tail]\r\n"
      "last=end";
  SetFileBytes(before);
  // A line without "=" is a key without a value: it hides a later one.
  EXPECT_EQ(Get("General", "Caption"), "<default>");
  EXPECT_EQ(Int("General", "TimerPeriod"), 250);

  const std::string text = dbcs ? "  \x83\x81\x83\x82\x92\xA0 " + hyouji + "  " : "  two  words  ";
  IniText ini(FileBytes());
  ini.WriteInt("General", "TimerPeriod", -2147483647 - 1);  // blanks around it
  ini.WriteInt("GENERAL", "ShowTopMost", 0);                // the first of two
  ini.WriteInt("General", "RealyHideOnHidden", 1);          // only in the later [general]
  ini.WriteString("General", "Caption", text);              // the line without "="
  ini.WriteString("General", "Added", "\"quoted\"");
  const std::vector<std::pair<std::string, std::string>> rule = {
      {"Caption", text}, {"ClassName", "'"}, {"UserName", dbcs ? hyouji : "back\\"},
      {"Empty", ""},     {"Equals", "a=b"},  {"Half", "\"open"}};
  for (const auto& kv : rule) ini.WriteString("TraySpec_0000", kv.first, kv.second);
  SetFileBytes(ini.Bytes());

  EXPECT_EQ(Int("General", "TimerPeriod"), -2147483647 - 1);
  EXPECT_EQ(Int("General", "ShowTopMost"), 0);
  EXPECT_EQ(Int("General", "RealyHideOnHidden"), 1);
  EXPECT_EQ(Get("General", "Caption"), text);
  EXPECT_EQ(Get("General", "Added"), "\"quoted\"");
  for (const auto& kv : rule) EXPECT_EQ(Get("TraySpec_0000", kv.first.c_str()), kv.second);
  // Other programs' values, comments and later duplicates stay as they were.
  EXPECT_EQ(Get("Other", "name"), "  quoted  ");
  EXPECT_EQ(Get("Other", "path"), "C:\\x");
  EXPECT_EQ(Get("Tail", "last"), "end");
  EXPECT_EQ(Get("General", ";comment"), "kept");
  if (dbcs) {
    EXPECT_EQ(Get(hyouji.c_str(), a.c_str()), hyouji);
    EXPECT_EQ(Get("General", ("[" + zo).c_str()), "no header");
  }
  Names sections = {"Other", "General", "general", "Tail", "TraySpec_0000"};
  if (dbcs) sections.insert(sections.begin() + 1, hyouji);
  EXPECT_EQ(List(nullptr), sections);
  const std::string after = FileBytes();
  for (const char* kept : {"; another program's notes\n[Other]\r\n", "\nshowtopmost=7\n",
                           "\nCaption=hidden by the line above\n", "[general]\r\nRealyHideOnHidden=5\r\n"}) {
    EXPECT_NE(after.find(kept), std::string::npos) << kept;
  }
  // Keys keep their place and line end; new ones end their section, before
  // its blank lines; a new section follows the last line.
  EXPECT_NE(after.find("\nShowTopMost=0\n"), std::string::npos);
  EXPECT_NE(after.find(";comment=kept\nRealyHideOnHidden=1\r\nAdded=\"\"quoted\"\"\r\n\n\r\n[general]"),
            std::string::npos);
  EXPECT_NE(after.find("last=end\r\n[TraySpec_0000]\r\nCaption=\"" + text + "\"\r\n"),
            std::string::npos);
}

TEST_F(ProfileContract, IntegersReadLeadingDecimalDigitsWithSign) {
  SetFileBytes(
      "[N]\r\nplain=42\r\nneg=-17\r\nplus=+7\r\nspaced=   12   \r\ntail=12abc\r\n"
      "text=abc\r\nempty=\r\nbig=4294967295\r\nmin=-2147483648\r\n");
  EXPECT_EQ(Int("N", "plain"), 42);
  EXPECT_EQ(Int("N", "neg"), -17);
  EXPECT_EQ(Int("N", "plus"), 7);
  EXPECT_EQ(Int("N", "spaced"), 12);
  EXPECT_EQ(Int("N", "tail"), 12);
  EXPECT_EQ(Int("N", "text"), 0);
  EXPECT_EQ(Int("N", "empty"), 77);  // an empty value counts as missing
  EXPECT_EQ(Int("N", "missing"), 77);
  EXPECT_EQ(Int("N", "big"), -1);  // the unsigned result, taken as int
  EXPECT_EQ(Int("N", "min"), -2147483647 - 1);
}

TEST_F(ProfileContract, WritingIntoAMissingFolderFailsWithTheLastError) {
  const std::string missing = world->ScratchFolder() + "no-such-folder\\x.ini";
  os.SetLastError(0);
  EXPECT_FALSE(os.WritePrivateProfileStringA("S", "k", "v", missing.c_str()));
  EXPECT_EQ(os.GetLastError(), kErrorPathNotFound);
  EXPECT_FALSE(os.FileExists(missing));
  char buffer[16];
  EXPECT_EQ(os.GetPrivateProfileStringA("S", "k", "d", buffer, sizeof buffer, missing.c_str()),
            1u);
  EXPECT_STREQ(buffer, "d");
}

TEST_F(ProfileContract, DoubleByteNamesAndValuesAreKeptByteForByte) {
  if (!CodePage932()) GTEST_SKIP() << "needs the ANSI code page 932";
  // "表示" ends in 0x5C, the byte of a backslash; "ア" (83 41) and "ヂ"
  // (83 61) differ only in a trail byte that looks like a letter's case.
  const std::string hyouji = "\x95\x5C\x8E\xA6";
  const std::string a = "\x83\x41", di = "\x83\x61";
  ASSERT_TRUE(Put(hyouji.c_str(), a.c_str(), "\x83\x65\x83\x58\x83\x67"));  // テスト
  ASSERT_TRUE(Put(hyouji.c_str(), di.c_str(), "2"));
  ASSERT_TRUE(Put(a.c_str(), "k", hyouji.c_str()));
  EXPECT_EQ(Get(hyouji.c_str(), a.c_str()), "\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(Get(hyouji.c_str(), di.c_str()), "2");
  EXPECT_EQ(Get(a.c_str(), "k"), hyouji);
  EXPECT_EQ(Get(di.c_str(), "k"), "<default>");
  EXPECT_EQ(List(nullptr), (Names{hyouji, a}));
  EXPECT_EQ(List(hyouji.c_str()), (Names{a, di}));
  const std::string bytes = FileBytes();
  EXPECT_NE(bytes.find("[" + hyouji + "]\r\n" + a + "=\x83\x65\x83\x58\x83\x67\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace mm::contract
