// Code page 932 to UTF-8 through the platform's converter, one invalid byte
// at a time replaced.
#include "cli/Cp932ToUtf8.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "cli/Cp932Character.h"

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Every byte as it is, except bytes 0x80 and above as U+FFFD: what is left
// when the platform has no code page 932 converter.
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

// Single bytes that begin no character. Windows' table gives some of them
// private-use characters (0x80 under Wine, 0xA0 and 0xFD-0xFF on some
// versions); refusing them here keeps both builds' output the same.
bool BeginsNoCharacter(uint8_t byte) {
  return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

// Code page 932 is stateless: a character converts the same wherever it
// stands. So each distinct character is converted once, and its answer is
// kept: tables for the single bytes from 0x80 and for the byte pairs.
class CharacterTable {
 public:
  bool valid() const { return valid_; }

  const Cp932Character& Single(uint8_t byte) {
    Cp932Character& entry = singles_[byte - 0x80];
    if (entry.state == Cp932Character::Unknown) {
      entry = BeginsNoCharacter(byte) ? Invalid() : ConvertCp932Character(&byte, 1);
    }
    return entry;
  }

  const Cp932Character& Pair(uint8_t lead, uint8_t trail) {
    if (pairs_.empty()) pairs_.resize(128 * 256);
    Cp932Character& entry = pairs_[(lead - 0x80) * 256 + trail];
    if (entry.state == Cp932Character::Unknown) {
      const uint8_t bytes[2] = {lead, trail};
      entry = ConvertCp932Character(bytes, 2);
    }
    return entry;
  }

 private:
  static Cp932Character Invalid() {
    Cp932Character invalid;
    invalid.state = Cp932Character::Invalid;
    return invalid;
  }

  bool valid_ = Cp932ConverterAvailable();
  Cp932Character singles_[128];
  std::vector<Cp932Character> pairs_;  // lead byte from 0x80, then any trail byte
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
  // A command prints millions of lines: each thread keeps its table.
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
    const Cp932Character* found = &table.Single(byte);
    size_t length = 1;
    if (found->state == Cp932Character::Incomplete && i + 1 < text.size()) {
      found = &table.Pair(byte, static_cast<uint8_t>(text[i + 1]));
      length = 2;
    }
    if (found->state == Cp932Character::Character) {
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
