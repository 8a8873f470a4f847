// The packet list's window side: the owner-data list control fed by the
// capture thread's hand-overs (views/PacketList.h). It applies a hand-over's
// row count and the rows that keep the selection, the focus and the shown
// packet, repaints at most every kListRedrawDelayMs while rows arrive, and
// answers the control's requests for cells from the store, which it only
// reads. The control asks in UTF-16 (its page is a Unicode dialog); the cells
// are converted from code page 932, so a narrow LVM_GETITEMTEXTA of another
// process still reads code page 932 on a Japanese system. GUI thread only.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "views/PacketList.h"
#include "packet/PacketStore.h"

struct PacketListWindowSide {
  PacketListRows rows;
  // The row whose packet the detail panes show, -1 for none. Set when the
  // selection is shown; moves with the rows and leaves with its record.
  int shown_row = -1;
  bool redraw_pending = false;
};

// The page's timer that brings back the list's redraw after hand-overs.
inline constexpr UINT_PTR kListRedrawTimer = 3;

// Applies one hand-over to `list`. Repainting stays off until the redraw
// timer of `page` fires, which is set here unless `page_closing`.
void ApplyPacketListChanges(HWND page, HWND list, PacketListWindowSide& side,
                            const PacketListChanges& changes, bool page_closing);
// The redraw timer fired: the list is repainted.
void RedrawPacketList(HWND page, HWND list, PacketListWindowSide& side);

// The selected row, or -1.
int SelectedListRow(HWND list);

// The control's type-ahead (LVN_ODFINDITEM): the row to select, or -1.
int AnswerListFindRequest(const PacketListWindowSide& side, const LVFINDINFOA& find, int start);
int AnswerListFindRequest(const PacketListWindowSide& side, const LVFINDINFOW& find, int start);

// The control asks for a cell it draws, or that LVM_GETITEMTEXTA asked for.
void AnswerListCellRequest(PacketListWindowSide& side, const PacketStore& store,
                           NMLVDISPINFOW& request);
