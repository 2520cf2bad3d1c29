// Our dialogs: built from the resource script (or a test's own template),
// modeless and modal, with the dialog manager's focus rules, message boxes
// and string resources, and what the user does to a dialog's controls.
#include <algorithm>

#include "tests/sim/sim_state.h"

namespace mm::sim {

// ---- resources --------------------------------------------------------------------------

void SimDesktop::UseResourceScript(const std::string& rcText) {
  s_->script =
      std::make_shared<const ResourceScript>(ReadResourceScript(rcText, EmbeddedResourceFiles()));
}

void SimDesktop::AddDialogTemplate(const DialogTemplate& dialogTemplate) {
  s_->templates[dialogTemplate.id] = dialogTemplate;
}

const DialogTemplate* SimDesktop::State::FindTemplate(int id) const {
  auto own = templates.find(id);
  if (own != templates.end()) return &own->second;
  auto it = script->dialogs.find(id);
  return it == script->dialogs.end() ? nullptr : &it->second;
}

std::string SimDesktop::LoadStringU8(UINT id) {
  auto own = s_->strings.find(id);
  if (own != s_->strings.end()) return own->second;
  auto it = s_->script->strings.find(id);
  return it == s_->script->strings.end() ? std::string() : it->second;
}

void SimDesktop::SetString(UINT id, const std::string& textUtf8) { s_->strings[id] = textUtf8; }

// ---- message boxes ------------------------------------------------------------------------

int SimDesktop::MessageBoxU8(HWND owner, const std::string& text, const std::string& caption,
                             UINT type) {
  State& s = *s_;
  s.messageBoxes.push_back({owner, text, caption, type});
  // The box takes the keyboard focus while it is open: the control that
  // had it hears that it lost it, and gets it back when the box closes
  // (the dialog manager restores a dialog's focus on its reactivation).
  const HWND hadFocus = s.MoveFocus(nullptr);
  // The box runs a message loop of its own while it is open.
  Pump();
  int result = IDOK;
  if (!s.messageBoxAnswers.empty()) {
    auto answer = std::move(s.messageBoxAnswers.front());
    s.messageBoxAnswers.pop_front();
    result = answer();
  }
  if (s.focus == nullptr && hadFocus != nullptr && s.Find(hadFocus) != nullptr) SetFocus(hadFocus);
  return result;
}

void SimDesktop::QueueMessageBoxAnswer(int answer) {
  s_->messageBoxAnswers.push_back([answer] { return answer; });
}

void SimDesktop::QueueMessageBoxScript(std::function<int()> script) {
  s_->messageBoxAnswers.push_back(std::move(script));
}

const std::vector<MessageBoxRecord>& SimDesktop::MessageBoxes() const { return s_->messageBoxes; }

// ---- building, running and ending dialogs ---------------------------------------------------

// The control the dialog manager gives the focus first: the first tab stop
// that is shown and enabled, in template order.
HWND SimDesktop::State::FirstTabStop(const Window& dialog) const {
  for (HWND c : dialog.controls) {
    const Window* w = Find(c);
    if (w != nullptr && (w->style & WS_TABSTOP) && w->Visible() && w->Enabled()) return c;
  }
  return nullptr;
}

// Builds a dialog window and its controls from the template and runs
// WM_INITDIALOG; returns the dialog or 0.
HWND SimDesktop::State::BuildDialog(int templateId, HWND parent, DialogHost* host, bool modal) {
  const DialogTemplate* t = FindTemplate(templateId);
  if (t == nullptr || host == nullptr) {
    desk.SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  Window& d = Create();
  const HWND dialog = d.hwnd;
  d.caption = desk.Utf8ToAnsi(t->titleUtf8);
  d.className = "#32770";
  d.style = t->style & ~(WS_VISIBLE | WS_MINIMIZE);
  d.exStyle = t->exStyle;
  d.processId = kOurProcessId;
  d.owner = parent;
  d.isDialog = true;
  d.modal = modal;
  d.closesOnWmClose = false;
  d.rect = {t->x * 2, t->y * 2, (t->x + t->cx) * 2, (t->y + t->cy) * 2};
  for (const DialogItemTemplate& item : t->items) {
    Window& c = Create();
    c.className = item.cls;
    c.style = item.style | WS_CHILD;  // shown only if the template says so
    c.control = MakeControl(item.cls, item.style);
    c.Text() = desk.Utf8ToAnsi(item.textUtf8);
    c.processId = kOurProcessId;
    c.owner = dialog;
    c.controlId = item.id;
    c.closesOnWmClose = false;
    c.rect = {item.x * 2, item.y * 2, (item.x + item.cx) * 2, (item.y + item.cy) * 2};
    Find(dialog)->controls.push_back(c.hwnd);
  }
  Window* dw = Find(dialog);
  ToTopOfBand(*dw);
  dw->host = host;
  const LRESULT setFocus = Send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(FirstTabStop(*dw)),
                                reinterpret_cast<LPARAM>(host));
  dw = Find(dialog);
  if (dw == nullptr) return nullptr;  // destroyed during its initialisation
  // Nonzero asks the dialog manager to focus the first tab stop (as it is
  // now); zero leaves the focus where the handler put it.
  if (setFocus != 0) {
    const HWND first = FirstTabStop(*dw);
    MoveFocus(first != nullptr ? first : dialog);
    dw = Find(dialog);
    if (dw == nullptr) return nullptr;
  }
  if ((t->style & WS_VISIBLE) || modal) {
    if (!(modal && dw->ended)) {
      dw->style |= WS_VISIBLE;
      Activate(*dw);
    }
  }
  return dialog;
}

void SimDesktop::State::ReenableOwner(HWND owner) {
  if (Window* o = Find(owner)) {
    o->style &= ~WS_DISABLED;
    if (active == nullptr && CanActivate(*o)) Activate(*o);
  }
}

HWND SimDesktop::CreateDialogU8(int templateId, HWND parent, DialogHost* host) {
  return s_->BuildDialog(templateId, parent, host, false);
}

INT_PTR SimDesktop::DialogBoxU8(int templateId, HWND parent, DialogHost* host) {
  State& s = *s_;
  // The owner is disabled while the modal dialog runs.
  Window* owner = s.Find(parent);
  bool reenable = false;
  if (owner != nullptr && owner->Enabled()) {
    owner->style |= WS_DISABLED;
    s.DropFocusFrom(parent);
    reenable = true;
  }
  HWND dialog = s.BuildDialog(templateId, parent, host, true);
  INT_PTR result = -1;
  if (dialog != nullptr) {
    Pump();
    Window* d = s.Find(dialog);
    if (d != nullptr && !d->ended && !s.modalScripts.empty()) {
      auto script = std::move(s.modalScripts.front());
      s.modalScripts.pop_front();
      script(dialog);
    }
    d = s.Find(dialog);
    if (d != nullptr && !d->ended) {
      PressEscape(dialog);
      d = s.Find(dialog);
      if (d != nullptr && !d->ended) {
        d->ended = true;
        d->endResult = IDCANCEL;
      }
    }
    d = s.Find(dialog);
    result = d != nullptr ? d->endResult : IDCANCEL;
    if (d != nullptr) s.DestroyTree(dialog);
  }
  if (reenable) s.ReenableOwner(parent);
  return result;
}

void SimDesktop::QueueModalScript(std::function<void(HWND dialog)> script) {
  s_->modalScripts.push_back(std::move(script));
}

BOOL SimDesktop::EndDialog(HWND dialog, INT_PTR result) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->isDialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  d->ended = true;
  d->endResult = result;
  // As user32 does, a control of the dialog gives the focus to the dialog
  // itself, and tells the dialog it lost it, before the dialog is hidden.
  if (const Window* f = s.Find(s.focus); f != nullptr && f->IsControl() && f->owner == dialog) {
    s.MoveFocus(dialog);
    d = s.Find(dialog);
    if (d == nullptr) return TRUE;
  }
  s.Hide(*d);
  if (d->modal && d->owner != nullptr) s.ReenableOwner(d->owner);
  return TRUE;
}

