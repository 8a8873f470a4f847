// The capture page: the one tab page of the main window (dialog template 5000,
// a child of the tab control) with the three panes stacked in thirds: the
// packet list, the detail tree and the hex dump. Its initialisation reads the
// tree-view state, creates the panes and the packet store, applies the capture
// settings and starts the capture thread; its 300 ms timer shows the selected
// packet. It turns ID_CAPTURE_REQUEST into a command for the capture thread and
// the capture-state text, and applies the capture settings on
// ID_RELOAD_CAPTURE_SETTINGS. It owns the process's packet store and the
// values shared with the capture thread.
#pragma once

#include <windows.h>

#include "capture/CaptureControl.h"
#include "capture/PacketSource.h"
#include "packet/DetailTree.h"
#include "packet/PacketStore.h"

// The page window; set when the tab control creates it (GUI thread).
extern HWND CapturePage;
// Its panes, from the page's initialisation to CloseCapturePage (GUI thread).
extern HWND PacketListWindow;
extern HWND DetailTreeWindow;
extern HWND HexDumpWindow;

// The values shared with the capture thread (thread ownership in CaptureControl.h).
extern CaptureControl capture_control;
// The process's one packet store.
extern PacketStore packet_store;

// The capture thread's handle and id; set by the page's initialisation,
// waited for and closed by CloseCapturePage.
extern HANDLE CaptureThreadHandle;
extern DWORD CaptureThreadId;

// Where the capture thread takes its datagrams from: the raw capture sockets
// when null (the product), another source put here before the page is created
// (tests and measurements). GUI thread only.
extern PacketSource* CapturePacketSource;

// The five expansion flags of the detail tree (read from and written to
// system.ini) and the tree's items they follow. GUI thread only.
extern TreeExpansionFlags TreeFlags;
extern DetailTreeItems TreeItems;

// The list row whose packet the detail panes show, -1 for none. Written by the
// page timer; back to -1 whenever the list is emptied.
extern int32_t last_shown_row;

// Creates the page from its template as a child of `tab` and returns it.
HWND CreateCapturePage(HWND tab);

// Stops the page's timers and the capture thread (waiting commands dropped; run
// flag 0, which also stops file work at its next record; waits for it while
// serving messages), then releases the store, the panes and the rich edit
// library and writes the tree-view state. No timer of the page fires after it.
void CloseCapturePage(HWND page);
