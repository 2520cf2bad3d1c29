#include "dialogs/manage_dialog.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "core/exception_box.h"
#include "core/tray_wnd.h"
#include "dialogs/register_dialog.h"
#include "dialogs/rule_editor_logic.h"
#include "dialogs/rule_list_logic.h"
#include "platform/text.h"
#include "platform/window_text.h"
#include "res/resource.h"
#include "res/version.h"
#include "ui/controls.h"

namespace mm {

namespace {

constexpr char kDeleteQuestion[] = "選択中のアイテムを削除します。\n\nよろしいですか？";
constexpr char kRuleNotFound[] = "選択されたアイテムがリストから見つかりません";
constexpr char kDeleteHandler[] = "void CManageDialog::OnButtonDelete()";

constexpr DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;

struct Column {
  const char* header;
  int format;
};

constexpr int kWindowColumnCount = 4;
// What a list view row shows of a text: its display buffer of 260 units.
constexpr std::size_t kListedTitleUnits = 259;
constexpr Column kWindowColumns[kWindowColumnCount] = {
    {"ウインドウ名", LVCFMT_LEFT},
    {"表示状態", LVCFMT_LEFT},
    {"クラス名", LVCFMT_LEFT},
    {"プログラム", LVCFMT_LEFT},
};

constexpr Column kRuleColumnHeaders[kRuleColumns] = {
    {"名称", LVCFMT_LEFT},
    {"ウインドウ名", LVCFMT_LEFT},
    {"クラス名", LVCFMT_LEFT},
    {"プログラム", LVCFMT_LEFT},
    {"最小化時", LVCFMT_CENTER},
    {"トレイアイコン", LVCFMT_CENTER},
    {"最前面に表示", LVCFMT_CENTER},
    {"", LVCFMT_CENTER},
};

template <std::size_t N>
void InsertColumns(HWND list, const Column (&columns)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    Os().ListViewInsertColumnU8(list, static_cast<int>(i), columns[i].header, columns[i].format);
  }
  // Added to the styles the list has.
  ui::ListViewSetExtendedStyle(list, kListStyles, kListStyles);
}

// Wine's list view makes a column a pixel narrower than its header needs
// to draw the title whole, and the header then cuts the title short. The
// last column fills the rest of the list and needs no slack.
constexpr int kHeaderSlack = 4;

void FitColumns(HWND list, int first, int last, int count) {
  for (int column = first; column <= last; ++column) {
    ui::ListViewSetColumnWidth(list, column, LVSCW_AUTOSIZE_USEHEADER);
    if (column == count - 1) continue;
    ui::ListViewSetColumnWidth(list, column, ui::ListViewColumnWidth(list, column) + kHeaderSlack);
  }
}

// The icon search of one re-search, first found wins: the class's small
// icon, WM_GETICON small, the class's icon, WM_GETICON big. Questions to
// another program are bounded, and a program that let one go unanswered is
// not asked again during this search (its other windows included).
class IconSearch {
 public:
  HICON Find(HWND window) {
    Platform& os = Os();
    if (HICON icon = os.GetClassIcon(window, GCL_HICONSM)) return icon;
    const DWORD thread = os.GetWindowThreadProcessId(window, nullptr);
    if (HICON icon = Ask(window, thread, ICON_SMALL)) return icon;
    if (HICON icon = os.GetClassIcon(window, GCL_HICON)) return icon;
    return Ask(window, thread, ICON_BIG);
  }

 private:
  HICON Ask(HWND window, DWORD thread, WPARAM which) {
    if (silent_.count(thread) != 0) return nullptr;
    DWORD_PTR answer = 0;
    if (!Os().SendMessageTimeoutA(window, WM_GETICON, which, 0, SMTO_ABORTIFHUNG,
                                  CTrayWnd::kIconTimeoutMs, &answer)) {
      silent_.insert(thread);
      return nullptr;
    }
    return reinterpret_cast<HICON>(answer);
  }

  std::set<DWORD> silent_;
};

BOOL CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return 1;
}

std::string CellUtf8(const RuleCell& cell) {
  return cell.ansi ? Os().AnsiToUtf8(cell.text) : cell.text;
}

// Redrawing a list is put off while it is refilled. (The list's own
// WM_SETREDRAW spares the flicker that locking the whole dialog would.)
class RedrawOff {
 public:
  explicit RedrawOff(HWND list) : list_(list) { ui::SetRedraw(list_, false); }
  ~RedrawOff() {
    ui::SetRedraw(list_, true);
    Os().InvalidateRect(list_, nullptr, 1);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND list_;
};

}  // namespace

