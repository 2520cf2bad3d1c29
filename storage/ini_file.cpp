#include "storage/ini_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "platform/text.h"

namespace mm {

namespace {

constexpr DWORD kValueBufferSize = 1024;
constexpr int kListBufferSize = 10240;

// The error texts are UTF-8 like every literal of ours, not the ANSI code
// page of the file data; nobody shows them, so they are left unconverted.
const char kCheckNamesError[] =
    "CIniFile::CheckNames():ﾌｧｲﾙ名・ｾｸｼｮﾝ名が未設定です。";
const char kSectionListError[] =
    "CIniFile::GetSectionList():ｾｸｼｮﾝの合計ｻｲｽﾞが多きすぎて、読み込むことができません";
const char kKeyListError[] =
    "CIniFile::GetKeyList():ｷｰの合計ｻｲｽﾞが大きすぎて、読み込むことができません";
const char kMalformedListError[] = "CIniFile::ParseStringByNULL():取得ﾃﾞｰﾀに異常があります";
const char kMemoryError[] = "CIniFile::ParseStringByNULL():ﾒﾓﾘｰｴﾗｰが発生しました:\n ";

}  // namespace

bool IsProfileBlank(char c) {
  return (c >= '\t' && c <= '\r') || c == ' ' || c == '\x1A';
}

// They end a value at a line break, trim blanks around it and drop a pair of
// matching quotes around it. A line break would also let the rest of the
// value be read as keys or sections of its own, so the value ends there;
// blanks or quotes at the ends are kept by quoting the whole value. A NUL
// ends it as it ends the C string the profile functions are given.
std::string StorableValue(const std::string& value) {
  std::string text(UpToNul(value));
  text.resize(std::min(text.size(), text.find_first_of("\r\n")));
  if (text.empty()) return text;
  bool blankEnd = IsProfileBlank(text.front()) || IsProfileBlank(text.back());
  bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                text.back() == text.front();
  if (blankEnd || quoted) return "\"" + text + "\"";
  return text;
}

CIniFile::CIniFile(const std::string& fileName, const std::string& sectionName)
    : SectionName_(sectionName), FileName_(fileName) {}

CIniFile::~CIniFile() = default;

int CIniFile::WriteString(const std::string& key, const std::string& value) {
  std::string text = StorableValue(value);
  if (!Os().WritePrivateProfileStringA(SectionName_.c_str(), key.c_str(), text.c_str(),
                                       FileName_.c_str())) {
    ErrorText_ = GetErrorText(Os().GetLastError());
    return 0;
  }
  return 1;
}

int CIniFile::WriteInt(const std::string& key, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return WriteString(key, text);
}

int CIniFile::WriteDouble(const std::string& key, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%e", value);
  return WriteString(key, text);
}

std::string CIniFile::GetString(const std::string& key, const std::string& defaultValue) {
  ErrorText_.clear();
  if (!CheckNames()) return std::string();
  char buffer[kValueBufferSize] = {};
  Os().GetPrivateProfileStringA(SectionName_.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                kValueBufferSize, FileName_.c_str());
  buffer[kValueBufferSize - 1] = '\0';
  return buffer;
}

int CIniFile::GetInt(const std::string& key, int defaultValue) {
  ErrorText_.clear();
  if (!CheckNames()) return 0;
  return static_cast<int>(Os().GetPrivateProfileIntA(SectionName_.c_str(), key.c_str(),
                                                     defaultValue, FileName_.c_str()));
}

double CIniFile::GetDouble(const std::string& key, double defaultValue) {
  ErrorText_.clear();
  if (!CheckNames()) return 0.0;
  char text[64];
  std::snprintf(text, sizeof text, "%e", defaultValue);
  return std::strtod(GetString(key, text).c_str(), nullptr);
}

int CIniFile::CopySection(const std::string& destination, const std::string& source) {
  std::unique_ptr<StringList> keys = GetKeyList(source);
  if (!keys) return 0;
  for (const std::string& key : *keys) {
    SetSectionName(source);
    std::string value = GetString(key, "");
    SetSectionName(destination);
    if (!WriteString(key, value)) return 0;
  }
  return 1;
}

int CIniFile::DeleteKey(const std::string& key) {
  if (!Os().WritePrivateProfileStringA(SectionName_.c_str(), key.c_str(), nullptr,
                                       FileName_.c_str())) {
    ErrorText_ = GetErrorText(Os().GetLastError());
    return 0;
  }
  return 1;
}

int CIniFile::DeleteKey(const std::string& section, const std::string& key) {
  SetSectionName(section);
  return DeleteKey(key);
}

int CIniFile::DeleteSection(const std::string& section) {
  if (!Os().WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FileName_.c_str())) {
    ErrorText_ = GetErrorText(Os().GetLastError());
    return 0;
  }
  return 1;
}

