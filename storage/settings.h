// The settings file: the manager's general settings and the rule list.
#pragma once

#include <string>

#include "core/tray_wnd_spec.h"

namespace mm {

struct GeneralSettings {
  int DisplayWidthStartup = 0;
  int ShowTopMost = 0;
  int RealyHideOnHidden = 0;
  int TimerPeriod = 500;
  int ShowOnlyHidden = 0;
  // Hotkey control values (core/hot_key.h); 0 is none. A file without the
  // keys gets these.
  int HotKeyToTray = 0x0728;   // Ctrl+Alt+Shift+Down
  int HotKeyRestore = 0x0726;  // Ctrl+Alt+Shift+Up
  int HotKeyManager = 0;
};

// At most this many rules are read, whatever TraySpec_Count says: far above
// any real list, and low enough that a damaged count neither stalls
// start-up nor fills memory.
constexpr int kMaxRulesRead = 10000;

// "TraySpec_%04d": the section of the rule at `index` in list order.
std::string RuleSectionName(int index);

// Reads General and appends one rule per TraySpec_NNNN section to `specs`.
// A missing file, section or key gives the defaults; nothing is reported.
void LoadSettings(GeneralSettings& settings, TraySpecList& specs);
// Writes General and every rule, in list order, into the existing file and
// replaces it in one step; everything else in it stays, sections beyond the
// count too. On failure the old file stays whole; nothing is reported.
void SaveSettings(const GeneralSettings& settings, const TraySpecList& specs);

}  // namespace mm
