// The format-checking attribute for printf-style functions. The runtime's
// vsnprintf is the C99 one in every build (MinGW's C++ headers select its ANSI
// stdio), but MinGW's GCC checks plain "printf" formats against the Microsoft
// dialect and would reject "%zu" and friends, so MinGW checks GNU formats.
#pragma once

#if defined(__MINGW32__)
#define KESTREL_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define KESTREL_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#endif
