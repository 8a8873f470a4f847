// Fuzzes the four header decoders with arbitrary datagrams. Besides the
// sanitizers watching every read, it checks the decoders' contract: success
// exactly when the length rules allow it, every field written on success
// (two differently pre-filled outputs decode alike), and an output left
// untouched on failure.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "packet/HeaderDecoders.h"

namespace {

// The decoders' length rules: a fixed minimum, and room for the transport
// header behind the IHL the datagram states.
bool ShouldDecode(const uint8_t* bytes, int32_t size, int32_t fixed_minimum,
                  int32_t transport_bytes) {
  if (size < fixed_minimum) return false;
  if (transport_bytes == 0) return true;
  return size >= 4 * (bytes[0] & 0x0F) + transport_bytes;
}

template <typename Header>
bool SameFields(const Header& a, const Header& b);

template <>
bool SameFields(const IpHeader& a, const IpHeader& b) {
  return a.version == b.version && a.header_length == b.header_length &&
         a.type_of_service == b.type_of_service && a.total_length == b.total_length &&
         a.identification == b.identification && a.flags == b.flags &&
         a.fragment_offset == b.fragment_offset && a.time_to_live == b.time_to_live &&
         a.protocol == b.protocol && a.checksum == b.checksum &&
         std::memcmp(a.source, b.source, 4) == 0 &&
         std::memcmp(a.destination, b.destination, 4) == 0;
}

template <>
bool SameFields(const IcmpHeader& a, const IcmpHeader& b) {
  return a.type == b.type && a.code == b.code && a.checksum == b.checksum;
}

template <>
bool SameFields(const TcpHeader& a, const TcpHeader& b) {
  return a.source_port == b.source_port && a.destination_port == b.destination_port &&
         a.sequence_number == b.sequence_number &&
         a.acknowledgement_number == b.acknowledgement_number && a.data_offset == b.data_offset &&
         a.reserved == b.reserved && a.control_flags == b.control_flags && a.window == b.window &&
         a.checksum == b.checksum && a.urgent_pointer == b.urgent_pointer;
}

template <>
bool SameFields(const UdpHeader& a, const UdpHeader& b) {
  return a.source_port == b.source_port && a.destination_port == b.destination_port &&
         a.length == b.length && a.checksum == b.checksum;
}

template <typename Header>
Header Filled(uint8_t value) {
  Header h;
  std::memset(static_cast<void*>(&h), value, sizeof h);
  return h;
}

template <typename Header>
void Check(bool (*decode)(Header&, const uint8_t*, int32_t), const uint8_t* bytes, int32_t size,
           int32_t fixed_minimum, int32_t transport_bytes) {
  Header a = Filled<Header>(0x00);
  Header b = Filled<Header>(0xFF);
  const bool decoded_a = decode(a, bytes, size);
  const bool decoded_b = decode(b, bytes, size);
  if (decoded_a != decoded_b) std::abort();
  if (decoded_a != ShouldDecode(bytes, size, fixed_minimum, transport_bytes)) std::abort();
  if (decoded_a) {
    if (!SameFields(a, b)) std::abort();
  } else {
    if (!SameFields(a, Filled<Header>(0x00)) || !SameFields(b, Filled<Header>(0xFF))) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // libFuzzer hands over an exactly sized heap copy: a read past the datagram
  // hits ASan's redzone. Inputs stay far below 2^31 bytes (-max_len).
  const auto length = static_cast<int32_t>(size);
  Check<IpHeader>(DecodeIpHeader, data, length, 20, 0);
  Check<IcmpHeader>(DecodeIcmpHeader, data, length, 24, 4);
  Check<TcpHeader>(DecodeTcpHeader, data, length, 40, 20);
  Check<UdpHeader>(DecodeUdpHeader, data, length, 28, 8);
  return 0;
}
