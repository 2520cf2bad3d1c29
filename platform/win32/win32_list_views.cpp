// List views and image lists. Texts are UTF-8 (another program's title as
// the wide call read it, or ours) and reach the control through the wide
// messages, which show them correctly whatever the code page. Messages without text or pointer go
// through SendMessageToOwnWindow (ui/controls.h).
#include "platform/win32/win32_internal.h"

#include "platform/win32/win32_text.h"

// Notifications reach the dialog host as the control sent them.
static_assert(sizeof(mm::NMHDR) == sizeof(::NMHDR), "NMHDR");
MM_SAME_OFFSET(NMHDR, NMHDR, idFrom);
MM_SAME_OFFSET(NMHDR, NMHDR, code);
static_assert(sizeof(mm::NMLISTVIEW) == sizeof(::NMLISTVIEW), "NMLISTVIEW");
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, iItem);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, iSubItem);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, uNewState);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, uOldState);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, uChanged);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, ptAction);
MM_SAME_OFFSET(NMLISTVIEW, NMLISTVIEW, lParam);
static_assert(sizeof(mm::NMITEMACTIVATE) == sizeof(::NMITEMACTIVATE), "NMITEMACTIVATE");
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, iItem);
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, ptAction);
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, lParam);
MM_SAME_OFFSET(NMITEMACTIVATE, NMITEMACTIVATE, uKeyFlags);
static_assert(sizeof(mm::NMLVDISPINFOW) == sizeof(::NMLVDISPINFOW), "NMLVDISPINFOW");
MM_SAME_OFFSET(NMLVDISPINFOW, NMLVDISPINFOW, item);
static_assert(sizeof(mm::LVITEMW) == sizeof(::LVITEMW), "LVITEMW");
MM_SAME_OFFSET(LVITEMW, LVITEMW, iItem);
MM_SAME_OFFSET(LVITEMW, LVITEMW, iSubItem);
MM_SAME_OFFSET(LVITEMW, LVITEMW, pszText);
MM_SAME_OFFSET(LVITEMW, LVITEMW, cchTextMax);
MM_SAME_OFFSET(LVITEMW, LVITEMW, iImage);
MM_SAME_OFFSET(LVITEMW, LVITEMW, iGroup);
static_assert(LVN_GETDISPINFOW == (0u - 177u) && LVM_SETITEMCOUNT == 0x102F && LVM_REDRAWITEMS == 0x1015,
              "the list-view numbers of platform/types.h");
// ptAction is read as our POINT.
static_assert(sizeof(mm::POINT) == sizeof(::POINT), "POINT");
MM_SAME_OFFSET(POINT, POINT, y);

namespace mm {

using win32::M;
using win32::W;

namespace {

LRESULT ListViewSend(HWND listView, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
  return ::SendMessageW(W(listView), msg, wParam, lParam);
}

}  // namespace

int Win32Platform::ListViewInsertItemU8(HWND listView, int index, const std::string& text,
                                      int image) {
  std::wstring wide = win32::WidenUtf8(text);
  ::LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(wide.c_str());  // read only; the record is not const
  item.iImage = image;
  return static_cast<int>(
      ListViewSend(listView, LVM_INSERTITEMW, 0, reinterpret_cast<::LPARAM>(&item)));
}

BOOL Win32Platform::ListViewSetItemTextU8(HWND listView, int index, int subItem,
                                          const std::string& text) {
  std::wstring wide = win32::WidenUtf8(text);
  ::LVITEMW item{};
  item.iSubItem = subItem;
  item.pszText = const_cast<wchar_t*>(wide.c_str());
  return ListViewSend(listView, LVM_SETITEMTEXTW, static_cast<::WPARAM>(index),
                      reinterpret_cast<::LPARAM>(&item))
             ? TRUE
             : FALSE;
}

int Win32Platform::ListViewInsertColumnU8(HWND listView, int index, const std::string& text,
                                          int format) {
  std::wstring wide = win32::WidenUtf8(text);
  ::LVCOLUMNW column{};
  // No width: the caller sizes the columns once they are filled
  // (LVSCW_AUTOSIZE_USEHEADER).
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.fmt = format;
  column.pszText = const_cast<wchar_t*>(wide.c_str());
  return static_cast<int>(ListViewSend(listView, LVM_INSERTCOLUMNW, static_cast<::WPARAM>(index),
                                       reinterpret_cast<::LPARAM>(&column)));
}

BOOL Win32Platform::ListViewSetItemParam(HWND listView, int index, LPARAM param) {
  ::LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  item.lParam = param;
  return ListViewSend(listView, LVM_SETITEMW, 0, reinterpret_cast<::LPARAM>(&item)) ? TRUE
                                                                                    : FALSE;
}

LPARAM Win32Platform::ListViewGetItemParam(HWND listView, int index) {
  ::LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!ListViewSend(listView, LVM_GETITEMW, 0, reinterpret_cast<::LPARAM>(&item))) return 0;
  return item.lParam;
}