std::string SimDesktop::DialogTitleUtf8(HWND dialog) const {
  const Window* d = s_->Find(dialog);
  return d != nullptr ? const_cast<SimDesktop*>(this)->AnsiToUtf8(d->caption) : std::string();
}

// ---- the user on a dialog's controls -------------------------------------------------------------

bool SimDesktop::ClickButton(HWND dialog, int id) {
  State& s = *s_;
  Window* c = s.Usable(dialog, id);
  if (c == nullptr) return false;
  const HWND control = c->hwnd;
  const auto* button = std::get_if<ButtonControl>(&c->control);
  if (std::holds_alternative<StaticControl>(c->control)) {
    if (c->style & SS_NOTIFY) s.Notify(control, STN_CLICKED);
  } else if (button == nullptr || button->type != BS_GROUPBOX) {
    // A mouse click gives the focus first: the control that had it reports
    // losing it before this one reports the click.
    s.MoveFocus(control);
    // A handler that put the focus back elsewhere (a check on leaving a
    // field, with its message box) has taken the click: the button never
    // sees the release.
    auto* b = s.focus == control ? s.ControlOf<ButtonControl>(control) : nullptr;
    if (b != nullptr && s.Find(dialog) != nullptr) {
      if (b->type == BS_AUTOCHECKBOX) {
        b->check = b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      } else if (b->type == BS_AUTO3STATE) {
        b->check = (b->check + 1) % 3;
      } else if (b->type == BS_AUTORADIOBUTTON) {
        // Clears the other automatic radio buttons of its group.
        const auto& cs = s.Find(dialog)->controls;
        auto first = std::find(cs.begin(), cs.end(), control);
        while (first != cs.begin() && !(s.Find(*first)->style & WS_GROUP)) --first;
        for (auto it = first; it != cs.end(); ++it) {
          Window* cw = s.Find(*it);
          if (it != first && (cw->style & WS_GROUP)) break;
          auto* radio = std::get_if<ButtonControl>(&cw->control);
          if (radio != nullptr && radio->type == BS_AUTORADIOBUTTON) radio->check = BST_UNCHECKED;
        }
        b->check = BST_CHECKED;
      }
      s.Notify(control, BN_CLICKED);
    }
  }
  Pump();
  return true;
}

