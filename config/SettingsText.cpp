// Byte-order marks and the UTF-16 code units; the table lookup is the
// platform's (SettingsTextPosix.cpp, SettingsTextWindows.cpp).
#include "config/SettingsText.h"

#include "config/WholeFile.h"

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The units of the little-endian bytes after the mark (an odd last byte is no
// unit), with each surrogate pair and each lone surrogate as one '?'.
std::u16string UnitsWithoutSurrogates(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const auto unit = static_cast<char16_t>(static_cast<uint8_t>(bytes[at]) |
                                            static_cast<uint8_t>(bytes[at + 1]) << 8);
    if (IsHighSurrogate(unit) && at + 3 < bytes.size()) {
      const auto next = static_cast<char16_t>(static_cast<uint8_t>(bytes[at + 2]) |
                                              static_cast<uint8_t>(bytes[at + 3]) << 8);
      if (IsLowSurrogate(next)) at += 2;
    }
    units.push_back(IsHighSurrogate(unit) || IsLowSurrogate(unit) ? u'?' : unit);
  }
  return units;
}

}  // namespace

std::string SettingsTextOfBytes(std::string bytes) {
  const std::string_view view(bytes);
  if (view.substr(0, kUtf8Mark.size()) == kUtf8Mark) return bytes.substr(kUtf8Mark.size());
  if (view.substr(0, kUtf16LeMark.size()) == kUtf16LeMark) {
    return Utf16ToCp932(UnitsWithoutSurrogates(view.substr(kUtf16LeMark.size())));
  }
  return bytes;
}

bool ReadSettingsText(const char* path, std::string& out) {
  if (!ReadWholeFile(path, out)) return false;
  out = SettingsTextOfBytes(std::move(out));
  return true;
}
