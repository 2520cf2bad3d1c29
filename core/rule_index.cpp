#include "core/rule_index.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace mm {

namespace {

std::uint8_t Byte(char c) { return static_cast<std::uint8_t>(c); }

// One- and two-byte keys never collide: the length is part of the key.
std::uint32_t Key1(char a) { return 0x10000u | Byte(a); }
std::uint32_t Key2(char a, char b) { return 0x20000u | (std::uint32_t{Byte(a)} << 8) | Byte(b); }
// Bits of a key set: the 65,536 two-byte keys, then the 256 one-byte ones.
constexpr std::uint32_t kKeyBits = 65536 + 256;
std::uint32_t Bit1(char a) { return 65536u + Byte(a); }
std::uint32_t Bit2(char a, char b) { return (std::uint32_t{Byte(a)} << 8) | Byte(b); }

// Length (modulo 256) and first byte of a text, as a bit position.
std::uint32_t Shape(std::string_view text) {
  return ((static_cast<std::uint32_t>(text.size()) & 0xFF) << 8) |
         (text.empty() ? 0u : Byte(text[0]));
}

void SetBit(std::vector<std::uint64_t>& bits, std::uint32_t bit) {
  bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

bool TestBit(const std::vector<std::uint64_t>& bits, std::uint32_t bit) {
  return ((bits[bit / 64] >> (bit % 64)) & 1) != 0;
}

}  // namespace

void CRuleIndex::Update(const TraySpecList& rules) {
  if (!Unchanged(rules)) Rebuild(rules);
}

bool CRuleIndex::Unchanged(const TraySpecList& rules) const {
  if (rules.size() != keys_.size()) return false;
  auto key = keys_.begin();
  for (const auto& rule : rules) {
    if (key->spec != rule.get() || key->useCaption != rule->UseCaption ||
        key->matchType != rule->CaptionMatchType || key->useClassname != rule->UseClassname ||
        key->classMatchType != rule->ClassMatchType || key->useExeName != rule->UseExeName ||
        key->caption != rule->Caption || key->className != rule->ClassName ||
        key->exeName != rule->ExeName) {
      return false;
    }
    ++key;
  }
  return true;
}

void CRuleIndex::Rebuild(const TraySpecList& rules) {
  keys_.clear();
  for (const auto& rule : rules) {
    keys_.push_back({rule.get(), rule->UseCaption, rule->CaptionMatchType, rule->UseClassname,
                     rule->ClassMatchType, rule->UseExeName, rule->Caption, rule->ClassName,
                     rule->ExeName, UpperAscii(std::string(ProgramFileName(rule->ExeName)))});
  }
  needsCaption_ = needsClassName_ = needsProgram_ = false;
  always_.clear();
  equal_.clear();
  classOnly_.clear();
  programOnly_.clear();
  startsWith_.clear();
  endsWith_.clear();
  contains_.clear();
  startsWithKeys_.assign(kKeyBits / 64, 0);
  endsWithKeys_.assign(kKeyBits / 64, 0);
  containsStarts_.clear();
  equalShapes_.assign(65536 / 64, 0);
  classShapes_.assign(65536 / 64, 0);

  // The views below point into keys_, which stays unchanged until the next
  // rebuild.
  for (int i = 0; i < static_cast<int>(keys_.size()); ++i) {
    const RuleKey& k = keys_[static_cast<std::size_t>(i)];
    const CTrayWndSpec& rule = *k.spec;
    if (rule.TestsCaption()) needsCaption_ = true;
    if (rule.TestsClassName()) needsClassName_ = true;
    if (rule.TestsExeName()) needsProgram_ = true;
    // A pattern says nothing of the caption's bytes at a fixed place: such
    // a rule is found by its other tests, or offered every window.
    if (!rule.TestsCaption() || k.matchType == CaptionMatch::Wildcard) {
      if (rule.TestsClassName() && k.classMatchType == CaptionMatch::Equal) {
        classOnly_[std::string_view(k.className)].push_back(i);
        SetBit(classShapes_, Shape(k.className));
      } else if (rule.TestsExeName()) {
        programOnly_[std::string_view(k.exeFileKey)].push_back(i);
      } else {
        always_.push_back(i);
      }
      continue;
    }
    // The caption decides first; a class test, if any, is left to the
    // confirmation.
    const std::string& text = k.caption;
    const std::size_t n = text.size();
    switch (k.matchType) {
      case CaptionMatch::Equal:
        equal_[std::string_view(text)].push_back(i);
        SetBit(equalShapes_, Shape(text));
        break;
      case CaptionMatch::StartsWith:
        if (n == 0) {
          always_.push_back(i);
        } else if (n == 1) {
          startsWith_[Key1(text[0])].push_back(i);
          SetBit(startsWithKeys_, Bit1(text[0]));
        } else {
          startsWith_[Key2(text[0], text[1])].push_back(i);
          SetBit(startsWithKeys_, Bit2(text[0], text[1]));
        }
        break;
      case CaptionMatch::EndsWith:
        if (n == 0) {
          always_.push_back(i);
        } else if (n == 1) {
          endsWith_[Key1(text[0])].push_back(i);
          SetBit(endsWithKeys_, Bit1(text[0]));
        } else {
          endsWith_[Key2(text[n - 2], text[n - 1])].push_back(i);
          SetBit(endsWithKeys_, Bit2(text[n - 2], text[n - 1]));
        }
        break;
      case CaptionMatch::Contains: {
        if (n == 0) {
          always_.push_back(i);
          break;
        }
        auto start = std::find_if(containsStarts_.begin(), containsStarts_.end(),
                                  [&](const ContainsStart& c) { return c.first == text[0]; });
        if (start == containsStarts_.end()) {
          containsStarts_.push_back({text[0], false, {0, 0, 0, 0}});
          start = containsStarts_.end() - 1;
        }
        if (n == 1) {
          contains_[Key1(text[0])].push_back(i);
          start->alone = true;
        } else {
          contains_[Key2(text[0], text[1])].push_back(i);
          start->second[Byte(text[1]) / 64] |= std::uint64_t{1} << (Byte(text[1]) % 64);
        }
        break;
      }
      default:
        break;  // an unknown comparison never matches
    }
  }
}

void CRuleIndex::Add(const Bucket* bucket) {
  if (bucket != nullptr) candidates_.insert(candidates_.end(), bucket->begin(), bucket->end());
}

void CRuleIndex::AddByByteKey(const std::unordered_map<std::uint32_t, Bucket>& map,
                              std::uint32_t key) {
  auto it = map.find(key);
  if (it != map.end()) Add(&it->second);
}

CTrayWndSpec* CRuleIndex::FirstMatch(const std::string& caption, const std::string& className,
                                     const std::string& programPath) {
  if (keys_.empty()) return nullptr;
  candidates_.clear();
  Add(&always_);

  const std::string_view text = UpToNul(caption);
  const std::size_t n = text.size();
  if (!equal_.empty() && TestBit(equalShapes_, Shape(text))) {
    auto it = equal_.find(text);
    if (it != equal_.end()) Add(&it->second);
  }
  if (n >= 1) {
    if (!startsWith_.empty()) {
      if (TestBit(startsWithKeys_, Bit1(text[0]))) AddByByteKey(startsWith_, Key1(text[0]));
      if (n >= 2 && TestBit(startsWithKeys_, Bit2(text[0], text[1]))) {
        AddByByteKey(startsWith_, Key2(text[0], text[1]));
      }
    }
    if (!endsWith_.empty()) {
      const char last = text[n - 1];
      if (TestBit(endsWithKeys_, Bit1(last))) AddByByteKey(endsWith_, Key1(last));
      if (n >= 2 && TestBit(endsWithKeys_, Bit2(text[n - 2], last))) {
        AddByByteKey(endsWith_, Key2(text[n - 2], last));
      }
    }
    for (const ContainsStart& start : containsStarts_) {
      const char* const end = text.data() + n;
      for (const char* p = text.data(); p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, start.first, static_cast<std::size_t>(end - p)));
        if (p == nullptr) break;
        if (start.alone) AddByByteKey(contains_, Key1(start.first));
        if (p + 1 < end) {
          const std::uint8_t next = Byte(p[1]);
          if ((start.second[next / 64] >> (next % 64)) & 1) {
            AddByByteKey(contains_, Key2(start.first, p[1]));
          }
        }
      }
    }
  }
  if (!classOnly_.empty()) {
    const std::string_view cls = UpToNul(className);
    if (TestBit(classShapes_, Shape(cls))) {
      auto it = classOnly_.find(cls);
      if (it != classOnly_.end()) Add(&it->second);
    }
  }

  if (!programOnly_.empty()) {
    const std::string key = UpperAscii(std::string(ProgramFileName(UpToNul(programPath))));
    auto it = programOnly_.find(std::string_view(key));
    if (it != programOnly_.end()) Add(&it->second);
  }

  if (candidates_.empty()) return nullptr;
  std::sort(candidates_.begin(), candidates_.end());
  int previous = -1;
  for (int i : candidates_) {
    if (i == previous) continue;
    previous = i;
    CTrayWndSpec* spec = keys_[static_cast<std::size_t>(i)].spec;
    if (spec->MatchesText(caption, className, programPath) != 0) return spec;
  }
  return nullptr;
}

}  // namespace mm
