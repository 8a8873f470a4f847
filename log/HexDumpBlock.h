// The titled hex-dump block that the error log and the text report write to
// files: a "%s [size = %d]" heading, three ruler lines, one row per 16 bytes
// (hex pairs, "|" in column 48, the character column with CR and LF as "." and
// NUL as a blank), a closing line of 65 "=" and an empty line. CR LF line ends.
// Pure formatting, shared by LogWriter::AppendHexDump and the text report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A row: 48 hex characters, "|", 16 characters, CR LF.
inline constexpr size_t kHexDumpBlockRowLength = 16 * 3 + 1 + 16 + 2;

// Writes row `first / 16` (bytes first ... first + 15) with its CR LF into `row`
// (capacity >= kHexDumpBlockRowLength). Reads only bytes below `count`. The row
// holds no zero byte; it is not zero-terminated.
void FormatHexDumpBlockRow(char* row, const uint8_t* bytes, int32_t count, int32_t first);

// Appends the whole block to `out`: heading, rulers, rows (none for a count of
// 0 or less), closing line and empty line. false when memory ran out.
bool AppendHexDumpBlock(std::string& out, const char* title, const uint8_t* bytes, int32_t count);
