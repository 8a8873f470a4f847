// AppendFormat: printf-style text appended inside a fixed-capacity buffer.
#include "log/AppendFormat.h"

#include <cstdio>
#include <cstring>

char* AppendFormatV(char* buffer, size_t capacity, const char* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return buffer;
  const size_t used = strnlen(buffer, capacity);
  if (used >= capacity) {
    // No terminator inside the capacity: the best safe repair is to end it there.
    buffer[capacity - 1] = '\0';
    return buffer;
  }
  std::vsnprintf(buffer + used, capacity - used, format, args);
  return buffer;
}

char* AppendFormat(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer, capacity, format, args);
  va_end(args);
  return buffer;
}
