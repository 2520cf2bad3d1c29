#include "core/window_text.h"

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
constexpr int kClassBuffer = 256;  // class names are at most 256 characters

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

void ReadWindowClassName(HWND window, std::string* out) {
  char name[kClassBuffer];
  name[0] = '\0';
  int copied = Os().GetClassNameA(window, name, kClassBuffer);
  if (copied < 0) copied = 0;
  if (copied >= kClassBuffer) copied = kClassBuffer - 1;
  out->assign(UpToNul(std::string_view(name, static_cast<std::size_t>(copied))));
}

bool IsShellWindowClass(const std::string& className) {
  static const char* const kShellClasses[] = {"Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Progman",
                                              "WorkerW", "__winex11_standalone_tray"};
  for (const char* shell : kShellClasses) {
    if (className == shell) return true;
  }
  return false;
}

}  // namespace mm
