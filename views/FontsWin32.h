// Fonts and dialogs with a face that shows Japanese on this system: the
// system is asked once which faces can (EnumFontFamiliesExW with
// SHIFTJIS_CHARSET) and views/FontFaces chooses among them. Faces are named
// in code page 932, as the program keeps them. Any thread.
#pragma once

#include <windows.h>

#include <string>

// The face to use for `face`: itself on a Japanese system.
std::wstring JapaneseFace(const char* face, bool fixed_pitch);

// CreateFontW with SHIFTJIS_CHARSET, FW_NORMAL, PROOF_QUALITY and the face
// JapaneseFace chooses; FF_MODERN | FIXED_PITCH when `fixed_pitch`.
HFONT CreateJapaneseFont(int height, const char* face, bool fixed_pitch);

// DialogBoxParamW and CreateDialogParamW over template `id` of `instance`,
// its font replaced first when it cannot show Japanese here.
INT_PTR RunDialogWithJapaneseFont(HINSTANCE instance, int id, HWND owner, DLGPROC procedure,
                                  LPARAM parameter);
HWND CreateDialogWithJapaneseFont(HINSTANCE instance, int id, HWND owner, DLGPROC procedure,
                                  LPARAM parameter);
