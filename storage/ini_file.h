// Reading and writing one INI file through the profile functions. Every
// operation opens, reads or writes and closes the file within the call;
// failures are reported through results and ErrorText, never thrown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"

namespace mm {

using StringList = std::vector<std::string>;

// Blanks the profile functions trim from both ends of names and values.
bool IsProfileBlank(char c);
// The text that makes the profile functions give `value` back unchanged:
// what WriteString stores.
std::string StorableValue(const std::string& value);

class CIniFile {
 public:
  CIniFile(const std::string& fileName, const std::string& sectionName);
  virtual ~CIniFile();

  virtual int WriteString(const std::string& key, const std::string& value);
  virtual int WriteInt(const std::string& key, int value);
  virtual int WriteDouble(const std::string& key, double value);
  virtual std::string GetString(const std::string& key, const std::string& defaultValue);
  virtual int GetInt(const std::string& key, int defaultValue);
  virtual double GetDouble(const std::string& key, double defaultValue);
  virtual int CopySection(const std::string& destination, const std::string& source);
  virtual int DeleteKey(const std::string& key);
  virtual int DeleteKey(const std::string& section, const std::string& key);
  virtual int DeleteSection(const std::string& section);
  virtual std::string GetFileName();
  virtual std::string GetSectionName();
  virtual std::unique_ptr<StringList> GetSectionList();
  virtual std::unique_ptr<StringList> GetKeyList(const std::string& section);
  virtual std::unique_ptr<StringList> GetKeyList();
  virtual void SetFileName(const std::string& name);
  virtual void SetSectionName(const std::string& name);
  virtual std::string GetErrorText(DWORD code);
  virtual std::unique_ptr<StringList> ParseStringByNULL(const char* buffer, int size);

  // The text of the last error (not part of the virtual interface).
  const std::string& ErrorText() const { return ErrorText_; }

 private:
  bool CheckNames();
  // All section names (section null) or the keys of one section.
  std::unique_ptr<StringList> ReadNameList(const char* section, const char* errorText);

  std::string ErrorText_;
  std::string SectionName_;
  std::string FileName_;
};

}  // namespace mm
