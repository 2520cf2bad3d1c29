// A managed window: one top-level window of another application taken over
// by a rule, with its tray icon and appearance changes.
#pragma once

#include <string>

#include "platform/types.h"

namespace mm {

class CTrayWndSpec;

// Private messages of the manager window.
constexpr UINT WMA_WINDOW_DESTROYED = WM_APP;      // wParam: CTrayWnd::Id(), lParam: hWnd
constexpr UINT WMA_TRAYICON_NOTIFY = WM_APP + 1;   // wParam: CTrayWnd::Id(), lParam: mouse msg
constexpr UINT WMA_TRAYSPEC_DELETED = WM_APP + 2;  // wParam: CTrayWndSpec*, lParam: 0

// Program icon resources.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDI_FALLBACK = 129;

// The looks of a window as we found it, before any change of ours: kept in
// a file beside the recovery file, so that the run started after a crash
// gives back these, not the looks the crashed run left the window with.
struct FoundLooks {
  DWORD thread = 0;   // the window's thread: a reused handle is not the same window
  DWORD style = 0;
  DWORD exStyle = 0;
  int alpha = -1;     // alpha of alpha-only layered attributes we found, -1 for none
};

struct TrayWndHandles {
  HWND hWnd = nullptr;       // the managed window
  HWND hWndOwner = nullptr;  // the manager window
};

class CTrayWnd {
 public:
  // Bounds for messages sent to the other application: a hung or busy
  // program must not freeze the manager. A time-out counts as no answer.
  static constexpr UINT kIconTimeoutMs = 200;
  static constexpr UINT kSysCommandTimeoutMs = 1000;
  // Ticks between two questions for a window's icon: a change of icon
  // reaches the tray within this many ticks (4 s at the default period).
  static constexpr int kIconRefreshTicks = 8;
  // Tip text: what the shell's tip holds, in UTF-16 units; a longer title
  // is cut to fit with "..." (and the words for a protected window).
  static constexpr std::size_t kTipUnits = 127;

  CTrayWnd();
  virtual ~CTrayWnd();
  CTrayWnd(const CTrayWnd&) = delete;
  CTrayWnd& operator=(const CTrayWnd&) = delete;

  // The identity that names this object in the tray icon's uID and in
  // WMA_WINDOW_DESTROYED: a process-unique 32-bit serial (a uID is 32 bits
  // wide, an address is not), never reused, never 0.
  UINT Id() const { return id_; }

  // Takes ownership of `handles` (even when it fails on a null rule).
  // `earlier`: what an earlier run of ours found the window like (from the
  // recovery files); when it names this window's thread, those looks are
  // put back first and are the ones given back when we let it go.
  int Attach(TrayWndHandles* handles, CTrayWndSpec* spec, const FoundLooks* earlier = nullptr);
  // Attach in two steps: Take reads what Attach reads and changes nothing
  // (but putting back `earlier`); Apply makes the rule's changes, adds the
  // icon and hides the window if the rule says so. The manager records the
  // looks found in between, so that a crash during Apply loses nothing.
  bool Take(TrayWndHandles* handles, CTrayWndSpec* spec, const FoundLooks* earlier = nullptr);
  int Apply();
  // The looks we found, as Attach read them (or took them from `earlier`).
  FoundLooks Found() const;
  int Tick();
  // The same, with the foreground window and its thread read once for all
  // managed windows of a tick.
  int Tick(HWND foreground, DWORD foregroundThread);
  // The last Tick found the window gone or no longer matching its rule.
  bool FoundGone() const { return foundGone_; }
  void Show(int activate);
  void Hide();
  // A window of a program that runs with more rights than we have (as
  // administrator): managed, listed and given an icon that says so, but
  // never hidden, made transparent or restyled, which the system would
  // refuse half-way. Set before Apply; a hide refused later sets it too.
  void SetProtected() { protected_ = true; AlphaCapable = 0; }
  bool Protected() const { return protected_; }
  // What the lists and the tip add to such a window's caption (UTF-8).
  static const char* ProtectedWordsUtf8();
  // Orders hides: a window hidden later has a greater number (0: never).
  unsigned HiddenSerial() const { return hiddenSerial_; }
  // The system refused the last hide (a program it protects from ours).
  bool HideRefused() const { return hideRefused_; }
  // Its program was found not to answer: from now on nothing is asked of
  // it that would wait (letting go of many such windows at exit).
  void ProgramDoesNotAnswer() { silent_ = true; }
  int Revert();
  // The caption as rules see it (ANSI bytes) and the title as the user
  // sees it (read with the wide call, UTF-8).
  std::string GetCaption() const;
  std::string TitleUtf8() const;

