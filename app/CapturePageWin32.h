// The capture page: the one tab page of the main window (dialog template 5000,
// a child of the tab control). It turns ID_CAPTURE_REQUEST into the shared
// capture_request byte and the capture-state text, and applies the capture
// settings on ID_RELOAD_CAPTURE_SETTINGS. It owns the process's packet store
// and the values shared with the capture thread.
#pragma once

#include <windows.h>

#include "capture/CaptureControl.h"
#include "capture/PacketStore.h"

// The page window; set when the tab control creates it (GUI thread).
extern HWND CapturePage;

// The values shared with the capture thread (thread ownership in CaptureControl.h).
extern CaptureControl capture_control;
// The process's one packet store.
extern PacketStore packet_store;

// The capture thread's handle and id; set by whoever starts the thread on the
// GUI thread, waited for and closed by CloseCapturePage.
extern HANDLE CaptureThreadHandle;
extern DWORD CaptureThreadId;

// Creates the page from its template as a child of `tab` and returns it.
HWND CreateCapturePage(HWND tab);

// Stops the capture thread (capture_request Idle; run flag 0; waits for it
// while serving messages) and releases what the page built.
void CloseCapturePage(HWND page);

// The capture-state texts of status-bar part 0.
inline constexpr const char* kStateStopped = "状態：停止中";
inline constexpr const char* kStateCapturing = "状態：キャプチャー中";
