// An INI file read once and parsed once, answering GetString and GetInt as
// CIniFile does through the profile functions, without a read of the file a
// call. A file whose text the profile functions read through the system's
// code conversion in ways plain bytes cannot tell (a byte order mark, bytes
// the ANSI code page does not map, blanks beyond ASCII) is not parsed:
// every read then goes to the profile functions, as with CIniFile.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "storage/ini_file.h"

namespace mm {

class CIniReader : public CIniFile {
 public:
  CIniReader(const std::string& fileName, const std::string& sectionName);

  // Whether the answers come from the parsed text (else from the profile
  // functions).
  bool Parsed() const { return parsed_; }

  std::string GetString(const std::string& key, const std::string& defaultValue) override;
  int GetInt(const std::string& key, int defaultValue) override;

 private:
  struct Key {
    std::string value;  // trimmed, up to a NUL, quotes kept
    bool hasValue;      // the line has an "="
  };
  struct Section {
    std::unordered_map<std::string, Key> keys;  // folded name -> first key
  };

  void Parse(const std::string& text);
  // The first key of that name in the selected section, or null.
  const Key* Find(const std::string& key);

  bool parsed_ = false;
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded -> first
};

}  // namespace mm
