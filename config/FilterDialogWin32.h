// The filter-settings dialog (template 8000): protocol switches, store size and
// overwrite mode, receive interval and the address/port rules of config.ini.
// A function call over a struct: the settings go in, and after Save the new
// settings come out, already written to the file. The procedure only copies
// between FilterDialogFields (config/FilterDialogFields.h) and the controls.
#pragma once

#include <windows.h>

#include "config/FilterSettings.h"

// Runs the dialog modally, owned by `owner`, showing `settings`. Save writes
// the edited settings with ConfigFile::Write and ends with 1, `settings` then
// holding them; when the file cannot be written a warning is shown and the
// dialog stays open with the user's edits. Cancel, Esc and the close box end
// with 0 and write nothing.
int RunFilterDialog(HWND owner, FilterSettings& settings);
