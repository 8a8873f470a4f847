// Code page 932 to UTF-8 through iconv, one invalid byte at a time replaced.
#include "cli/Cp932ToUtf8.h"

#include <iconv.h>

#include <cerrno>

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Owns one conversion descriptor for the length of a call.
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

}  // namespace

std::string Cp932ToUtf8(std::string_view text) {
  Converter converter;
  if (!converter.valid()) return AsciiOnly(text);

  std::string out;
  // A full buffer only makes iconv return early (E2BIG); the loop goes on.
  char buffer[1024];
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  while (in_left > 0) {
    char* to = buffer;
    size_t to_left = sizeof buffer;
    const size_t result = iconv(converter.get(), &in, &in_left, &to, &to_left);
    out.append(buffer, static_cast<size_t>(to - buffer));
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a lead byte at the very end: skip the one byte.
    out.append(kReplacementCharacter);
    ++in;
    --in_left;
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  }
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
