#include "core/tray_wnd_spec.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace mm {

namespace {

// The class name is read with a limit one below its 256-byte buffer, so at
// most 254 bytes of it ever take part in matching.
constexpr int kClassBufferSize = 256;
constexpr int kClassReadLimit = kClassBufferSize - 1;
constexpr size_t kClassMaxBytes = kClassReadLimit - 1;

// Captions that fit here are read without a heap allocation.
constexpr size_t kStackCaption = 512;

// Lead bytes of every double-byte code page lie above 0x7F, so ASCII text
// is stepped without asking the system.
bool IsLead(Platform& os, unsigned char c) { return c >= 0x80 && os.IsDBCSLeadByte(c); }

// Text as a C string holds it: up to the first NUL.
std::string_view UpToNul(const std::string& text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return std::string_view(text.data(), nul == nullptr ? text.size()
                                                      : static_cast<const char*>(nul) - text.data());
}

// `needle` occurs in `text` at a character boundary. Candidates come from
// a plain byte search; only a candidate inside double-byte text needs the
// characters before it counted.
bool ContainsAtCharacter(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  Platform& os = Os();
  size_t boundary = 0;  // next character boundary not beyond the candidate
  for (size_t at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + 1)) {
    while (boundary < at) boundary += IsLead(os, static_cast<unsigned char>(text[boundary])) ? 2 : 1;
    if (boundary == at) return true;
  }
  return false;
}

bool CaptionPasses(std::string_view caption, std::string_view wanted, int matchType) {
  const size_t n = wanted.size();
  switch (matchType) {
    case 0:  // equal
      return caption == wanted;
    case 1:  // starts with
      return caption.size() >= n && caption.compare(0, n, wanted) == 0;
    case 2:  // ends with: the last n bytes, wherever a character begins
      return caption.size() >= n && caption.compare(caption.size() - n, n, wanted) == 0;
    case 3:  // contains
      return ContainsAtCharacter(caption, wanted);
    default:
      return false;
  }
}

// Bytes of `text` that a read limited to kClassReadLimit delivers: at most
// 254, never half a double-byte character.
size_t ClassBytesRead(std::string_view text) {
  if (text.size() <= kClassMaxBytes) return text.size();
  Platform& os = Os();
  size_t i = 0;
  while (i < kClassMaxBytes) {
    const size_t step = IsLead(os, static_cast<unsigned char>(text[i])) ? 2 : 1;
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
