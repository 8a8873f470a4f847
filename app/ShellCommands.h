// What the main window's menu items and toolbar buttons stand for, as plain
// tables the window procedure looks up: which ids request a capture-thread
// action, and each toolbar button's tooltip. No window code here.
#pragma once

#include "capture/CaptureRequest.h"

// Sets `request` and returns 1 when `command_id` (a menu item or toolbar
// button) asks the capture thread for an action; 0 for every other id.
int CaptureRequestForCommand(int command_id, CaptureRequest& request);

// The tooltip text of a toolbar button, or nullptr for an id not on the toolbar.
const char* ToolbarTooltip(int button_id);
