// Line classification and value conversion for settings files.
#include "config/ProfileText.h"

#include <climits>

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    return s.substr(1, s.size() - 2);
  }
  return s;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

ProfileLine Classify(std::string_view line) {
  ProfileLine out;
  line = Trim(line);
  if (line.empty() || line.front() == '#' || line.front() == ';') return out;
  if (line.front() == '[') {
    const size_t close = line.find(']');
    if (close != std::string_view::npos) {
      out.kind = ProfileLineKind::kSection;
      out.name = Trim(line.substr(1, close - 1));
      return out;
    }
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return out;
  out.kind = ProfileLineKind::kKey;
  out.name = Trim(line.substr(0, equals));
  out.value = Unquote(Trim(line.substr(equals + 1)));
  return out;
}

}  // namespace

bool ProfileLineReader::Next(ProfileLine& out) {
  if (rest_.empty()) return false;
  const size_t end = rest_.find_first_of("\r\n");
  const std::string_view line = rest_.substr(0, end);
  if (end == std::string_view::npos) {
    rest_ = {};
  } else {
    const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
    rest_.remove_prefix(end + (crlf ? 2 : 1));
  }
  out = Classify(line);
  return true;
}

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key) {
  ProfileLineReader reader(text);
  ProfileLine line;
  bool inside = false;
  while (reader.Next(line)) {
    if (line.kind == ProfileLineKind::kSection) {
      // Only the first section of the name counts: a later one of the same
      // name is not searched, whether or not the first holds the key.
      if (inside) return std::nullopt;
      inside = ProfileNamesEqual(line.name, section);
    } else if (inside && line.kind == ProfileLineKind::kKey && ProfileNamesEqual(line.name, key)) {
      return line.value;
    }
  }
  return std::nullopt;
}

int64_t LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude > (INT64_MAX - 9) / 10) {
      magnitude = INT64_MAX;
      continue;
    }
    magnitude = magnitude * 10 + (text[i] - '0');
  }
  return negative ? -magnitude : magnitude;
}

int ProfileValueToInt(std::string_view value) {
  const int64_t v = LeadingInteger(value);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

std::string CutToCapacity(std::string_view text, size_t capacity) {
  if (capacity == 0) return {};
  return std::string(text.substr(0, capacity - 1));
}
