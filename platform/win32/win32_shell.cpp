// The shell and the code page.
#include "platform/win32/win32_internal.h"

#include "platform/win32/win32_text.h"

namespace mm {

using win32::W;

INT_PTR Win32Platform::ShellExecuteA(HWND owner, const char* verb, const char* file,
                                     const char* parameters, const char* directory, int show) {
  // The result is an HINSTANCE only by history: a number, > 32 on success.
  return reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(W(owner), verb, file, parameters, directory, show));
}

// ---- Code page -------------------------------------------------------------------

UINT Win32Platform::GetACP() { return ::GetACP(); }
BOOL Win32Platform::IsDBCSLeadByte(BYTE b) { return ::IsDBCSLeadByte(b); }

std::string Win32Platform::AnsiToUtf8(const std::string& ansi) {
  return win32::NarrowUtf8(win32::Widen(ansi, win32::kAnsiCodePage));
}

std::string Win32Platform::Utf8ToAnsi(const std::string& utf8) {
  return win32::Narrow(win32::WidenUtf8(utf8), win32::kAnsiCodePage);
}

}  // namespace mm
