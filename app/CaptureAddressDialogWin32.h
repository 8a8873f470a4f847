// The capture-address dialog (template IDD_CAPTURE_ADDRESS), from 設定 →
// キャプチャー アドレス: every IPv4 address the host has now with its
// interface's name, the loopback entry and the automatic one; the choice is
// saved in config.ini ([Capture_config] CAP_IP) and applies from the next
// Start. A function call over values: the entries come from
// MakeCaptureAddressEntries (app/CaptureAddressEntries.h); the procedure only
// fills the list and hands back the chosen entry.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by `owner`. 保存 (or a double click) writes
// the selected choice and ends with 1; when config.ini cannot be written a
// warning is shown and the dialog stays open. キャンセル, Esc and the close box
// end with 0 and write nothing.
int RunCaptureAddressDialog(HWND owner);
