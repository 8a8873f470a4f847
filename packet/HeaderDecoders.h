// Decoders for the IPv4 header (RFC 791) and the ICMP (RFC 792), TCP (RFC 793)
// and UDP (RFC 768) headers behind it. Each takes the whole datagram from its
// first byte, checks the length before reading anything, converts multi-byte
// fields to host order and writes every output field on success. On failure
// the output is left untouched; callers clear it first, so a failed decode
// reads as all zeros. Stateless and allocation-free: safe on any thread.
#pragma once

#include <cstdint>

inline constexpr uint8_t kProtocolIcmp = 1;
inline constexpr uint8_t kProtocolTcp = 6;
inline constexpr uint8_t kProtocolUdp = 17;

inline constexpr uint8_t kTcpFin = 0x01;
inline constexpr uint8_t kTcpSyn = 0x02;
inline constexpr uint8_t kTcpRst = 0x04;
inline constexpr uint8_t kTcpPsh = 0x08;
inline constexpr uint8_t kTcpAck = 0x10;
inline constexpr uint8_t kTcpUrg = 0x20;

struct IpHeader {
  uint8_t version = 0;
  uint8_t header_length = 0;  // in 4-byte words
  uint8_t type_of_service = 0;
  uint16_t total_length = 0;
  uint16_t identification = 0;
  uint8_t flags = 0;             // 4 reserved, 2 don't fragment, 1 more fragments
  uint16_t fragment_offset = 0;  // in 8-byte units
  uint8_t time_to_live = 0;
  uint8_t protocol = 0;
  uint16_t checksum = 0;
  uint8_t source[4] = {};  // datagram order: source[0] is the first dotted number
  uint8_t destination[4] = {};
};

struct IcmpHeader {
  uint8_t type = 0;
  uint8_t code = 0;
  uint16_t checksum = 0;
};

struct TcpHeader {
  uint16_t source_port = 0;
  uint16_t destination_port = 0;
  uint32_t sequence_number = 0;
  uint32_t acknowledgement_number = 0;
  uint8_t data_offset = 0;    // in 4-byte words
  uint8_t reserved = 0;       // bits 0-3 of byte 12 and bits 6-7 of byte 13, in place
  uint8_t control_flags = 0;  // kTcpFin ... kTcpUrg
  uint16_t window = 0;
  uint16_t checksum = 0;
  uint16_t urgent_pointer = 0;
};

struct UdpHeader {
  uint16_t source_port = 0;
  uint16_t destination_port = 0;
  uint16_t length = 0;  // including the 8-byte header
  uint16_t checksum = 0;
};

bool DecodeIpHeader(IpHeader& out, const uint8_t* bytes, int32_t size);
bool DecodeIcmpHeader(IcmpHeader& out, const uint8_t* bytes, int32_t size);
bool DecodeTcpHeader(TcpHeader& out, const uint8_t* bytes, int32_t size);
bool DecodeUdpHeader(UdpHeader& out, const uint8_t* bytes, int32_t size);

// Payload lengths derived from decoded fields in signed 32-bit arithmetic, so a
// malformed datagram yields a negative value that each view prints its own way.
inline int32_t IpHeaderBytes(const IpHeader& ip) {
  return 4 * int32_t{ip.header_length};
}
inline int32_t TcpDataLength(const IpHeader& ip, const TcpHeader& tcp) {
  return int32_t{ip.total_length} - IpHeaderBytes(ip) - 4 * int32_t{tcp.data_offset};
}
inline int32_t UdpDataLength(const IpHeader& ip) {
  return int32_t{ip.total_length} - IpHeaderBytes(ip) - 8;
}
inline int32_t IcmpDataLength(const IpHeader& ip) {
  return int32_t{ip.total_length} - IpHeaderBytes(ip) - 4;
}
