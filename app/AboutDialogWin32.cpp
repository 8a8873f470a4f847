// The About dialog's procedure. A Unicode dialog, its texts converted from code
// page 932; its template's face ("HG創英角ﾎﾟｯﾌﾟ体") gives way to one that shows
// Japanese where the system lacks it (views/FontsWin32).
#include "app/AboutDialogWin32.h"

#include <shellapi.h>

#include "app/AppTitleWin32.h"
#include "app/resource.h"
#include "log/WideText.h"
#include "views/FontsWin32.h"
#include "views/WideTextsWin32.h"

namespace {

void OpenWithShell(HWND owner, const char* address) {
  ShellExecuteW(owner, L"open", WideFromCp932(address).c_str(), nullptr, nullptr, SW_SHOW);
}

ShellOpener shell_opener = OpenWithShell;

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDialogItemTextCp932(dialog, IDC_ABOUT_TITLE, AppTitle);
      SetDialogItemTextCp932(dialog, IDC_ABOUT_COMMENT, kAboutComment);
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
  RunDialogWithJapaneseFont(AppInstance, IDD_ABOUT, owner, AboutDialogProc, 0);
}

void SetAboutShellOpener(ShellOpener opener) {
  shell_opener = opener != nullptr ? opener : OpenWithShell;
}
