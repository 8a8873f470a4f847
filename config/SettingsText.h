// The text of a settings file as the profile readers parse it. The program
// writes config.ini and system.ini in code page 932, but people edit them with
// whatever they have: an editor may save them with a UTF-8 byte-order mark,
// or as UTF-16 LE with its mark (FF FE), the Unicode form the Windows profile
// functions read. A UTF-8 mark is dropped; a UTF-16 LE file is converted to
// code page 932 text, each character code page 932 cannot hold (a lone
// surrogate, anything beyond the Basic Multilingual Plane) becoming '?', as
// those functions hand it to a code page 932 program. Any other file is taken
// byte for byte.
#pragma once

#include <string>
#include <string_view>

// May throw std::bad_alloc.
std::string SettingsTextOfBytes(std::string bytes);

// ReadWholeFile (config/WholeFile.h), then SettingsTextOfBytes.
bool ReadSettingsText(const char* path, std::string& out);

// The platform side: UTF-16 LE code units without surrogates to code page 932,
// '?' for each that has no code page 932 character, with the platform's own
// table (iconv natively, WideCharToMultiByte on Windows).
std::string Utf16ToCp932(std::u16string_view text);
