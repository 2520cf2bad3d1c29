// The log file MoriMo.log beside the settings file: one line an event with
// the local time, UTF-8. At most kLogBound bytes; then it becomes
// MoriMo.log.1 (replacing the older copy) and a new one starts, so the two
// never hold more than twice the bound. Each line is one write: a crash
// loses at most the line being written, and a line cut so is ended before
// the next run's first.
#pragma once

#include <cstddef>
#include <string>

namespace mm {

constexpr std::size_t kLogBound = 1024 * 1024;

// <local app data>\MoriMo\MoriMo.log (nothing is created).
std::string LogFilePath();

class CLogFile {
 public:
  explicit CLogFile(std::string path) : path_(std::move(path)) {}
  void Write(const std::string& lineUtf8);

 private:
  std::string path_;
  std::size_t size_ = 0;
  bool opened_ = false;
};

// From now on LogEvent goes to LogFilePath(); StopEventLog ends that.
void StartEventLog();
void StopEventLog();

}  // namespace mm
