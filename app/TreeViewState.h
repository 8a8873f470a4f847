// The open or closed state of the detail tree's five branches between runs:
// system.ini (section TreeView_System, path from log/SettingsPaths.h), read
// when the capture page is created and rewritten whole, in the program's own
// twelve lines, at shutdown.
#pragma once

#include "views/DetailTree.h"

namespace TreeViewState {

// Reads IP, ICMP, TCP, UDP and DATA (default 0 each; names in any letter
// case). A missing or unreadable file gives all 0. Returns 1.
int Read(TreeExpansionFlags& flags);

// Writes the twelve lines (CR LF, code page 932). 1 when the whole file was
// written and closed, else 0; nothing is reported.
int Write(const TreeExpansionFlags& flags);

}  // namespace TreeViewState
