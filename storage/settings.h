// The settings file: the manager's general settings and the rule list.
#pragma once

#include <list>
#include <memory>

namespace mm {

class CTrayWndSpec;
using TraySpecList = std::list<std::unique_ptr<CTrayWndSpec>>;

struct GeneralSettings {
  int DisplayWidthStartup = 0;
  int ShowTopMost = 0;
  int RealyHideOnHidden = 0;
  int TimerPeriod = 500;
  int ShowOnlyHidden = 0;
};

// Reads General and appends one rule per TraySpec_NNNN section to `specs`.
void LoadSettings(GeneralSettings& settings, TraySpecList& specs);
// Writes General and every rule, in list order.
void SaveSettings(const GeneralSettings& settings, const TraySpecList& specs);

}  // namespace mm
