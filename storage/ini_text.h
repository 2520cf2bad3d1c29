// An INI file's text, changed in memory key by key and written back in one
// piece. The text is read as the system's profile functions read it, so that
// a key set here is the one they find: the first section of a name, the
// first key of a name within it (a line without "=" counts), names compared
// without ASCII case. Every other byte stays as it was: other sections,
// comments, later duplicates, blank lines, line ends. A new key goes after
// the last line of its section (before the blank lines after it), a new
// section at the end of the text; lines added end in CR LF.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace mm {

class IniText {
 public:
  // The file's bytes in the ANSI code page; empty for a new file.
  explicit IniText(std::string bytes);

  bool HasSection(const std::string& section) const;
  // The value is stored as CIniFile::WriteString stores it.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInt(const std::string& section, const std::string& key, int value);
  // The text with every change made.
  std::string Bytes() const;

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Content [begin, end) and the line break after it [end, next).
  struct Line {
    std::size_t begin, end, next;
  };
  struct Key {
    bool added;         // a new line of its section, or a line of the text
    std::size_t index;  // into the section's added lines, or into lines_
    // A line of the text keeps its bytes up to here (through its "=", or
    // through its name when it has none) and gets a new value after them.
    std::size_t keep;
    bool needsEquals;
  };
  struct Section {
    std::string name;                            // as a new header writes it
    std::size_t last = kNone;                    // last non-blank line of it
    bool isNew = false;                          // not in the text yet
    std::unordered_map<std::string, Key> keys;   // folded name -> first key
    std::vector<std::string> added;              // "key=value" lines to add
  };

  void Parse();
  Section& SectionNamed(const std::string& name);

  std::string text_;
  std::vector<Line> lines_;
  std::vector<std::string> replaced_;  // new content of a line; empty: as it was
  // In text order; the first holds the lines before any header.
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded -> first
};

}  // namespace mm
