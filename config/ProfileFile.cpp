// One-shot profile readers: read the file, find the key, convert, forget.
#include "config/ProfileFile.h"

#include <new>
#include <optional>
#include <string_view>

#include "config/ProfileText.h"
#include "config/SettingsText.h"

namespace {

// The key's value copied out of the file, or nothing for a missing file,
// section or key (or a file too large to hold in memory).
std::optional<std::string> LookUp(const char* path, const char* section, const char* key) {
  if (path == nullptr || section == nullptr || key == nullptr) return std::nullopt;
  try {
    std::string text;
    if (!ReadSettingsText(path, text)) return std::nullopt;
    const std::optional<std::string_view> value = FindProfileValue(text, section, key);
    if (!value) return std::nullopt;
    return std::string(*value);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace

int ProfileReadInt(const char* path, const char* section, const char* key, int default_value) {
  const std::optional<std::string> value = LookUp(path, section, key);
  return value ? ProfileValueToInt(*value) : default_value;
}

std::string ProfileReadString(const char* path, const char* section, const char* key,
                              const char* default_value, size_t capacity) {
  const std::optional<std::string> value = LookUp(path, section, key);
  if (value) return CutToCapacity(*value, capacity);
  return CutToCapacity(default_value == nullptr ? "" : default_value, capacity);
}
