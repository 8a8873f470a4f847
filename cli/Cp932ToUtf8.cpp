// Code page 932 to UTF-8 through iconv, one invalid byte at a time replaced.
#include "cli/Cp932ToUtf8.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Owns one conversion descriptor.
class Converter {
 public:
  Converter() : descriptor_(iconv_open("UTF-8", "CP932")) {}
  ~Converter() {
    if (valid()) iconv_close(descriptor_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return descriptor_; }

 private:
  iconv_t descriptor_;
};

// Every byte as it is, except bytes 0x80 and above as U+FFFD: what is left
// when the C library has no code page 932 converter.
std::string AsciiOnly(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out.push_back(c);
    } else {
      out.append(kReplacementCharacter);
    }
  }
  return out;
}

// What the converter makes of one character.
struct Conversion {
  enum State : uint8_t { Unknown, Character, Invalid, Incomplete };
  State state = Unknown;
  uint8_t length = 0;
  char utf8[6] = {};
};

// Code page 932 is stateless: a character converts the same wherever it
// stands. So each distinct character goes through iconv once, and its answer
// is kept: tables for the single bytes from 0x80 and for the byte pairs.
class CharacterTable {
 public:
  bool valid() const { return converter_.valid(); }

  const Conversion& Single(uint8_t byte) {
    Conversion& entry = singles_[byte - 0x80];
    if (entry.state == Conversion::Unknown) entry = Convert({byte});
    return entry;
  }

  const Conversion& Pair(uint8_t lead, uint8_t trail) {
    if (pairs_.empty()) pairs_.resize(128 * 256);
    Conversion& entry = pairs_[(lead - 0x80) * 256 + trail];
    if (entry.state == Conversion::Unknown) entry = Convert({lead, trail});
    return entry;
  }

 private:
  Conversion Convert(std::initializer_list<uint8_t> bytes) {
    char input[2];
    size_t in_left = 0;
    for (uint8_t b : bytes) input[in_left++] = static_cast<char>(b);
    Conversion result;
    char* in = input;
    char* to = result.utf8;
    size_t to_left = sizeof result.utf8;
    iconv(converter_.get(), nullptr, nullptr, nullptr, nullptr);
    const size_t converted = iconv(converter_.get(), &in, &in_left, &to, &to_left);
    if (converted == static_cast<size_t>(-1)) {
      result.state = errno == EINVAL ? Conversion::Incomplete : Conversion::Invalid;
    } else {
      result.state = in_left == 0 ? Conversion::Character : Conversion::Invalid;
    }
    result.length = static_cast<uint8_t>(to - result.utf8);
    return result;
  }

  Converter converter_;
  Conversion singles_[128];
  std::vector<Conversion> pairs_;  // lead byte from 0x80, then any trail byte
};

// The end of the run of ASCII bytes that starts at `at`: eight bytes at a time,
// since most of what the tool prints is ASCII.
size_t AsciiRunEnd(std::string_view text, size_t at) {
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  while (at + 8 <= text.size()) {
    uint64_t word;
    std::memcpy(&word, text.data() + at, sizeof word);
    if ((word & kHighBits) != 0) break;
    at += 8;
  }
  while (at < text.size() && static_cast<uint8_t>(text[at]) < 0x80) ++at;
  return at;
}

}  // namespace

void AppendCp932AsUtf8(std::string_view text, std::string& out) {
  // Opening a converter costs far more than converting a line, and a command
  // prints millions of lines: each thread keeps one, with its table.
  static thread_local CharacterTable table;
  if (!table.valid()) {
    out += AsciiOnly(text);
    return;
  }
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte < 0x80) {
      const size_t end = AsciiRunEnd(text, i + 1);
      out.append(text.data() + i, end - i);
      i = end;
      continue;
    }
    const Conversion* found = &table.Single(byte);
    size_t length = 1;
    if (found->state == Conversion::Incomplete && i + 1 < text.size()) {
      found = &table.Pair(byte, static_cast<uint8_t>(text[i + 1]));
      length = 2;
    }
    if (found->state == Conversion::Character) {
      out.append(found->utf8, found->length);
      i += length;
    } else {
      // Like iconv after an invalid sequence: one byte is replaced, and
      // conversion goes on with the next.
      out.append(kReplacementCharacter);
      ++i;
    }
  }
}

std::string Cp932ToUtf8(std::string_view text) {
  std::string out;
  AppendCp932AsUtf8(text, out);
  return out;
}

std::string MaskControlCharacters(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '.';
  }
  return out;
}
