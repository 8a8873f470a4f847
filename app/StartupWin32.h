// Start-up and the GUI thread's message loop: the title from the version
// resource, the single-instance guard, the refusal of any command-line
// argument, the main window's creation, and the loop that hands the capture
// page's keys (Tab, arrows) to its dialog handling.
#pragma once

#include <windows.h>

#include "capture/PacketSource.h"

// The whole life of the process after the entry point: returns the exit status.
int AppMain(HINSTANCE instance);

// Registers the main window class (name AppTitle) and creates, shows and
// paints the main window; MainWindow holds it afterwards (null on failure).
// The capture thread takes its datagrams from `source`: the raw capture
// sockets when null (the program), a source of their own for tests and
// measurements.
void CreateMainWindow(PacketSource* source = nullptr);

// Fetches and dispatches messages until the quit message (or an error); the
// capture page's dialog handling sees each message first. Returns the quit
// message's wParam.
int RunMessageLoop();
