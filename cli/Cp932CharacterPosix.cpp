// iconv's code page 932 converter, one descriptor per thread: opening one
// costs far more than converting a character.
#include <iconv.h>

#include <cerrno>

#include "cli/Cp932Character.h"

namespace {

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

Converter& ThreadConverter() {
  static thread_local Converter converter;
  return converter;
}

}  // namespace

bool Cp932ConverterAvailable() {
  return ThreadConverter().valid();
}

Cp932Character ConvertCp932Character(const uint8_t* bytes, size_t count) {
  Converter& converter = ThreadConverter();
  char input[2] = {};
  for (size_t i = 0; i < count && i < sizeof input; ++i) input[i] = static_cast<char>(bytes[i]);
  Cp932Character result;
  char* in = input;
  size_t in_left = count < sizeof input ? count : sizeof input;
  char* to = result.utf8;
  size_t to_left = sizeof result.utf8;
  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  const size_t converted = iconv(converter.get(), &in, &in_left, &to, &to_left);
  if (converted == static_cast<size_t>(-1)) {
    result.state = errno == EINVAL ? Cp932Character::Incomplete : Cp932Character::Invalid;
  } else {
    result.state = in_left == 0 ? Cp932Character::Character : Cp932Character::Invalid;
  }
  result.length = static_cast<uint8_t>(to - result.utf8);
  return result;
}
