// The layout of the binary capture file, shared by the program's save and load
// and by every tool that reads or writes such files: a 64-byte signature field
// holding "Kestrel_Scan", a signed 32-bit packet count, then per packet a
// 20-byte record header (size, then the eight 16-bit receive-time fields) and
// the datagram's bytes, up to the end of the file. Every value is
// little-endian and encoded byte by byte, so the format does not depend on the
// host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "packet/CapturedPacket.h"  // SystemTime

inline constexpr size_t kCaptureFileHeaderSize = 68;
inline constexpr size_t kCaptureRecordHeaderSize = 20;
// Largest record a reader accepts: one more than a receive can deliver. A
// larger size marks the file as invalid.
inline constexpr uint32_t kCaptureFileMaxRecordSize = 65536;

// The signature field holding the name, then `count`.
void EncodeCaptureFileHeader(uint8_t* out, uint32_t count);

// The signature field holds the name as a zero-terminated string; what follows
// the terminator is not examined.
bool CaptureFileSignatureMatches(const uint8_t* header);
uint32_t CaptureFileHeaderCount(const uint8_t* header);

// Size, then year, month, day of week, day, hour, minute, second, milliseconds.
void EncodeCaptureRecordHeader(uint8_t* out, uint32_t size, const SystemTime& time);
uint32_t CaptureRecordSize(const uint8_t* record_header);
SystemTime CaptureRecordTime(const uint8_t* record_header);
