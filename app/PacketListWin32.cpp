// The owner-data packet list control: hand-overs, repainting and cells.
#include "app/PacketListWin32.h"

#include <string>
#include <string_view>

#include "log/WideText.h"

namespace {

// While rows arrive, the list is repainted at most this often: a repaint after
// every batch of a few rows would cost more than the rows themselves.
constexpr UINT kListRedrawDelayMs = 100;

int ListItemWithState(HWND list, UINT state) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), state));
}

void SetListItemState(HWND list, int row, UINT state, UINT mask) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Only the items that carry a state are touched: the work per hand-over does
// not grow with the list.
void ApplyRowsAndMarks(HWND list, PacketListWindowSide& side, const PacketListChanges& changes) {
  if (!changes.RowsLeave()) {
    side.rows.Apply(changes);
    SendMessageA(list, LVM_SETITEMCOUNT, side.rows.RowCount(),
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    return;
  }
  const PacketListMarks before{SelectedListRow(list), ListItemWithState(list, LVNI_FOCUSED),
                               side.shown_row};
  if (before.selected >= 0) SetListItemState(list, before.selected, 0, LVIS_SELECTED);
  if (before.focused >= 0) SetListItemState(list, before.focused, 0, LVIS_FOCUSED);
  const PacketListMarks after = side.rows.Apply(changes, before);
  SendMessageA(list, LVM_SETITEMCOUNT, side.rows.RowCount(),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  if (after.selected >= 0) SetListItemState(list, after.selected, LVIS_SELECTED, LVIS_SELECTED);
  if (after.focused >= 0) SetListItemState(list, after.focused, LVIS_FOCUSED, LVIS_FOCUSED);
  side.shown_row = after.shown;
}

}  // namespace

void ApplyPacketListChanges(HWND page, HWND list, PacketListWindowSide& side,
                            const PacketListChanges& changes, bool page_closing) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ApplyRowsAndMarks(list, side, changes);
  // Redraw comes back with the timer. Setting it again would restart it, so a
  // steady flow of hand-overs would keep the list from ever being repainted.
  if (side.redraw_pending || page_closing) return;
  side.redraw_pending = true;
  SetTimer(page, kListRedrawTimer, kListRedrawDelayMs, nullptr);
}

void RedrawPacketList(HWND page, HWND list, PacketListWindowSide& side) {
  KillTimer(page, kListRedrawTimer);
  side.redraw_pending = false;
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// Asked for the selected item, the control may test every row in turn (Wine's
// does: about 0.2 s at ten million rows, on every tick of the selection
// timer). Its selection count and its focused item are answered at once, and
// in a single-selection list the selected row is nearly always the focused
// one; only otherwise is the control asked to search.
int SelectedListRow(HWND list) {
  if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return -1;
  const int focused = ListItemWithState(list, LVNI_FOCUSED);
  if (focused >= 0 &&
      SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) != 0) {
    return focused;
  }
  return ListItemWithState(list, LVNI_SELECTED);
}

namespace {

// The row numbers are all the list can be searched by; only strings are looked for.
int FindRow(const PacketListWindowSide& side, UINT flags, std::string_view text, int start) {
  if ((flags & (LVFI_STRING | LVFI_PARTIAL)) == 0) return -1;
  return side.rows.FindRowByNumber(text, start, (flags & LVFI_PARTIAL) == 0);
}

}  // namespace

int AnswerListFindRequest(const PacketListWindowSide& side, const LVFINDINFOA& find, int start) {
  if (find.psz == nullptr) return -1;
  return FindRow(side, find.flags, find.psz, start);
}

// Row numbers are ASCII: a wide text with anything else finds nothing.
int AnswerListFindRequest(const PacketListWindowSide& side, const LVFINDINFOW& find, int start) {
  if (find.psz == nullptr) return -1;
  std::string text;
  for (const wchar_t* c = find.psz; *c != L'\0'; ++c) {
    if (*c > 0x7F) return -1;
    text += static_cast<char>(*c);
  }
  return FindRow(side, find.flags, text, start);
}

void AnswerListCellRequest(PacketListWindowSide& side, const PacketStore& store,
                           NMLVDISPINFOW& request) {
  LVITEMW& item = request.item;
  if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
  const ListRowTexts* cells = side.rows.Cells(item.iItem, store);
  const bool known = cells != nullptr && item.iSubItem >= 0 && item.iSubItem < kListColumnCount;
  CopyWideFromCp932(known ? cells->cells[item.iSubItem] : "", item.pszText, item.cchTextMax);
}
