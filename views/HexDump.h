// The hex dump shown in the hex pane (the whole datagram) and under the detail
// tree's DATA item (the payload). 74-character lines: a frame, a ruler, a
// separator, one row per 16 bytes ("%06d | " row number, hex pairs, "|", the
// character column) and a closing frame. The file dump of the error log and
// the text report is a different block (log/HexDumpBlock.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "views/Panes.h"

inline constexpr size_t kHexDumpLineLength = 74;
extern const char kHexDumpFrameLine[];  // 74 "="
extern const char kHexDumpRuler[];
extern const char kHexDumpSeparator[];

// The pane and the tree show the dump of up to this many bytes, the largest
// datagram a capture file can carry; the rows of any byte beyond are left out.
// Row numbers then stay below 1,000,000, so every row is 74 characters.
inline constexpr uint32_t kHexPaneMaxBytes = 65536;
// Room for a row with its terminator, also for row numbers of more than six
// digits (which widen the row like "%06d" does).
inline constexpr size_t kHexDumpRowCapacity = kHexDumpLineLength + 4 + 1;

// count / 16, plus one when count % 16 is not 0, both truncating toward zero:
// a count of -1 ... -15 therefore gives one row of blanks.
int32_t HexDumpRowCount(int32_t count);

// Writes data row `row` (>= 0) of the dump of `count` bytes and a terminating
// zero into `out` (capacity >= kHexDumpRowCapacity). Reads only bytes below
// `count`.
void FormatHexDumpRow(char* out, const uint8_t* bytes, int32_t count, int32_t row);

// Replaces the hex pane's text with the dump of the datagram, every line ending
// in CR LF, handed over in one piece.
void ShowHexDump(HexPane& hex, const uint8_t* bytes, uint32_t size);

// Appends the dump lines as the last children of `parent`, one item per line.
void AddHexDumpToTree(TreePane& tree, TreePane::Item parent, const uint8_t* bytes, int32_t count);
