#include "app/hotkeys.h"

#include "core/hot_key.h"
#include "platform/platform.h"
#include "res/resource.h"
#include "res/version.h"
#include "ui/controls.h"

namespace mm {

namespace {

constexpr int kControlIds[CHotKeys::kActions] = {IDC_HOTKEY_TO_TRAY, IDC_HOTKEY_RESTORE,
                                                 IDC_HOTKEY_MANAGER};

CHotKeys::Action ActionAt(int index) { return static_cast<CHotKeys::Action>(index + 1); }

// A value as the control should show it: an arrow or a key of the editing
// block without HOTKEYF_EXT is named as the number pad's key ("Num 2").
WORD ShownValue(WORD value) {
  switch (HotKeyVirtualKey(value)) {
    case VK_PRIOR: case VK_PRIOR + 1: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP:
    case VK_UP + 1: case VK_DOWN: case VK_INSERT: case VK_DELETE:
      return static_cast<WORD>(value | HOTKEYF_EXT << 8);
    default:
      return value;
  }
}

}  // namespace

std::string CHotKeys::ActionText(Action action) {
  switch (action) {
    case ToTray: return "アクティブなウインドウをトレイへ";
    case Restore: return "最後に隠したウインドウを表示";
    case Manager: return "マネージャの表示と非表示";
  }
  return std::string();
}

int& CHotKeys::Setting(GeneralSettings& settings, Action action) {
  switch (action) {
    case ToTray: return settings.HotKeyToTray;
    case Restore: return settings.HotKeyRestore;
    case Manager: break;
  }
  return settings.HotKeyManager;
}

bool CHotKeys::Register(Action action, WORD value) {
  Platform& os = Os();
  const UINT modifiers = HotKeyModifiers(value);
  const UINT key = HotKeyVirtualKey(value);
  // Held down, a combination repeats: without MOD_NOREPEAT one press would
  // send window after window to the tray. Systems before it refuse the flag.
  if (os.RegisterHotKey(window_, action, modifiers | MOD_NOREPEAT, key)) return true;
  if (os.GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return false;
  return os.RegisterHotKey(window_, action, modifiers, key) != 0;
}

std::vector<CHotKeys::Action> CHotKeys::RegisterAll(HWND window) {
  UnregisterAll();
  window_ = window;
  std::vector<Action> failed;
  for (int i = 0; i < kActions; ++i) {
    const Action action = ActionAt(i);
    const int value = Setting(settings_, action);
    if (value == 0 || !IsPressableHotKey(static_cast<UINT>(value))) continue;
    registered_[i] = Register(action, static_cast<WORD>(value));
    if (!registered_[i]) failed.push_back(action);
  }
  return failed;
}

void CHotKeys::UnregisterAll() {
  for (int i = 0; i < kActions; ++i) {
    if (registered_[i]) Os().UnregisterHotKey(window_, ActionAt(i));
    registered_[i] = false;
  }
}

CHotKeys::Values CHotKeys::Current() const {
  Values values{};
  for (int i = 0; i < kActions; ++i) values[i] = static_cast<WORD>(Setting(settings_, ActionAt(i)));
  return values;
}

bool CHotKeys::ChangeAll(const Values& values, Action* failed) {
  const Values old = Current();
  const auto oldRegistered = registered_;
  // One that another program held at start-up is tried again, unchanged.
  auto changes = [&](int i) { return values[i] != old[i] || (values[i] != 0 && !oldRegistered[i]); };
  // The changed ones let go first: a combination moved from one action to
  // another must be free for its new action.
  for (int i = 0; i < kActions; ++i) {
    if (!changes(i) || !registered_[i]) continue;
    Os().UnregisterHotKey(window_, ActionAt(i));
    registered_[i] = false;
  }
  for (int i = 0; i < kActions; ++i) {
    if (!changes(i) || values[i] == 0) continue;
    registered_[i] = Register(ActionAt(i), values[i]);
    // Still held elsewhere, unchanged: it stays as the settings have it,
    // and the other changes need not wait for it.
    if (registered_[i] || values[i] == old[i]) continue;
    // Back as it was: the new ones of this change given up, the old ones
    // taken again.
    for (int j = 0; j < kActions; ++j) {
      if (!changes(j)) continue;
      if (registered_[j]) Os().UnregisterHotKey(window_, ActionAt(j));
      registered_[j] = oldRegistered[j] && Register(ActionAt(j), old[j]);
    }
    if (failed != nullptr) *failed = ActionAt(i);
    return false;
  }
  for (int i = 0; i < kActions; ++i) Setting(settings_, ActionAt(i)) = values[i];
  return true;
}

// ---- The dialog -------------------------------------------------------------------

CHotKeyDialog::CHotKeyDialog(CHotKeys& hotKeys) : CDialog(IDD_HOTKEY_DIALOG), hotKeys_(hotKeys) {}

BOOL CHotKeyDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  const CHotKeys::Values values = hotKeys_.Current();
  for (int i = 0; i < CHotKeys::kActions; ++i) {
    HWND control = Item(kControlIds[i]);
    // A key alone, or with Shift alone, would be taken from every program
    // the user types into: such a combination gets Ctrl+Alt.
    ui::SetHotKeyRules(control, HKCOMB_NONE | HKCOMB_S, HOTKEYF_CONTROL | HOTKEYF_ALT);
    ui::SetHotKeyValue(control, ShownValue(values[i]));
  }
  return 1;
}

void CHotKeyDialog::OnOK() {
  const CHotKeys::Values old = hotKeys_.Current();
  CHotKeys::Values values{};
  for (int i = 0; i < CHotKeys::kActions; ++i) {
    const WORD value = ui::HotKeyValue(Item(kControlIds[i]));
    values[i] = IsPressableHotKey(value) ? value : 0;
    // Shown with the extended flag, unchanged all the same.
    if (values[i] == ShownValue(old[i])) values[i] = old[i];
  }
  for (int i = 0; i < CHotKeys::kActions; ++i) {
    for (int j = 0; j < i; ++j) {
      if (values[i] == 0 || (values[i] & 0x7FF) != (values[j] & 0x7FF)) continue;
      const std::string text = "「" + HotKeyText(values[i]) + "」が「" +
                               CHotKeys::ActionText(ActionAt(j)) + "」と「" +
                               CHotKeys::ActionText(ActionAt(i)) +
                               "」の両方に設定されています。\n別の組み合わせを選んでください。";
      Os().MessageBoxU8(Hwnd(), text, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONWARNING);
      Os().SetFocus(Item(kControlIds[i]));
      return;
    }
  }
  CHotKeys::Action failed = CHotKeys::ToTray;
  if (!hotKeys_.ChangeAll(values, &failed)) {
    const int index = failed - 1;
    const std::string text = "「" + HotKeyText(values[index]) +
                             "」は他のプログラムが使っているため、「" + CHotKeys::ActionText(failed) +
                             "」に登録できません。\n別の組み合わせを選んでください。";
    Os().MessageBoxU8(Hwnd(), text, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONWARNING);
    Os().SetFocus(Item(kControlIds[index]));
    return;
  }
  EndDialog(IDOK);
}

}  // namespace mm
