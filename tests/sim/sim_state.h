// The simulated desktop's private state, shared by its sim_*.cpp files (one
// file an area). Not for tests: they use sim_desktop.h.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "tests/sim/rc_script.h"
#include "tests/sim/sim_desktop.h"
#include "tests/sim/sim_files.h"

namespace mm::sim {

constexpr DWORD kOurProcessId = 4242;

// ---- controls, one type a kind -------------------------------------------------

struct ButtonControl {
  DWORD type = BS_PUSHBUTTON;  // BS_TYPEMASK bits of the style it was made with
  UINT check = BST_UNCHECKED;
  bool IsPush() const { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON; }
};

struct EditControl {
  std::string text;  // ANSI bytes
};

struct StaticControl {};

struct ListItem {
  std::vector<std::string> texts;  // sub-item 0 (the item's text) and on; ANSI bytes
  int image = -1;
  LPARAM param = 0;
  UINT state = 0;
};

struct ListColumn {
  std::string text;  // ANSI bytes
  int format = LVCFMT_LEFT;
  int width = 0;
};

struct ListViewControl {
  std::vector<ListItem> items;
  std::vector<ListColumn> columns;  // the report view's
  HIMAGELIST imageLists[3] = {nullptr, nullptr, nullptr};  // LVSIL_NORMAL, _SMALL, _STATE
  DWORD extendedStyle = 0;
  bool Valid(int index) const { return index >= 0 && static_cast<size_t>(index) < items.size(); }
};

struct ComboBoxControl {
  DWORD type = CBS_DROPDOWN;  // CBS_SIMPLE, CBS_DROPDOWN or CBS_DROPDOWNLIST
  std::vector<std::string> strings;  // ANSI bytes
  int selection = -1;
  std::string editText;  // the window text: the edit field's, or the selected item's
};

struct HotKeyControl {
  WORD value = 0;  // what HKM_GETHOTKEY answers: key in the low byte, HOTKEYF_* above
};

// A control of a class the simulation keeps no state for.
struct OtherControl {};

// What a window is beyond its window record: a top-level window
// (monostate) or a control of one kind, told apart once, at creation.
using ControlState = std::variant<std::monostate, ButtonControl, EditControl, StaticControl,
                                  ListViewControl, ComboBoxControl, HotKeyControl, OtherControl>;

struct Window {
  HWND hwnd = nullptr;
  std::string caption;    // ANSI bytes (an edit's and a combo box's text live in their state)
  // A title the ANSI code page cannot hold whole, as the wide calls read
  // it (SetCaptionUtf8); `caption` then holds its ANSI form.
  std::optional<std::string> titleUtf8;
  std::string className;  // ANSI bytes
  DWORD style = 0;        // WS_VISIBLE and WS_MINIMIZE are the state itself
  DWORD exStyle = 0;
  DWORD processId = 0;
  HWND owner = nullptr;   // owner of a top-level window, parent of a control
  RECT rect = {0, 0, 0, 0};
  bool restoreToMaximized = false;

  // Application behaviour.
  HICON smallIcon = nullptr;
  HICON bigIcon = nullptr;
  HICON classIcon = nullptr;
  HICON classSmallIcon = nullptr;
  bool closesOnWmClose = true;
  bool hung = false;
  bool defersAsync = false;
  std::map<UINT, std::function<void()>> whileAnswering;  // see WhileAnswering

  bool hasLayeredAttributes = false;
  COLORREF layeredKey = 0;
  BYTE layeredAlpha = 0;
  DWORD layeredFlags = 0;

  int captionReads = 0;
  int classReads = 0;
  LONG userData = 0;
  HMENU systemMenu = nullptr;

  // Our dialogs.
  DialogHost* host = nullptr;
  bool isDialog = false;
  bool modal = false;
  bool ended = false;
  INT_PTR endResult = 0;
  std::vector<HWND> controls;  // in template order

  // Controls.
  int controlId = 0;
  ControlState control;

