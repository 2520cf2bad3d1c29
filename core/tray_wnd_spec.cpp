#include "core/tray_wnd_spec.h"

#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace mm {

namespace {

// The class name is read with a limit one below its 256-byte buffer, so at
// most 254 bytes of it ever take part in matching.
constexpr int kClassBufferSize = 256;
constexpr int kClassReadLimit = kClassBufferSize - 1;

// Text as a C string holds it: up to the first NUL.
std::string UpToNul(const std::string& text) {
  const size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

// What a read into a buffer of `size` bytes delivers: at most size - 1
// bytes, never half a double-byte character.
std::string AsReadInto(const std::string& text, int size, Platform& os) {
  const size_t limit = static_cast<size_t>(size - 1);
  if (text.size() <= limit) return text;
  size_t i = 0;
  while (i < limit) {
    const size_t step = os.IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return text.substr(0, i);
}

// `needle` occurs in `text` at a character boundary.
bool ContainsAtCharacter(const std::string& text, const std::string& needle, Platform& os) {
  if (needle.empty()) return true;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, needle.size(), needle) == 0) return true;
    i += os.IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
  }
  return false;
}

bool CaptionPasses(const std::string& caption, const std::string& wanted, int matchType,
                   Platform& os) {
  const size_t n = wanted.size();
  switch (matchType) {
    case 0:  // equal
      return caption == wanted;
    case 1:  // starts with
      return caption.size() >= n && caption.compare(0, n, wanted) == 0;
    case 2:  // ends with: the last n bytes, wherever a character begins
      return caption.size() >= n && caption.compare(caption.size() - n, n, wanted) == 0;
    case 3:  // contains
      return ContainsAtCharacter(caption, wanted, os);
    default:
      return false;
  }
}

}  // namespace

CTrayWndSpec::CTrayWndSpec() = default;

CTrayWndSpec::~CTrayWndSpec() = default;

int CTrayWndSpec::Matches(HWND window) const {
  if (!UseCaption && !UseClassname) return 1;
  Platform& os = Os();
  if (UseCaption) {
    const int length = os.GetWindowTextLengthA(window);
    const int size = (length > 0 ? length : 0) + 10;
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    os.GetWindowTextA(window, buffer.data(), size);
    buffer.back() = '\0';
    if (!CaptionPasses(buffer.data(), Caption, CaptionMatchType, os)) return 0;
  }
  if (UseClassname) {
    char className[kClassBufferSize] = {};
    os.GetClassNameA(window, className, kClassReadLimit);
    if (ClassName != className) return 0;
  }
  return 1;
}

int CTrayWndSpec::MatchesText(const std::string& caption, const std::string& className) const {
  if (!UseCaption && !UseClassname) return 1;
  Platform& os = Os();
  if (UseCaption && !CaptionPasses(UpToNul(caption), Caption, CaptionMatchType, os)) return 0;
  if (UseClassname && ClassName != AsReadInto(UpToNul(className), kClassReadLimit, os)) return 0;
  return 1;
}

}  // namespace mm
