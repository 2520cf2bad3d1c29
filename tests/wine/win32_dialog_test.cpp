// The Win32 backend's dialog layer on real dialogs: the thunk that hands
// every message to its host, the message loop's dialog keys, UTF-8 texts
// through the wide API, and list views fed with ANSI bytes.
#include "tests/wine/win32_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ui/controls.h"

namespace mm::win32test {
namespace {

class Win32DialogTest : public ::testing::Test {
 protected:
  // The typed control helpers reach the controls through Os().
  Win32DialogTest() { SetOs(&os_); }
  void TearDown() override {
    if (dialog_ && ::IsWindow(W(dialog_))) os_.DestroyWindow(dialog_);
    SetOs(nullptr);
  }
  mm::HWND Create(RecordingHost* host) {
    dialog_ = os_.CreateDialogIndirectU8(template_.Data(), nullptr, host);
    return dialog_;
  }

  Win32Platform os_;
  TestTemplate template_;
  mm::HWND dialog_ = nullptr;
};

TEST_F(Win32DialogTest, HostGetsInitDialogFirstThenEveryMessageUntilTheWindowEnds) {
  RecordingHost host;
  const int before = os_.ModelessDialogCount();
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  // WM_SETFONT and the creation messages come before the host is known.
  ASSERT_FALSE(host.seen.empty());
  EXPECT_EQ(host.seen.front().msg, static_cast<UINT>(WM_INITDIALOG));
  EXPECT_EQ(os_.ModelessDialogCount(), before + 1);

  // A click on the automatic check box: checked, and the host hears of it.
  ::SendMessageW(::GetDlgItem(W(dialog), kCheckId), BM_CLICK, 0, 0);
  EXPECT_TRUE(host.SawCommand(kCheckId));
  EXPECT_EQ(os_.IsDlgButtonChecked(dialog, kCheckId), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(os_.GetDlgCtrlID(os_.GetDlgItem(dialog, kCheckId)), kCheckId);

  EXPECT_TRUE(os_.DestroyWindow(dialog));
  EXPECT_EQ(host.Count(WM_DESTROY), 1);
  EXPECT_EQ(os_.ModelessDialogCount(), before);
}

TEST_F(Win32DialogTest, HandledResultsReachTheSenderTheWayEachMessageReportsThem) {
  RecordingHost host;
  host.onMessage = [](mm::HWND, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg == WM_NOTIFY) *result = 42;                   // through DWLP_MSGRESULT
    else if (msg == WM_CTLCOLORSTATIC) *result = 0x1234;  // returned directly
    else return false;
    return true;
  };
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  ::NMHDR header{W(os_.GetDlgItem(dialog, kListId)), kListId, NM_CLICK};
  EXPECT_EQ(::SendMessageW(W(dialog), WM_NOTIFY, kListId, reinterpret_cast<::LPARAM>(&header)),
            42);
  EXPECT_EQ(::SendMessageW(W(dialog), WM_CTLCOLORSTATIC, 0, 0), 0x1234);
}

TEST_F(Win32DialogTest, AnExceptionInTheHostStaysInsideTheDialogProcedure) {
  RecordingHost host;
  host.onMessage = [](mm::HWND, UINT msg, WPARAM, LPARAM, LRESULT*) -> bool {
    if (msg == WM_COMMAND) throw std::runtime_error("handler failed");
    return false;
  };
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  ::SendMessageW(W(dialog), WM_COMMAND, MAKEWPARAM(kCheckId, BN_CLICKED), 0);
  ::SendMessageW(W(dialog), WM_COMMAND, MAKEWPARAM(kCheckId, BN_CLICKED), 0);
  EXPECT_TRUE(::IsWindow(W(dialog)));
  EXPECT_EQ(host.Count(WM_COMMAND), 2);
}

TEST_F(Win32DialogTest, ModalDialogHandlesEnterAndReturnsTheEndDialogValue) {
  RecordingHost host;
  host.onMessage = [this](mm::HWND dialog, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
    if (msg == WM_INITDIALOG) {
      // The user presses Enter: the dialog's own loop turns it into IDOK.
      ::PostMessageW(::GetDlgItem(W(dialog), kCheckId), WM_KEYDOWN, VK_RETURN, 0);
      return false;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
      os_.EndDialog(dialog, 77);
      return true;
    }
    return false;
  };
  EXPECT_EQ(os_.DialogBoxIndirectU8(template_.Data(), nullptr, &host), 77);
}

TEST_F(Win32DialogTest, MessageLoopGivesModelessDialogsTheirKeys) {
  RecordingHost host;
  host.onMessage = [](mm::HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) ::PostQuitMessage(5);
    if (msg == WM_TIMER) ::PostQuitMessage(-1);  // the key never arrived
    return false;
  };
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  os_.SetTimer(dialog, 1, 5000);
  // Escape on a button means nothing to the button; only IsDialogMessage
  // makes it the dialog's IDCANCEL.
  ::PostMessageW(::GetDlgItem(W(dialog), IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(os_.RunMessageLoop(), 5);
  os_.KillTimer(dialog, 1);
}

TEST_F(Win32DialogTest, MissingResourcesFailQuietly) {
  RecordingHost host;
  const int before = os_.ModelessDialogCount();
  EXPECT_EQ(os_.CreateDialogU8(4242, nullptr, &host), nullptr);
  EXPECT_EQ(os_.DialogBoxU8(4242, nullptr, &host), -1);
  EXPECT_EQ(os_.LoadStringU8(4242), "");
  EXPECT_EQ(os_.LoadAppIcon(4242), nullptr);
  EXPECT_EQ(os_.ModelessDialogCount(), before);
  EXPECT_TRUE(host.seen.empty());
}

TEST_F(Win32DialogTest, OurUtf8TextsReachTheScreenAsUnicode) {
  RecordingHost host;
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  const std::string title = "MoriMo \xE8\xA8\xAD\xE5\xAE\x9A";  // "MoriMo 設定"
  ASSERT_TRUE(os_.SetWindowTextU8(dialog, title));
  wchar_t wide[64] = {};
  ::GetWindowTextW(W(dialog), wide, 64);
  EXPECT_EQ(std::wstring(wide), L"MoriMo \u8A2D\u5B9A");
  EXPECT_EQ(os_.GetWindowTextU8(dialog), title);

  mm::HMENU menu = os_.GetSystemMenu(dialog, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(os_.AppendMenuU8(menu, MF_SEPARATOR, 0, ""));
  EXPECT_TRUE(os_.AppendMenuU8(menu, MF_STRING, 0x110, "\xE6\x83\x85\xE5\xA0\xB1"));  // "情報"
  ::GetMenuStringW(reinterpret_cast<::HMENU>(menu), 0x110, wide, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(wide), L"\u60C5\u5831");

  ::HWND combo = W(os_.GetDlgItem(dialog, kComboId));
  EXPECT_EQ(os_.ComboBoxAddStringU8(M(combo), "\xE6\x83\x85\xE5\xA0\xB1"), 0);
  ::SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<::LPARAM>(wide));
  EXPECT_EQ(std::wstring(wide), L"\u60C5\u5831");

  // A report column's header and a sub-item of ours ("設定" twice).
  mm::HWND list = os_.GetDlgItem(dialog, kListId);
  ASSERT_EQ(os_.ListViewInsertColumnU8(list, 0, "\xE8\xA8\xAD\xE5\xAE\x9A", LVCFMT_LEFT), 0);
  ASSERT_EQ(os_.ListViewInsertColumnU8(list, 1, "", LVCFMT_LEFT), 1);
  ::LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = wide;
  column.cchTextMax = 64;
  ::SendMessageW(W(list), LVM_GETCOLUMNW, 0, reinterpret_cast<::LPARAM>(&column));
  EXPECT_EQ(std::wstring(wide), L"\u8A2D\u5B9A");
  ASSERT_EQ(os_.ListViewInsertItemU8(list, 0, "item", 0), 0);
  EXPECT_TRUE(os_.ListViewSetItemTextU8(list, 0, 1, "\xE8\xA8\xAD\xE5\xAE\x9A"));
  ::LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = wide;
  item.cchTextMax = 64;
  ::SendMessageW(W(list), LVM_GETITEMTEXTW, 0, reinterpret_cast<::LPARAM>(&item));
  EXPECT_EQ(std::wstring(item.pszText), L"\u8A2D\u5B9A");
}

TEST_F(Win32DialogTest, ColumnsInsertedWithoutAWidthAutosizeToTheirHeaders) {
  RecordingHost host;
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  mm::HWND list = os_.GetDlgItem(dialog, kListId);
  ASSERT_EQ(os_.ListViewInsertColumnU8(list, 0, "Window caption", LVCFMT_LEFT), 0);
  ASSERT_EQ(os_.ListViewInsertColumnU8(list, 1, "Count", LVCFMT_RIGHT), 1);
  ASSERT_EQ(os_.ListViewInsertItemU8(list, 0, "x", 0), 0);
  EXPECT_TRUE(os_.ListViewSetItemTextU8(list, 0, 1, "7"));

  EXPECT_TRUE(ui::ListViewSetColumnWidth(list, 0, LVSCW_AUTOSIZE_USEHEADER));
  const int headerText = static_cast<int>(::SendMessageW(
      W(list), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<::LPARAM>(L"Window caption")));
  EXPECT_GE(ui::ListViewColumnWidth(list, 0), headerText);
  ::LVCOLUMNW column{};
  column.mask = LVCF_FMT;
  ::SendMessageW(W(list), LVM_GETCOLUMNW, 1, reinterpret_cast<::LPARAM>(&column));
  EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
}

TEST_F(Win32DialogTest, AnsiBytesInAnEditFieldReadBackAndShowInTheirCodePage) {
  RecordingHost host;
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  mm::HWND edit = os_.GetDlgItem(dialog, kEditId);
  // A rule's caption as another program's window has it.
  const std::string caption = os_.Utf8ToAnsi("\xE3\x83\xA1\xE3\x83\xA2 - \xE6\x97\xA5");
  ASSERT_TRUE(os_.SetWindowTextA(edit, caption));
  char bytes[64] = {};
  EXPECT_EQ(os_.GetWindowTextA(edit, bytes, sizeof(bytes)), static_cast<int>(caption.size()));
  EXPECT_EQ(std::string(bytes), caption);
  if (::GetACP() == 932) {  // shown as "メモ - 日", not as its bytes
    EXPECT_EQ(os_.GetWindowTextU8(edit), "\xE3\x83\xA1\xE3\x83\xA2 - \xE6\x97\xA5");
  }
}

// The user answers the box whose caption is "確認" (found by its Unicode
// caption) with No.
void CALLBACK AnswerNo(::HWND, ::UINT, ::UINT_PTR, ::DWORD) {
  if (::HWND box = ::FindWindowW(L"#32770", L"\u78BA\u8A8D")) {
    ::PostMessageW(box, WM_COMMAND, IDNO, 0);
  }
}

TEST_F(Win32DialogTest, MessageBoxShowsOurTextsAndReturnsTheAnswer) {
  // A thread timer keeps firing inside the box's own loop until answered;
  // a second one gives up, should the box never be found.
  ::UINT_PTR answer = ::SetTimer(nullptr, 0, 50, AnswerNo);
  ::UINT_PTR giveUp = ::SetTimer(nullptr, 0, 5000, [](::HWND, ::UINT, ::UINT_PTR, ::DWORD) {
    if (::HWND box = ::GetActiveWindow()) ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  const std::string text = "\xE7\xB5\x82\xE4\xBA\x86\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x99"
                           "\xE3\x81\x8B";  // "終了しますか"
  const std::string caption = "\xE7\xA2\xBA\xE8\xAA\x8D";  // "確認"
  const int chosen = os_.MessageBoxU8(nullptr, text, caption, MB_YESNO | MB_ICONQUESTION);
  ::KillTimer(nullptr, answer);
  ::KillTimer(nullptr, giveUp);
  EXPECT_EQ(chosen, IDNO);
}

TEST_F(Win32DialogTest, ListViewKeepsAnsiTextsParamsAndSelection) {
  RecordingHost host;
  std::vector<::NMLISTVIEW> changes;
  host.onMessage = [&changes](mm::HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg == WM_NOTIFY && reinterpret_cast<::NMHDR*>(lParam)->code == LVN_ITEMCHANGED) {
      changes.push_back(*reinterpret_cast<::NMLISTVIEW*>(lParam));
    }
    return false;
  };
  mm::HWND dialog = Create(&host);
  ASSERT_NE(dialog, nullptr);
  mm::HWND list = os_.GetDlgItem(dialog, kListId);
  ::LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 200;
  ::SendMessageW(W(list), LVM_INSERTCOLUMNW, 0, reinterpret_cast<::LPARAM>(&column));

  mm::HIMAGELIST images = os_.ImageListCreate(32, 32, ILC_COLOR32 | ILC_MASK, 50, 100);
  ASSERT_NE(images, nullptr);
  mm::HICON icon = M(::LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_EQ(os_.ImageListReplaceIcon(images, -1, icon), 0);  // -1 appends
  EXPECT_EQ(os_.ImageListReplaceIcon(images, -1, icon), 1);
  EXPECT_EQ(ui::ListViewSetImageList(list, images, LVSIL_SMALL), nullptr);
  EXPECT_EQ(ui::ListViewSetImageList(list, images, LVSIL_SMALL), images);

  // Another program's title, beyond any ANSI code page, and one longer
  // than the first read buffer.
  const std::string title = "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5";  // "日本 🎵"
  const std::string longText(700, 'x');
  EXPECT_EQ(os_.ListViewInsertItemU8(list, 9999, title, 1), 0);
  EXPECT_EQ(os_.ListViewInsertItemU8(list, 9999, longText, 0), 1);
  EXPECT_EQ(os_.ListViewInsertItemU8(list, 0, "first", 0), 0);
  ASSERT_EQ(ui::ListViewItemCount(list), 3);
  EXPECT_EQ(os_.ListViewGetItemText(list, 2), longText);
  wchar_t wide[16] = {};
  ::LVITEMW item{};
  item.pszText = wide;
  item.cchTextMax = 16;
  ::SendMessageW(W(list), LVM_GETITEMTEXTW, 1, reinterpret_cast<::LPARAM>(&item));
  EXPECT_EQ(std::wstring(item.pszText), L"\u65E5\u672C \U0001F3B5");

  const LPARAM big = static_cast<LPARAM>(0x123456789ALL);
  EXPECT_TRUE(os_.ListViewSetItemParam(list, 2, big));
  EXPECT_TRUE(os_.ListViewSetItemParam(list, 1, 7));
  EXPECT_EQ(os_.ListViewGetItemParam(list, 2), big);
  EXPECT_EQ(os_.ListViewFindItemByParam(list, -1, big), 2);
  EXPECT_EQ(os_.ListViewFindItemByParam(list, 2, big), -1);  // searched after the start
  EXPECT_EQ(os_.ListViewFindItemByParam(list, -1, 99), -1);

  changes.clear();
  EXPECT_TRUE(os_.ListViewSetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED));
  EXPECT_TRUE(os_.ListViewSetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED));
  EXPECT_EQ(ui::ListViewSelectedCount(list), 2);
  EXPECT_EQ(ui::ListViewNextItem(list, -1, LVNI_SELECTED), 0);
  EXPECT_EQ(ui::ListViewNextItem(list, 0, LVNI_SELECTED), 2);
  EXPECT_EQ(ui::ListViewNextItem(list, 2, LVNI_SELECTED), -1);
  EXPECT_EQ(os_.ListViewGetItemState(list, 1, LVIS_SELECTED), 0u);
  // The notifications the dialog got carry the real record, item by item.
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].iItem, 2);
  EXPECT_EQ(changes[1].uChanged, static_cast<::UINT>(LVIF_STATE));
  EXPECT_TRUE(changes[1].uNewState & LVIS_SELECTED);
  EXPECT_EQ(changes[1].lParam, big);

  EXPECT_TRUE(ui::ListViewDeleteItem(list, 0));
  EXPECT_EQ(ui::ListViewItemCount(list), 2);
  EXPECT_EQ(os_.ListViewFindItemByParam(list, -1, big), 1);
  EXPECT_FALSE(ui::ListViewDeleteItem(list, 5));
  EXPECT_EQ(os_.ListViewGetItemParam(list, 5), 0);

  // The list view shows from the image list it holds; removing changes the
  // same list (-1: every image).
  EXPECT_EQ(os_.ImageListGetImageCount(images), 2);
  EXPECT_TRUE(os_.ImageListRemove(images, 0));
  EXPECT_EQ(os_.ImageListGetImageCount(images), 1);
  EXPECT_TRUE(os_.ImageListRemove(images, -1));
  EXPECT_EQ(os_.ImageListGetImageCount(images), 0);
  EXPECT_FALSE(os_.ImageListRemove(images, 0));

  ui::ListViewSetImageList(list, nullptr, LVSIL_SMALL);
  EXPECT_TRUE(os_.ImageListDestroy(images));
}

}  // namespace
}  // namespace mm::win32test
