// File writers behind the error log, the capture file and the text report.
#include "log/LogWriter.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "log/AppendFormat.h"
#include "packet/SystemTime.h"

namespace {

std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

// Writes the "[YYYY/MM/DD hh:mm:ss]" prefix of the current local time.
bool WriteTimeStamp(FILE* file) {
  const SystemTime now = CurrentLocalTime();
  return std::fprintf(file, "[%04d/%02d/%02d %02d:%02d:%02d]", now.year, now.month, now.day,
                      now.hour, now.minute, now.second) > 0;
}

bool WriteString(FILE* file, const char* text) {
  const size_t length = std::strlen(text);
  return std::fwrite(text, 1, length, file) == length;
}

// One 16-byte row of the file hex dump: hex pairs, "|" in column 48, the text
// column (CR and LF as ".", NUL as a blank, every other byte as it is), CR LF.
void FormatDumpRow(char* row, size_t capacity, const uint8_t* bytes, int32_t count, int32_t first) {
  std::memset(row, 0, capacity);
  for (int32_t i = first; i < first + 16; ++i) {
    if (i < count) {
      AppendFormat(row, capacity, "%02X ", bytes[i]);
    } else {
      AppendFormat(row, capacity, "   ");
    }
  }
  AppendFormat(row, capacity, "|");
  size_t at = std::strlen(row);
  for (int32_t i = first; i < first + 16; ++i) {
    char c = ' ';
    if (i < count) {
      const uint8_t b = bytes[i];
      c = (b == 0x0D || b == 0x0A) ? '.' : (b == 0x00 ? ' ' : static_cast<char>(b));
    }
    row[at++] = c;
  }
  row[at++] = '\r';
  row[at++] = '\n';
  row[at] = '\0';
}

// Row text may contain NUL-free binary bytes, so rows are written by length.
constexpr size_t kDumpRowLength = 16 * 3 + 1 + 16 + 2;

}  // namespace

namespace LogWriter {

int Init() {
  return 1;
}

int Destroy() {
  return 1;
}

int AppendText(const char* path, int with_time_stamp, const char* format, ...) {
  std::lock_guard<std::mutex> guard(LogLock());
  FILE* file = std::fopen(path, "ab");
  if (file == nullptr) return 0;
  bool ok = true;
  if (with_time_stamp == 1) ok = WriteTimeStamp(file);
  if (ok) {
    va_list args;
    va_start(args, format);
    ok = std::vfprintf(file, format, args) >= 0;
    va_end(args);
  }
  const bool closed = std::fclose(file) == 0;
  return ok && closed ? 1 : 0;
}

int AppendHexDump(const char* path, int with_time_stamp, const char* title, const uint8_t* bytes,
                  int32_t count) {
  std::lock_guard<std::mutex> guard(LogLock());
  FILE* file = std::fopen(path, "ab");
  if (file == nullptr) return 0;
  if (with_time_stamp == 1) WriteTimeStamp(file);
  std::fprintf(file, "%s [size = %d]\r\n", title, count);
  WriteString(file, "=================================================================\r\n");
  WriteString(file, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF\r\n");
  WriteString(file, "------------------------------------------------+----------------\r\n");
  if (bytes != nullptr && count > 0) {
    char row[1024];
    for (int32_t first = 0; first < count; first += 16) {
      FormatDumpRow(row, sizeof row, bytes, count, first);
      std::fwrite(row, 1, kDumpRowLength, file);
    }
  }
  WriteString(file, "=================================================================\r\n\r\n");
  return std::fclose(file) == 0 ? 1 : 0;
}

int WriteBytes(const char* path, int truncate, const void* bytes, size_t count) {
  std::lock_guard<std::mutex> guard(LogLock());
  FILE* file = std::fopen(path, truncate == 1 ? "wb" : "ab");
  if (file == nullptr) return 0;
  const bool written = count == 0 || std::fwrite(bytes, 1, count, file) == count;
  const bool closed = std::fclose(file) == 0;
  return written && closed ? 1 : 0;
}

}  // namespace LogWriter
