// UTF-16 to code page 932 with Windows' own table. Best-fit mappings are
// turned off: they would read a character code page 932 lacks as a look-alike
// ('¥' as '\', which ends a path), and iconv's table has none.
#include <windows.h>

#include "config/SettingsText.h"

std::string Utf16ToCp932(std::u16string_view text) {
  if (text.empty()) return "";
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, units, nullptr, 0, "?", nullptr);
  if (size <= 0) return "";
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, units, out.data(), size, "?", nullptr);
  return out;
}
