// The seam on the real window system: a thin forwarding layer over user32,
// shell32, comctl32 and kernel32, one source file per area (win32_windows,
// win32_tray, win32_dialogs, win32_list_views, win32_menus, win32_input,
// win32_shell, win32_files, win32_controls, win32_version; what they share
// is in win32_internal.h).
//
// This header does not include <windows.h>, so the Windows entry point can
// include it (before <windows.h>, like every header of ours). The records
// that cross the seam unchanged (WINDOWINFO, NOTIFYICONDATAA, POINT, the
// list-view notifications) are checked against the real layouts in the
// files that pass them.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace mm {

class Win32Platform : public Platform {
 public:
  // Registers the common-control classes our dialogs use (list views).
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // ---- Dialogs from an in-memory template ----------------------------------
  // Same as CreateDialogU8 / DialogBoxU8, but from a DLGTEMPLATE(EX) in
  // memory instead of a resource of ours: tools and tests build their dialogs
  // this way. `dialogTemplate` must stay valid for the call only.
  HWND CreateDialogIndirectU8(const void* dialogTemplate, HWND parent, DialogHost* host);
  INT_PTR DialogBoxIndirectU8(const void* dialogTemplate, HWND parent, DialogHost* host);
  // Modeless dialogs that RunMessageLoop currently routes keyboard input to.
  int ModelessDialogCount() const;

  // ---- Windows of any process -------------------------------------------
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

  // ---- Layered windows ---------------------------------------------------
  BOOL QueryLayeredApi(BOOL* hasGet, BOOL* hasSet) override;
  BOOL GetLayeredWindowAttributes(HWND hWnd, COLORREF* key, BYTE* alpha, DWORD* flags) override;
  BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF key, BYTE alpha, DWORD flags) override;

  // ---- Icons and the tray --------------------------------------------------
  BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) override;
  HICON GetClassIcon(HWND hWnd, int index) override;
  HICON LoadAppIcon(int resourceId) override;
  HICON LoadAppSmallIcon(int resourceId) override;
  int GetSystemMetrics(int index) override;
  UINT RegisterWindowMessageA(const char* name) override;
  BOOL AllowMessageFromLowerPrivilege(HWND hWnd, UINT msg) override;
  BOOL AllowSetForegroundWindow(DWORD processId) override;

  // ---- Input, timers, loop -------------------------------------------------
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

  // ---- Our own dialogs and controls ----------------------------------------
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
  int ComboBoxAddStringU8(HWND comboBox, const std::string& text) override;

  // ---- Controls of ours: hosting and look ----------------------------------
  BOOL HostControl(HWND control, DialogHost* host) override;
  BOOL SetLinkLook(HWND control, COLORREF textColour) override;

  // ---- Menus ---------------------------------------------------------------
  HMENU GetSystemMenu(HWND hWnd, BOOL revert) override;
  BOOL AppendMenuU8(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) override;
  UINT TrackPopupMenuU8(HWND owner, const PopupMenuDescription& menu, POINT at) override;

  // ---- List views and image lists ------------------------------------------
  int ListViewInsertItemU8(HWND listView, int index, const std::string& text, int image) override;
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
  HIMAGELIST ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) override;
  int ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) override;
  int ImageListGetImageCount(HIMAGELIST list) override;
  BOOL ImageListRemove(HIMAGELIST list, int index) override;
  BOOL ImageListDestroy(HIMAGELIST list) override;

  // ---- Shell ---------------------------------------------------------------
  INT_PTR ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show) override;

  // ---- Code page -----------------------------------------------------------
  UINT GetACP() override;
  BOOL IsDBCSLeadByte(BYTE b) override;
  std::string AnsiToUtf8(const std::string& ansi) override;
  std::string Utf8ToAnsi(const std::string& utf8) override;

  // ---- Files and folders ---------------------------------------------------
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

  // ---- Version resources -----------------------------------------------------
  DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) override;
  BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* data) override;
  BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                      UINT* length) override;

 private:
  struct LayeredApi;
  LayeredApi& Layered();

  std::unique_ptr<LayeredApi> layered_;
};

}  // namespace mm
