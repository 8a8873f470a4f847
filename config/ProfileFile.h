// Readers for INI-style settings files ("profiles") such as config.ini and
// system.ini, given by path. Each call reads the file afresh and keeps nothing.
//
// The same rules hold on every platform:
//   - "[name]" opens a section; "key=value" lines belong to the section above;
//     section and key names match regardless of ASCII letter case;
//   - lines starting with "#" or ";" are comments; lines end in CR LF, LF or CR;
//   - names and values lose their surrounding blanks, and a value enclosed in a
//     matching pair of double or single quotes loses them as well;
//   - the first section of a name and, within it, the first key of a name win;
//   - a missing file, section or key gives the caller's default;
//   - a file saved with a UTF-8 byte-order mark or as UTF-16 LE reads as its
//     code page 932 text (config/SettingsText.h).
#pragma once

#include <cstddef>
#include <string>

// The integer the value starts with: optional sign, then decimal digits up to
// the first other character, clamped to the range of int. A value that does
// not start with a digit (after the sign) reads as 0.
int ProfileReadInt(const char* path, const char* section, const char* key, int default_value);

// The value (or the default) cut to at most capacity - 1 bytes.
std::string ProfileReadString(const char* path, const char* section, const char* key,
                              const char* default_value, size_t capacity);
