#include "storage/recovery.h"

#include <algorithm>
#include <string>

#include "platform/platform.h"
#include "storage/paths.h"

namespace mm {

namespace {

// Window handles index a table of at most 65,536 entries, so no real list
// is longer; the rest of a longer file is junk and is not offered.
constexpr size_t kMaxRecordsRead = 65536;

// Clears the flag however the reading ends.
class RestoringScope {
 public:
  explicit RestoringScope(int* flag) : flag_(flag) {
    if (flag_ != nullptr) *flag_ = 1;
  }
  ~RestoringScope() {
    if (flag_ != nullptr) *flag_ = 0;
  }
  RestoringScope(const RestoringScope&) = delete;
  RestoringScope& operator=(const RestoringScope&) = delete;

 private:
  int* flag_;
};

constexpr size_t kLooksRecordBytes = 20;

std::string LooksFilePath() { return HwndsFilePath() + ".looks"; }

void PutWord(std::string* bytes, DWORD word) {
  for (int shift = 0; shift < 32; shift += 8) *bytes += static_cast<char>((word >> shift) & 0xFF);
}

DWORD WordAt(const std::string& bytes, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
         static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
}

std::string RulelessFilePath() { return HwndsFilePath() + ".ruleless"; }

void WriteHandleList(const std::string& path, const std::vector<HWND>& handles) {
  std::string bytes;
  bytes.reserve(handles.size() * 4);
  for (HWND h : handles) PutWord(&bytes, HandleToRecord(h));
  ReplaceFileContent(path, bytes);
}

std::vector<DWORD> ReadHandleList(const std::string& path) {
  std::vector<DWORD> records;
  std::string bytes;
  // No more than the records taken: a huge file must not fill memory.
  if (!Os().ReadFileBytes(path, &bytes, kMaxRecordsRead * 4)) return records;
  const size_t count = std::min(bytes.size() / 4, kMaxRecordsRead);  // a shorter tail is ignored
  records.reserve(count);
  for (size_t i = 0; i < count; ++i) records.push_back(WordAt(bytes, i * 4));
  return records;
}

}  // namespace

DWORD HandleToRecord(HWND hWnd) {
  return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hWnd));
}

HWND RecordToHandle(DWORD record) {
  // The system keeps the significant bits of a window handle in 32 bits and
  // sign-extends them on 64-bit Windows; widening the same way makes a value
  // written by one run name the same handle in the next.
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(record)));
}

void WriteHwndsFile(int restoringHwnds, const std::vector<HWND>& handles) {
  if (restoringHwnds != 0) return;
  // A crash in the middle leaves the old list or the new one, never a cut one.
  WriteHandleList(HwndsFilePath(), handles);
}

void ReadHwndsFile(int* restoringHwnds, const std::function<int(HWND)>& tryAddWindow) {
  RestoringScope restoring(restoringHwnds);
  for (DWORD record : ReadHandleList(HwndsFilePath())) {
    if (tryAddWindow) tryAddWindow(RecordToHandle(record));
  }
}

void DeleteHwndsFile() {
  Os().DeleteFileA(HwndsFilePath());
  Os().DeleteFileA(LooksFilePath());
  Os().DeleteFileA(RulelessFilePath());
}

void WriteRulelessFile(int restoringHwnds, const std::vector<HWND>& handles) {
  if (restoringHwnds != 0) return;
  WriteHandleList(RulelessFilePath(), handles);
}

std::set<DWORD> ReadRulelessFile() {
  const std::vector<DWORD> records = ReadHandleList(RulelessFilePath());
  return std::set<DWORD>(records.begin(), records.end());
}

void WriteLooksFile(int restoringHwnds, const std::vector<std::pair<HWND, FoundLooks>>& looks) {
  if (restoringHwnds != 0) return;
  std::string bytes;
  bytes.reserve(looks.size() * kLooksRecordBytes);
  for (const auto& [window, found] : looks) {
    PutWord(&bytes, HandleToRecord(window));
    PutWord(&bytes, found.thread);
    PutWord(&bytes, found.style);
    PutWord(&bytes, found.exStyle);
    PutWord(&bytes, static_cast<DWORD>(found.alpha));
  }
  ReplaceFileContent(LooksFilePath(), bytes);
}

std::map<DWORD, FoundLooks> ReadLooksFile() {
  std::map<DWORD, FoundLooks> looks;
  std::string bytes;
  if (!Os().ReadFileBytes(LooksFilePath(), &bytes, kMaxRecordsRead * kLooksRecordBytes)) return looks;
  const size_t records = std::min(bytes.size() / kLooksRecordBytes, kMaxRecordsRead);
  for (size_t i = 0; i < records; ++i) {
    const size_t at = i * kLooksRecordBytes;
    FoundLooks found;
    found.thread = WordAt(bytes, at + 4);
    found.style = WordAt(bytes, at + 8);
    found.exStyle = WordAt(bytes, at + 12);
    const DWORD alpha = WordAt(bytes, at + 16);
    // Anything but an alpha byte is "none": the file may be damaged.
    found.alpha = alpha <= 255 ? static_cast<int>(alpha) : -1;
    looks[WordAt(bytes, at)] = found;
  }
  return looks;
}

}  // namespace mm
