// List view, tree view and rich edit messages behind the pane interfaces. The
// texts go in UTF-16, converted from code page 932: the wide messages
// (LVM_INSERTCOLUMNW, TVM_INSERTITEMW ...) and, for the rich edit control of
// RICHED32, which is a narrow window that would narrow a wide WM_SETTEXT
// through the system's code page, EM_SETTEXTEX with code page 1200.
#include "views/PanesWin32.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>

#include "log/WideText.h"
#include "views/FontsWin32.h"

namespace {

constexpr char kPaneFace[] = "ＭＳ ゴシック";
constexpr LONG kTenPointsInTwips = 200;
constexpr UINT kUtf16CodePage = 1200;

void ReplaceRichEditText(HWND pane, DWORD flags, const char* text) {
  const std::wstring wide = WideFromCp932(text);
  SETTEXTEX how{flags, kUtf16CodePage};
  SendMessageW(pane, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(wide.c_str()));
}

}  // namespace

void ListInsertColumn(HWND list, int width, const char* text, int position) {
  std::wstring header = WideFromCp932(text);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = header.data();
  column.iSubItem = position;
  SendMessageW(list, LVM_INSERTCOLUMNW, position, reinterpret_cast<LPARAM>(&column));
}

int ListInsertRow(HWND list, int row, const char* text, int image) {
  std::wstring cell = WideFromCp932(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = row;
  item.pszText = cell.data();
  item.iImage = image;
  item.lParam = row;
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListSetCell(HWND list, int row, int column, const char* text) {
  std::wstring cell = WideFromCp932(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = cell.data();
  SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void ListRenumberRows(HWND list) {
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  for (int row = 0; row < rows; ++row) {
    item.iItem = row;
    item.lParam = row;
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

int RichEditSetTextFormat(HWND pane, COLORREF colour) {
  CHARFORMATW format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE;
  format.yHeight = kTenPointsInTwips;
  format.crTextColor = colour;
  lstrcpynW(format.szFaceName, JapaneseFace(kPaneFace, true).c_str(), LF_FACESIZE);
  SendMessageW(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return 1;
}

void TreeInsertItem(HWND tree, HTREEITEM parent, HTREEITEM* item, const char* text) {
  std::wstring line = WideFromCp932(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent != nullptr ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = line.data();
  insert.item.iImage = 1;
  insert.item.iSelectedImage = 0;
  const auto inserted = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item != nullptr) *item = inserted;
}

void Win32TreePane::DeleteAllItems() {
  SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TreePane::Item Win32TreePane::InsertItem(Item parent, const char* text) {
  HTREEITEM item = nullptr;
  TreeInsertItem(tree_, reinterpret_cast<HTREEITEM>(parent), &item, text);
  return reinterpret_cast<Item>(item);
}

void Win32TreePane::ExpandItem(Item item) {
  // Making the first child visible opens the item and everything above it.
  const auto child = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CHILD, static_cast<LPARAM>(item)));
  if (child != nullptr) SendMessageW(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(child));
}

void Win32HexPane::SetText(const char* text) {
  ReplaceRichEditText(pane_, ST_DEFAULT, text);
}

void Win32HexPane::ShowDumpText(const char* text) {
  SetText("");
  RichEditSetTextFormat(pane_, RGB(255, 255, 255));
  ReplaceRichEditText(pane_, ST_SELECTION, text);
}
