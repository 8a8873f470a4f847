// The capture page: the one tab page of the main window (dialog template 5000,
// a child of the tab control) with the three panes stacked in thirds: the
// packet list, the detail tree and the hex dump. Its initialisation reads the
// tree-view state, creates the panes and the packet store, applies the capture
// settings and starts the capture thread; its 300 ms timer shows the selected
// packet. It turns kIdCaptureRequest into a command for the capture thread and
// the capture-state text, applies the capture settings on
// kIdReloadCaptureSettings, and applies the capture thread's packet-list
// hand-overs (kPacketListHandoverMessage). It owns the process's packet store
// and the values shared with the capture thread.
//
// The page's jobs sit in rooms of their own: the panes and their layout in
// CapturePanesWin32, the packet list's window side in PacketListWin32, the
// capture thread's messages, boxes and dialogs in CaptureViewWin32; here the
// page procedure, the commands and the capture thread's life.
#pragma once

#include <windows.h>

#include <memory>

#include "app/CapturePanesWin32.h"
#include "app/PacketListWin32.h"
#include "capture/CaptureControl.h"
#include "capture/PacketSource.h"
#include "views/DetailTree.h"
#include "packet/PacketStore.h"

struct CaptureParts;

// Everything the page keeps. GUI thread only, but for `control` (shared with
// the capture thread, ownership in CaptureControl.h) and `store`.
struct CapturePageState {
  CapturePageState();
  ~CapturePageState();

  HWND window = nullptr;  // the page; set when the tab control creates it
  CapturePanes panes;     // from the page's initialisation to CloseCapturePage
  PacketListWindowSide list;
  CaptureControl control;
  // The process's one packet store. Only the capture thread adds to it or
  // empties it; the window side reads it (cells, detail panes) through const
  // references, and the page's start and end set it up and release it.
  PacketStore store;
  // The capture thread; set by the page's initialisation, waited for and
  // closed by CloseCapturePage.
  HANDLE thread = nullptr;
  DWORD thread_id = 0;
  // The five expansion flags of the detail tree (read from and written to
  // system.ini) and the tree's items they follow.
  TreeExpansionFlags tree_flags;
  DetailTreeItems tree_items;
  // Set once the page is being closed: nothing may set a timer of it any more.
  bool closing = false;
  // What the capture thread works with, from its start to its end.
  std::unique_ptr<CaptureParts> capture;
};
extern CapturePageState capture_page;

// Creates the page from its template as a child of `tab` and returns it. The
// capture thread takes its datagrams from `source`, or from the raw capture
// sockets when it is null (the product; tests and measurements hand in their
// own).
HWND CreateCapturePage(HWND tab, PacketSource* source);

// Stops the page's timers and the capture thread (waiting commands dropped; run
// flag 0, which also stops file work at its next record; waits for it while
// serving messages), then releases the store, the panes and the rich edit
// library and writes the tree-view state. No timer of the page fires after it.
void CloseCapturePage(HWND page);
