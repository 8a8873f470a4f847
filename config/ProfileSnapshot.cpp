// Parsed settings file: one pass over the lines builds a map per section.
#include "config/ProfileSnapshot.h"

#include "config/ProfileText.h"

size_t ProfileSnapshot::CaseInsensitiveHash::operator()(std::string_view s) const {
  size_t h = 14695981039346656037ull;
  for (const char c : s) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    h = (h ^ static_cast<unsigned char>(lower)) * 1099511628211ull;
  }
  return h;
}

bool ProfileSnapshot::CaseInsensitiveEqual::operator()(std::string_view a,
                                                       std::string_view b) const {
  return ProfileNamesEqual(a, b);
}

void ProfileSnapshot::Assign(std::string text) {
  sections_.clear();
  section_index_.clear();
  text_ = std::move(text);
  try {
    ProfileLineReader reader(text_);
    ProfileLine line;
    // Keys of a repeated section, and those above the first section, are
    // unreachable: they are read past without a section to hold them.
    Section* current = nullptr;
    while (reader.Next(line)) {
      if (line.kind == ProfileLineKind::kSection) {
        current = nullptr;
        if (section_index_.emplace(line.name, sections_.size()).second) {
          current = &sections_.emplace_back();
        }
      } else if (line.kind == ProfileLineKind::kKey && current != nullptr) {
        if (current->values.emplace(line.name, line.value).second) {
          current->key_names.push_back(line.name);
        }
      }
    }
  } catch (...) {
    sections_.clear();
    section_index_.clear();
    text_.clear();
    throw;
  }
}

const ProfileSnapshot::Section* ProfileSnapshot::FindSection(std::string_view name) const {
  const auto it = section_index_.find(name);
  return it == section_index_.end() ? nullptr : &sections_[it->second];
}

std::optional<std::string_view> ProfileSnapshot::Find(std::string_view section,
                                                      std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  const auto it = s->values.find(key);
  if (it == s->values.end()) return std::nullopt;
  return it->second;
}

int ProfileSnapshot::ReadInt(std::string_view section, std::string_view key,
                             int default_value) const {
  const std::optional<std::string_view> value = Find(section, key);
  return value ? ProfileValueToInt(*value) : default_value;
}

std::string ProfileSnapshot::ReadString(std::string_view section, std::string_view key,
                                        std::string_view default_value, size_t capacity) const {
  return CutToCapacity(Find(section, key).value_or(default_value), capacity);
}

std::vector<std::string_view> ProfileSnapshot::KeyNames(std::string_view section) const {
  const Section* s = FindSection(section);
  return s == nullptr ? std::vector<std::string_view>{} : s->key_names;
}
