#include "core/tray_wnd_spec.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/text.h"

namespace mm {

namespace {

// The class name is read with a limit one below its 256-byte buffer, so at
// most 254 bytes of it ever take part in matching.
constexpr int kClassBufferSize = 256;
constexpr int kClassReadLimit = kClassBufferSize - 1;
constexpr size_t kClassMaxBytes = kClassReadLimit - 1;

// Captions that fit here are read without a heap allocation.
constexpr size_t kStackCaption = 512;

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
    default:
      return false;
  }
}

// Bytes of `text` that a read limited to kClassReadLimit delivers: at most
// 254, never half a double-byte character.
size_t ClassBytesRead(std::string_view text) {
  if (text.size() <= kClassMaxBytes) return text.size();
  size_t i = 0;
  while (i < kClassMaxBytes) {
    const size_t step = CharBytes(text, i);
    if (i + step > kClassMaxBytes) break;
    i += step;
  }
  return i;
}

}  // namespace

CTrayWndSpec::CTrayWndSpec() = default;

CTrayWndSpec::~CTrayWndSpec() = default;

int CTrayWndSpec::Matches(HWND window) const {
  if (!UseCaption && !UseClassname) return 1;
  Platform& os = Os();
  if (UseCaption) {
    const int length = os.GetWindowTextLengthA(window);
    const size_t size = static_cast<size_t>(length > 0 ? length : 0) + 10;
    char stackBuffer[kStackCaption];
    std::vector<char> heapBuffer;
    char* buffer = stackBuffer;
    if (size > kStackCaption) {
      heapBuffer.resize(size);
      buffer = heapBuffer.data();
    }
    buffer[0] = '\0';
    os.GetWindowTextA(window, buffer, static_cast<int>(size));
    buffer[size - 1] = '\0';
    if (!CaptionPasses(buffer, Caption, CaptionMatchType)) return 0;
  }
  if (UseClassname) {
    char className[kClassBufferSize] = {};
    os.GetClassNameA(window, className, kClassReadLimit);
    if (ClassName != className) return 0;
  }
  return 1;
}

const std::array<RuleField, 16>& RuleFields() {
  using S = CTrayWndSpec;
  // A missing key reads as the default beside it, so a rule read from the
  // file never depends on the constructor's values.
  static const std::array<RuleField, 16> fields{{
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
  }};
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

int CTrayWndSpec::MatchesText(const std::string& caption, const std::string& className) const {
  if (!UseCaption && !UseClassname) return 1;
  if (UseCaption && !CaptionPasses(UpToNul(caption), Caption, CaptionMatchType)) return 0;
  if (UseClassname) {
    // Only a name as long as the rule's can equal it; the cut is worked
    // out only for names longer than a read delivers.
    const std::string_view name = UpToNul(className);
    if (ClassName.size() > kClassMaxBytes) return 0;
    if (name.size() < ClassName.size()) return 0;
    if (name.compare(0, ClassName.size(), ClassName) != 0) return 0;
    if (name.size() != ClassName.size() && ClassBytesRead(name) != ClassName.size()) return 0;
  }
  return 1;
}

}  // namespace mm
