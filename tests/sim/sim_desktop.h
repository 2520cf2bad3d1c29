// A simulated Windows desktop: a real implementation of the seam that tests
// drive the way users and other applications would.
//
// What it models: top-level windows in z-order (topmost first) with caption
// and class bytes, visibility, minimised state, style words, layered
// attributes, foreground/active state, icons, owning process; the windows
// and controls of our own dialogs, menus and strings (read from res/morimo.rc
// itself, built into the library); a tray that can refuse and can
// "restart"; posted and sent messages (recorded in history); timers driven
// by the test; keyboard state, focus and cursor; scripted message-box and
// menu answers; files under a host folder that stands for drive C:.
//
// Controls behave as the real ones do towards their dialog: buttons, edit
// fields, statics, combo boxes and list views each keep their own state and
// send the notifications Windows sends (BN_CLICKED, EN_CHANGE, EN_KILLFOCUS,
// CBN_SELCHANGE, STN_DBLCLK, LVN_ITEMCHANGED, ...; an owner-data list view
// asks for its texts and images with LVN_GETDISPINFOW); their messages without
// text (LVM_*, CB_*, BM_*) arrive through SendMessageToOwnWindow. The user's
// actions below reach only controls that are shown and enabled. One
// difference: a combo box keeps the focus itself, where Windows passes it
// on to the combo's edit field (GetFocus then names that child).
//
// Failure knobs say what an application or the shell does wrong; each is
// documented where it is declared. Applications of other processes answer
// sent messages at once unless hung; posted messages reach them when the
// test calls Pump().
//
// Activation follows the window manager (Wine's user32 is the reference):
// ShowWindow(SW_SHOW) of a hidden window and SetWindowPos without
// SWP_NOACTIVATE activate the window and raise it within its band; hiding,
// minimising, disabling or destroying the active window passes activation
// to its owner, the next window below, or else the first one from the top.
// GetWindowInfo reports WS_ACTIVECAPTION for the active window of any
// process, as Windows does (Wine only does so for the caller's own thread).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/platform.h"
#include "tests/sim/rc_script.h"

namespace mm::sim {

// One record of what the program did to a window.
struct MessageRecord {
  HWND hWnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool posted;    // PostMessageA; false for SendMessageTimeoutA
  // A send that the application handled (not timed out), or a post that the
  // application has taken from its queue.
  bool answered;
};

// One Shell_NotifyIconW call, whatever its outcome.
struct TrayCallRecord {
  DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE, ...
  HWND owner;
  UINT id;
  UINT flags;
  bool succeeded;
};

// A popup menu as the program showed it (TrackPopupMenuU8).
struct MenuRecord {
  HWND owner;
  POINT at;
  HWND foreground;  // the foreground window when it opened
  std::vector<MenuItemRecord> items;  // with the program's changes applied
};

struct TrayIconRecord {
  HWND owner;
  UINT id;
  UINT callbackMessage;
  HICON icon;
  std::string tip;  // szTip up to its NUL, UTF-8
  std::string balloonTitle, balloon;  // the last balloon's texts, UTF-8
};

struct MessageBoxRecord {
  HWND owner;
  std::string textUtf8;
  std::string captionUtf8;
  UINT type;
};

// What a test says about a foreign window when it creates it.
struct WindowSpec {
  std::string caption;         // ANSI bytes
  std::string className;       // ANSI bytes
  bool visible = true;
  bool minimized = false;
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  DWORD processId = 1000;      // anything but our own process
  // The program file of that process (ANSI bytes); empty keeps what an
  // earlier window of the process gave (at first C:\Program Files\App\app.exe).
  std::string programPath;
  HICON smallIcon = nullptr;   // answers WM_GETICON ICON_SMALL
  HICON bigIcon = nullptr;     // answers WM_GETICON ICON_BIG
  HICON classIcon = nullptr;   // GCL_HICON
  HICON classSmallIcon = nullptr;  // GCL_HICONSM
  bool closesOnWmClose = true; // a posted WM_CLOSE destroys it at Pump()
  // A child window (style WS_CHILD added) of this window of the same
  // program, at `rect` in the parent's client area; or, for a top-level
  // window, its owner.
  HWND parent = nullptr;
  HWND owner = nullptr;
  RECT rect = {0, 0, 0, 0};    // empty: a place of the simulation's choosing
};

class SimDesktop : public Platform {
 public:
  // `fileRoot` is a host folder that stands for drive C: (created if
  // missing). The simulated ANSI code page is 932 unless changed.
  explicit SimDesktop(const std::string& fileRoot);
  ~SimDesktop() override;

