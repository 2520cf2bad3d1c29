// The settings reader reads a file once and answers every key as the
// profile functions do: here a table of tricky files and a run of random
// damaged ones are read both ways, key by key. Natively that checks it
// against the simulated profile functions, under Wine against the system's.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "storage/ini_file.h"
#include "storage/ini_reader.h"
#include "tests/contract/contract_world.h"

namespace mm::contract {
namespace {

const char* const kSections[] = {"General", "TraySpec_0000", "TraySpec_0001", "TraySpec_0002",
                                 "\x83\x5D"};  // "ゾ", its trail byte the one of "]"
const char* const kKeys[] = {
    "DisplayWidthStartup", "ShowTopMost",   "RealyHideOnHidden",  "TimerPeriod",
    "ShowOnlyHidden",      "TraySpec_Count", "UseCaption",        "UseClassname",
    "HideIfIconized",      "UseTrayIcon",   "ShowIconOnlyHidden", "CaptionMatchType",
    "Caption",             "ClassName",     "UserName",           "AlphaPercent",
    "AlphaPercentBG",      "HideOnStartup", "CloseOnStartup",     "TitleStyle",
    "DisableTitleStyleChanging"};

class IniReaderContract : public ::testing::Test {
 protected:
  IniReaderContract() : world(MakeContractWorld()), os(world->os()) {}

  // Writes the file under a name of its own (the system caches profile
  // files by name and time) and reads every key both ways. Returns whether
  // the reader parsed it.
  bool ExpectSameAnswers(const std::string& what, const std::string& bytes) {
    const std::string file = world->ScratchFolder() + "f" + std::to_string(++files) + ".ini";
    EXPECT_TRUE(os.WriteFileBytes(file, bytes));
    CIniFile profile(file, "General");
    CIniReader reader(file, "General");
    for (const char* section : kSections) {
      profile.SetSectionName(section);
      reader.SetSectionName(section);
      for (const char* key : kKeys) {
        ++keys;
        EXPECT_EQ(reader.GetString(key, ""), profile.GetString(key, ""))
            << what << ": [" << section << "] " << key;
        EXPECT_EQ(reader.GetString(key, "d  "), profile.GetString(key, "d  "))
            << what << ": [" << section << "] " << key;
        EXPECT_EQ(reader.GetInt(key, 77), profile.GetInt(key, 77))
            << what << ": [" << section << "] " << key;
      }
    }
    return reader.Parsed();
  }

