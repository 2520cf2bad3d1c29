// The contract suite's world on the real window system: the seam is a
// Win32Platform, and the "other applications" are real top-level windows
// that this test process creates with CreateWindowExA.
#include "tests/contract/contract_world.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sdk.h"
#include "platform/win32/win32_text.h"

namespace mm::contract {
namespace {

::HWND W(mm::HWND h) { return reinterpret_cast<::HWND>(h); }
mm::HWND M(::HWND h) { return reinterpret_cast<mm::HWND>(h); }

// One window class per class name the tests ask for. The default window
// procedure answers WM_SYSCOMMAND, WM_CLOSE and WM_GETICON as an ordinary
// application's window does. Classes live as long as the process.
void EnsureClass(const std::string& className) {
  static std::set<std::string> registered;
  if (registered.count(className)) return;
  ::WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<::HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className.c_str();
  if (::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    registered.insert(className);
  }
}

void DeleteTree(const std::string& folder) {
  ::WIN32_FIND_DATAA found{};
  ::HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path + "\\");
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(folder.c_str());
}

// The DLGTEMPLATEEX the resource compiler makes of a DIALOGEX, built in
// memory from the portable description. Class names go in as strings; an
// icon static's "#NNN" becomes the ordinal of icon resource NNN.
class DialogTemplateEx {
 public:
  explicit DialogTemplateEx(const DialogTemplate& t) {
    Word(1);       // dlgVer
    Word(0xFFFF);  // signature: the extended form
    Dword(0);      // helpID
    Dword(t.exStyle);
    Dword(t.style);
    Word(static_cast<::WORD>(t.items.size()));
    Rect(t.x, t.y, t.cx, t.cy);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(t.titleUtf8);
    if (t.style & DS_SETFONT) {
      Word(static_cast<::WORD>(t.fontPoints));
      Word(0);  // weight: the face's own
      Word(static_cast<::WORD>(DEFAULT_CHARSET << 8));  // italic 0, then the charset byte
      Text(t.fontUtf8);
    }
    for (const DialogItemTemplate& item : t.items) {
      Align();
      Dword(0);  // helpID
      Dword(0);  // exStyle
      Dword(item.style);
      Rect(item.x, item.y, item.cx, item.cy);
      Dword(static_cast<::DWORD>(item.id));
      Text(item.cls);
      ::WORD icon = 0;
      if (IconResource(item, &icon)) {
        Word(0xFFFF);
        Word(icon);
      } else {
        Text(item.textUtf8);
      }
      Word(0);  // no creation data
    }
  }
  const void* Data() const { return words_.data(); }

 private:
  static bool IconResource(const DialogItemTemplate& item, ::WORD* id) {
    if (item.cls != "Static" || (item.style & SS_TYPEMASK) != SS_ICON) return false;
    const std::string& text = item.textUtf8;
    if (text.size() < 2 || text[0] != '#') return false;
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str() + 1, &end, 10);
    if (*end != '\0' || number > 0xFFFF) return false;
    *id = static_cast<::WORD>(number);
    return true;
  }
  void Word(::WORD w) { words_.push_back(w); }
  void Dword(::DWORD d) {
    Word(static_cast<::WORD>(d & 0xFFFF));
    Word(static_cast<::WORD>(d >> 16));
  }
  void Rect(int x, int y, int cx, int cy) {
    for (int v : {x, y, cx, cy}) Word(static_cast<::WORD>(static_cast<short>(v)));
  }
  void Text(const std::string& utf8) {
    for (wchar_t c : win32::WidenUtf8(utf8)) Word(static_cast<::WORD>(c));
    Word(0);
  }
  // Every item starts on a DWORD boundary (the vector's storage is).
  void Align() {
    if (words_.size() % 2) Word(0);
  }
  std::vector<::WORD> words_;
};

class Win32World : public ContractWorld {
 public:
  Win32World() { SetOs(&platform_); }

