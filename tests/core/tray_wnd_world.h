// A simulated desktop with a manager window, other applications' windows
// and the managed windows taken from them, for the CTrayWnd tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/tray_wnd.h"
#include "core/tray_wnd_spec.h"
#include "tests/sim/sim_desktop.h"

namespace mm::test {

inline HICON FakeIcon(int n) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x7700 + n)); }

// Matches every window; the fields a creator must set are set.
struct AnyWindowRule : CTrayWndSpec {
  AnyWindowRule() {
    UseCaption = 0;
    UseClassname = 0;
    ShowIconOnlyHidden = 0;
    ShowTopMost = 0;
    DisableTitleStyleChanging = 0;
  }
};

class TrayWndWorld : public ::testing::Test {
 protected:
  TrayWndWorld() : desk(::testing::TempDir() + "morimo_core_sim") {
    SetOs(&desk);
    sim::WindowSpec spec;
    spec.caption = "MoriMo manager";
    spec.className = "#32770";
    owner = desk.AddWindow(spec);
  }
  ~TrayWndWorld() override {
    wnds.clear();  // they act on the desktop when they let their windows go
    SetOs(nullptr);
  }

  HWND App(const std::string& caption, bool visible = true) {
    sim::WindowSpec spec;
    spec.caption = caption;
    spec.className = "AppClass";
    spec.visible = visible;
    return App(spec);
  }
  HWND App(const sim::WindowSpec& spec) {
    HWND hWnd = desk.AddWindow(spec);
    if (spec.visible) desk.UserActivate(hWnd);
    return hWnd;
  }

  AnyWindowRule& NewRule() { return rules.emplace_back(); }

  // Attaches a new managed window the way the manager does; the result of
  // Attach is kept in `attached`.
  CTrayWnd& Take(HWND hWnd, CTrayWndSpec& spec) {
    wnds.push_back(std::make_unique<CTrayWnd>());
    attached = wnds.back()->Attach(new TrayWndHandles{hWnd, owner}, &spec);
    return *wnds.back();
  }
  CTrayWnd& Take(HWND hWnd) { return Take(hWnd, rule); }

  void Release(CTrayWnd& wnd) {
    for (auto it = wnds.begin(); it != wnds.end(); ++it) {
      if (it->get() == &wnd) {
        wnds.erase(it);
        return;
      }
    }
  }

  const sim::TrayIconRecord* IconOf(const CTrayWnd& wnd) const {
    return desk.FindTrayIcon(owner, wnd.Id());
  }
  std::vector<sim::MessageRecord> Messages(UINT msg) const {
    std::vector<sim::MessageRecord> found;
    for (const auto& m : desk.History())
      if (m.msg == msg) found.push_back(m);
    return found;
  }
  DWORD Style(HWND hWnd) { return static_cast<DWORD>(desk.GetWindowLongA(hWnd, GWL_STYLE)); }
  DWORD ExStyle(HWND hWnd) { return static_cast<DWORD>(desk.GetWindowLongA(hWnd, GWL_EXSTYLE)); }
  // Alpha byte of a layered window, -1 when it has no layered attributes.
  int Alpha(HWND hWnd) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return desk.GetLayeredWindowAttributes(hWnd, &key, &alpha, &flags) ? alpha : -1;
  }

  sim::SimDesktop desk;
  HWND owner = nullptr;
  int attached = -1;
  AnyWindowRule rule;
  std::deque<AnyWindowRule> rules;
  std::vector<std::unique_ptr<CTrayWnd>> wnds;  // last: destroyed before the rules
};

}  // namespace mm::test
