// The program's texts on windows and boxes. The texts are code page 932; each
// goes to the window in UTF-16, converted from code page 932 here, because a
// narrow (A) call would read it in the system's code page, and only a Japanese
// system's is 932: on a Western, Chinese or Korean Windows, or a Japanese one
// set to UTF-8, the narrow calls show mojibake. Reading a text back with a
// narrow call still gives code page 932 where that is the system's code page.
// Callable from any thread (each is a synchronous message or a modal box).
#pragma once

#include <windows.h>

int ShowMessageBox(HWND owner, const char* text, const char* title, UINT type);
void SetWindowTextCp932(HWND window, const char* text);
void SetDialogItemTextCp932(HWND dialog, int id, const char* text);
