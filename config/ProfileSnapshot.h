// A settings file parsed once and indexed, for readers that look up many keys
// of the same contents: the dialog's Load and the packet filter's cached view.
// Look-ups give exactly what FindProfileValue gives on the same text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ProfileSnapshot {
 public:
  ProfileSnapshot() = default;
  // Views point into the held text: neither copied nor moved.
  ProfileSnapshot(const ProfileSnapshot&) = delete;
  ProfileSnapshot& operator=(const ProfileSnapshot&) = delete;

  // Replaces the contents with a parse of `text`. May throw std::bad_alloc,
  // and then holds nothing.
  void Assign(std::string text);

  const std::string& text() const { return text_; }

  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  int ReadInt(std::string_view section, std::string_view key, int default_value) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value, size_t capacity) const;

  // The names of the keys that a look-up in `section` can find, in file order.
  std::vector<std::string_view> KeyNames(std::string_view section) const;

 private:
  struct CaseInsensitiveHash {
    size_t operator()(std::string_view s) const;
  };
  struct CaseInsensitiveEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  template <typename T>
  using NameMap =
      std::unordered_map<std::string_view, T, CaseInsensitiveHash, CaseInsensitiveEqual>;

  struct Section {
    std::vector<std::string_view> key_names;
    NameMap<std::string_view> values;
  };

  const Section* FindSection(std::string_view name) const;

  std::string text_;
  std::vector<Section> sections_;
  NameMap<size_t> section_index_;
};
