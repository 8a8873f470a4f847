// printf-style formatting appended after the text already in a fixed-capacity
// buffer. Never writes past `capacity` bytes in all; the text is cut when it
// does not fit and always ends in a zero byte.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "log/PrintfFormat.h"

char* AppendFormat(char* buffer, size_t capacity, const char* format, ...)
    KESTREL_PRINTF_FORMAT(3, 4);
char* AppendFormatV(char* buffer, size_t capacity, const char* format, va_list args);