CManageDialog::CManageDialog(TraySpecList& rules)
    : CDialog(IDD_MANAGE_DIALOG), rules_(rules), DialogIcon(Os().LoadAppIcon(IDI_MORIMO)),
      DialogSmallIcon(Os().LoadAppSmallIcon(IDI_MORIMO)) {
  OnClicked(IDC_BUTTON_RESEARCH, [this] { OnButtonReSearch(); });
  OnClicked(IDC_BUTTON_SHOW, [this] { OnButtonShow(); });
  OnClicked(IDC_BUTTON_HIDE, [this] { OnButtonHide(); });
  OnClicked(IDC_BUTTON_EDIT, [this] { OnButtonEdit(); });
  OnClicked(IDC_BUTTON_DELETE, [this] { OnButtonDelete(); });
  for (int list : {IDC_LIST_TOPLEVEL, IDC_LIST_RULES}) {
    OnNotify(list, LVN_ITEMCHANGED, [this](const NMHDR* hdr) { return OnItemChanged(hdr); });
  }
  OnNotify(IDC_LIST_TOPLEVEL, LVN_GETDISPINFOW,
           [this](const NMHDR* hdr) { return OnWindowListDispInfo(hdr); });
  OnNotify(IDC_LIST_TOPLEVEL, NM_DBLCLK, [this](const NMHDR*) { return OnWindowListDblClk(); });
  OnNotify(IDC_LIST_RULES, NM_DBLCLK, [this](const NMHDR*) { return OnRuleListDblClk(); });
}

HWND CManageDialog::WindowList() const { return Item(IDC_LIST_TOPLEVEL); }
HWND CManageDialog::RuleList() const { return Item(IDC_LIST_RULES); }

int CManageDialog::SelectedRow(HWND list) const {
  return ui::ListViewNextItem(list, -1, LVNI_SELECTED);
}

HWND CManageDialog::SelectedWindow() const {
  const int row = SelectedRow(WindowList());
  if (row < 0 || static_cast<size_t>(row) >= windowRows_.size()) return nullptr;
  return windowRows_[static_cast<size_t>(row)].window;
}

int CManageDialog::WindowRow(HWND window) const {
  for (size_t row = 0; row < windowRows_.size(); ++row) {
    if (windowRows_[row].window == window) return static_cast<int>(row);
  }
  return -1;
}

CTrayWndSpec* CManageDialog::SelectedRule() const {
  const int row = SelectedRow(RuleList());
  if (row < 0) return nullptr;
  const LPARAM param = Os().ListViewGetItemParam(RuleList(), row);
  return FindRule(rules_, reinterpret_cast<const void*>(param));
}

// ---- Opening and the lists ----------------------------------------------------------

BOOL CManageDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  const HWND self = Hwnd();
  Os().SendMessageToOwnWindow(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(DialogIcon));
  Os().SendMessageToOwnWindow(self, WM_SETICON, ICON_SMALL,
                              reinterpret_cast<LPARAM>(DialogSmallIcon));

  // At the small icon size of the screen's DPI: 16 pixels stay small
  // beside rows whose text grows with it.
  ImageList = Os().ImageListCreate(Os().GetSystemMetrics(SM_CXSMICON),
                                   Os().GetSystemMetrics(SM_CYSMICON), ILC_COLOR32 | ILC_MASK, 50,
                                   100);
  ui::ListViewSetImageList(WindowList(), ImageList, LVSIL_SMALL);

  InsertColumns(WindowList(), kWindowColumns);
  FitColumns(WindowList(), 0, kWindowColumnCount - 1, kWindowColumnCount);
  InsertColumns(RuleList(), kRuleColumnHeaders);
  FitColumns(RuleList(), 0, 4, kRuleColumns);
  RefreshRuleList();

  Os().SetFocus(Item(IDC_BUTTON_RESEARCH));
  OnButtonReSearch();
  // The focus stays on "再検索(&F)".
  return 0;
}

void CManageDialog::DoDataExchange(CDataExchange& dx) {
  dx.Check(IDC_CHECK_UNNAMED, ShowUnnamedWindows);
  dx.Check(IDC_CHECK_HIDDEN, ShowHiddenWindows);
}