std::string Win32Platform::ListViewGetItemText(HWND listView, int index) {
  // LVM_GETITEMTEXT tells only how much it copied; a full buffer may mean a
  // longer text, so grow until there is room to spare.
  for (size_t size = 256; size <= (1u << 20); size *= 4) {
    std::wstring buffer(size, L'\0');
    ::LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = &buffer[0];
    item.cchTextMax = static_cast<int>(size);
    LRESULT copied =
        ListViewSend(listView, LVM_GETITEMTEXTW, index, reinterpret_cast<::LPARAM>(&item));
    if (copied < 0) copied = 0;
    if (static_cast<size_t>(copied) + 1 < size) {
      // Some versions return the text through a pointer of their own.
      const wchar_t* text = item.pszText != nullptr ? item.pszText : buffer.c_str();
      return win32::Narrow(std::wstring(text, static_cast<size_t>(copied)), win32::kAnsiCodePage);
    }
  }
  return std::string();
}

int Win32Platform::ListViewFindItemByParam(HWND listView, int start, LPARAM param) {
  ::LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = param;
  return static_cast<int>(ListViewSend(listView, LVM_FINDITEMW, static_cast<::WPARAM>(start),
                                       reinterpret_cast<::LPARAM>(&find)));
}

UINT Win32Platform::ListViewGetItemState(HWND listView, int index, UINT mask) {
  return static_cast<UINT>(
      ListViewSend(listView, LVM_GETITEMSTATE, static_cast<::WPARAM>(index), mask));
}

BOOL Win32Platform::ListViewSetItemState(HWND listView, int index, UINT state, UINT mask) {
  ::LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  return ListViewSend(listView, LVM_SETITEMSTATE, static_cast<::WPARAM>(index),
                      reinterpret_cast<::LPARAM>(&item))
             ? TRUE
             : FALSE;
}

BOOL Win32Platform::ListViewSetDispInfoTextU8(NMLVDISPINFOW* info, const std::string& text) {
  if (info == nullptr || info->hdr.code != LVN_GETDISPINFOW || info->item.pszText == nullptr ||
      info->item.cchTextMax <= 0) {
    return FALSE;
  }
  const std::wstring wide = win32::WidenUtf8(text);
  // Cut to the buffer, NUL included (lstrcpynW's rule).
  ::lstrcpynW(static_cast<wchar_t*>(info->item.pszText), wide.c_str(), info->item.cchTextMax);
  return TRUE;
}

// ---- Image lists ------------------------------------------------------------------

HIMAGELIST Win32Platform::ImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
  return M(::ImageList_Create(cx, cy, flags, initial, grow));
}

int Win32Platform::ImageListReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  return ::ImageList_ReplaceIcon(W(list), index, W(icon));
}

int Win32Platform::ImageListGetImageCount(HIMAGELIST list) {
  return ::ImageList_GetImageCount(W(list));
}

BOOL Win32Platform::ImageListRemove(HIMAGELIST list, int index) {
  return ::ImageList_Remove(W(list), index);
}

BOOL Win32Platform::ImageListDestroy(HIMAGELIST list) { return ::ImageList_Destroy(W(list)); }

}  // namespace mm
