// Windows' own code page 932 table: MultiByteToWideChar refuses what is no
// character (MB_ERR_INVALID_CHARS), IsDBCSLeadByteEx tells a lead byte, and
// the one UTF-16 unit becomes UTF-8. Tried under Wine against glibc's iconv
// for every byte and every pair that starts with a lead byte: they agree but
// for the byte 0x80, which Cp932ToUtf8 refuses on both platforms.
#include <windows.h>

#include "cli/Cp932Character.h"

namespace {

constexpr UINT kCodePage = 932;

}  // namespace

bool Cp932ConverterAvailable() {
  return IsValidCodePage(kCodePage) != 0;
}

Cp932Character ConvertCp932Character(const uint8_t* bytes, size_t count) {
  Cp932Character result;
  if (count == 1 && IsDBCSLeadByteEx(kCodePage, bytes[0])) {
    result.state = Cp932Character::Incomplete;
    return result;
  }
  wchar_t wide[2];
  const int units =
      MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                          static_cast<int>(count), wide, 2);
  const int length = units == 1 ? WideCharToMultiByte(CP_UTF8, 0, wide, 1, result.utf8,
                                                      sizeof result.utf8, nullptr, nullptr)
                                : 0;
  result.state = length > 0 ? Cp932Character::Character : Cp932Character::Invalid;
  result.length = static_cast<uint8_t>(length > 0 ? length : 0);
  return result;
}