void CManageDialog::OnButtonReSearch() {
  UpdateData(true);
  const HWND list = WindowList();
  // Drawn once, when its count and columns are set.
  RedrawOff quiet(list);
  // Emptied first: a count set over the old one would leave the old
  // selection on whichever window now has its row.
  ui::ListViewDeleteAllItems(list);
  windowRows_.clear();
  Os().ImageListRemove(ImageList, -1);

  std::vector<HWND> windows;
  Os().EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  const WindowFilter filter{ShowHiddenWindows, ShowUnnamedWindows};
  IconSearch icons;
  // One question a process, however many windows it has.
  struct Program {
    std::string nameUtf8;
    bool above = false;  // runs with more rights than we have
  };
  std::map<DWORD, Program> programs;
  const int ownLevel = Os().ProcessIntegrityLevel(Os().GetCurrentProcessId());
  for (HWND window : windows) {
    const bool visible = Os().IsWindowVisible(window) != 0;
    if (!filter.ListsVisibility(visible)) continue;
    const std::string title = ListedWindowCaption(window);
    if (!filter.ListsTitle(title)) continue;
    const HICON icon = icons.Find(window);
    int image = icon != nullptr ? Os().ImageListReplaceIcon(ImageList, -1, icon) : -1;
    // -1 would ask the dialog for the picture; a window without an icon
    // has none.
    if (image < 0) image = I_IMAGENONE;
    DWORD processId = 0;
    Os().GetWindowThreadProcessId(window, &processId);
    auto [program, added] = programs.try_emplace(processId);
    if (added && processId != 0) {
      std::string path;
      if (Os().QueryFullProcessImageNameA(processId, &path)) {
        program->second.nameUtf8 = Os().AnsiToUtf8(std::string(ProgramFileName(path)));
      }
      program->second.above = ownLevel >= 0 && Os().ProcessIntegrityLevel(processId) > ownLevel;
    }
    // Shown as the window shows it; the search above matched the ANSI bytes.
    // No more than a row shows is kept (a title may be megabytes long), and
    // the words for a protected window always fit after it.
    const std::string words = program->second.above ? CTrayWnd::ProtectedWordsUtf8() : "";
    std::string captionUtf8(
        Utf8Prefix(Os().GetWindowTextU8(window), kListedTitleUnits - Utf16Units(words)));
    captionUtf8 += words;
    windowRows_.push_back(WindowRowData{window, captionUtf8, WindowStateText(visible),
                                        Os().AnsiToUtf8(WindowClassName(window)),
                                        program->second.nameUtf8, image});
  }
  Os().SendMessageToOwnWindow(list, LVM_SETITEMCOUNT, windowRows_.size(), LVSICF_NOSCROLL);
  FitColumns(list, 0, kWindowColumnCount - 1, kWindowColumnCount);
  UpdateData(false);
  UpdateButtons();
}

LRESULT CManageDialog::OnWindowListDispInfo(const NMHDR* hdr) {
  // The notification comes from our own list (the dialog layer drops
  // another program's), so its record is the control's own.
  auto* info = const_cast<NMLVDISPINFOW*>(reinterpret_cast<const NMLVDISPINFOW*>(hdr));
  const int row = info->item.iItem;
  if (row < 0 || static_cast<size_t>(row) >= windowRows_.size()) return 0;
  const WindowRowData& data = windowRows_[static_cast<size_t>(row)];
  if ((info->item.mask & LVIF_IMAGE) != 0 && info->item.iSubItem == 0) {
    info->item.iImage = data.image;
  }
  const std::string* columns[] = {&data.captionUtf8, &data.stateUtf8, &data.classNameUtf8,
                                  &data.programUtf8};
  const int column = info->item.iSubItem;
  if ((info->item.mask & LVIF_TEXT) != 0 && column >= 0 && column < kWindowColumnCount) {
    Os().ListViewSetDispInfoTextU8(info, *columns[column]);
  }
  return 0;
}

