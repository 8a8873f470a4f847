// UTF-16 to code page 932 through iconv, a call per run of convertible units:
// iconv stops at a unit the table lacks, which becomes '?'.
#include <iconv.h>

#include <cerrno>

#include "config/SettingsText.h"

std::string Utf16ToCp932(std::u16string_view text) {
  std::string out;
  const iconv_t converter = iconv_open("CP932", "UTF-16LE");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    // Without the table only ASCII is known.
    for (const char16_t unit : text) out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    return out;
  }
  // The units as little-endian bytes, whatever the host's order.
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  out.reserve(text.size());
  char* in = bytes.data();
  size_t in_left = bytes.size();
  while (in_left > 0) {
    char chunk[4096];
    char* next = chunk;
    size_t room = sizeof chunk;
    const size_t result = iconv(converter, &in, &in_left, &next, &room);
    out.append(chunk, static_cast<size_t>(next - chunk));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    out.push_back('?');
    if (in_left < 2) break;
    in += 2;
    in_left -= 2;
  }
  iconv_close(converter);
  return out;
}
