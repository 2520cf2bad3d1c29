// The controls of our dialogs: their kinds, their messages without text
// (BM_*, CB_*; list views in sim_listview.cpp), their texts, and the
// keyboard focus with the notifications the real controls send.
#include <algorithm>
#include <cstring>

#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

bool SameClass(const std::string& className, const char* name) {
  return className.size() == std::strlen(name) &&
         std::equal(className.begin(), className.end(), name, [](char a, char b) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
           return up(a) == up(b);
         });
}

// The highest check state a button of that type keeps.
UINT MaxCheck(DWORD type) {
  switch (type) {
    case BS_3STATE:
    case BS_AUTO3STATE:
      return BST_INDETERMINATE;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return BST_CHECKED;
    default:
      return BST_UNCHECKED;
  }
}

}  // namespace

std::string& Window::Text() {
  if (auto* edit = std::get_if<EditControl>(&control)) return edit->text;
  if (auto* combo = std::get_if<ComboBoxControl>(&control)) return combo->editText;
  return caption;
}

ControlState SimDesktop::State::MakeControl(const std::string& className, DWORD style) {
  if (SameClass(className, "Button")) return ButtonControl{style & BS_TYPEMASK, BST_UNCHECKED};
  if (SameClass(className, "Edit")) return EditControl{};
  if (SameClass(className, "Static")) return StaticControl{};
  if (SameClass(className, "SysListView32")) return ListViewControl{};
  if (SameClass(className, "msctls_hotkey32")) return HotKeyControl{};
  if (SameClass(className, "ComboBox")) {
    ComboBoxControl combo;
    combo.type = style & (CBS_SIMPLE | CBS_DROPDOWN);  // or both: CBS_DROPDOWNLIST
    return combo;
  }
  return OtherControl{};
}

LRESULT SimDesktop::State::ControlMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (auto* button = std::get_if<ButtonControl>(&w.control)) {
    if (msg == BM_GETCHECK) return button->check;
    if (msg == BM_SETCHECK) button->check = std::min(static_cast<UINT>(wParam), MaxCheck(button->type));
    return 0;
  }
  if (auto* combo = std::get_if<ComboBoxControl>(&w.control))
    return ComboBoxMessage(*combo, msg, wParam);
  if (auto* hotKey = std::get_if<HotKeyControl>(&w.control)) {
    if (msg == HKM_GETHOTKEY) return hotKey->value;
    if (msg == HKM_SETHOTKEY) hotKey->value = static_cast<WORD>(wParam & 0xFFFF);
    return 0;
  }
  if (std::holds_alternative<ListViewControl>(w.control))
    return ListViewMessage(w, msg, wParam, lParam);
  return 0;
}

LRESULT SimDesktop::State::ComboBoxMessage(ComboBoxControl& combo, UINT msg, WPARAM wParam) {
  const int count = static_cast<int>(combo.strings.size());
  const int index = static_cast<int>(wParam);
  switch (msg) {
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return combo.selection;
    case CB_SETCURSEL:
      // An index out of range keeps the selection; either way the field
      // shows the selected item.
      if (index >= -1 && index < count) combo.selection = index;
      combo.editText = combo.selection >= 0 ? combo.strings[static_cast<size_t>(combo.selection)] : "";
      return index >= 0 && index < count ? index : CB_ERR;
    case CB_DELETESTRING:
      if (index < 0 || index >= count) return CB_ERR;
      combo.strings.erase(combo.strings.begin() + index);
      if (combo.selection == index) {
        combo.selection = -1;
      } else if (combo.selection > index) {
        --combo.selection;
      }
      return count - 1;
    case CB_RESETCONTENT:
      combo.strings.clear();
      combo.selection = -1;
      combo.editText.clear();
      return 0;
    default:
      return 0;
  }
}

int SimDesktop::ComboBoxAddStringU8(HWND comboBox, const std::string& text) {
  auto* combo = s_->ControlOf<ComboBoxControl>(comboBox);
  if (combo == nullptr) return static_cast<int>(CB_ERR);
  const std::string ansi = Utf8ToAnsi(text);
  size_t at = combo->strings.size();
  if (s_->Find(comboBox)->style & CBS_SORT) {
    at = 0;
    while (at < combo->strings.size() && s_->CompareForSort(combo->strings[at], ansi) < 0) ++at;
  }
  combo->strings.insert(combo->strings.begin() + static_cast<long>(at), ansi);
  if (combo->selection >= static_cast<int>(at)) ++combo->selection;
  return static_cast<int>(at);
}

