// A read-only window on untrusted packet bytes. Every field is read through an
// accessor that names its width and byte order and yields 0 rather than read at
// or past the end; the decoders check their lengths first, so in practice the
// guard never fires, but no caller can read out of bounds by mistake.
#pragma once

#include <cstdint>

class ByteView {
 public:
  ByteView(const uint8_t* data, int32_t size) : data_(data), size_(size < 0 ? 0 : size) {}

  int32_t size() const { return size_; }

  bool Has(int32_t offset, int32_t count) const {
    return offset >= 0 && count >= 0 && offset <= size_ && count <= size_ - offset;
  }

  uint8_t U8(int32_t offset) const { return Has(offset, 1) ? data_[offset] : 0; }

  uint16_t Be16(int32_t offset) const {
    if (!Has(offset, 2)) return 0;
    return static_cast<uint16_t>((data_[offset] << 8) | data_[offset + 1]);
  }

  uint32_t Be32(int32_t offset) const {
    if (!Has(offset, 4)) return 0;
    return (uint32_t{data_[offset]} << 24) | (uint32_t{data_[offset + 1]} << 16) |
           (uint32_t{data_[offset + 2]} << 8) | uint32_t{data_[offset + 3]};
  }

 private:
  const uint8_t* data_;
  int32_t size_;
};
