// The text rules of settings files, shared by the one-shot readers
// (ProfileFile.h) and the parsed snapshot (ProfileSnapshot.h) so both read a
// file the same way. Pure functions over bytes: no files, no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class ProfileLineKind { kSection, kKey, kOther };

// One line of a settings file. For a section, `name` is the text between the
// brackets; for a key, `name` is the text before the first "=" and `value`
// the text after it, both trimmed, the value also unquoted. Views into the text.
struct ProfileLine {
  ProfileLineKind kind = ProfileLineKind::kOther;
  std::string_view name;
  std::string_view value;
};

// Walks the lines of a settings file. CR LF, LF and a lone CR all end a line.
class ProfileLineReader {
 public:
  explicit ProfileLineReader(std::string_view text) : rest_(text) {}
  bool Next(ProfileLine& out);

 private:
  std::string_view rest_;
};

// Section and key names match regardless of ASCII letter case.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

// The value of `key` in the first section named `section`, or nothing when the
// section or the key is missing.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

// The integer a text starts with, the way strtol reads decimal: leading blanks,
// an optional sign, the digits up to the first other character; 0 without
// digits. Saturates instead of overflowing.
int64_t LeadingInteger(std::string_view text);

// LeadingInteger clamped to the range of int: what an integer key reads as.
int ProfileValueToInt(std::string_view value);

// The first capacity - 1 bytes of the text (nothing for capacity 0 or 1).
std::string CutToCapacity(std::string_view text, size_t capacity);
