// The seam between MoriMo and the window system it runs on.
//
// Everything the program does to a window, the tray, a file or the user goes
// through one Platform object: platform/win32 forwards to user32, shell32,
// comctl32 and kernel32; tests/sim is a simulated desktop for tests.
// The operations keep their Win32 names and semantics (byte strings in the
// ANSI code page, BOOL results, the same message numbers), so the code above
// reads like the Windows code it is. Policy (what a rule is, when to hide)
// never lives here.
//
// Names avoid the Win32 identifiers that <windows.h> turns into macros
// (MessageBox, SendMessage, ListView_*, ...): where Win32 has an A and a W
// form the A form is named; texts of our own are UTF-8 and carry a U8 suffix.
//
// How the seam grows (the user interface adds most of it):
// - A control message that carries no text, handle or pointer (LVM_GETITEMCOUNT,
//   CB_GETCOUNT, BM_GETCHECK, ...) is not a new call: it goes through
//   SendMessageToOwnWindow, wrapped in a typed helper in ui/controls.h.
// - Only a call that carries text, a handle or a pointer gets a virtual of
//   its own here, in the Win32 vocabulary, and both desktops implement it.
// - Menus: one call shows a popup of a menu resource with the caller's
//   changes applied (greyed, ticked, relabelled items) and returns the
//   chosen command.
// - Look-only features (an underlined font, link colours, a hand cursor)
//   stay inside the Win32 backend behind one call; the simulated desktop
//   only records what was asked.
// - Every call says whether it can wait for another program.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace mm {

// A change to one item of a menu before it is shown. The item is named by
// its command id and found at any depth (the first one in menu order).
struct MenuItemChange {
  UINT id = 0;
  int grayed = -1;   // 1 greyed, 0 enabled, -1 as the resource has it
  int checked = -1;  // 1 ticked, 0 not, -1 as the resource has it
  // Replaces the item by a string item with this text and command id.
  bool relabel = false;
  std::string textUtf8;
  UINT newId = 0;
  bool remove = false;  // the item is not shown at all
};

// One popup (by position in the menu bar) of one of our menu resources,
// loaded afresh, with the caller's changes applied.
struct PopupMenuDescription {
  int menuResource = 0;
  int popupIndex = 0;
  std::vector<MenuItemChange> changes;
};

using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