std::vector<std::string> SimDesktop::ComboBoxStringsUtf8(HWND comboBox) const {
  std::vector<std::string> texts;
  if (const auto* combo = s_->ControlOf<ComboBoxControl>(comboBox))
    for (const std::string& s : combo->strings) texts.push_back(const_cast<SimDesktop*>(this)->AnsiToUtf8(s));
  return texts;
}

// ---- notifications and the focus ---------------------------------------------------------------

void SimDesktop::State::Notify(HWND control, UINT code) {
  const Window* c = Find(control);
  if (c == nullptr) return;
  Send(c->owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(c->controlId), static_cast<WORD>(code)),
       reinterpret_cast<LPARAM>(control));
}

HWND SimDesktop::State::MoveFocus(HWND to) {
  const HWND from = focus;
  if (to == from) return from;
  // The focus comes with activation: a top-level window that was not the
  // active one becomes it, even one not shown yet (a dialog's first focus
  // does this under Wine, before the dialog is ever visible).
  if (const Window* w = Find(to)) {
    const Window* top = w->IsControl() ? Find(w->owner) : w;
    if (top != nullptr && !top->IsControl()) active = top->hwnd;
  }
  // The focus has moved by the time the loser hears of it, as in user32.
  focus = to;
  auto tell = [this](HWND h, UINT edit, UINT combo, UINT button) {
    Window* w = Find(h);
    if (w == nullptr) return;
    if (std::holds_alternative<EditControl>(w->control)) {
      Notify(h, edit);
    } else if (std::holds_alternative<ComboBoxControl>(w->control)) {
      Notify(h, combo);
    } else if (std::holds_alternative<ButtonControl>(w->control) && (w->style & BS_NOTIFY)) {
      Notify(h, button);
    }
  };
  tell(from, EN_KILLFOCUS, CBN_KILLFOCUS, BN_KILLFOCUS);
  if (focus == to) tell(to, EN_SETFOCUS, CBN_SETFOCUS, BN_SETFOCUS);
  return from;
}

void SimDesktop::State::DropFocusFrom(HWND disabled) {
  const Window* f = Find(focus);
  if (focus == disabled || (f != nullptr && f->IsControl() && f->owner == disabled)) MoveFocus(nullptr);
}

HWND SimDesktop::SetFocus(HWND hWnd) {
  State& s = *s_;
  if (hWnd == nullptr) return s.MoveFocus(nullptr);
  Window* w = s.Find(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // Only our own thread's windows, and none that is disabled or minimised
  // or inside one that is.
  const Window* top = w->IsControl() ? s.Find(w->owner) : w;
  if (!s.Ours(*w) || top == nullptr) return nullptr;
  for (const Window* x : {static_cast<const Window*>(w), top})
    if (!x->Enabled() || x->Minimized()) return nullptr;
  return s.MoveFocus(hWnd);
}

HWND SimDesktop::GetFocus() { return s_->focus; }

// ---- the dialog's view of its controls ----------------------------------------------------------

HWND SimDesktop::State::Item(const Window& dialog, int id) const {
  for (HWND c : dialog.controls) {
    const Window* cw = Find(c);
    if (cw != nullptr && cw->controlId == id) return c;
  }
  return nullptr;
}

Window* SimDesktop::State::Usable(HWND dialog, int id) {
  Window* d = Find(dialog);
  if (d == nullptr || !d->Enabled()) return nullptr;
  Window* c = Find(Item(*d, id));
  return c != nullptr && c->Enabled() && c->Visible() ? c : nullptr;
}

HWND SimDesktop::GetDlgItem(HWND dialog, int id) {
  const Window* d = s_->Find(dialog);
  if (d == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND c = s_->Item(*d, id);
  if (c == nullptr) SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return c;
}

int SimDesktop::GetDlgCtrlID(HWND control) {
  const Window* c = s_->Find(control);
  return c != nullptr && c->IsControl() ? c->controlId : 0;
}

BOOL SimDesktop::EnableWindow(HWND hWnd, BOOL enable) {
  Window* w = s_->Find(hWnd);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = w->Enabled() ? FALSE : TRUE;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (!w->IsControl()) s_->ActivateOther(hWnd);
    s_->DropFocusFrom(hWnd);
  }
  return wasDisabled;
}

BOOL SimDesktop::IsWindowEnabled(HWND hWnd) {
  const Window* w = s_->Find(hWnd);
  return w != nullptr && w->Enabled();
}

BOOL SimDesktop::CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) return FALSE;
  s_->Send(button, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT SimDesktop::IsDlgButtonChecked(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button != nullptr ? static_cast<UINT>(s_->Send(button, BM_GETCHECK, 0, 0)) : 0;
}

}  // namespace mm::sim