void CManageDialog::RefreshRuleList() {
  const HWND list = RuleList();
  {
    RedrawOff quiet(list);
    ui::ListViewDeleteAllItems(list);
    for (const auto& rule : rules_) {
      const auto cells = RuleRowCells(*rule);
      const int row =
          Os().ListViewInsertItemU8(list, ui::ListViewItemCount(list), CellUtf8(cells[0]), I_IMAGENONE);
      if (row < 0) continue;
      Os().ListViewSetItemParam(list, row, reinterpret_cast<LPARAM>(rule.get()));
      for (int column = 1; column < kRuleColumns - 1; ++column) {
        Os().ListViewSetItemTextU8(list, row, column, CellUtf8(cells[column]));
      }
    }
    // Before any rule is listed, the columns keep the widths of their headers.
    if (!rules_.empty()) FitColumns(list, 0, kRuleColumns - 1, kRuleColumns);
  }
  UpdateButtons();
}

void CManageDialog::UpdateButtons() {
  const HWND window = SelectedWindow();
  const bool windowSelected = SelectedRow(WindowList()) >= 0;
  const bool visible = windowSelected && Os().IsWindowVisible(window) != 0;
  const ManageButtonStates states =
      ManageButtons(windowSelected, visible, SelectedRow(RuleList()) >= 0);
  Os().EnableWindow(Item(IDOK), states.add ? 1 : 0);
  Os().EnableWindow(Item(IDC_BUTTON_SHOW), states.show ? 1 : 0);
  Os().EnableWindow(Item(IDC_BUTTON_HIDE), states.hide ? 1 : 0);
  Os().EnableWindow(Item(IDC_BUTTON_EDIT), states.edit ? 1 : 0);
  Os().EnableWindow(Item(IDC_BUTTON_DELETE), states.remove ? 1 : 0);
}

LRESULT CManageDialog::OnItemChanged(const NMHDR* hdr) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
  if ((change->uChanged & LVIF_STATE) != 0) UpdateButtons();
  return 0;
}

LRESULT CManageDialog::OnWindowListDblClk() {
  if (SelectedRow(WindowList()) >= 0) AddRuleForWindow(SelectedWindow());
  return 0;
}

LRESULT CManageDialog::OnRuleListDblClk() {
  if (SelectedRow(RuleList()) >= 0) OnButtonEdit();
  return 0;
}

// ---- Closing and adding --------------------------------------------------------------

void CManageDialog::OnOK() { AddRuleForWindow(SelectedWindow()); }

void CManageDialog::OnCancel() {
  UpdateData(true);
  EndDialog(IDOK);
}

void CManageDialog::AddRuleForWindow(HWND window) {
  if (window == nullptr) return;
  CRegisterDialog editor;
  ReadWindowCaption(window, &editor.Rule.Caption);
  editor.Rule.UserName = editor.Rule.Caption;
  editor.Rule.ClassName = WindowClassName(window);
  editor.Rule.ExeName = std::string(ProgramFileName(WindowProgramPath(window)));
  // Rules see the ANSI caption, where a character the code page lacks is a
  // "?": the caption's "?" beyond the title's own (a letter mapped to its
  // nearest, é to e, is no loss). Such characters often come and go (a
  // status emoji), so the test is put on the part without them.
  auto marks = [](const std::string& text) { return std::count(text.begin(), text.end(), '?'); };
  if (marks(Os().AnsiToUtf8(editor.Rule.Caption)) > marks(Os().GetWindowTextU8(window))) {
    const std::string part = PartWithoutLostCharacters(editor.Rule.Caption);
    if (!part.empty() && part != editor.Rule.Caption) {
      editor.Rule.Caption = part;
      editor.Rule.UserName = part;  // a name of "?" marks reads as a fault
      editor.Rule.CaptionMatchType = CaptionMatch::Contains;
      editor.NoteUtf8 =
          "タイトルにこのシステムの文字コードで表せない文字があり「?」として比べられるため、"
          "それを含まない部分「を含む」で比べます。";
    } else if (part.empty()) {
      editor.NoteUtf8 =
          "タイトルの文字がこのシステムの文字コードで表せず「?」として比べられます。"
          "クラス名かプログラム名で比べてください。";
    }
  }
  const StableClassPart stable = StablePartOfClass(editor.Rule.ClassName);
  if (!stable.prefix.empty()) {
    editor.Rule.ClassName = stable.prefix;
    editor.Rule.ClassMatchType = CaptionMatch::StartsWith;
    editor.NoteUtf8 += "クラス名の一部が起動のたびに変わるため、変わらない部分「で始まる」で比べます。";
    if (stable.wantsProgram && !editor.Rule.ExeName.empty()) {
      editor.Rule.UseExeName = 1;
      editor.NoteUtf8 += "ほかのプログラムと区別するため、プログラム名も使います。";
    }
  }
  if (editor.DoModal(Hwnd()) != IDOK) return;
  AppendRule(rules_, editor.Rule);
  RefreshRuleList();
}

