// The About dialog's procedure.
#include "app/AboutDialogWin32.h"

#include <shellapi.h>

#include "app/AppTitleWin32.h"
#include "app/resource.h"

namespace {

void OpenWithShell(HWND owner, const char* address) {
  ShellExecuteA(owner, "open", address, nullptr, nullptr, SW_SHOW);
}

ShellOpener shell_opener = OpenWithShell;

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_ABOUT_TITLE, AppTitle);
      SetDlgItemTextA(dialog, IDC_ABOUT_COMMENT, kAboutComment);
      break;
    case WM_COMMAND:
      // Cancel (Esc, the close box) is deliberately not acted upon.
      if (LOWORD(wparam) == IDOK) EndDialog(dialog, 0);
      if (LOWORD(wparam) == IDC_ABOUT_WEB_PAGE) shell_opener(dialog, KESTREL_WEB_PAGE);
      break;
  }
  return 0;
}

}  // namespace

void RunAboutDialog(HWND owner) {
  DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}

void SetAboutShellOpener(ShellOpener opener) {
  shell_opener = opener != nullptr ? opener : OpenWithShell;
}
