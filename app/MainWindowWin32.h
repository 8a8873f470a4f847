// The main window: the program's only top-level window, with the toolbar at the
// top, the status bar (capture state, packet counts, progress bar) at the
// bottom and the tab control holding the capture page between them. Its
// procedure turns menu and toolbar commands into capture requests or dialogs,
// asks before closing, and runs the shutdown sequence when it is destroyed.
#pragma once

#include <windows.h>

#include "capture/PacketSource.h"

// Window handles, written on the GUI thread while the window is created.
// StatusBar is also read by the capture thread (SetStatusText).
extern HWND MainWindow;   // stored once creation returns: empty during WM_CREATE
extern HWND CurrentPage;  // the page whose dialog keys the message loop handles
extern HWND TabControl;
extern HWND Toolbar;
extern HWND StatusBar;
extern HWND ProgressBarWindow;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Runs from the main window's WM_CREATE, in this order: log lock, common
// controls, tab control with the capture page, toolbar, status bar, state text
// "stopped", progress bar, idle thread. 1 when the idle thread was created.
// The capture page's thread takes its datagrams from `source` (null: the raw
// capture sockets).
int InitMainWindow(HWND window, PacketSource* source);

// Lays the children out for a new client size (the WM_SIZE parameters).
void LayoutMainWindow(HWND window, WPARAM wparam, LPARAM lparam);

// Formats printf-style into a zeroed 1024-byte buffer and sends it as the text
// of status-bar `part`. Callable from any thread (a synchronous message).
void SetStatusText(int part, const char* format, ...) __attribute__((format(printf, 2, 3)));