// ---- Rules ------------------------------------------------------------------------------

void CManageDialog::OnButtonEdit() {
  CTrayWndSpec* rule = SelectedRule();
  if (rule == nullptr) return;
  CRegisterDialog editor;
  CopyRuleFields(*rule, editor.Rule);
  if (editor.DoModal(Hwnd()) != IDOK) return;
  // Changed in place: managed windows that use it see the new values.
  if (FindRule(rules_, rule) == nullptr) return;
  CopyRuleFields(editor.Rule, *rule);
  RefreshRuleList();
}

void CManageDialog::OnButtonDelete() {
  const HWND list = RuleList();
  const int row = SelectedRow(list);
  if (row < 0) return;
  const auto* rule = reinterpret_cast<const CTrayWndSpec*>(Os().ListViewGetItemParam(list, row));
  if (Os().MessageBoxU8(Hwnd(), kDeleteQuestion, MORIMO_PRODUCT_NAME, MB_YESNO | MB_ICONQUESTION) !=
      IDYES) {
    return;
  }
  try {
    const HWND manager = Os().GetParent(Hwnd());
    // Sent, not posted: the manager lets go of every window that uses the
    // rule before the rule is destroyed.
    const bool deleted = DeleteRule(rules_, rule, [manager](CTrayWndSpec* doomed) {
      Os().SendMessageToOwnWindow(manager, WMA_TRAYSPEC_DELETED, reinterpret_cast<WPARAM>(doomed),
                                  0);
    });
    if (!deleted) {
      Os().MessageBoxU8(Hwnd(), kRuleNotFound, MORIMO_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
      return;
    }
    ui::ListViewDeleteItem(list, row);
  } catch (...) {
    ShowExceptionBox(Hwnd(), kDeleteHandler);
  }
  UpdateButtons();
}

// ---- Show and hide ------------------------------------------------------------------------

void CManageDialog::OnButtonShow() { AskShowState(true); }
void CManageDialog::OnButtonHide() { AskShowState(false); }

void CManageDialog::AskShowState(bool show) {
  const HWND window = SelectedWindow();
  if (window != nullptr && (Os().IsWindowVisible(window) != 0) != show) {
    Os().ShowWindowAsync(window, show ? SW_SHOW : SW_HIDE);
    SetStateCell(window);
    if ((Os().IsWindowVisible(window) != 0) != show) {
      asked_.emplace_back(window, show);
      showStateRoundsLeft_ = kShowStateRounds;
      Os().SetTimer(Hwnd(), kShowStateTimer, kShowStatePeriodMs);
    }
  }
  UpdateButtons();
}

void CManageDialog::SetStateCell(HWND window) {
  const int row = WindowRow(window);
  if (row < 0) return;
  windowRows_[static_cast<size_t>(row)].stateUtf8 =
      WindowStateText(Os().IsWindowVisible(window) != 0);
  Os().SendMessageToOwnWindow(WindowList(), LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

void CManageDialog::RefreshAskedRows() {
  for (auto it = asked_.begin(); it != asked_.end();) {
    SetStateCell(it->first);
    const bool done = !Os().IsWindow(it->first) ||
                      (Os().IsWindowVisible(it->first) != 0) == it->second;
    it = done ? asked_.erase(it) : it + 1;
  }
  UpdateButtons();
  // A program that has not done it by now may be hung: its row says what
  // its window shows, and the next search looks again.
  if (asked_.empty() || --showStateRoundsLeft_ <= 0) {
    asked_.clear();
    Os().KillTimer(Hwnd(), kShowStateTimer);
  }
}

bool CManageDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT*) {
  const POINT at{static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam))),
                 static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lParam)))};
  switch (msg) {
    case WM_TIMER:
      if (wParam != kShowStateTimer) return false;
      RefreshAskedRows();
      return true;
    // The picker's messages go on to the default processing.
    case WM_LBUTTONDOWN:
      OnPickerButtonDown(at);
      return false;
    case WM_MOUSEMOVE:
      OnPickerMouseMove();
      return false;
    case WM_LBUTTONUP:
      OnPickerButtonUp(at);
      return false;
    default:
      return false;
  }
}

}  // namespace mm
