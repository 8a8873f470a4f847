// Header decoders: the length test first, then plain reads through ByteView.
// Nothing else is validated (version, checksums, total length, an IHL below 5):
// the views show whatever the wire carried.
#include "packet/HeaderDecoders.h"

#include "packet/ByteView.h"

namespace {

// Offset of the transport header: the IHL of byte 0, read by each transport
// decoder itself so it does not depend on DecodeIpHeader having run.
int32_t TransportOffset(const ByteView& v) {
  return 4 * (v.U8(0) & 0x0F);
}

bool LongEnough(int32_t size, int32_t fixed_minimum, int32_t transport_bytes,
                const uint8_t* bytes) {
  if (bytes == nullptr || size < fixed_minimum) return false;
  const ByteView v(bytes, size);
  return size >= TransportOffset(v) + transport_bytes;
}

}  // namespace

bool DecodeIpHeader(IpHeader& out, const uint8_t* bytes, int32_t size) {
  if (bytes == nullptr || size < 20) return false;
  const ByteView v(bytes, size);
  out.version = v.U8(0) >> 4;
  out.header_length = v.U8(0) & 0x0F;
  out.type_of_service = v.U8(1);
  out.total_length = v.Be16(2);
  out.identification = v.Be16(4);
  out.flags = v.U8(6) >> 5;
  out.fragment_offset = v.Be16(6) & 0x1FFF;
  out.time_to_live = v.U8(8);
  out.protocol = v.U8(9);
  out.checksum = v.Be16(10);
  for (int i = 0; i < 4; ++i) {
    out.source[i] = v.U8(12 + i);
    out.destination[i] = v.U8(16 + i);
  }
  return true;
}

bool DecodeIcmpHeader(IcmpHeader& out, const uint8_t* bytes, int32_t size) {
  if (!LongEnough(size, 24, 4, bytes)) return false;
  const ByteView v(bytes, size);
  const int32_t o = TransportOffset(v);
  out.type = v.U8(o);
  out.code = v.U8(o + 1);
  out.checksum = v.Be16(o + 2);
  return true;
}

bool DecodeTcpHeader(TcpHeader& out, const uint8_t* bytes, int32_t size) {
  if (!LongEnough(size, 40, 20, bytes)) return false;
  const ByteView v(bytes, size);
  const int32_t o = TransportOffset(v);
  out.source_port = v.Be16(o);
  out.destination_port = v.Be16(o + 2);
  out.sequence_number = v.Be32(o + 4);
  out.acknowledgement_number = v.Be32(o + 8);
  out.data_offset = v.U8(o + 12) >> 4;
  out.reserved = static_cast<uint8_t>((v.U8(o + 12) & 0x0F) | (v.U8(o + 13) & 0xC0));
  out.control_flags = v.U8(o + 13) & 0x3F;
  out.window = v.Be16(o + 14);
  out.checksum = v.Be16(o + 16);
  out.urgent_pointer = v.Be16(o + 18);
  return true;
}

bool DecodeUdpHeader(UdpHeader& out, const uint8_t* bytes, int32_t size) {
  if (!LongEnough(size, 28, 8, bytes)) return false;
  const ByteView v(bytes, size);
  const int32_t o = TransportOffset(v);
  out.source_port = v.Be16(o);
  out.destination_port = v.Be16(o + 2);
  out.length = v.Be16(o + 4);
  out.checksum = v.Be16(o + 6);
  return true;
}
