// Finds the first rule, in list order, that matches a caption and class
// name, without trying every rule on every window: the scan offers each of
// hundreds of windows to every rule on every tick.
//
// The index only narrows the rules down to candidates that could match (a
// necessary condition per rule: the equal text, the first or last bytes,
// the first two bytes of a contained text, the class name); each candidate
// is then confirmed with CTrayWndSpec::MatchesText in list order, so the
// answer is always the one a walk over the list would give.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/tray_wnd_spec.h"

namespace mm {

class CRuleIndex {
 public:
  // Rebuilds the index when the rules differ from the ones it was built
  // on (rules are edited in place, so their matching fields are compared,
  // not just their addresses). Cheap when nothing changed.
  void Update(const TraySpecList& rules);

  // Whether any rule looks at the caption / the class name at all.
  bool NeedsCaption() const { return needsCaption_; }
  bool NeedsClassName() const { return needsClassName_; }
  bool NeedsProgramPath() const { return needsProgram_; }

  // The first rule that matches, or nullptr. `caption`, `className` and
  // `programPath` are as read from the window (the last only when asked for).
  CTrayWndSpec* FirstMatch(const std::string& caption, const std::string& className,
                           const std::string& programPath = std::string());

 private:
  struct RuleKey {
    CTrayWndSpec* spec;
    int useCaption;
    int matchType;
    int useClassname;
    int classMatchType;
    int useExeName;
    std::string caption;
    std::string className;
    std::string exeName;
    std::string exeFileKey;  // ExeName's file name in upper case
  };
  using Bucket = std::vector<int>;  // rule positions, ascending

  bool Unchanged(const TraySpecList& rules) const;
  void Rebuild(const TraySpecList& rules);
  void Add(const Bucket* bucket);
  void AddByByteKey(const std::unordered_map<std::uint32_t, Bucket>& map, std::uint32_t key);

  std::vector<RuleKey> keys_;
  bool needsCaption_ = false;
  bool needsClassName_ = false;
  bool needsProgram_ = false;

  Bucket always_;  // match without looking at the window
  std::unordered_map<std::string_view, Bucket> equal_;      // caption equal to
  std::unordered_map<std::string_view, Bucket> classOnly_;  // class name alone
  std::unordered_map<std::string_view, Bucket> programOnly_;  // program file name alone
  std::unordered_map<std::uint32_t, Bucket> startsWith_;    // by first one or two bytes
  std::unordered_map<std::uint32_t, Bucket> endsWith_;      // by last one or two bytes
  std::unordered_map<std::uint32_t, Bucket> contains_;      // by first one or two bytes
  // Which one- and two-byte keys the first two maps hold, so that most
  // windows are turned away by a bit test instead of a lookup.
  std::vector<std::uint64_t> startsWithKeys_;
  std::vector<std::uint64_t> endsWithKeys_;
  // Per distinct first byte of the contained texts: whether a one-byte
  // text is that byte, and which bytes follow it in the longer ones. A
  // caption is searched for each first byte with memchr, which skips most
  // of it at once; these few bytes stay in the cache.
  struct ContainsStart {
    char first;
    bool alone;
    std::uint64_t second[4];
  };
  std::vector<ContainsStart> containsStarts_;

  // Length and first byte of every equal text and class name, so most
  // windows are turned away without hashing their whole caption.
  std::vector<std::uint64_t> equalShapes_;
  std::vector<std::uint64_t> classShapes_;

  std::vector<int> candidates_;
};

}  // namespace mm
