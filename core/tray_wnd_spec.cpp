#include "core/tray_wnd_spec.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/text.h"
#include "platform/window_text.h"

namespace mm {

namespace {

// `needle` occurs in `text` at a character boundary. Candidates come from
// a plain byte search; only a candidate inside double-byte text needs the
// characters before it counted.
bool ContainsAtCharacter(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  size_t boundary = 0;  // next character boundary not beyond the candidate
  for (size_t at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + 1)) {
    while (boundary < at) boundary += CharBytes(text, boundary);
    if (boundary == at) return true;
  }
  return false;
}

// `*` any run of characters, `?` one character; everything else itself.
// Steps a character at a time, so a double-byte character is one and a
// pattern never matches half of one. The last `*` is the only one ever
// retried: a later one can only need a longer run of its own.
bool WildcardPasses(std::string_view text, std::string_view pattern) {
  std::size_t t = 0, p = 0;
  std::size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      const std::size_t tc = CharBytes(text, t);
      const std::size_t pc = CharBytes(pattern, p);
      if ((pc == 1 && pattern[p] == '?') || text.substr(t, tc) == pattern.substr(p, pc)) {
        t += tc;
        p += pc;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starT += CharBytes(text, starT);
    t = starT;
    p = starP;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool CaptionPasses(std::string_view caption, std::string_view wanted, int matchType) {
  const size_t n = wanted.size();
  switch (matchType) {
    case CaptionMatch::Equal:
      return caption == wanted;
    case CaptionMatch::StartsWith:
      return caption.size() >= n && caption.compare(0, n, wanted) == 0;
    case CaptionMatch::EndsWith:  // the last n bytes, wherever a character begins
      return caption.size() >= n && caption.compare(caption.size() - n, n, wanted) == 0;
    case CaptionMatch::Contains:
      return ContainsAtCharacter(caption, wanted);
    case CaptionMatch::Wildcard:
      return WildcardPasses(caption, wanted);
    default:
      return false;
  }
}

}  // namespace

CTrayWndSpec::CTrayWndSpec() = default;

CTrayWndSpec::~CTrayWndSpec() = default;

const std::vector<RuleField>& RuleFields() {
  using S = CTrayWndSpec;
  // A missing key reads as the default beside it, so a rule read from the
  // file never depends on the constructor's values.
  static const std::vector<RuleField> fields{
      {"UseCaption", &S::UseCaption, nullptr, 1},
      {"UseClassname", &S::UseClassname, nullptr, 1},
      {"HideIfIconized", &S::HideIfIconized, nullptr, 1},
      {"UseTrayIcon", &S::UseTrayIcon, nullptr, 1},
      {"ShowIconOnlyHidden", &S::ShowIconOnlyHidden, nullptr, 1},
      {"ShowTopMost", &S::ShowTopMost, nullptr, 0},
      {"CaptionMatchType", &S::CaptionMatchType, nullptr, CaptionMatch::Equal},
      {"Caption", nullptr, &S::Caption, 0},
      {"ClassName", nullptr, &S::ClassName, 0},
      {"UserName", nullptr, &S::UserName, 0},
      {"AlphaPercent", &S::AlphaPercent, nullptr, 100},
      {"AlphaPercentBG", &S::AlphaPercentBG, nullptr, 100},
      {"HideOnStartup", &S::HideOnStartup, nullptr, 0},
      {"CloseOnStartup", &S::CloseOnStartup, nullptr, 0},
      {"TitleStyle", &S::TitleStyle, nullptr, TitleStyleCode::Default},
      {"DisableTitleStyleChanging", &S::DisableTitleStyleChanging, nullptr, 0},
      {"UseExeName", &S::UseExeName, nullptr, 0},
      {"ExeName", nullptr, &S::ExeName, 0},
      {"ClassMatchType", &S::ClassMatchType, nullptr, CaptionMatch::Equal},
  };
  return fields;
}

void CopyRuleFields(const CTrayWndSpec& from, CTrayWndSpec& to) {
  for (const RuleField& f : RuleFields()) {
    if (f.number != nullptr) {
      to.*f.number = from.*f.number;
    } else {
      to.*f.text = from.*f.text;
    }
  }
}

bool SameRuleFields(const CTrayWndSpec& a, const CTrayWndSpec& b) {
  for (const RuleField& f : RuleFields()) {
    if (f.number != nullptr ? a.*f.number != b.*f.number : a.*f.text != b.*f.text) return false;
  }
  return true;
}

int CTrayWndSpec::MatchesText(const std::string& caption, const std::string& className,
                              const std::string& programPath) const {
  if (TestsCaption() && !CaptionPasses(UpToNul(caption), Caption, CaptionMatchType)) return 0;
  if (TestsClassName()) {
    if (ClassMatchType == CaptionMatch::Equal) {
      // A name longer than a read delivers (a rule can hold one) never matches.
      if (ClassName.size() >= kClassNameBuffer || ClassName != UpToNul(className)) return 0;
    } else if (!CaptionPasses(UpToNul(className), ClassName, ClassMatchType)) {
      return 0;
    }
  }
  if (TestsExeName() && !ProgramPasses(programPath)) return 0;
  return 1;
}

bool CTrayWndSpec::ProgramPasses(const std::string& programPath) const {
  const std::string_view path = UpToNul(programPath);
  // An empty name names no program; a path that could not be read is no one's.
  if (ExeName.empty() || path.empty()) return false;
  // Backslashes found as characters: 0x5C is also a trail byte in 932.
  const bool wholePath = ProgramFileName(ExeName).size() != ExeName.size();
  const std::string_view compared = wholePath ? path : ProgramFileName(path);
  return UpperAscii(std::string(compared)) == UpperAscii(ExeName);
}

std::string_view ProgramFileName(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t at = 0; at < path.size(); at += CharBytes(path, at)) {
    if (path[at] == '\\') start = at + 1;
  }
  return path.substr(start);
}

}  // namespace mm