  ~Win32World() override {
    // The shell holds icons by owner window; the windows' end takes them
    // away, and the pump lets that happen before the next test.
    for (::HWND hwnd : windows_) {
      if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
    Settle();
    for (std::thread& answerer : answerers_) answerer.join();
    if (!scratch_.empty()) DeleteTree(scratch_);
    SetOs(nullptr);
  }

  Platform& os() override { return platform_; }

  mm::HWND CreateTopLevel(const std::string& caption, const std::string& className, bool visible,
                          mm::DWORD style, mm::DWORD exStyle) override {
    EnsureClass(className);
    if (visible) style |= WS_VISIBLE;
    ::HWND hwnd = ::CreateWindowExA(exStyle, className.c_str(), caption.c_str(), style,
                                    60 + 20 * static_cast<int>(windows_.size() % 10), 60, 320,
                                    200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (hwnd != nullptr) windows_.push_back(hwnd);
    Settle();
    return M(hwnd);
  }

  void Destroy(mm::HWND hWnd) override {
    ::DestroyWindow(W(hWnd));
    Settle();
  }

  void Settle() override {
    // Drain our queue; then give the X server and the shell a moment to
    // answer with more (under Wine, effects come back as messages). Done
    // when a short spell passes without any, or the deadline is reached.
    const ::DWORD deadline = ::GetTickCount() + 2000;
    for (;;) {
      ::MSG msg;
      while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          // A quit from a test is the test's business; keep it for it.
          ::PostQuitMessage(static_cast<int>(msg.wParam));
          return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
      }
      const ::DWORD now = ::GetTickCount();
      if (static_cast<::LONG>(deadline - now) <= 0) return;
      ::DWORD wait = std::min<::DWORD>(30, deadline - now);
      if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT) == WAIT_TIMEOUT) {
        return;
      }
    }
  }

  std::string ScratchFolder() override {
    if (scratch_.empty()) {
      static int serial = 0;
      char temp[MAX_PATH + 1] = {};
      ::DWORD length = ::GetTempPathA(sizeof(temp), temp);
      std::string base = length > 0 && length < sizeof(temp) ? std::string(temp, length) : "C:\\";
      if (base.back() != '\\') base += '\\';
      for (;;) {
        std::string folder = base + "morimo-contract-" + std::to_string(::GetCurrentProcessId()) +
                             "-" + std::to_string(++serial) + "\\";
        if (::CreateDirectoryA(folder.c_str(), nullptr)) {
          scratch_ = folder;
          break;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
      }
    }
    return scratch_;
  }

  mm::HWND CreateDialogFrom(const DialogTemplate& dialogTemplate, mm::HWND parent,
                            DialogHost* host) override {
    const DialogTemplateEx memory(dialogTemplate);
    mm::HWND dialog = platform_.CreateDialogIndirectU8(memory.Data(), parent, host);
    if (dialog != nullptr) windows_.push_back(W(dialog));
    return dialog;
  }

  LRESULT SendFromAnotherThread(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    std::atomic<bool> done{false};
    ::LRESULT answer = 0;
    std::thread sender([&] {
      answer = ::SendMessageW(W(hWnd), msg, wParam, lParam);
      done = true;
    });
    // A send from another thread is handled while this one takes messages.
    while (!done) {
      ::MSG m;
      while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
      }
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    sender.join();
    return answer;
  }

  void AnswerNextMessageBox(const std::string& caption, int answer) override {
    // Another thread waits for the box (it opens on ours) and clicks.
    answerers_.emplace_back([caption, answer] {
      const ::DWORD deadline = ::GetTickCount() + 10000;
      while (static_cast<::LONG>(deadline - ::GetTickCount()) > 0) {
        if (::HWND box = ::FindWindowA("#32770", caption.c_str())) {
          ::PostMessageA(box, WM_COMMAND, static_cast<::WPARAM>(answer), 0);
          return;
        }
        ::Sleep(20);
      }
    });
  }

  bool IsSimulated() const override { return false; }

 private:
  std::vector<std::thread> answerers_;
  Win32Platform platform_;
  std::vector<::HWND> windows_;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<ContractWorld> MakeContractWorld() { return std::make_unique<Win32World>(); }

}  // namespace mm::contract