  bool IsControl() const { return control.index() != 0; }
  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Minimized() const { return (style & WS_MINIMIZE) != 0; }
  bool Maximized() const { return (style & WS_MAXIMIZE) != 0; }
  bool Enabled() const { return (style & WS_DISABLED) == 0; }
  bool Topmost() const { return (exStyle & WS_EX_TOPMOST) != 0; }
  // The window text: the caption, or an edit field's text.
  std::string& Text();
};

struct Posted {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  long historyIndex;  // -1 when not recorded (our own windows)
  // An asynchronous request (ShowWindowAsync, SWP_ASYNCWINDOWPOS) that the
  // window's application carries out when it takes it from its queue.
  std::function<void()> action = nullptr;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT period;
  std::uint64_t due;
  std::uint64_t seq;  // orders timers that fall due together
};

struct RegisteredHotKey {
  HWND hwnd;
  int id;
  UINT modifiers;  // MOD_* without MOD_NOREPEAT
  UINT virtualKey;
};

struct SystemMenu {
  HWND owner;
  std::vector<MenuItemRecord> items;
};

struct SimDesktop::State {
  State(SimDesktop& owner, const std::string& root);

  SimDesktop& desk;
  SimFileSystem files;
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> zorder;  // top-level windows, topmost first
  std::uintptr_t nextHandle = 0x10010;
  HWND desktop = nullptr;
  HWND active = nullptr;
  HWND focus = nullptr;

  std::deque<Posted> queue;
  std::vector<MessageRecord> history;
  std::vector<Timer> timers;
  std::uint64_t now = 0;
  std::uint64_t timerSeq = 0;
  bool quitPosted = false;
  int quitCode = 0;

  std::vector<TrayIconRecord> tray;
  std::vector<TrayCallRecord> trayCalls;
  int failAdds = 0;
  int failModifies = 0;
  int failDeletes = 0;

  std::map<std::string, UINT> registered;  // upper-cased name -> number
  std::set<int> keysDown;
  std::set<int> keysDownElsewhere;
  std::vector<RegisteredHotKey> hotKeys;                  // ours
  std::map<DWORD, std::string> programPaths;              // by process id
  std::set<DWORD> elevatedProcesses;
  bool weAreElevated = false;
  bool declineElevation = false;
  std::map<std::string, std::string> runValues;  // the logon Run key, names in upper case
  std::vector<std::string> elevatedStarts;  // "program parameters" started with runas
  // An elevated program's window, and we are not: our change is refused.
  bool Refuses(const Window& w) const {
    return !weAreElevated && elevatedProcesses.count(w.processId) != 0;
  }
  int programQueries = 0;
  std::set<std::pair<UINT, UINT>> hotKeysElsewhere;       // (MOD_*, key) of other programs
  std::map<HWND, std::vector<UINT>> allowedFromLowerPrivilege;
  std::map<HANDLE, std::string> mutexes;  // handle -> name
  std::uintptr_t nextMutex = 0x70000;
  std::set<std::string> privilegedMutexes;
  POINT cursor = {1200, 1000};  // where the tray sits
  HWND capture = nullptr;       // our thread's mouse capture
  int cursorResource = 0;       // what SetCursorResource showed last (0: the arrow)
  std::deque<std::function<int()>> messageBoxAnswers;
  std::vector<MessageBoxRecord> messageBoxes;
  std::deque<std::function<void(HWND)>> modalScripts;
  std::shared_ptr<const ResourceScript> script;
  std::map<int, DialogTemplate> templates;  // the tests' own, before the script's
  std::map<UINT, std::string> strings;      // the tests' own, before the script's
  std::vector<std::string> shellOpened;
  int droppedExceptions = 0;
  bool sentByOtherThread = false;    // what InSendMessage answers
  bool nextFromOtherThread = false;  // the next delivery is another program's send

  std::map<HMENU, SystemMenu> menus;
  std::uintptr_t nextMenu = 0x30000;
  std::vector<MenuRecord> trackedMenus;
  std::deque<std::function<UINT(HWND, const MenuRecord&)>> menuScripts;
  std::map<HIMAGELIST, std::vector<HICON>> imageLists;
  std::uintptr_t nextImageList = 0x50000;
  std::map<HIMAGELIST, int> imageListWidths;
  int screenDpi = 96;
  int invalidImageListDestroys = 0;

  // Version blocks by upper-cased path, and the paths VerQueryValueA was asked.
  std::map<std::string, std::string> versionBlocks;
  std::vector<std::string> versionQueries;
  // The text colour SetLinkLook gave each control last.
  std::map<HWND, COLORREF> linkLooks;

  bool layeredLibraryLoads = true;
  bool layeredHasGet = true;
  bool layeredHasSet = true;
  std::vector<std::pair<BYTE, BYTE>> leadRanges = {{0x81, 0x9F}, {0xE0, 0xFC}};
  UINT codePage = 932;
  const char* Charset() const { return codePage == 65001 ? "UTF-8" : "CP932"; }