  // ---- Test controls: foreign windows ---------------------------------------
  // Placed at the top of its band (topmost or not); opening a window does
  // not activate it (UserActivate does).
  HWND AddWindow(const WindowSpec& spec);
  // The application destroys the window (and the windows it owns).
  void CloseWindow(HWND hWnd);
  void SetCaption(HWND hWnd, const std::string& caption);
  // A title in any script: the wide calls read it whole, the ANSI ones as
  // the code page holds it ('?' for what it cannot).
  void SetCaptionUtf8(HWND hWnd, const std::string& titleUtf8);
  void SetIcons(HWND hWnd, HICON smallIcon, HICON bigIcon);
  // The application stops pumping messages: sends to it time out (and are
  // recorded as unanswered), posted messages and asynchronous requests
  // (ShowWindowAsync, SWP_ASYNCWINDOWPOS) wait for Pump() after it runs
  // again. A call that would wait for it (ShowWindow, SetWindowPos without
  // SWP_ASYNCWINDOWPOS, a style word's SetWindowLongA) aborts the test.
  void SetHung(HWND hWnd, bool hung);
  // The application runs but carries out asynchronous requests only at the
  // next Pump(), as a real one does a moment after the call has returned
  // (by default it has done them before the call returns).
  void DeferAsyncRequests(HWND hWnd, bool defer);
  // Runs `meanwhile` (once) while the application handles the next message
  // of that number that we send it, before the send returns: what the user
  // or another program does while we wait (a click whose message lands in
  // our queue, a message sent to our window that the system delivers into
  // the wait).
  void WhileAnswering(HWND hWnd, UINT msg, std::function<void()> meanwhile);
  // Another program sends a message to one of our windows (and waits for
  // the answer): InSendMessage is true while it is handled.
  LRESULT SendFromOtherProgram(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The user minimises / restores the window (as the title-bar buttons do:
  // WM_SYSCOMMAND, which a dialog of ours sees first).
  void UserMinimize(HWND hWnd);
  void UserRestore(HWND hWnd);
  // The user clicks the window: it comes to the top and to the foreground
  // (a minimised one is restored, as its taskbar button does). Nothing
  // happens for a hidden or disabled window.
  void UserActivate(HWND hWnd);
  // Layered attributes as the application set them (marks it layered).
  void SetLayered(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags);
  std::vector<HWND> TopLevelWindows() const;  // z-order, topmost first
  bool Exists(HWND hWnd) const;

  // ---- Test controls: the system -------------------------------------------
  // user32 cannot be loaded / lacks one of the layered calls.
  void SetLayeredApi(bool libraryLoads, bool hasGet, bool hasSet);
  // Lead bytes of the simulated ANSI code page (default: 932's 0x81-0x9F,
  // 0xE0-0xFC). An empty set makes it single-byte.
  void SetLeadByteRanges(std::vector<std::pair<BYTE, BYTE>> ranges);
  // The ANSI code page: 932 (the default), or 65001 (UTF-8: no lead bytes,
  // and the ANSI texts are UTF-8).
  void SetAnsiCodePage(UINT codePage);
  // A key held with our thread's input (GetKeyState and GetAsyncKeyState see
  // it), or held while another program has the keyboard (only
  // GetAsyncKeyState does).
  void SetKeyDown(int virtualKey, bool down);
  void SetKeyDownElsewhere(int virtualKey, bool down);
  // Hotkeys: another program holds a combination (MOD_* and key), or lets
  // it go; the user presses one (WM_HOTKEY goes to the window of ours that
  // registered it, delivered at once; false when none did).
  void HoldHotKeyElsewhere(UINT modifiers, UINT virtualKey, bool held);
  bool PressHotKey(UINT modifiers, UINT virtualKey);
  // A program run as administrator: its process's integrity level is
  // high, and its windows refuse the changes a program at ours asks (shows,
  // hides, positions, style words, opacity, posted and sent messages) with
  // ERROR_ACCESS_DENIED, as Windows does to a program without elevation.
  void SetProcessElevated(DWORD processId, bool elevated);
  // We run elevated: every program's level is then at most ours.
  void SetOurselvesElevated(bool elevated);
  // The user's answer to the next elevation prompts ("runas"), and what was
  // started with one ("program parameters"; the program is not run).
  void DeclineElevation(bool decline);
  const std::vector<std::string>& ElevatedStarts() const;
  // Counts QueryFullProcessImageNameA calls (the scan's cost).
  int ProgramQueries() const;
  // The combinations our windows hold, (MOD_*, key) by id.
  std::vector<std::pair<int, std::pair<UINT, UINT>>> RegisteredHotKeys() const;
  // Messages let through the message filter of the window.
  std::vector<UINT> AllowedFromLowerPrivilege(HWND hWnd) const;
  // The named mutexes held now (by any simulated process).
  bool MutexHeld(const std::string& name) const;
  // A mutex held by a process with more rights: opening it is refused
  // (ERROR_ACCESS_DENIED), as for a copy of ours started as administrator.
  void HoldMutexAtHigherPrivilege(const std::string& name);
  // What the largest ReadFileBytes of the run delivered, in bytes.
  std::size_t LargestFileRead() const;
  // Answers for the next message boxes, in order; IDOK when none is queued.
  void QueueMessageBoxAnswer(int answer);
  // What the user does while the next box is open; returns the answer.
  void QueueMessageBoxScript(std::function<int()> script);
  const std::vector<MessageBoxRecord>& MessageBoxes() const;
  // Called when a modal dialog starts; it acts on the dialog (clicks, text)
  // and should end it. A modal dialog with no script ends with IDCANCEL.
  void QueueModalScript(std::function<void(HWND dialog)> script);

  // ---- Test controls: tray --------------------------------------------------
  std::vector<TrayIconRecord> TrayIcons() const;
  const TrayIconRecord* FindTrayIcon(HWND owner, UINT id) const;
  void FailTrayAdds(int count);      // the next `count` NIM_ADD fail
  void FailTrayModifies(int count);  // the next `count` NIM_MODIFY fail
  void FailTrayDeletes(int count);   // the next `count` NIM_DELETE fail
  // Every Shell_NotifyIconW call, in order.
  const std::vector<TrayCallRecord>& TrayCalls() const;
  // The shell restarts: all icons are lost and "TaskbarCreated" is posted to
  // every top-level window of our process; the posted messages are delivered
  // before this returns (our message loop runs meanwhile).
  void RestartTray();
  // The user does something with the mouse over an icon: its callback
  // message is posted to the owner (wParam = id, lParam = mouseMessage) and
  // delivered before this returns. Nothing happens for an unknown icon or
  // one registered without NIF_MESSAGE.
  void MouseOnTrayIcon(HWND owner, UINT id, UINT mouseMessage);

  // ---- Test controls: time and messages -------------------------------------
  // Delivers posted messages to our windows and lets foreign applications
  // handle theirs (WM_CLOSE, WM_SYSCOMMAND) until no message is left.
  void Pump();
  // Advances the clock, firing due timers (WM_TIMER to our windows) and
  // pumping after each.
  void AdvanceTime(UINT ms);
  bool TimerActive(HWND hWnd, UINT_PTR id) const;
  bool QuitPosted() const;
  int QuitCode() const;
  // Every message sent to or posted to a foreign window, in order.
  const std::vector<MessageRecord>& History() const;
  void ClearHistory();
  // How often the program read a window's caption (GetWindowTextA) and
  // class name (GetClassNameA).
  int CaptionReads(HWND hWnd) const;
  int ClassReads(HWND hWnd) const;
  void ResetReadCounts();

  // ---- Test controls: our own dialogs ----------------------------------------
  // The user acts on a dialog; what the action posts is delivered before
  // these return. A control that is missing, hidden or disabled cannot be
  // used: the action then does nothing and returns false.
  //
  // A click on a control: it takes the focus first (so an edit field that
  // had it reports EN_KILLFOCUS before the click); then an automatic check
  // box toggles (an automatic radio button checks itself and clears the
  // others of its group) and a button reports BN_CLICKED. A handler that
  // puts the focus elsewhere meanwhile (a check on leaving a field, with its
  // message box) takes the click: nothing more happens. A static takes no
  // focus; with SS_NOTIFY it reports STN_CLICKED. A group box takes nothing.
  bool ClickButton(HWND dialog, int id);
  // A double click: on a static with SS_NOTIFY, STN_CLICKED then STN_DBLCLK
  // (Windows reports the first click of the pair on its own); on a button,
  // two clicks.
  bool DoubleClickControl(HWND dialog, int id);
  // Clicks the list view (it takes the focus), selects exactly the given
  // items (item focus on the last one) and sends the LVN_ITEMCHANGED
  // notifications a real list view would. A single-selection list keeps
  // only the last index.
  bool SelectListItems(HWND dialog, int listId, const std::vector<int>& indices);
  // Selects the item (index -1: clicks empty space) and sends NM_DBLCLK.
  bool DoubleClickListItem(HWND dialog, int listId, int index);
  // The user tabs or clicks into the control: it gets the focus, with the
  // notifications of the control that loses it and of the one that gets it.
  bool FocusControl(HWND dialog, int id);
  // Focuses the control and replaces its text: an edit field reports
  // EN_UPDATE and EN_CHANGE, a combo box's edit field CBN_EDITUPDATE and
  // CBN_EDITCHANGE (and its list loses the selection). A drop-down list
  // has no edit field to type into.
  bool TypeText(HWND dialog, int id, const std::string& textUtf8);
  // Picks a combo box's list item: the dialog gets CBN_SELCHANGE and the
  // item's text becomes the window text; in a combo box with an edit field
  // only after the notification, as in Windows (a handler reads the item).
  bool SelectComboItem(HWND dialog, int id, int index);
  // Types a combination into a hotkey control (its HKM_GETHOTKEY value).
  bool TypeHotKey(HWND dialog, int id, WORD value);
  // Enter: the focused push button's command, else the default push
  // button's (IDOK without one); nothing when that button is disabled or
  // hidden. Escape: IDCANCEL.
  void PressEnter(HWND dialog);
  void PressEscape(HWND dialog);
  // The close box or the system menu's close: WM_SYSCOMMAND(SC_CLOSE), which
  // a dialog turns into IDCANCEL unless it handles it.
  void PressCloseBox(HWND dialog);
  std::string DialogTitleUtf8(HWND dialog) const;
  // What the user sees in a combo box's list and in a list view's cells.
  std::vector<std::string> ComboBoxStringsUtf8(HWND comboBox) const;
  std::string ListViewCellUtf8(HWND listView, int index, int subItem) const;
  // The image index a list view's row shows, and the icon an image list
  // holds at an index (nullptr outside it).
  int ListViewItemImage(HWND listView, int index) const;
  HICON ImageListIcon(HIMAGELIST list, int index) const;
  // The width of an image list's images (0 for a handle that is none).
  int ImageListIconWidth(HIMAGELIST list) const;
  // The user's display scaling (96 at 100 %): the icon sizes follow it.
  void SetScreenDpi(int dpi);
  // Exceptions that escaped a DialogHost; the platform drops them, as the
  // Windows backend does, and counts them here.
  int DroppedExceptions() const;
  // Messages posted to the window that are still waiting (a hung
  // application's queue, or before Pump()).
  int PendingMessages(HWND hWnd) const;
  // ImageListDestroy calls on a handle that is not (or no longer) an image
  // list: a list view destroys the image lists set into it when it goes,
  // unless it has LVS_SHAREIMAGELISTS, so its owner must not destroy them
  // again.
  int InvalidImageListDestroys() const;

  // ---- Test controls: resources and menus --------------------------------------
  // Dialogs, menus and strings come from res/morimo.rc as built in. A
  // script text of the test's own (with the built-in headers) replaces it;
  // throws ResourceScriptError when it cannot be read.
  void UseResourceScript(const std::string& rcText);
  // Templates given here take precedence over the script's (for tests of
  // the dialog layer with templates of their own).
  void AddDialogTemplate(const DialogTemplate& dialogTemplate);
  // A string that LoadStringU8 answers instead of the script's.
  void SetString(UINT id, const std::string& textUtf8);
  // Items appended to the window's system menu, in order.
  std::vector<MenuItemRecord> SystemMenuItems(HWND hWnd) const;
  // Every popup menu shown, as shown.
  const std::vector<MenuRecord>& TrackedMenus() const;
  // What the user does with the next popup menus, in order: choose the
  // item with that command (nothing is chosen unless the shown popup has it
  // enabled, not a separator or a submenu), or act while the menu is open
  // and return the command chosen (0: dismissed). A menu with nothing
  // queued is dismissed.
  void QueueMenuChoice(UINT id);
  void QueueMenuScript(std::function<UINT(HWND owner, const MenuRecord& menu)> script);
  // The mouse moves: GetCursorPos answers this point (at first, near the
  // bottom-right corner where the tray sits).
  void MoveCursor(POINT at);
  // The user presses, moves and releases the left button at screen points:
  // the cursor moves there and the message (client coordinates) goes to
  // the capture holder, else to the window under the point, if it is ours.
  void UserMouseDown(POINT at);
  void UserMouseMove(POINT at);
  void UserMouseUp(POINT at);
  // The cursor resource last shown by SetCursorResource (0: the arrow).
  int CurrentCursorResource() const;

  // ---- Test controls: files --------------------------------------------------
  // Host path for a Windows path ("C:\a\b" -> <root>/C/a/b).
  std::string HostPath(const std::string& windowsPath) const;
  // What SHGetSpecialFolderPathA gives (default C:\Users\sim\AppData\Local).
  void SetSpecialFolder(const std::string& path, bool fails);
  void SetModuleFileName(const std::string& path);  // default C:\Program Files\MoriMo\morimo.exe
  // The next write stops after `bytes` bytes and fails (-1: no failure).
  void FailNextWriteAfter(long bytes);
  void FailMoves(bool fail);
  void SetReadOnly(const std::string& windowsPath, bool readOnly);

  // ---- Test controls: version blocks ------------------------------------------
  // The file carries this version block: the bytes of a VS_VERSIONINFO as
  // the resource compiler writes it (empty: none). The file itself need
  // not exist.
  void SetFileVersionBlock(const std::string& windowsPath, const std::string& block);
  // The paths VerQueryValueA was asked, in order.
  const std::vector<std::string>& VersionQueries() const;

  // ---- Test controls: controls with a host of ours -----------------------------
  // A hosted control (HostControl) gets the mouse messages of the actions
  // above, and WM_DESTROY and WM_NCDESTROY when it goes. Its look is only
  // recorded: the text colour SetLinkLook gave it last; false when none.
  bool LinkLook(HWND control, COLORREF* textColour) const;

  // ---- Platform --------------------------------------------------------------
  BOOL IsWindow(HWND hWnd) override;
  BOOL IsWindowVisible(HWND hWnd) override;
  BOOL IsIconic(HWND hWnd) override;
  int GetWindowTextLengthA(HWND hWnd) override;
  int GetWindowTextA(HWND hWnd, char* buffer, int size) override;
  int GetClassNameA(HWND hWnd, char* buffer, int size) override;
  BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) override;
  BOOL ShowWindow(HWND hWnd, int cmd) override;
  BOOL ShowWindowAsync(HWND hWnd, int cmd) override;
  std::vector<bool> ProgramsAnswer(const std::vector<HWND>& windows, UINT timeoutMs) override;
  BOOL SendMessageTimeoutA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, DWORD_PTR* result) override;
  BOOL PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT SendMessageToOwnWindow(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL InSendMessage() override;
  BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy,
                    UINT flags) override;
  BOOL SetForegroundWindow(HWND hWnd) override;
  HWND GetForegroundWindow() override;
  LONG GetWindowLongA(HWND hWnd, int index) override;
  LONG SetWindowLongA(HWND hWnd, int index, LONG value) override;
  BOOL GetWindowInfo(HWND hWnd, WINDOWINFO* info) override;
  BOOL GetWindowRect(HWND hWnd, RECT* rect) override;
  DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* processId) override;
  DWORD GetCurrentProcessId() override;
  BOOL QueryLayeredApi(BOOL* hasGet, BOOL* hasSet) override;
  BOOL GetLayeredWindowAttributes(HWND hWnd, COLORREF* key, BYTE* alpha, DWORD* flags) override;
  BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags) override;
  BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) override;
  HICON GetClassIcon(HWND hWnd, int index) override;
  HICON LoadAppIcon(int resourceId) override;
  HICON LoadAppSmallIcon(int resourceId) override;
  int GetSystemMetrics(int index) override;
  UINT RegisterWindowMessageA(const char* name) override;
  BOOL AllowMessageFromLowerPrivilege(HWND hWnd, UINT msg) override;
  BOOL AllowSetForegroundWindow(DWORD processId) override;
  SHORT GetKeyState(int virtualKey) override;
  SHORT GetAsyncKeyState(int virtualKey) override;
  BOOL GetCursorPos(POINT* point) override;
  HWND SetCapture(HWND hWnd) override;
  HWND GetCapture() override;
  BOOL ReleaseCapture() override;
  BOOL ClientToScreen(HWND hWnd, POINT* point) override;
  BOOL ScreenToClient(HWND hWnd, POINT* point) override;
  BOOL GetClientRect(HWND hWnd, RECT* rect) override;
  HWND WindowFromPoint(POINT point) override;
  HWND GetParent(HWND hWnd) override;
  HWND GetAncestor(HWND hWnd, UINT flags) override;
  BOOL QueryFullProcessImageNameA(DWORD processId, std::string* path) override;
  BOOL AppendFileBytes(const std::string& path, const std::string& bytes) override;
  BOOL GetRunValueU8(const std::string& name, std::string* command) override;
  BOOL SetRunValueU8(const std::string& name, const std::string& command) override;
  BOOL DeleteRunValueU8(const std::string& name) override;
  void GetLocalTime(SYSTEMTIME* time) override;
  int ProcessIntegrityLevel(DWORD processId) override;
  BOOL IsProcessElevated() override;
  void Sleep(DWORD ms) override;
  BOOL RegisterHotKey(HWND hWnd, int id, UINT modifiers, UINT virtualKey) override;
  BOOL UnregisterHotKey(HWND hWnd, int id) override;
  std::string KeyNameU8(UINT virtualKey) override;
  BOOL SetCursorResource(int resourceId) override;
  UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs) override;
  BOOL KillTimer(HWND hWnd, UINT_PTR id) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop() override;
  BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) override;
  HWND GetDesktopWindow() override;
  int MessageBoxU8(HWND owner, const std::string& text, const std::string& caption,
                   UINT type) override;
  std::string LoadStringU8(UINT id) override;
  HWND CreateDialogU8(int templateId, HWND parent, DialogHost* host) override;
  INT_PTR DialogBoxU8(int templateId, HWND parent, DialogHost* host) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  BOOL DestroyWindow(HWND hWnd) override;
  HWND GetDlgItem(HWND dialog, int id) override;
  int GetDlgCtrlID(HWND control) override;
  BOOL EnableWindow(HWND hWnd, BOOL enable) override;
  BOOL IsWindowEnabled(HWND hWnd) override;
  BOOL CheckDlgButton(HWND dialog, int id, UINT check) override;
  UINT IsDlgButtonChecked(HWND dialog, int id) override;
  BOOL SetWindowTextU8(HWND hWnd, const std::string& text) override;
  std::string GetWindowTextU8(HWND hWnd) override;
  BOOL SetWindowTextA(HWND hWnd, const std::string& text) override;
  HWND SetFocus(HWND hWnd) override;
  HWND GetFocus() override;
  HMENU GetSystemMenu(HWND hWnd, BOOL revert) override;
  BOOL AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) override;
  UINT TrackPopupMenuU8(HWND owner, const PopupMenuDescription& menu, POINT at) override;
  int ListViewInsertItemU8(HWND listView, int index, const std::string& textUtf8,
                           int image) override;
  BOOL ListViewSetItemTextU8(HWND listView, int index, int subItem,
                             const std::string& text) override;
  int ListViewInsertColumnU8(HWND listView, int index, const std::string& text,
                             int format) override;
  BOOL ListViewSetItemParam(HWND listView, int index, LPARAM param) override;
  LPARAM ListViewGetItemParam(HWND listView, int index) override;
  std::string ListViewGetItemText(HWND listView, int index) override;
  int ListViewFindItemByParam(HWND listView, int start, LPARAM param) override;
  UINT ListViewGetItemState(HWND listView, int index, UINT mask) override;
  BOOL ListViewSetItemState(HWND listView, int index, UINT state, UINT mask) override;
  BOOL ListViewSetDispInfoTextU8(NMLVDISPINFOW* info, const std::string& text) override;
  int ComboBoxAddStringU8(HWND comboBox, const std::string& text) override;
  BOOL HostControl(HWND control, DialogHost* host) override;
  BOOL SetLinkLook(HWND control, COLORREF textColour) override;
  HIMAGELIST ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) override;
  int ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) override;
  int ImageListGetImageCount(HIMAGELIST list) override;
  BOOL ImageListRemove(HIMAGELIST list, int index) override;
  BOOL ImageListDestroy(HIMAGELIST list) override;
  INT_PTR ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show) override;
  UINT GetACP() override;
  BOOL IsDBCSLeadByte(BYTE b) override;
  std::string AnsiToUtf8(const std::string& ansi) override;
  std::string Utf8ToAnsi(const std::string& utf8) override;
  DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, DWORD size, const char* fileName) override;
  UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                             const char* fileName) override;
  BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                  const char* fileName) override;
  DWORD GetLastError() override;
  void SetLastError(DWORD code) override;
  std::string FormatMessageA(DWORD code) override;
  BOOL SHGetSpecialFolderPathA(HWND owner, char* buffer, int csidl, BOOL create) override;
  BOOL FileExists(const std::string& path) override;
  BOOL CreateDirectoryA(const std::string& path) override;
  DWORD GetModuleFileNameA(char* buffer, DWORD size) override;
  BOOL ReadFileBytes(const std::string& path, std::string* bytes,
                     std::size_t maxBytes = kWholeFile) override;
  BOOL WriteFileBytes(const std::string& path, const std::string& bytes) override;
  BOOL MoveFileReplaceA(const std::string& from, const std::string& to) override;
  BOOL DeleteFileA(const std::string& path) override;
  HANDLE CreateMutexA(const std::string& name) override;
  BOOL CloseHandle(HANDLE handle) override;
  DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) override;
  BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* data) override;
  BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                      UINT* length) override;

  // Shell-opened documents and addresses, in order (for help and links).
  const std::vector<std::string>& ShellOpened() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace mm::sim
