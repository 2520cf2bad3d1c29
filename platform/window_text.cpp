#include "platform/window_text.h"

#include <vector>

#include "platform/platform.h"
#include "platform/text.h"

namespace mm {

namespace {

constexpr int kFirstRead = 512;
// A read that fills more than half the buffer may have been cut: a
// double-byte caption that does not fit comes back a byte or two short of
// the buffer, not full. Below this it is certainly whole.
constexpr int kSureWhole = kFirstRead / 2;

// One read into a buffer of `size` bytes, up to the first NUL. On the
// stack: the scan reads a class name for every new window.
constexpr int kCutBuffer = 256;
static_assert(kClassNameBuffer < kCutBuffer && kListedCaptionBuffer < kCutBuffer);

std::string ReadCut(HWND window, int (Platform::*read)(HWND, char*, int), int size) {
  char buffer[kCutBuffer] = {};
  int copied = (Os().*read)(window, buffer, size);
  if (copied < 0) copied = 0;
  if (copied >= size) copied = size - 1;
  return std::string(UpToNul(std::string_view(buffer, static_cast<std::size_t>(copied))));
}

}  // namespace

void ReadWindowCaption(HWND window, std::string* out) {
  Platform& os = Os();
  char first[kFirstRead];
  first[0] = '\0';
  const int copied = os.GetWindowTextA(window, first, kFirstRead);
  if (copied >= 0 && copied < kSureWhole) {
    out->assign(UpToNul(std::string_view(first, static_cast<std::size_t>(copied))));
    return;
  }
  // Long: ask the length and leave room for a caption that grows meanwhile.
  int length = os.GetWindowTextLengthA(window);
  if (length < kFirstRead) length = kFirstRead;
  std::vector<char> buffer(static_cast<std::size_t>(length) + 10, '\0');
  os.GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  out->assign(UpToNul(std::string_view(buffer.data(), buffer.size() - 1)));
}

std::string WindowCaption(HWND window) {
  std::string caption;
  ReadWindowCaption(window, &caption);
  return caption;
}

std::string ListedWindowCaption(HWND window) {
  return ReadCut(window, &Platform::GetWindowTextA, kListedCaptionBuffer);
}

void ReadWindowClassName(HWND window, std::string* out) {
  *out = ReadCut(window, &Platform::GetClassNameA, kClassNameBuffer);
}

std::string WindowClassName(HWND window) {
  return ReadCut(window, &Platform::GetClassNameA, kClassNameBuffer);
}

void ReadWindowProgramPath(HWND window, std::string* out) {
  out->clear();
  DWORD processId = 0;
  if (Os().GetWindowThreadProcessId(window, &processId) == 0 || processId == 0) return;
  if (!Os().QueryFullProcessImageNameA(processId, out)) out->clear();
}

std::string WindowProgramPath(HWND window) {
  std::string path;
  ReadWindowProgramPath(window, &path);
  return path;
}

}  // namespace mm
