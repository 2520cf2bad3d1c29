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

struct TrayWndHandles {
  HWND hWnd = nullptr;       // the managed window
  HWND hWndOwner = nullptr;  // the manager window
};

class CTrayWnd {
 public:
  CTrayWnd();
  virtual ~CTrayWnd();
  CTrayWnd(const CTrayWnd&) = delete;
  CTrayWnd& operator=(const CTrayWnd&) = delete;

  // The identity that names this object in the tray icon's uID and in
  // WMA_WINDOW_DESTROYED: a process-unique 32-bit serial (a uID is 32 bits
  // wide, an address is not), never reused, never 0.
  UINT Id() const { return id_; }

  int Attach(TrayWndHandles* handles, CTrayWndSpec* spec);
  int Tick();
  void Show(int activate);
  void Hide();
  int Revert();
  std::string GetCaption() const;

  // Tray icon.
  HICON FindTrayIcon();
  HICON FindListIcon();
  int AddIcon();
  int UpdateIcon();
  int DeleteIcon();

  // Appearance.
  int IsOpacityAvailable() const { return AlphaCapable; }
  void ApplyOpacity();
  int SetTopMost(int on);
  void SetTitleStyle(int code);
  int CanChangeTitleStyle() const;

  HWND Window() const { return Handles ? Handles->hWnd : nullptr; }

  int Hidden = 0;
  int IconShown = 0;
  int GoneReported = 0;
  int Active = 0;
  int PrevActive = -1;
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
  UINT id_;
};

}  // namespace mm
