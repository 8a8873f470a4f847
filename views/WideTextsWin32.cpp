// Window texts and message boxes through the wide calls.
#include "views/WideTextsWin32.h"

#include "log/WideText.h"

int ShowMessageBox(HWND owner, const char* text, const char* title, UINT type) {
  return MessageBoxW(owner, WideFromCp932(text).c_str(), WideFromCp932(title).c_str(), type);
}

void SetWindowTextCp932(HWND window, const char* text) {
  SetWindowTextW(window, WideFromCp932(text).c_str());
}

void SetDialogItemTextCp932(HWND dialog, int id, const char* text) {
  SetDlgItemTextW(dialog, id, WideFromCp932(text).c_str());
}
