#include "storage/log_file.h"

#include <cstdio>
#include <memory>

#include "core/event_log.h"
#include "platform/platform.h"
#include "storage/paths.h"

namespace mm {

namespace {

std::unique_ptr<CLogFile> g_log;

void ToLogFile(const std::string& lineUtf8) {
  if (g_log) g_log->Write(lineUtf8);
}

}  // namespace

std::string LogFilePath() {
  const std::string settings = SettingsFilePath();
  const std::size_t slash = settings.rfind('\\');
  return (slash == std::string::npos ? std::string() : settings.substr(0, slash + 1)) + "MoriMo.log";
}

void CLogFile::Write(const std::string& lineUtf8) {
  Platform& os = Os();
  std::string prefix;
  if (!opened_) {
    // Where the file stands, read once; a last line a crash cut short is
    // ended first, so every line after it is whole.
    opened_ = true;
    std::string old;
    if (os.ReadFileBytes(path_, &old, kLogBound + 1)) {
      size_ = old.size();
      if (!old.empty() && old.back() != '\n') prefix = "\r\n";
    }
  }
  SYSTEMTIME now{};
  os.GetLocalTime(&now);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond);
  const std::string line = prefix + stamp + lineUtf8 + "\r\n";
  if (size_ > 0 && size_ + line.size() > kLogBound) {
    // The older copy goes; this one takes its place.
    if (os.MoveFileReplaceA(path_, path_ + ".1")) size_ = 0;
  }
  if (os.AppendFileBytes(path_, size_ == 0 && !prefix.empty() ? line.substr(2) : line)) {
    size_ += line.size();
  }
}

void StartEventLog() {
  g_log = std::make_unique<CLogFile>(LogFilePath());
  SetEventSink(&ToLogFile);
}

void StopEventLog() {
  SetEventSink(nullptr);
  g_log.reset();
}

}  // namespace mm
