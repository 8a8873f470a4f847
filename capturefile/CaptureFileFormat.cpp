// Little-endian fields of the capture file, one byte at a time.
#include "capturefile/CaptureFileFormat.h"

#include <cstring>

namespace {

constexpr char kSignature[] = "Kestrel_Scan";
constexpr size_t kSignatureFieldSize = 64;

void PutLe16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetLe16(const uint8_t* in) {
  return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

uint32_t GetLe32(const uint8_t* in) {
  return uint32_t{in[0]} | (uint32_t{in[1]} << 8) | (uint32_t{in[2]} << 16) |
         (uint32_t{in[3]} << 24);
}

}  // namespace

void EncodeCaptureFileHeader(uint8_t* out, uint32_t count) {
  std::memset(out, 0, kSignatureFieldSize);
  std::memcpy(out, kSignature, sizeof kSignature - 1);
  PutLe32(out + kSignatureFieldSize, count);
}

bool CaptureFileSignatureMatches(const uint8_t* header) {
  return std::memcmp(header, kSignature, sizeof kSignature) == 0;
}

uint32_t CaptureFileHeaderCount(const uint8_t* header) {
  return GetLe32(header + kSignatureFieldSize);
}

void EncodeCaptureRecordHeader(uint8_t* out, uint32_t size, const SystemTime& t) {
  PutLe32(out, size);
  const uint16_t fields[8] = {t.year, t.month,  t.day_of_week, t.day,
                              t.hour, t.minute, t.second,      t.milliseconds};
  for (int i = 0; i < 8; ++i) PutLe16(out + 4 + 2 * i, fields[i]);
}

uint32_t CaptureRecordSize(const uint8_t* record_header) {
  return GetLe32(record_header);
}

SystemTime CaptureRecordTime(const uint8_t* in) {
  SystemTime t;
  t.year = GetLe16(in + 4);
  t.month = GetLe16(in + 6);
  t.day_of_week = GetLe16(in + 8);
  t.day = GetLe16(in + 10);
  t.hour = GetLe16(in + 12);
  t.minute = GetLe16(in + 14);
  t.second = GetLe16(in + 16);
  t.milliseconds = GetLe16(in + 18);
  return t;
}
