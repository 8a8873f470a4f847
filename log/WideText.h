// UTF-16 for the wide-character calls of Windows, from the two narrow
// encodings the programs keep: UTF-8 (kestrel-cli's names and messages) and
// code page 932 (the program's texts and file names). Code page 932 is named
// outright rather than taken from the system, so a text reads the same on a
// Western, Chinese or Korean Windows as on a Japanese one. Windows build only.
#pragma once

#include <string>
#include <string_view>

// Invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// Invalid bytes become the code page's default character.
std::wstring WideFromCp932(std::string_view cp932);

// Writes `cp932` as UTF-16 with a terminating NUL into `out` of `capacity`
// characters (a control's text buffer), cut at a whole character when too
// long; nothing when `capacity` is 0.
void CopyWideFromCp932(std::string_view cp932, wchar_t* out, int capacity);

// The code page 932 form of `wide`; false when the code page cannot hold
// every character of it (then `cp932` is left empty).
bool Cp932FromWide(std::wstring_view wide, std::string& cp932);