  // Tray icon.
  HICON FindTrayIcon();
  HICON FindListIcon();
  int AddIcon();
  int UpdateIcon();
  int DeleteIcon();
  // A balloon on the icon, texts UTF-8 cut to what the record holds; false
  // when the icon is not in the tray.
  bool ShowBalloon(const std::string& titleUtf8, const std::string& textUtf8);

  // Appearance.
  int IsOpacityAvailable() const { return AlphaCapable; }
  void ApplyOpacity();
  int SetTopMost(int on);
  // A program that does not answer gets the style once it does.
  void SetTitleStyle(int code);
  int CanChangeTitleStyle() const;

  HWND Window() const { return Handles ? Handles->hWnd : nullptr; }
  HWND Owner() const { return Handles ? Handles->hWndOwner : nullptr; }

  // Opacity as the window system takes it: percent (clamped to 0..100) to
  // an alpha byte, and back, fractions dropped.
  static BYTE PercentToAlpha(int percent);
  static int AlphaToPercent(BYTE alpha);
  // The tip shown for a title (UTF-8) and the words after it: whole when
  // it fits kTipUnits, else the title cut on a character boundary, "..."
  // and the words.
  static std::string TipFor(const std::string& titleUtf8, const std::string& wordsUtf8 = {});

  int Hidden = 0;
  int IconShown = 0;
  int GoneReported = 0;
  int Active = 0;
  int PrevActive = -1;
  // The caption the tip was last made from: a change of it renews the tip.
  std::string TipText;
  HICON TrayIcon = nullptr;
  HICON ListIcon = nullptr;
  DWORD SavedExStyle = 0;
  DWORD SavedStyle = 0;
  int Layered = 0;
  int AlphaCapable = 0;
  int TopMost = 1;
  int CurTitleStyle = 0;
  int AlphaActive = 100;
  int AlphaInactive = 100;
  int AlphaApplied = -1;
  TrayWndHandles* Handles = nullptr;  // owned from Attach on
  CTrayWndSpec* Spec = nullptr;       // not owned

 private:
  void ProbeOpacity();
  // Sends WM_GETICON unless an earlier send of this search timed out.
  HICON AskIcon(WPARAM which);
  void FillRecord(NOTIFYICONDATAW* data, UINT flags) const;
  void RefreshTip(NOTIFYICONDATAW* data);
  DWORD StyleFor(int code) const;
  DWORD ExStyleFor(int code) const;
  void SetAlpha(int percent);
  BOOL SysCommand(WPARAM command);
  // Another program's window is changed only in ways that cannot wait for
  // that program: it may hang at any time.
  BOOL ShowTarget(int cmd);
  UINT PosFlags(UINT flags) const;
  // Whether the window's program takes a message within the bound; asked
  // before a style word is written, which waits for the program.
  bool Answers(UINT timeoutMs = kIconTimeoutMs);
  void RestoreStyles();
  void PutBack(const FoundLooks& earlier);

  UINT id_;
  // Alpha byte of a window that had alpha-only layered attributes when we
  // took it; -1 otherwise. Given back when we let the window go.
  int originalAlpha_ = -1;
  bool alphaChanged_ = false;  // we set layered attributes at least once
  bool iconSearchTimedOut_ = false;
  bool foreign_ = true;  // the window belongs to another process
  bool silent_ = false;  // its program is known not to answer
  DWORD thread_ = 0;     // the window's thread, read at Attach
  std::string className_;  // read at Attach
  std::string programPath_;  // read at Attach: a process keeps its program file
  std::string caption_;    // the last tick's read, kept for its buffer
  std::string tipTitle_;   // the title the tip was last made from (UTF-8)
  // Ticks left before a hide asked of the window is asked again: a busy
  // program takes it late, and a request per tick would pile up in its queue.
  int hideWaitTicks_ = 0;
  // A title style chosen while the program did not answer, or -1, and the
  // ticks before it is tried again.
  int pendingTitleStyle_ = -1;
  int styleRetryCountdown_ = 0;
  bool foundGone_ = false;
  bool hideRefused_ = false;
  bool protected_ = false;
  unsigned hiddenSerial_ = 0;
  int iconCountdown_;  // ticks left before the icon is asked again
};

}  // namespace mm
