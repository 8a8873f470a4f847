// One code page 932 character in UTF-8, as the platform's converter sees it:
// iconv on POSIX systems, MultiByteToWideChar on Windows. Cp932ToUtf8 asks
// once for each distinct character and keeps the answers.
#pragma once

#include <cstddef>
#include <cstdint>

struct Cp932Character {
  enum State : uint8_t { Unknown, Character, Invalid, Incomplete };
  State state = Unknown;
  uint8_t length = 0;  // bytes of utf8 in use
  char utf8[6] = {};
};

// false when the platform has no code page 932 converter.
bool Cp932ConverterAvailable();

// Converts one byte from 0x80 up, or a lead byte and the byte after it:
// Character, Invalid, or Incomplete for a lead byte on its own.
Cp932Character ConvertCp932Character(const uint8_t* bytes, size_t count);
