// List view, tree view and rich edit messages behind the pane interfaces.
#include "views/PanesWin32.h"

#include <commctrl.h>
#include <richedit.h>

namespace {

constexpr char kPaneFace[] = "ＭＳ ゴシック";
constexpr LONG kTenPointsInTwips = 200;

}  // namespace

void ListInsertColumn(HWND list, int width, const char* text, int position) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(text);
  column.iSubItem = position;
  SendMessageA(list, LVM_INSERTCOLUMNA, position, reinterpret_cast<LPARAM>(&column));
}

int ListInsertRow(HWND list, int row, const char* text, int image) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = row;
  item.pszText = const_cast<char*>(text);
  item.iImage = image;
  item.lParam = row;
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListSetCell(HWND list, int row, int column, const char* text) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void ListRenumberRows(HWND list) {
  const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  for (int row = 0; row < rows; ++row) {
    item.iItem = row;
    item.lParam = row;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
}

int RichEditSetTextFormat(HWND pane, COLORREF colour) {
  CHARFORMATA format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE;
  format.yHeight = kTenPointsInTwips;
  format.crTextColor = colour;
  lstrcpynA(format.szFaceName, kPaneFace, sizeof(format.szFaceName));
  SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return 1;
}

void TreeInsertItem(HWND tree, HTREEITEM parent, HTREEITEM* item, const char* text) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent != nullptr ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.iImage = 1;
  insert.item.iSelectedImage = 0;
  const auto inserted = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item != nullptr) *item = inserted;
}

void Win32TreePane::DeleteAllItems() {
  SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TreePane::Item Win32TreePane::InsertItem(Item parent, const char* text) {
  HTREEITEM item = nullptr;
  TreeInsertItem(tree_, reinterpret_cast<HTREEITEM>(parent), &item, text);
  return reinterpret_cast<Item>(item);
}

void Win32TreePane::ExpandItem(Item item) {
  // Making the first child visible opens the item and everything above it.
  const auto child = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, static_cast<LPARAM>(item)));
  if (child != nullptr) SendMessageA(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(child));
}

void Win32HexPane::SetText(const char* text) {
  SendMessageA(pane_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Win32HexPane::ShowDumpText(const char* text) {
  SetText("");
  RichEditSetTextFormat(pane_, RGB(255, 255, 255));
  SendMessageA(pane_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}
