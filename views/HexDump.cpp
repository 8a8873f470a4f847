// Hex dump lines for the hex pane and the detail tree.
#include "views/HexDump.h"

#include <new>
#include <string>

const char kHexDumpFrameLine[] =
    "==========================================================================";
const char kHexDumpRuler[] =
    "       | 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF";
const char kHexDumpSeparator[] =
    "------------------------------------------------+-------------------------";

static_assert(sizeof kHexDumpFrameLine - 1 == kHexDumpLineLength);
static_assert(sizeof kHexDumpRuler - 1 == kHexDumpLineLength);
static_assert(sizeof kHexDumpSeparator - 1 == kHexDumpLineLength);

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The character column shows line breaks (CR, LF and the vertical tab) as "."
// so that a row stays one line, and NUL as a blank; every other byte as it is.
char ShownCharacter(uint8_t b) {
  if (b == 0x0D || b == 0x0A || b == 0x0B) return '.';
  if (b == 0x00) return ' ';
  return static_cast<char>(b);
}

}  // namespace

int32_t HexDumpRowCount(int32_t count) {
  return count / 16 + (count % 16 != 0 ? 1 : 0);
}

void FormatHexDumpRow(char* out, const uint8_t* bytes, int32_t count, int32_t row) {
  char* at = out;
  // "%06d | ": the row number, not the byte offset.
  char digits[10];
  int digit_count = 0;
  uint32_t number = row < 0 ? 0 : static_cast<uint32_t>(row);
  do {
    digits[digit_count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  while (digit_count < 6) digits[digit_count++] = '0';
  while (digit_count > 0) *at++ = digits[--digit_count];
  *at++ = ' ';
  *at++ = '|';
  *at++ = ' ';
  const int64_t first = int64_t{row} * 16;
  for (int64_t i = first; i < first + 16; ++i) {
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
  for (int64_t i = first; i < first + 16; ++i) *at++ = i < count ? ShownCharacter(bytes[i]) : ' ';
  *at = '\0';
}

void ShowHexDump(HexPane& hex, const uint8_t* bytes, uint32_t size) {
  const int32_t count = static_cast<int32_t>(size < kHexPaneMaxBytes ? size : kHexPaneMaxBytes);
  const int32_t rows = HexDumpRowCount(count);
  constexpr size_t kLine = kHexDumpLineLength + 2;
  std::string text;
  try {
    text.reserve((4 + static_cast<size_t>(rows)) * kLine);
  } catch (const std::bad_alloc&) {
    return;
  }
  auto add_line = [&text](const char* line) {
    text.append(line);
    text.append("\r\n");
  };
  add_line(kHexDumpFrameLine);
  add_line(kHexDumpRuler);
  add_line(kHexDumpSeparator);
  char row_text[kHexDumpRowCapacity];
  for (int32_t row = 0; row < rows; ++row) {
    FormatHexDumpRow(row_text, bytes, count, row);
    add_line(row_text);
  }
  add_line(kHexDumpFrameLine);
  hex.ShowDumpText(text.c_str());
}

void AddHexDumpToTree(TreePane& tree, TreePane::Item parent, const uint8_t* bytes, int32_t count) {
  tree.InsertItem(parent, kHexDumpFrameLine);
  tree.InsertItem(parent, kHexDumpRuler);
  tree.InsertItem(parent, kHexDumpSeparator);
  const int32_t shown = count < static_cast<int32_t>(kHexPaneMaxBytes)
                            ? count
                            : static_cast<int32_t>(kHexPaneMaxBytes);
  const int32_t rows = HexDumpRowCount(shown);
  char row_text[kHexDumpRowCapacity];
  for (int32_t row = 0; row < rows; ++row) {
    FormatHexDumpRow(row_text, bytes, shown, row);
    tree.InsertItem(parent, row_text);
  }
  tree.InsertItem(parent, kHexDumpFrameLine);
}
