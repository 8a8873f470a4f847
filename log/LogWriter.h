// The program's serialised file writers for short entries: error.log goes
// through them (whole saved files go through BufferedFileWriter). Each call
// opens its file, writes and closes it again before it returns, under one
// process-wide lock, so two threads never interleave their output and every
// entry is complete on disk when the call returns. Files are binary: bytes are written exactly as
// given (CR LF included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "log/PrintfFormat.h"

namespace LogWriter {

// Lifecycle markers around the lock's use; the lock itself is a static object,
// valid from program start, so a call outside Init/Destroy is still safe.
int Init();
int Destroy();

// "[YYYY/MM/DD hh:mm:ss]" for the current local time. May throw std::bad_alloc.
std::string TimeStampPrefix();

// Appends the time-stamp prefix "[YYYY/MM/DD hh:mm:ss]" when with_time_stamp is
// 1, then the formatted text. 1 on success, 0 when the file could not be
// opened, written or closed.
int AppendText(const char* path, int with_time_stamp, const char* format, ...)
    KESTREL_PRINTF_FORMAT(3, 4);

// Appends a titled hex-dump block of `count` bytes (16 per row, an ASCII column,
// rulers and a closing empty line).
int AppendHexDump(const char* path, int with_time_stamp, const char* title, const uint8_t* bytes,
                  int32_t count);

// Writes the bytes, emptying the file first when truncate is 1 and appending
// otherwise. With truncate 1 and count 0 it just creates or empties the file.
int WriteBytes(const char* path, int truncate, const void* bytes, size_t count);

}  // namespace LogWriter