  // ---- windows and messages (sim_desktop.cpp) ---------------------------------
  Window* Find(HWND h);
  const Window* Find(HWND h) const;
  Window* TopLevel(HWND h);
  // A window the program may act on: one that exists and is not the
  // desktop; else ERROR_INVALID_WINDOW_HANDLE.
  Window* Changeable(HWND h);
  template <typename Kind>
  Kind* ControlOf(HWND h) {
    Window* w = Find(h);
    return w != nullptr ? std::get_if<Kind>(&w->control) : nullptr;
  }
  bool Ours(const Window& w) const { return w.processId == kOurProcessId; }
  // A call that waits for the window's application; with the application
  // hung it would never return, so the simulation stops the test there.
  void WaitFor(const Window& w, const char* call) const;
  Window& Create();
  LRESULT CallHost(DialogHost* host, HWND h, UINT msg, WPARAM wParam, LPARAM lParam,
                   bool* handled);
  LRESULT DefaultProcessing(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
  bool Deliver(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  LRESULT Send(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
  void DestroyTree(HWND h);
  void DestroyControl(HWND h);

  // ---- z-order, activation, show states (sim_windows.cpp) ---------------------
  void Unlink(HWND h);
  size_t BandStart() const;  // index of the first window that is not topmost
  void ToTopOfBand(Window& w);
  void ToBottom(Window& w);
  // As the window manager decides: visible, enabled, not a control (a
  // minimised window can be active).
  static bool CanActivate(const Window& w) { return w.Visible() && w.Enabled() && !w.IsControl(); }
  void Activate(Window& w);
  void ActivateOther(HWND leaving);
  void Hide(Window& w);
  void Minimize(Window& w, bool activate);
  void Restore(Window& w, bool activate);
  void Maximize(Window& w, bool activate);

  // ---- code page (sim_text.cpp) -------------------------------------------------
  bool IsLead(BYTE b) const;
  size_t FitBytes(const std::string& text, int size) const;
  int CompareForSort(const std::string& a, const std::string& b) const;
  // UTF-8 as the ANSI calls give it ('?' for what the code page lacks).
  std::string Ansi(const std::string& utf8) const;

  // ---- controls (sim_controls.cpp) ------------------------------------------------
  static ControlState MakeControl(const std::string& className, DWORD style);
  LRESULT ControlMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT ComboBoxMessage(ComboBoxControl& combo, UINT msg, WPARAM wParam);
  // WM_COMMAND with the notification code to the control's dialog.
  void Notify(HWND control, UINT code);
  // Moves the keyboard focus; the controls that lose and get it tell their
  // dialog. Returns the window that had it.
  HWND MoveFocus(HWND to);
  // A disabled window cannot keep the focus, nor can its controls.
  void DropFocusFrom(HWND disabled);
  HWND Item(const Window& dialog, int id) const;
  // The control, when the user can reach it: there, shown and enabled, in
  // an enabled dialog.
  Window* Usable(HWND dialog, int id);

  // ---- list views (sim_listview.cpp) ------------------------------------------------
  LRESULT ListViewMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
  BOOL DeleteListItem(HWND list, int index);
  // An owner-data list's item as its owner answers LVN_GETDISPINFOW: the
  // text (ANSI bytes) of a column, or the item's image.
  std::string OwnerDataText(HWND list, int index, int subItem);
  int OwnerDataImage(HWND list, int index);
  // A cell's text (ANSI bytes) whoever keeps it: the list or its owner.
  std::string CellText(HWND list, int index, int subItem);
  void NotifyItemChanged(HWND list, int index, UINT oldState, UINT newState, UINT changed,
                         LPARAM param);
  BOOL DestroyImageList(HIMAGELIST list);

  // ---- mouse and pointer (sim_mouse.cpp) ------------------------------------------------
  // Where a window's client area begins on the screen.
  POINT ClientOrigin(const Window& w) const;
  // The window that takes a mouse message at a screen point: the deepest
  // visible child there, or its parent when it lets the mouse through.
  HWND HitTest(POINT screen) const;
  void DeliverMouse(UINT msg, POINT screen);

  // ---- dialogs (sim_dialogs.cpp) ------------------------------------------------------
  const DialogTemplate* FindTemplate(int id) const;
  HWND FirstTabStop(const Window& dialog) const;
  HWND BuildDialog(int templateId, HWND parent, DialogHost* host, bool modal);
  void ReenableOwner(HWND owner);
};

}  // namespace mm::sim
