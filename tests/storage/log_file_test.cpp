// The log file: bounded with one older copy, and whole lines after a crash.
#include "storage/log_file.h"

#include "core/event_log.h"
#include "tests/storage/storage_world.h"

namespace mm::test {
namespace {

using LogFileTest = StorageTest;

const std::string kLogPath = kDataFolder + "MoriMo\\MoriMo.log";

TEST_F(LogFileTest, GoesBesideTheSettingsAndTurnsIntoTheOlderCopyAtItsBound) {
  EXPECT_EQ(LogFilePath(), kLogPath);
  HostWrite(kIniPath, "");
  StartEventLog();
  const std::string event(200, 'x');
  std::size_t written = 0;
  while (written <= kLogBound + 1000) {
    LogEvent(event);
    written += event.size() + 22;  // the time and the line end
  }
  StopEventLog();
  const std::string older = HostRead(kLogPath + ".1");
  const std::string newer = HostRead(kLogPath);
  EXPECT_LE(older.size(), kLogBound);
  EXPECT_GT(older.size(), kLogBound - 300);
  EXPECT_LT(newer.size(), 2000u);
  for (const std::string* file : {&older, &newer}) {
    ASSERT_FALSE(file->empty());
    EXPECT_EQ(file->substr(file->size() - 2), "\r\n") << "ends with a whole line";
    EXPECT_EQ(file->substr(0, 4), "2026");
  }
  LogEvent("nowhere");  // no sink: nothing happens
  EXPECT_EQ(HostRead(kLogPath), newer);
}

TEST_F(LogFileTest, ALineACrashCutIsEndedBeforeTheNextRunsFirst) {
  HostWrite(kIniPath, "");
  StartEventLog();
  LogEvent("taken 0x00010000");
  desk.FailNextWriteAfter(10);  // the crash in the middle of the next line
  LogEvent("hidden 0x00010000");
  StopEventLog();
  const std::string cut = HostRead(kLogPath);
  ASSERT_NE(cut.back(), '\n');

  StartEventLog();
  LogEvent("started");
  StopEventLog();
  const std::string after = HostRead(kLogPath);
  EXPECT_EQ(after.substr(0, cut.size()), cut);
  EXPECT_EQ(after.substr(cut.size(), 2), "\r\n");
  EXPECT_EQ(after.substr(after.size() - 9), "started\r\n");
}

}  // namespace
}  // namespace mm::test