bool SimDesktop::DoubleClickControl(HWND dialog, int id) {
  State& s = *s_;
  Window* c = s.Usable(dialog, id);
  if (c == nullptr) return false;
  const HWND control = c->hwnd;
  if (std::holds_alternative<StaticControl>(c->control)) {
    if (c->style & SS_NOTIFY) {
      s.Notify(control, STN_CLICKED);
      s.Notify(control, STN_DBLCLK);
    }
    Pump();
    return true;
  }
  if (!ClickButton(dialog, id)) return false;
  // The second click of the pair: a notifying or plain radio button reports
  // the double click, other buttons take it as one more click.
  c = s.Usable(dialog, id);
  const auto* b = c != nullptr ? std::get_if<ButtonControl>(&c->control) : nullptr;
  if (b == nullptr) return true;
  if ((c->style & BS_NOTIFY) || b->type == BS_RADIOBUTTON || b->type == BS_OWNERDRAW) {
    s.Notify(control, BN_DOUBLECLICKED);
    Pump();
    return true;
  }
  return ClickButton(dialog, id);
}

bool SimDesktop::FocusControl(HWND dialog, int id) {
  State& s = *s_;
  Window* c = s.Usable(dialog, id);
  if (c == nullptr || std::holds_alternative<StaticControl>(c->control)) return false;
  const auto* b = std::get_if<ButtonControl>(&c->control);
  if (b != nullptr && b->type == BS_GROUPBOX) return false;
  s.MoveFocus(c->hwnd);
  Pump();
  return true;
}

