// The About dialog (template 109): icon, title with version, a short comment,
// a notice, the web-page button and the contact address. It closes only
// through OK or Enter; Esc and the close box leave it open.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by `owner`.
void RunAboutDialog(HWND owner);

// How the web-page button opens its address (the shell's "open" verb by
// default); tests substitute a recorder so that no browser starts.
using ShellOpener = void (*)(HWND owner, const char* address);
void SetAboutShellOpener(ShellOpener opener);

inline constexpr const char* kAboutComment =
    "IPv4パケットのキャプチャーと解析\n"
    "一覧・詳細ツリー・16進ダンプで表示\n"
    "キャプチャーには管理者権限が必要です";