std::string CIniFile::GetFileName() { return FileName_; }

std::string CIniFile::GetSectionName() { return SectionName_; }

std::unique_ptr<StringList> CIniFile::ReadNameList(const char* section, const char* errorText) {
  // Whether the names fit is decided on a slightly larger buffer: the
  // profile functions report a cut list as size - 2, and some report an
  // exact fit the same way, so the count alone cannot tell the two apart.
  // Here any list that needs no more than kListBufferSize bytes, closing NUL
  // included, comes back whole with a result below kListBufferSize.
  const DWORD probeSize = kListBufferSize + 2;
  std::unique_ptr<char[]> buffer(new char[probeSize]());
  DWORD n = Os().GetPrivateProfileStringA(section, nullptr, nullptr, buffer.get(), probeSize,
                                          FileName_.c_str());
  if (n >= static_cast<DWORD>(kListBufferSize)) {
    ErrorText_ = errorText;
    return nullptr;
  }
  // Whatever the platform left after the list is no part of it.
  std::memset(buffer.get() + n + 1, 0, probeSize - n - 1);
  return ParseStringByNULL(buffer.get(), kListBufferSize);
}

std::unique_ptr<StringList> CIniFile::GetSectionList() {
  return ReadNameList(nullptr, kSectionListError);
}

std::unique_ptr<StringList> CIniFile::GetKeyList(const std::string& section) {
  SetSectionName(section);
  return GetKeyList();
}

std::unique_ptr<StringList> CIniFile::GetKeyList() {
  return ReadNameList(SectionName_.c_str(), kKeyListError);
}

void CIniFile::SetFileName(const std::string& name) {
  ErrorText_.clear();
  FileName_ = name;
}

void CIniFile::SetSectionName(const std::string& name) {
  ErrorText_.clear();
  SectionName_ = name;
}

std::string CIniFile::GetErrorText(DWORD code) { return Os().FormatMessageA(code); }

std::unique_ptr<StringList> CIniFile::ParseStringByNULL(const char* buffer, int size) {
  try {
    auto list = std::make_unique<StringList>();
    const char* p = buffer;
    const char* end = buffer != nullptr && size > 0 ? buffer + size : buffer;
    for (;;) {
      if (buffer == nullptr || p >= end) break;
      if (*p == '\0') return list;
      // A name must end inside the buffer; one that runs off its end is
      // damaged data, never a reason to read beyond it.
      const void* nul = std::memchr(p, '\0', static_cast<size_t>(end - p));
      if (nul == nullptr) break;
      const char* stop = static_cast<const char*>(nul);
      list->emplace_back(p, stop);
      p = stop + 1;
    }
    ErrorText_ = kMalformedListError;
    return nullptr;
  } catch (const std::bad_alloc& e) {
    try {
      ErrorText_ = kMemoryError;
      ErrorText_.append(e.what(), std::min<size_t>(std::strlen(e.what()), 254));
    } catch (const std::bad_alloc&) {
      ErrorText_.clear();  // no room even for the text
    }
    return nullptr;
  }
}

bool CIniFile::CheckNames() {
  if (FileName_.empty() || SectionName_.empty()) {
    ErrorText_ = kCheckNamesError;
    return false;
  }
  return true;
}

}  // namespace mm
