// List views as the common control keeps them (items with sub-item texts,
// report columns, selection and focus with LVN_ITEMCHANGED, sorted
// insertion, image-list slots it owns unless they are shared; an
// owner-data list keeps a count and each item's state, and asks its owner
// for texts and images), the user's clicks on them, and image lists.
#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "tests/sim/sim_state.h"

namespace mm::sim {

namespace {

// A column's width to fit its texts: 7 pixels a byte and a margin.
int FitWidth(size_t bytes) { return static_cast<int>(bytes) * 7 + 12; }

NMHDR Header(const Window& control, UINT code) {
  return NMHDR{control.hwnd, static_cast<UINT_PTR>(control.controlId), code};
}

bool OwnerData(const Window& w) { return (w.style & LVS_OWNERDATA) != 0; }

}  // namespace

// Asked as comctl32 asks: a buffer of its own, the answer read up to the
// first NUL.
std::string SimDesktop::State::OwnerDataText(HWND list, int index, int subItem) {
  const Window* lv = Find(list);
  if (lv == nullptr) return std::string();
  // 260 characters, as the control asks; in UTF-8 each takes up to 4 bytes.
  constexpr int kChars = 260;
  char buffer[kChars * 4] = {};
  NMLVDISPINFOW info{};
  info.hdr = Header(*lv, LVN_GETDISPINFOW);
  info.item.mask = LVIF_TEXT;
  info.item.iItem = index;
  info.item.iSubItem = subItem;
  info.item.pszText = buffer;
  info.item.cchTextMax = kChars;
  Send(lv->owner, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

int SimDesktop::State::OwnerDataImage(HWND list, int index) {
  const Window* lv = Find(list);
  if (lv == nullptr) return -1;
  NMLVDISPINFOW info{};
  info.hdr = Header(*lv, LVN_GETDISPINFOW);
  info.item.mask = LVIF_IMAGE;
  info.item.iItem = index;
  Send(lv->owner, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
  return info.item.iImage;
}

std::string SimDesktop::State::CellText(HWND list, int index, int subItem) {
  const Window* w = Find(list);
  const auto* lv = ControlOf<ListViewControl>(list);
  if (lv == nullptr || !lv->Valid(index) || subItem < 0) return std::string();
  if (OwnerData(*w)) return OwnerDataText(list, index, subItem);
  const auto& texts = lv->items[static_cast<size_t>(index)].texts;
  return static_cast<size_t>(subItem) < texts.size() ? texts[subItem] : std::string();
}

// LVN_ITEMCHANGED to the list's dialog, sent as the control sends it.
void SimDesktop::State::NotifyItemChanged(HWND list, int index, UINT oldState, UINT newState,
                                          UINT changed, LPARAM param) {
  const Window* lv = Find(list);
  if (lv == nullptr) return;
  NMLISTVIEW nm{Header(*lv, LVN_ITEMCHANGED), index, 0, newState, oldState, changed, {0, 0}, param};
  Send(lv->owner, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

// An item that goes first loses its selection and focus, with the
// notification the control sends for it.
BOOL SimDesktop::State::DeleteListItem(HWND list, int index) {
  auto* lv = ControlOf<ListViewControl>(list);
  if (lv == nullptr || !lv->Valid(index)) return FALSE;
  const ListItem& item = lv->items[static_cast<size_t>(index)];
  const UINT old = item.state;
  const bool hadFocus = (old & LVIS_FOCUSED) != 0;
  if (old & (LVIS_SELECTED | LVIS_FOCUSED)) {
    const UINT now = old & ~(LVIS_SELECTED | LVIS_FOCUSED);
    lv->items[static_cast<size_t>(index)].state = now;
    NotifyItemChanged(list, index, old, now, LVIF_STATE, item.param);
    lv = ControlOf<ListViewControl>(list);
    if (lv == nullptr || !lv->Valid(index)) return TRUE;
  }
  lv->items.erase(lv->items.begin() + index);
  // The focus stays at its place: the item that moves up (or the new last
  // one) takes it, without a notification.
  if (hadFocus && !lv->items.empty()) {
    const size_t next = std::min(static_cast<size_t>(index), lv->items.size() - 1);
    lv->items[next].state |= LVIS_FOCUSED;
  }
  return TRUE;
}

LRESULT SimDesktop::State::ListViewMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND list = w.hwnd;
  auto& lv = std::get<ListViewControl>(w.control);
  const bool report = (w.style & LVS_TYPEMASK) == LVS_REPORT;
  const int column = static_cast<int>(wParam);
  const bool validColumn = report && column >= 0 && static_cast<size_t>(column) < lv.columns.size();
  switch (msg) {
    case LVM_GETITEMCOUNT:
      return static_cast<LRESULT>(lv.items.size());
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(lv.items.begin(), lv.items.end(),
                           [](const ListItem& i) { return (i.state & LVIS_SELECTED) != 0; });
    case LVM_GETNEXTITEM: {
      UINT want = 0;
      if (lParam & LVNI_SELECTED) want |= LVIS_SELECTED;
      if (lParam & LVNI_FOCUSED) want |= LVIS_FOCUSED;
      const int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      for (size_t i = static_cast<size_t>(std::max(start + 1, 0)); i < lv.items.size(); ++i)
        if ((lv.items[i].state & want) == want) return static_cast<LRESULT>(i);
      return -1;
    }
    case LVM_SETITEMCOUNT:
      // Other lists only make room; an owner-data list has that many
      // items, those that stay keeping their state.
      if (OwnerData(w)) lv.items.resize(static_cast<size_t>(wParam));
      return TRUE;
    case LVM_REDRAWITEMS:
      return TRUE;  // nothing is painted; cells are read when asked
    case LVM_DELETEITEM:
      return DeleteListItem(list, static_cast<int>(wParam));
    case LVM_DELETEALLITEMS:
      for (size_t i = 0; i < lv.items.size(); ++i) {
        ListItem& item = lv.items[i];
        const UINT old = item.state;
        if (!(old & (LVIS_SELECTED | LVIS_FOCUSED))) continue;
        item.state = old & ~(LVIS_SELECTED | LVIS_FOCUSED);
        NotifyItemChanged(list, static_cast<int>(i), old, item.state, LVIF_STATE, item.param);
        if (ControlOf<ListViewControl>(list) != &lv) return TRUE;  // gone meanwhile
      }
      lv.items.clear();
      return TRUE;
    case LVM_SETIMAGELIST:
    case LVM_GETIMAGELIST: {
      if (wParam > static_cast<WPARAM>(LVSIL_STATE)) return 0;
      HIMAGELIST& slot = lv.imageLists[wParam];
      const HIMAGELIST previous = slot;
      if (msg == LVM_SETIMAGELIST) slot = reinterpret_cast<HIMAGELIST>(lParam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case LVM_SETCOLUMNWIDTH: {
      if (!validColumn) return FALSE;
      int width = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam)));
      if (width < LVSCW_AUTOSIZE_USEHEADER) width = LVSCW_AUTOSIZE;  // as comctl32 takes it
      if (width < 0) {
        // Measured in ANSI bytes, the widths the tests were written for.
        size_t bytes = width == LVSCW_AUTOSIZE_USEHEADER ? Ansi(lv.columns[column].text).size() : 0;
        // The owner's answers may change the list; the count is read anew.
        for (size_t i = 0; ControlOf<ListViewControl>(list) == &lv && i < lv.items.size(); ++i)
          bytes = std::max(bytes, Ansi(CellText(list, static_cast<int>(i), column)).size());
        if (ControlOf<ListViewControl>(list) != &lv) return FALSE;
        width = FitWidth(bytes);
      }
      lv.columns[column].width = width;
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
      return validColumn ? lv.columns[column].width : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const DWORD previous = lv.extendedStyle;
      const DWORD mask = wParam == 0 ? ~DWORD{0} : static_cast<DWORD>(wParam);
      lv.extendedStyle = (previous & ~mask) | (static_cast<DWORD>(lParam) & mask);
      return previous;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return lv.extendedStyle;
    default:
      return 0;
  }
}

// ---- the program's calls ----------------------------------------------------------------

int SimDesktop::ListViewInsertItemU8(HWND listView, int index, const std::string& textUtf8,
                                     int image) {
  State& s = *s_;
  const std::string text = Utf8ToAnsi(textUtf8);  // the sort key
  Window* w = s.Find(listView);
  auto* lv = s.ControlOf<ListViewControl>(listView);
  if (lv == nullptr || index < 0) return -1;
  size_t at = std::min(static_cast<size_t>(index), lv->items.size());
  if (w->style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
    // The control keeps its items sorted by text and ignores the index; a
    // new item goes before the items that sort equal to it.
    const bool descending = (w->style & LVS_SORTDESCENDING) != 0;
    at = 0;
    while (at < lv->items.size()) {
      int c = s.CompareForSort(s.Ansi(lv->items[at].texts[0]), text);
      if (descending ? c <= 0 : c >= 0) break;
      ++at;
    }
  }
  ListItem item;
  item.texts = {textUtf8};
  item.image = image;
  lv->items.insert(lv->items.begin() + static_cast<long>(at), item);
  return static_cast<int>(at);
}

BOOL SimDesktop::ListViewSetItemTextU8(HWND listView, int index, int subItem,
                                       const std::string& text) {
  auto* lv = s_->ControlOf<ListViewControl>(listView);
  // A sub-item needs its column; the item's own text does not.
  if (lv == nullptr || !lv->Valid(index) || subItem < 0 ||
      (subItem > 0 && static_cast<size_t>(subItem) >= lv->columns.size()))
    return FALSE;
  ListItem& item = lv->items[static_cast<size_t>(index)];
  if (item.texts.size() <= static_cast<size_t>(subItem)) item.texts.resize(subItem + 1);
  if (item.texts[subItem] == text) return TRUE;
  item.texts[subItem] = text;
  // The control reports a new text of the item itself, not of a sub-item.
  if (subItem == 0) s_->NotifyItemChanged(listView, index, 0, 0, LVIF_TEXT, item.param);
  return TRUE;
}

int SimDesktop::ListViewInsertColumnU8(HWND listView, int index, const std::string& text,
                                       int format) {
  auto* lv = s_->ControlOf<ListViewControl>(listView);
  if (lv == nullptr || index < 0) return -1;
  const size_t at = std::min(static_cast<size_t>(index), lv->columns.size());
  // A new column starts 0 pixels wide, as without LVCF_WIDTH.
  lv->columns.insert(lv->columns.begin() + static_cast<long>(at),
                     ListColumn{text, format, 0});
  // Sub-items from that column on move right; an item's own text stays.
  const size_t from = std::max<size_t>(at, 1);
  for (ListItem& item : lv->items)
    if (item.texts.size() > from) item.texts.insert(item.texts.begin() + static_cast<long>(from), "");
  return static_cast<int>(at);
}

BOOL SimDesktop::ListViewSetItemParam(HWND listView, int index, LPARAM param) {
  auto* lv = s_->ControlOf<ListViewControl>(listView);
  if (lv == nullptr || !lv->Valid(index)) return FALSE;
  ListItem& item = lv->items[static_cast<size_t>(index)];
  if (item.param == param) return TRUE;
  item.param = param;
  // The control reports changed item data too, with the new data and no
  // state.
  s_->NotifyItemChanged(listView, index, 0, 0, LVIF_PARAM, param);
  return TRUE;
}

LPARAM SimDesktop::ListViewGetItemParam(HWND listView, int index) {
  const auto* lv = s_->ControlOf<ListViewControl>(listView);
  return lv != nullptr && lv->Valid(index) ? lv->items[static_cast<size_t>(index)].param : 0;
}

std::string SimDesktop::ListViewGetItemText(HWND listView, int index) {
  return s_->Ansi(s_->CellText(listView, index, 0));
}

std::string SimDesktop::ListViewCellUtf8(HWND listView, int index, int subItem) const {
  return s_->CellText(listView, index, subItem);
}

int SimDesktop::ListViewItemImage(HWND listView, int index) const {
  const Window* w = s_->Find(listView);
  const auto* lv = s_->ControlOf<ListViewControl>(listView);
  if (lv == nullptr || !lv->Valid(index)) return -1;
  return OwnerData(*w) ? s_->OwnerDataImage(listView, index)
                       : lv->items[static_cast<size_t>(index)].image;
}

BOOL SimDesktop::ListViewSetDispInfoTextU8(NMLVDISPINFOW* info, const std::string& text) {
  if (info == nullptr || info->hdr.code != LVN_GETDISPINFOW || info->item.pszText == nullptr ||
      info->item.cchTextMax <= 0)
    return FALSE;
  // The simulated lists keep UTF-8, the buffer room for 4 bytes a
  // character; cut to its characters, NUL included, never within a pair.
  const std::string_view cut = Utf8Prefix(text, static_cast<size_t>(info->item.cchTextMax) - 1);
  char* out = static_cast<char*>(info->item.pszText);
  std::copy(cut.begin(), cut.end(), out);
  out[cut.size()] = '\0';
  return TRUE;
}

int SimDesktop::ListViewFindItemByParam(HWND listView, int start, LPARAM param) {
  const auto* lv = s_->ControlOf<ListViewControl>(listView);
  if (lv == nullptr) return -1;
  for (size_t i = static_cast<size_t>(std::max(start + 1, 0)); i < lv->items.size(); ++i)
    if (lv->items[i].param == param) return static_cast<int>(i);
  return -1;
}

UINT SimDesktop::ListViewGetItemState(HWND listView, int index, UINT mask) {
  const auto* lv = s_->ControlOf<ListViewControl>(listView);
  return lv != nullptr && lv->Valid(index) ? lv->items[static_cast<size_t>(index)].state & mask : 0;
}

BOOL SimDesktop::ListViewSetItemState(HWND listView, int index, UINT state, UINT mask) {
  State& s = *s_;
  auto* lv = s.ControlOf<ListViewControl>(listView);
  if (lv == nullptr) return FALSE;
  std::vector<int> targets;
  if (index == -1) {
    for (size_t i = 0; i < lv->items.size(); ++i) targets.push_back(static_cast<int>(i));
  } else if (lv->Valid(index)) {
    targets.push_back(index);
  } else {
    return FALSE;
  }
  const bool single = (s.Find(listView)->style & LVS_SINGLESEL) != 0;
  // Takes `bit` from every other item that has it, each with its
  // notification; false when the handlers took the list or the item away.
  auto takeFromOthers = [&](int i, UINT bit) {
    for (size_t j = 0; j < lv->items.size(); ++j) {
      if (static_cast<int>(j) == i || !(lv->items[j].state & bit)) continue;
      const UINT o = lv->items[j].state;
      lv->items[j].state &= ~bit;
      s.NotifyItemChanged(listView, static_cast<int>(j), o, o & ~bit, LVIF_STATE,
                          lv->items[j].param);
      lv = s.ControlOf<ListViewControl>(listView);
      if (lv == nullptr || !lv->Valid(i)) return false;
    }
    return true;
  };
  for (int i : targets) {
    lv = s.ControlOf<ListViewControl>(listView);  // a handler may have changed the list
    if (lv == nullptr) return FALSE;
    if (!lv->Valid(i)) continue;
    const UINT old = lv->items[static_cast<size_t>(i)].state;
    const UINT now = (old & ~mask) | (state & mask);
    if (now == old) continue;
    // A single-selection list gives up its other selected item first, and
    // only one item carries the focus.
    if (single && (now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && !takeFromOthers(i, LVIS_SELECTED))
      return FALSE;
    if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED) && !takeFromOthers(i, LVIS_FOCUSED))
      return FALSE;
    ListItem& target = lv->items[static_cast<size_t>(i)];
    target.state = now;
    s.NotifyItemChanged(listView, i, old, now, LVIF_STATE, target.param);
  }
  return TRUE;
}

// ---- the user's clicks ------------------------------------------------------------------------

bool SimDesktop::SelectListItems(HWND dialog, int listId, const std::vector<int>& indices) {
  State& s = *s_;
  Window* w = s.Usable(dialog, listId);
  const HWND list = w != nullptr ? w->hwnd : nullptr;
  auto* lv = s.ControlOf<ListViewControl>(list);
  if (lv == nullptr) return false;
  std::vector<int> wanted = indices;
  if ((w->style & LVS_SINGLESEL) && wanted.size() > 1) wanted = {wanted.back()};
  for (int i : wanted)
    if (!lv->Valid(i)) return false;
  s.MoveFocus(list);
  lv = s.ControlOf<ListViewControl>(list);
  if (lv == nullptr) return true;
  const int focus = wanted.empty() ? -1 : wanted.back();
  std::vector<UINT> target(lv->items.size());
  for (size_t i = 0; i < lv->items.size(); ++i) {
    UINT st = lv->items[i].state & ~(LVIS_SELECTED | LVIS_FOCUSED);
    if (std::find(wanted.begin(), wanted.end(), static_cast<int>(i)) != wanted.end())
      st |= LVIS_SELECTED;
    if (static_cast<int>(i) == focus) st |= LVIS_FOCUSED;
    // Without a new focus item the old one keeps the focus.
    if (focus == -1) st |= lv->items[i].state & LVIS_FOCUSED;
    target[i] = st;
  }
  // Items that lose their state first, then those that gain, the focused
  // one last, as a click reports them.
  std::vector<int> order;
  for (size_t i = 0; i < target.size(); ++i)
    if ((lv->items[i].state & ~target[i]) & (LVIS_SELECTED | LVIS_FOCUSED))
      order.push_back(static_cast<int>(i));
  for (size_t i = 0; i < target.size(); ++i)
    if (std::find(order.begin(), order.end(), static_cast<int>(i)) == order.end() &&
        target[i] != lv->items[i].state && static_cast<int>(i) != focus)
      order.push_back(static_cast<int>(i));
  if (focus >= 0 && std::find(order.begin(), order.end(), focus) == order.end() &&
      target[static_cast<size_t>(focus)] != lv->items[static_cast<size_t>(focus)].state)
    order.push_back(focus);
  for (int i : order) {
    lv = s.ControlOf<ListViewControl>(list);
    if (lv == nullptr) return true;
    if (!lv->Valid(i) || static_cast<size_t>(i) >= target.size()) continue;
    ListItem& item = lv->items[static_cast<size_t>(i)];
    const UINT old = item.state;
    const UINT now = (old & ~(LVIS_SELECTED | LVIS_FOCUSED)) |
                     (target[static_cast<size_t>(i)] & (LVIS_SELECTED | LVIS_FOCUSED));
    if (now == old) continue;
    item.state = now;
    s.NotifyItemChanged(list, i, old, now, LVIF_STATE, item.param);
  }
  Pump();
  return true;
}

bool SimDesktop::DoubleClickListItem(HWND dialog, int listId, int index) {
  State& s = *s_;
  Window* w = s.Usable(dialog, listId);
  const HWND list = w != nullptr ? w->hwnd : nullptr;
  const auto* lv = s.ControlOf<ListViewControl>(list);
  if (lv == nullptr || (index != -1 && !lv->Valid(index))) return false;
  if (!SelectListItems(dialog, listId, index == -1 ? std::vector<int>{} : std::vector<int>{index}))
    return false;
  w = s.Find(list);
  lv = s.ControlOf<ListViewControl>(list);
  if (lv == nullptr) return true;
  NMITEMACTIVATE nm{};
  nm.hdr = Header(*w, NM_DBLCLK);
  nm.iItem = index;
  nm.ptAction = {10, 10};
  if (lv->Valid(index)) nm.uNewState = nm.uOldState = lv->items[static_cast<size_t>(index)].state;
  s.Send(dialog, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
  Pump();
  return true;
}

// ---- image lists ------------------------------------------------------------------------------

HIMAGELIST SimDesktop::ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
  (void)flags;
  (void)initial;
  (void)grow;
  if (cx <= 0 || cy <= 0) return nullptr;
  HIMAGELIST h = reinterpret_cast<HIMAGELIST>(s_->nextImageList);
  s_->nextImageList += 4;
  s_->imageLists[h] = {};
  s_->imageListWidths[h] = cx;
  return h;
}

int SimDesktop::ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  auto it = s_->imageLists.find(list);
  if (it == s_->imageLists.end() || icon == nullptr) return -1;
  auto& images = it->second;
  if (index == -1) {
    images.push_back(icon);
    return static_cast<int>(images.size() - 1);
  }
  if (index < 0 || static_cast<size_t>(index) >= images.size()) return -1;
  images[static_cast<size_t>(index)] = icon;
  return index;
}

HICON SimDesktop::ImageListIcon(HIMAGELIST list, int index) const {
  auto it = s_->imageLists.find(list);
  if (it == s_->imageLists.end() || index < 0 || static_cast<size_t>(index) >= it->second.size())
    return nullptr;
  return it->second[static_cast<size_t>(index)];
}

int SimDesktop::ImageListIconWidth(HIMAGELIST list) const {
  auto it = s_->imageListWidths.find(list);
  return it == s_->imageListWidths.end() || s_->imageLists.count(list) == 0 ? 0 : it->second;
}

int SimDesktop::ImageListGetImageCount(HIMAGELIST list) {
  auto it = s_->imageLists.find(list);
  return it == s_->imageLists.end() ? 0 : static_cast<int>(it->second.size());
}

BOOL SimDesktop::ImageListRemove(HIMAGELIST list, int index) {
  auto it = s_->imageLists.find(list);
  if (it == s_->imageLists.end()) return FALSE;
  auto& images = it->second;
  if (index == -1) {
    images.clear();
    return TRUE;
  }
  if (index < 0 || static_cast<size_t>(index) >= images.size()) return FALSE;
  images.erase(images.begin() + index);  // the later images move down
  return TRUE;
}

BOOL SimDesktop::State::DestroyImageList(HIMAGELIST list) {
  if (imageLists.erase(list) != 0) return TRUE;
  if (list != nullptr) ++invalidImageListDestroys;
  return FALSE;
}

BOOL SimDesktop::ImageListDestroy(HIMAGELIST list) { return s_->DestroyImageList(list); }

int SimDesktop::InvalidImageListDestroys() const { return s_->invalidImageListDestroys; }

}  // namespace mm::sim