bool SimDesktop::TypeText(HWND dialog, int id, const std::string& textUtf8) {
  State& s = *s_;
  Window* c = s.Usable(dialog, id);
  const auto* combo = c != nullptr ? std::get_if<ComboBoxControl>(&c->control) : nullptr;
  const bool edit = c != nullptr && std::holds_alternative<EditControl>(c->control);
  if (edit ? (c->style & ES_READONLY) != 0 : combo == nullptr || combo->type == CBS_DROPDOWNLIST)
    return false;
  const HWND control = c->hwnd;
  s.MoveFocus(control);
  c = s.Find(control);
  if (c == nullptr) return true;
  c->Text() = Utf8ToAnsi(textUtf8);
  if (edit) {
    s.Notify(control, EN_UPDATE);
    s.Notify(control, EN_CHANGE);
  } else {
    // An edited field matches no list item any more.
    std::get<ComboBoxControl>(c->control).selection = -1;
    s.Notify(control, CBN_EDITUPDATE);
    s.Notify(control, CBN_EDITCHANGE);
  }
  Pump();
  return true;
}

bool SimDesktop::TypeHotKey(HWND dialog, int id, WORD value) {
  State& s = *s_;
  Window* c = s.Usable(dialog, id);
  if (c == nullptr || !std::holds_alternative<HotKeyControl>(c->control)) return false;
  const HWND control = c->hwnd;
  s.MoveFocus(control);
  c = s.Find(control);
  if (c == nullptr) return true;
  std::get<HotKeyControl>(c->control).value = value;
  s.Notify(control, EN_CHANGE);
  Pump();
  return true;
}

bool SimDesktop::SelectComboItem(HWND dialog, int id, int index) {
  State& s = *s_;
  Window* c = s.Usable(dialog, id);
  const auto* combo = c != nullptr ? std::get_if<ComboBoxControl>(&c->control) : nullptr;
  if (combo == nullptr || index < 0 || static_cast<size_t>(index) >= combo->strings.size())
    return false;
  const HWND control = c->hwnd;
  s.MoveFocus(control);
  auto* cb = s.ControlOf<ComboBoxControl>(control);
  if (cb == nullptr || static_cast<size_t>(index) >= cb->strings.size()) return true;
  cb->selection = index;
  // A drop-down list shows the item at once; an edit field takes it only
  // after CBN_SELCHANGE, so a handler reads the item, not the window text.
  if (cb->type == CBS_DROPDOWNLIST) cb->editText = cb->strings[static_cast<size_t>(index)];
  s.Notify(control, CBN_SELCHANGE);
  cb = s.ControlOf<ComboBoxControl>(control);
  if (cb != nullptr && cb->selection >= 0)
    cb->editText = cb->strings[static_cast<size_t>(cb->selection)];
  Pump();
  return true;
}

void SimDesktop::PressEnter(HWND dialog) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->Enabled()) return;
  // The focused push button, else the default one, else IDOK.
  const Window* target = nullptr;
  if (const Window* f = s.Find(s.focus); f != nullptr && f->owner == dialog) {
    const auto* b = std::get_if<ButtonControl>(&f->control);
    if (b != nullptr && b->IsPush()) target = f;
  }
  for (auto it = d->controls.begin(); target == nullptr && it != d->controls.end(); ++it) {
    const auto* b = s.ControlOf<ButtonControl>(*it);
    if (b != nullptr && b->type == BS_DEFPUSHBUTTON) target = s.Find(*it);
  }
  if (target == nullptr) target = s.Find(s.Item(*d, IDOK));
  if (target != nullptr && (!target->Enabled() || !target->Visible())) return;
  const int id = target != nullptr ? target->controlId : IDOK;
  s.Send(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
         reinterpret_cast<LPARAM>(target != nullptr ? target->hwnd : nullptr));
  Pump();
}

void SimDesktop::PressEscape(HWND dialog) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->Enabled()) return;
  s.Send(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
         reinterpret_cast<LPARAM>(s.Item(*d, IDCANCEL)));
  Pump();
}

void SimDesktop::PressCloseBox(HWND dialog) {
  State& s = *s_;
  Window* d = s.Find(dialog);
  if (d == nullptr || !d->Enabled()) return;
  s.Send(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
}

}  // namespace mm::sim