  std::unique_ptr<ContractWorld> world;
  Platform& os;
  int files = 0;
  long keys = 0;
};

std::string Nul(const std::string& a, const std::string& b) { return a + std::string(1, '\0') + b; }

// ASCII text as a UTF-16 (little-endian) file with its byte order mark.
std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

TEST_F(IniReaderContract, TrickyFilesReadAsTheProfileFunctionsReadThem) {
  const std::string k1023(1023, 'x'), k1024(1024, 'y');
  struct Row {
    const char* what;
    std::string bytes;
    bool parsed;  // false: left to the profile functions
  };
  const std::vector<Row> table = {
      {"empty", "", true},
      {"blanks only", " \t\r\n\x1A\r\n", true},
      {"plain CR LF",
       "[General]\r\nTimerPeriod=250\r\nTraySpec_Count=2\r\n[TraySpec_0000]\r\nCaption=Notepad\r\n"
       "UseCaption=1\r\n[TraySpec_0001]\r\nClassName=Edit\r\n",
       true},
      {"LF, lone CR, mixed, no last break",
       "[General]\nTimerPeriod=1\rShowTopMost=2\r\nShowOnlyHidden=3\n\r[TraySpec_0000]\rCaption=c",
       true},
      {"names without case",
       "[general]\r\ntimerperiod=9\r\n[TRAYSPEC_0000]\r\ncAPTION=x\r\n[TraySpec_0000]\r\nUserName=late\r\n",
       true},
      {"first of duplicate sections and keys",
       "[General]\r\nTimerPeriod=1\r\nTIMERPERIOD=2\r\n[General]\r\nShowTopMost=5\r\nTimerPeriod=3\r\n",
       true},
      {"a line without = hides a later key",
       "[General]\r\nTimerPeriod\r\nTimerPeriod=4\r\n[TraySpec_0000]\r\nCaption\r\nCaption=hidden\r\n",
       true},
      {"comments and junk",
       "; note\r\n# other\r\n[General]\r\n;TimerPeriod=1\r\nTimerPeriod=2 ; not a comment\r\n"
       "junk line\r\n=5\r\n==\r\n",
       true},
      {"blanks around names and values",
       "  [ General ]  \r\n \t TimerPeriod \t = \v 7 \f \r\n[TraySpec_0000]\r\n Caption =  two  words  "
       "\x1A\r\n",
       true},
      {"quotes",
       "[TraySpec_0000]\r\nCaption=\"  padded  \"\r\nClassName='single'\r\nUserName=\"open\r\n"
       "UseCaption=\"\"\r\nUseClassname=\"\r\nHideIfIconized='x\"\r\nAlphaPercent=\"42\"\r\n"
       "AlphaPercentBG=a\"b\"c\r\n",
       true},
      {"values at and beyond the 1,023-byte buffer",
       "[TraySpec_0000]\r\nCaption=" + k1023 + "\r\nClassName=" + k1024 + "\r\nUserName=\"" + k1023 +
           "\"\r\nUseCaption=" + std::string(70000, '1') + "\r\n",
       true},
      {"headers damaged",
       "[TraySpec_0000\r\nCaption=a\r\n[General]junk\r\nTimerPeriod=5\r\n[TraySpec_0001]]\r\n"
       "Caption=b\r\n[]\r\nCaption=c\r\n[TraySpec_0002] ; x ]\r\nCaption=d\r\n",
       true},
      {"NUL bytes",
       Nul("[General", "x]\r\nTimerPeriod=1") + Nul("2", "3\r\n") + Nul("ShowTopMost", "junk=4\r\n") +
           Nul("[TraySpec_0000]\r\nCaption=a", "b\r\n") + Nul("", "ClassName=z\r\n"),
       true},
      {"numbers",
       "[General]\r\nDisplayWidthStartup=0x10\r\nShowTopMost=0X1f\r\nRealyHideOnHidden=0b101\r\n"
       "TimerPeriod=0o17\r\nShowOnlyHidden=-5\r\nTraySpec_Count=+7\r\n[TraySpec_0000]\r\n"
       "UseCaption=  12\r\nUseClassname=12abc\r\nHideIfIconized=\r\nUseTrayIcon=4294967296\r\n"
       "ShowIconOnlyHidden=99999999999999999999\r\nCaptionMatchType=-2147483648\r\n"
       "AlphaPercent=" + std::string(29, '0') + "9\r\nAlphaPercentBG=1e9\r\nHideOnStartup=--3\r\n"
       "CloseOnStartup=0x\r\nTitleStyle=-\r\nDisableTitleStyleChanging=0B11\r\n",
       true},
      {"double-byte text",
       "[TraySpec_0000]\r\nCaption=\x95\x5C\x8E\xA6\r\nClassName=\x83\x41=\x83\x5D\r\n[\x83\x5D]\r\n"
       "Caption=zo\r\n[\x83\x5D=\r\nUserName=in zo\r\n",
       true},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[General]\r\nTimerPeriod=3\r\n", false},
      {"UTF-16 byte order mark", Utf16Le("[General]\r\nTimerPeriod=3\r\n"), false},
      {"a lead byte before a line break",
       "[TraySpec_0000]\r\nCaption=a\x81\nClassName=b\r\nUserName=c\x82\r\n", false},
      {"a lead byte before a NUL", Nul("[TraySpec_0000]\r\nCaption=a\x82", "b\r\nClassName=c\r\n"),
       false},
      {"an unmapped double-byte character", "[TraySpec_0000]\r\nCaption=\x85\x40\r\n", false},
      {"ideographic blanks", "[TraySpec_0000]\r\nCaption=\x81\x40x\x81\x40\r\nUseCaption=\x81\x40\x38\r\n",
       false},
      {"control characters", "[General]\r\nTimerPeriod=\x1C\x35\x1F\r\n[TraySpec_0000]\r\nCaption=\x01x\r\n",
       false},
  };
  for (const Row& row : table) {
    EXPECT_EQ(ExpectSameAnswers(row.what, row.bytes), row.parsed) << row.what;
  }
}

// Random damaged settings files: well-formed ones with their lines and
// bytes broken, as a damaged disk or a careless editor leaves them.
TEST_F(IniReaderContract, RandomDamagedFilesReadAsTheProfileFunctionsReadThem) {
  std::mt19937 rng(20240611);
  auto pick = [&rng](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
  };
  auto chance = [&rng](double p) { return std::uniform_real_distribution<>(0, 1)(rng) < p; };
  const std::vector<std::string> values = {
      "0", "1", "-1", "250", "2147483647", "4294967296", "12abc", "", " 7", "0x10", "\"5\"",
      "Notepad", "\x83\x81\x83\x82 \x95\x5C\x8E\xA6", "\"  quoted  \"", "'", "a=b", std::string(1100, 'v'),
  };
  const std::vector<std::string> damage = {"\x81", "\x82", "\xFF\xFE", "\x80\xA0\xFD", "]", "=", "\x1A",
                                           std::string(1, '\0'), "\t", "\"", ";"};
  const std::vector<std::string> breaks = {"\r\n", "\n", "\r"};
  const int kFiles = 150;
  int parsed = 0;
  for (int n = 0; n < kFiles; ++n) {
    std::vector<std::string> lines = {pick({"[General]", "[general]", "[ General ]", "[General"})};
    for (const char* key : kKeys) {
      if (chance(0.7)) lines.push_back(std::string(key) + "=" + pick(values));
    }
    const int rules = std::uniform_int_distribution<>(0, 3)(rng);
    for (int s = 0; s < rules; ++s) {
      char header[32];
      std::snprintf(header, sizeof header, chance(0.8) ? "[TraySpec_%04d]" : "[traySpec_%d]", s);
      lines.push_back(header);
      for (int k = 6; k < 21; ++k) {
        if (chance(0.8)) lines.push_back(std::string(kKeys[k]) + "=" + pick(values));
      }
    }
    std::string bytes;
    const std::string lineBreak = pick(breaks);
    for (std::string line : lines) {
      if (chance(0.025)) {
        std::string bad = pick(damage);
        line.insert(std::uniform_int_distribution<size_t>(0, line.size())(rng), bad);
      }
      if (chance(0.03)) line.erase(line.find('=') == std::string::npos ? 0 : line.find('='), 1);
      bytes += line + (chance(0.05) ? pick(breaks) : lineBreak);
    }
    if (ExpectSameAnswers("random file " + std::to_string(n), bytes)) ++parsed;
  }
  std::printf("random settings files compared: %d (%d parsed, %d left to the profile functions), "
              "%ld section and key pairs\n",
              kFiles, parsed, kFiles - parsed, keys);
  // Most of them must really test the parser.
  EXPECT_GT(parsed, kFiles / 3);
}

}  // namespace
}  // namespace mm::contract
