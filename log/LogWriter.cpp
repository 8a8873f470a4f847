// The short file writers behind the error log. Each call builds its whole output in memory first
// and hands it to the file in one unbuffered write between open and close, under the log lock: an
// entry is complete in the file when the call returns, and the per-call cost is just the three
// system calls.
#include "log/LogWriter.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>

#include "log/HexDumpBlock.h"
#include "log/SystemTime.h"
#include "log/WriteOnlyFile.h"

namespace {

std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

int WriteWhole(const char* path, bool truncate, const void* bytes, size_t count) {
  std::lock_guard<std::mutex> guard(LogLock());
  WriteOnlyFile file(path, truncate);
  if (!file.IsOpen()) return 0;
  const bool written = file.Write(bytes, count);
  const bool closed = file.Close();
  return written && closed ? 1 : 0;
}

bool AppendFormattedV(std::string& out, const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) return false;
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(length) + 1);
  std::vsnprintf(out.data() + start, static_cast<size_t>(length) + 1, format, args);
  out.resize(start + static_cast<size_t>(length));
  return true;
}

}  // namespace

namespace LogWriter {

int Init() {
  return 1;
}

std::string TimeStampPrefix() {
  const SystemTime now = CurrentLocalTime();
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "[%04d/%02d/%02d %02d:%02d:%02d]", now.year, now.month,
                now.day, now.hour, now.minute, now.second);
  return prefix;
}

int Destroy() {
  return 1;
}

int AppendText(const char* path, int with_time_stamp, const char* format, ...) {
  std::string text;
  bool formatted = false;
  try {
    if (with_time_stamp == 1) text = TimeStampPrefix();
    va_list args;
    va_start(args, format);
    formatted = AppendFormattedV(text, format, args);
    va_end(args);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (!formatted) return 0;
  return WriteWhole(path, false, text.data(), text.size());
}

int AppendHexDump(const char* path, int with_time_stamp, const char* title, const uint8_t* bytes,
                  int32_t count) {
  std::string block;
  try {
    if (with_time_stamp == 1) block = TimeStampPrefix();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (!AppendHexDumpBlock(block, title, bytes, bytes != nullptr ? count : 0)) return 0;
  return WriteWhole(path, false, block.data(), block.size());
}

int WriteBytes(const char* path, int truncate, const void* bytes, size_t count) {
  return WriteWhole(path, truncate == 1, bytes, count);
}

}  // namespace LogWriter
