// Formatting of the titled hex-dump block written to files.
#include "log/HexDumpBlock.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kEqualsLine[] =
    "=================================================================\r\n";
constexpr char kColumnRuler[] =
    "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF\r\n";
constexpr char kHyphenLine[] =
    "------------------------------------------------+----------------\r\n";

// CR and LF would break the row, NUL would end a C string: the character
// column shows them as "." and a blank. Every other byte goes out unchanged.
char ShownCharacter(uint8_t b) {
  if (b == 0x0D || b == 0x0A) return '.';
  if (b == 0x00) return ' ';
  return static_cast<char>(b);
}

}  // namespace

void FormatHexDumpBlockRow(char* row, const uint8_t* bytes, int32_t count, int32_t first) {
  char* at = row;
  const int64_t start = first;
  for (int64_t i = start; i < start + 16; ++i) {
    if (i < count) {
      *at++ = kHexDigits[bytes[i] >> 4];
      *at++ = kHexDigits[bytes[i] & 0x0F];
    } else {
      *at++ = ' ';
      *at++ = ' ';
    }
    *at++ = ' ';
  }
  *at++ = '|';
  for (int64_t i = start; i < start + 16; ++i) *at++ = i < count ? ShownCharacter(bytes[i]) : ' ';
  *at++ = '\r';
  *at = '\n';
}

bool AppendHexDumpBlock(std::string& out, const char* title, const uint8_t* bytes, int32_t count) {
  try {
    char size_text[32];
    std::snprintf(size_text, sizeof size_text, " [size = %d]\r\n", count);
    const size_t rows = count > 0 ? (static_cast<size_t>(count) + 15) / 16 : 0;
    out.reserve(out.size() + std::strlen(title) + sizeof size_text + 4 * sizeof kEqualsLine +
                rows * kHexDumpBlockRowLength);
    out += title;
    out += size_text;
    out += kEqualsLine;
    out += kColumnRuler;
    out += kHyphenLine;
    char row[kHexDumpBlockRowLength];
    for (size_t r = 0; r < rows; ++r) {
      FormatHexDumpBlockRow(row, bytes, count, static_cast<int32_t>(r * 16));
      out.append(row, sizeof row);
    }
    out += kEqualsLine;
    out += "\r\n";
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