// Receives the messages of a dialog that the platform created from a
// template. The platform stores the host at WM_INITDIALOG and forwards every
// later message to it; nothing may escape (the backend catches and drops).
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // Returns true when the message was handled; *result is then the value
  // the dialog procedure reports (DWLP_MSGRESULT for notifications).
  virtual bool HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                   LRESULT* result) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Windows of any process -------------------------------------------
  virtual BOOL IsWindow(HWND hWnd) = 0;
  virtual BOOL IsWindowVisible(HWND hWnd) = 0;
  virtual BOOL IsIconic(HWND hWnd) = 0;
  virtual int GetWindowTextLengthA(HWND hWnd) = 0;
  // Caption bytes cut to size - 1 and NUL-terminated; returns bytes copied.
  virtual int GetWindowTextA(HWND hWnd, char* buffer, int size) = 0;
  virtual int GetClassNameA(HWND hWnd, char* buffer, int size) = 0;
  // Top-level windows in z-order, topmost first.
  virtual BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) = 0;
  // Shows or hides a window of our own thread, or waits until another
  // thread has done so: for another program's window it blocks while that
  // program hangs.
  virtual BOOL ShowWindow(HWND hWnd, int cmd) = 0;
  // Asks the window's thread to show or hide it and returns at once; the
  // way to change another program's window. The change may not be visible
  // when this returns.
  virtual BOOL ShowWindowAsync(HWND hWnd, int cmd) = 0;
  // The only way to send to another program's window: bounded, so a hung
  // application cannot freeze us. FALSE on time-out or failure.
  virtual BOOL SendMessageTimeoutA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                   UINT flags, UINT timeoutMs, DWORD_PTR* result) = 0;
  // Whether each window's program takes a message (WM_NULL), asked of all
  // programs at once: waits at most `timeoutMs` in total, however many of
  // them hang. One answer a window, in order; a gone window answers false.
  virtual std::vector<bool> ProgramsAnswer(const std::vector<HWND>& windows, UINT timeoutMs) = 0;
  virtual BOOL PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Synchronous send; only for windows of our own process (dialog to its
  // parent, list view to the manager).
  virtual LRESULT SendMessageToOwnWindow(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Whether the message being handled was sent by another thread (another
  // program, since we have one thread): its pointers are not ours, and a
  // request only we make is not to be taken from it. A notification that a
  // list view of ours sends while it answers another thread is our own.
  virtual BOOL InSendMessage() = 0;
  // For another program's window, waits for it unless SWP_ASYNCWINDOWPOS.
  virtual BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy,
                            UINT flags) = 0;
  virtual BOOL SetForegroundWindow(HWND hWnd) = 0;
  virtual HWND GetForegroundWindow() = 0;
  virtual LONG GetWindowLongA(HWND hWnd, int index) = 0;
  // Returns the previous word, 0 on failure. A style word of another
  // program's window is changed only after that program has seen
  // WM_STYLECHANGING: it blocks while the program hangs.
  virtual LONG SetWindowLongA(HWND hWnd, int index, LONG value) = 0;
  virtual BOOL GetWindowInfo(HWND hWnd, WINDOWINFO* info) = 0;
  virtual BOOL GetWindowRect(HWND hWnd, RECT* rect) = 0;
  virtual DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* processId) = 0;
  virtual DWORD GetCurrentProcessId() = 0;
  // The full path of a process's program file, ANSI bytes, asked with the
  // limited query right (which a program running as administrator grants
  // too); FALSE when the process is gone or refuses.
  virtual BOOL QueryFullProcessImageNameA(DWORD processId, std::string* path) = 0;
  // The mandatory integrity level of a process's token (its RID: 0x2000
  // medium, 0x3000 high, ...), asked with the limited query rights; -1
  // when the system will not say. A process whose level is above ours
  // refuses our changes to its windows (ERROR_ACCESS_DENIED).
  virtual int ProcessIntegrityLevel(DWORD processId) = 0;
  // Whether we run elevated (as administrator).
  virtual BOOL IsProcessElevated() = 0;
  // Waits without handling messages; only before the manager exists.
  virtual void Sleep(DWORD ms) = 0;

  // ---- Layered windows (looked up at run time in user32) -----------------
  // FALSE when user32 cannot be loaded; otherwise tells which calls exist.
  virtual BOOL QueryLayeredApi(BOOL* hasGet, BOOL* hasSet) = 0;
  virtual BOOL GetLayeredWindowAttributes(HWND hWnd, COLORREF* key, BYTE* alpha,
                                          DWORD* flags) = 0;
  virtual BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags) = 0;

  // ---- Icons and the tray --------------------------------------------------
  // The wide call: a tip shows a title in any script.
  virtual BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) = 0;
  // Class icon of a window (GCL_HICON or GCL_HICONSM); 0 when none.
  virtual HICON GetClassIcon(HWND hWnd, int index) = 0;
  // An icon resource of our own program (128, 129, ...).
  virtual HICON LoadAppIcon(int resourceId) = 0;
  // The same resource at the small icon size (the tray, the title bar,
  // small list images), drawn from its own image rather than shrunk from
  // the large one; owned by the platform, like LoadAppIcon's.
  virtual HICON LoadAppSmallIcon(int resourceId) = 0;
  // SM_CXICON, SM_CXSMICON, ...: at the screen's DPI.
  virtual int GetSystemMetrics(int index) = 0;
  virtual UINT RegisterWindowMessageA(const char* name) = 0;
  // Lets a message through the message filter of an elevated window, so
  // programs that run with fewer rights (the shell) can still send it.
  virtual BOOL AllowMessageFromLowerPrivilege(HWND hWnd, UINT msg) = 0;
  // Lets another process bring its window to the front after us.
  virtual BOOL AllowSetForegroundWindow(DWORD processId) = 0;

  // ---- Input, timers, loop -------------------------------------------------
  // The key's state as our thread's input saw it.
  virtual SHORT GetKeyState(int virtualKey) = 0;
  // The key's state now, wherever the keyboard input goes (a tray program
  // in the background never sees keys held in another program's window).
  virtual SHORT GetAsyncKeyState(int virtualKey) = 0;
  virtual BOOL GetCursorPos(POINT* point) = 0;

  // ---- Mouse and pointer -----------------------------------------------------
  // Mouse input goes to one of our windows until ReleaseCapture (or until
  // the system takes the capture away: WM_CAPTURECHANGED). Returns the
  // previous holder.
  virtual HWND SetCapture(HWND hWnd) = 0;
  // Our thread's capture holder, or 0.
  virtual HWND GetCapture() = 0;
  virtual BOOL ReleaseCapture() = 0;
  virtual BOOL ClientToScreen(HWND hWnd, POINT* point) = 0;
  virtual BOOL ScreenToClient(HWND hWnd, POINT* point) = 0;
  virtual BOOL GetClientRect(HWND hWnd, RECT* rect) = 0;
  // The visible window of any program at a screen point, child windows
  // included (a static that lets the mouse through counts as its parent);
  // 0 when there is none.
  virtual HWND WindowFromPoint(POINT point) = 0;
  // A child window's parent, or a pop-up window's owner; 0 otherwise.
  virtual HWND GetParent(HWND hWnd) = 0;
  // GA_PARENT, GA_ROOT or GA_ROOTOWNER (parents, then owners, up to the
  // top); 0 for a window that is gone.
  virtual HWND GetAncestor(HWND hWnd, UINT flags) = 0;
  // Shows cursor resource `resourceId` of our program (0: the standard
  // arrow) until the system asks for the cursor again.
  virtual BOOL SetCursorResource(int resourceId) = 0;
  // A key combination of the whole session that posts WM_HOTKEY (wParam
  // the id) to a window of ours; FALSE with ERROR_HOTKEY_ALREADY_REGISTERED
  // when any window, of any program, holds it already.
  virtual BOOL RegisterHotKey(HWND hWnd, int id, UINT modifiers, UINT virtualKey) = 0;
  virtual BOOL UnregisterHotKey(HWND hWnd, int id) = 0;
  // The key's name as the system's keyboard layout names it (what
  // GetKeyNameText gives for its scan code, the extended bit set for the
  // keys that have it); empty for a key without one.
  virtual std::string KeyNameU8(UINT virtualKey) = 0;
  virtual UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs) = 0;
  virtual BOOL KillTimer(HWND hWnd, UINT_PTR id) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  // Runs the message loop until the quit message; returns its exit code.
  virtual int RunMessageLoop() = 0;
  virtual BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) = 0;
  virtual HWND GetDesktopWindow() = 0;

  // ---- Our own user interface ----------------------------------------------
  // Standard message box; texts are UTF-8 and reach the screen through the
  // wide API. Returns the button chosen (IDOK, IDYES, IDNO, ...).
  virtual int MessageBoxU8(HWND owner, const std::string& text, const std::string& caption,
                           UINT type) = 0;
  // A string resource of ours, UTF-8; empty when missing.
  virtual std::string LoadStringU8(UINT id) = 0;
  // Modeless dialog from template `templateId`; WM_INITDIALOG reaches the
  // host during the call. Returns the dialog window or 0.
  virtual HWND CreateDialogU8(int templateId, HWND parent, DialogHost* host) = 0;
  // Modal dialog; returns the value given to EndDialog, or -1.
  virtual INT_PTR DialogBoxU8(int templateId, HWND parent, DialogHost* host) = 0;
  virtual BOOL EndDialog(HWND dialog, INT_PTR result) = 0;
  virtual BOOL DestroyWindow(HWND hWnd) = 0;
  virtual HWND GetDlgItem(HWND dialog, int id) = 0;
  virtual int GetDlgCtrlID(HWND control) = 0;
  virtual BOOL EnableWindow(HWND hWnd, BOOL enable) = 0;
  virtual BOOL IsWindowEnabled(HWND hWnd) = 0;
  virtual BOOL CheckDlgButton(HWND dialog, int id, UINT check) = 0;
  virtual UINT IsDlgButtonChecked(HWND dialog, int id) = 0;
  virtual BOOL SetWindowTextU8(HWND hWnd, const std::string& text) = 0;
  // The text of any window, read with the wide call: for another
  // program's window its title as the system holds it, in any script,
  // without asking that program (it may hang). Shown, never matched: rules
  // see the ANSI bytes of GetWindowTextA.
  virtual std::string GetWindowTextU8(HWND hWnd) = 0;
  // ANSI bytes into one of our controls (a rule's caption or class name in
  // an edit field); GetWindowTextA reads them back.
  virtual BOOL SetWindowTextA(HWND hWnd, const std::string& text) = 0;
  // Keyboard focus within our own thread; the control that loses it tells
  // its dialog (EN_KILLFOCUS, CBN_KILLFOCUS).
  virtual HWND SetFocus(HWND hWnd) = 0;
  virtual HWND GetFocus() = 0;
  virtual HMENU GetSystemMenu(HWND hWnd, BOOL revert) = 0;
  virtual BOOL AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) = 0;
  // Shows the popup at a screen point, owned by `owner`, and returns the
  // chosen command (0 when the menu was dismissed); the menu is destroyed
  // before this returns. A nested message loop runs while it is open. The
  // caller makes `owner` the foreground window first and posts WM_NULL
  // after (otherwise the menu does not close when the user clicks away).
  virtual UINT TrackPopupMenuU8(HWND owner, const PopupMenuDescription& menu, POINT at) = 0;

  // List views, Unicode controls: texts are UTF-8 (another program's
  // title as the wide call read it, or our own). Messages without text:
  // ui/controls.h.
  virtual int ListViewInsertItemU8(HWND listView, int index, const std::string& text, int image) = 0;
  virtual BOOL ListViewSetItemTextU8(HWND listView, int index, int subItem,
                                     const std::string& text) = 0;
  virtual int ListViewInsertColumnU8(HWND listView, int index, const std::string& text,
                                     int format) = 0;
  virtual BOOL ListViewSetItemParam(HWND listView, int index, LPARAM param) = 0;
  virtual LPARAM ListViewGetItemParam(HWND listView, int index) = 0;
  // The item's text (sub-item 0) as ANSI bytes ('?' for what the code
  // page cannot hold).
  virtual std::string ListViewGetItemText(HWND listView, int index) = 0;
  // Index of the first item after `start` whose data is `param`, or -1.
  virtual int ListViewFindItemByParam(HWND listView, int start, LPARAM param) = 0;
  virtual UINT ListViewGetItemState(HWND listView, int index, UINT mask) = 0;
  virtual BOOL ListViewSetItemState(HWND listView, int index, UINT state, UINT mask) = 0;
  // Owner-data lists (LVS_OWNERDATA) keep only a count (LVM_SETITEMCOUNT)
  // and each item's state; they ask their dialog for the rest through
  // LVN_GETDISPINFOW, and the dialog answers a text (UTF-8) here, cut to
  // the control's buffer. The item's image is a plain field of the record.
  virtual BOOL ListViewSetDispInfoTextU8(NMLVDISPINFOW* info, const std::string& text) = 0;
  // Combo boxes: a list item of our own text; returns its index or CB_ERR.
  virtual int ComboBoxAddStringU8(HWND comboBox, const std::string& text) = 0;

  // Image lists.
  virtual HIMAGELIST ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) = 0;
  // Index -1 appends; returns the image's index or -1.
  virtual int ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) = 0;
  virtual int ImageListGetImageCount(HIMAGELIST list) = 0;
  // Index -1 removes every image.
  virtual BOOL ImageListRemove(HIMAGELIST list, int index) = 0;
  virtual BOOL ImageListDestroy(HIMAGELIST list) = 0;

  // ---- Controls of ours: hosting and look --------------------------------------
  // Routes the messages of one control of our dialogs to `host` before the
  // control's own processing, which gets what the host does not handle;
  // nullptr gives the control back. The host sees WM_NCDESTROY last. FALSE
  // for a window that is not a control of ours.
  virtual BOOL HostControl(HWND control, DialogHost* host) = 0;
  // Shows a static control of ours as a link: its text in `textColour`
  // (0x00BBGGRR), underlined from its first paint on, on the dialog's face
  // colour, with a hand cursor over it. Asked again, only the colour
  // changes and the control repaints. Look only: the backend makes and
  // owns the font, brush and cursor, and releases them with the control.
  virtual BOOL SetLinkLook(HWND control, COLORREF textColour) = 0;

  // ---- Shell ---------------------------------------------------------------
  virtual INT_PTR ShellExecuteA(HWND owner, const char* verb, const char* file,
                                const char* parameters, const char* directory, int show) = 0;

  // ---- Code page -----------------------------------------------------------
  // The system's ANSI code page: 932 on a Japanese system, 65001 where it
  // is UTF-8 (which has no lead bytes in IsDBCSLeadByte's sense).
  virtual UINT GetACP() = 0;
  virtual BOOL IsDBCSLeadByte(BYTE b) = 0;
  virtual std::string AnsiToUtf8(const std::string& ansi) = 0;
  virtual std::string Utf8ToAnsi(const std::string& utf8) = 0;

  // ---- Files and folders (ANSI paths, backslash separators) -----------------
  virtual DWORD GetPrivateProfileStringA(const char* section, const char* key,
                                         const char* defaultValue, char* buffer, DWORD size,
                                         const char* fileName) = 0;
  virtual UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                     const char* fileName) = 0;
  virtual BOOL WritePrivateProfileStringA(const char* section, const char* key,
                                          const char* value, const char* fileName) = 0;
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD code) = 0;
  // The system's message text for an error code; empty when it has none.
  virtual std::string FormatMessageA(DWORD code) = 0;
  virtual BOOL SHGetSpecialFolderPathA(HWND owner, char* buffer, int csidl, BOOL create) = 0;
  // Existence of a file or folder of that name (the C library's access test).
  virtual BOOL FileExists(const std::string& path) = 0;
  virtual BOOL CreateDirectoryA(const std::string& path) = 0;
  virtual DWORD GetModuleFileNameA(char* buffer, DWORD size) = 0;
  // A binary file, whole or its first `maxBytes` bytes (whatever its size,
  // no more is read or held); FALSE when it cannot be opened.
  static constexpr std::size_t kWholeFile = ~std::size_t{0};
  virtual BOOL ReadFileBytes(const std::string& path, std::string* bytes,
                             std::size_t maxBytes = kWholeFile) = 0;
  // Creates or truncates the file and writes the bytes; FALSE on any failure
  // (the file may then be partial).
  virtual BOOL WriteFileBytes(const std::string& path, const std::string& bytes) = 0;
  // Adds the bytes at the end of the file (made when missing) in one write,
  // so that a crash leaves the file as it was or with all of them.
  virtual BOOL AppendFileBytes(const std::string& path, const std::string& bytes) = 0;
  virtual void GetLocalTime(SYSTEMTIME* time) = 0;
  // Renames `from` over `to`, replacing it in one step.
  virtual BOOL MoveFileReplaceA(const std::string& from, const std::string& to) = 0;
  virtual BOOL DeleteFileA(const std::string& path) = 0;

  // ---- Processes ---------------------------------------------------------------
  // A named mutex of this session ("Local\..."), held until CloseHandle or
  // the end of the process; GetLastError says ERROR_ALREADY_EXISTS when
  // another process holds it. 0 on failure.
  virtual HANDLE CreateMutexA(const std::string& name) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;

  // ---- Start with Windows -------------------------------------------------------
  // A value of HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run,
  // the programs started at logon: read (FALSE when missing), written (a
  // command line, REG_SZ) and deleted. Texts UTF-8. No other key is touched.
  virtual BOOL GetRunValueU8(const std::string& name, std::string* command) = 0;
  virtual BOOL SetRunValueU8(const std::string& name, const std::string& command) = 0;
  virtual BOOL DeleteRunValueU8(const std::string& name) = 0;

  // ---- Version resources ------------------------------------------------------
  // Bytes a buffer needs for the version block of a file, room for the
  // answers of VerQueryValueA included; 0 when the file has no block or
  // cannot be read. Sets *handle to 0.
  virtual DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) = 0;
  // Reads the block into `data`, a buffer of the size asked above.
  virtual BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size,
                                   void* data) = 0;
  // A value of a block read above, by its path: "\" the fixed part
  // (VS_FIXEDFILEINFO), "\VarFileInfo\Translation" pairs of language and
  // code page (WORDs), "\StringFileInfo\<lang><code page>\<name>" a text
  // in the ANSI code page, which ends at its first NUL. *buffer points into
  // the block's buffer; *length counts a binary value's bytes, a text's
  // characters as the system counts them. FALSE when the value is missing.
  virtual BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                              UINT* length) = 0;
};

// The platform the program runs on. Set once at start (or per test).
Platform& Os();
void SetOs(Platform* platform);

}  // namespace mm
