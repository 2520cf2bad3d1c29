// The three hotkeys: registered on the manager window from the settings,
// changed together in their dialog, given up at exit.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "storage/settings.h"
#include "ui/dialog.h"

namespace mm {

class CHotKeys {
 public:
  // The WM_HOTKEY ids, and the order of the dialog's controls.
  enum Action : int { ToTray = 1, Restore = 2, Manager = 3 };
  static constexpr int kActions = 3;
  using Values = std::array<WORD, kActions>;  // by action - 1

  explicit CHotKeys(GeneralSettings& settings) : settings_(settings) {}
  ~CHotKeys() { UnregisterAll(); }
  CHotKeys(const CHotKeys&) = delete;
  CHotKeys& operator=(const CHotKeys&) = delete;

  // Registers the settings' hotkeys on `window`; returns the actions whose
  // combination another program holds (those stay unregistered).
  std::vector<Action> RegisterAll(HWND window);
  void UnregisterAll();
  Values Current() const;
  // Puts all three in force at once: when one cannot be registered, none
  // changes (the old ones stay in force), *failed names it, false.
  bool ChangeAll(const Values& values, Action* failed);
  // What the dialog and the messages call each action.
  static std::string ActionText(Action action);

 private:
  static int& Setting(GeneralSettings& settings, Action action);
  bool Register(Action action, WORD value);

  GeneralSettings& settings_;
  HWND window_ = nullptr;
  std::array<bool, kActions> registered_{};
};

// The dialog of the hotkeys: one hotkey control an action. OK puts the
// combinations in force (the caller saves the settings after IDOK); one
// that cannot be registered is said at once and the dialog stays open.
class CHotKeyDialog : public CDialog {
 public:
  explicit CHotKeyDialog(CHotKeys& hotKeys);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  CHotKeys& hotKeys_;
};

}  // namespace mm
