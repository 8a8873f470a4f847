// The program's identity at run time: its instance handle and the title built
// from its own version resource. The title is at once the main window's class
// name and caption, the key of the single-instance look-up, and the name line
// of the About and shutdown dialogs.
#pragma once

#include <windows.h>

inline constexpr int kAppTextSize = 128;

// Written on the GUI thread during start-up, read everywhere afterwards.
extern HINSTANCE AppInstance;
extern char AppProductName[kAppTextSize];  // ProductName of block "041104b0"
extern char AppFileVersion[kAppTextSize];  // FileVersion of block "041104b0"
extern char AppTitle[kAppTextSize];        // "%s Ver %s"

// Reads ProductName and FileVersion of the running executable's version
// resource and formats AppTitle. 1 on success; 0 when the version information,
// its translation entry or either string is missing or empty.
int BuildAppTitle();
