// Test datagrams, 192.168.0.1 -> 10.0.0.2 unless FromTo says otherwise:
// Datagram builds the header and the transport bytes a test supplies,
// SizedDatagram a datagram of a given size with only its protocol and ports set.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

// The header and `rest`; the total length field is the datagram's size unless
// `total_length` says otherwise.
inline std::vector<uint8_t> Datagram(uint8_t protocol, std::vector<uint8_t> rest,
                                     int total_length = -1) {
  std::vector<uint8_t> p = {0x45, 0x00,     0x00, 0x00,  // version 4, IHL 5, TOS, total length
                            0x12, 0x34,     0x40, 0x00,  // identification, don't fragment
                            64,   protocol, 0xAB, 0xCD,  // TTL, protocol, checksum
                            192,  168,      0,    1,     // source
                            10,   0,        0,    2};    // destination
  for (uint8_t b : rest) p.push_back(b);
  const int total = total_length < 0 ? static_cast<int>(p.size()) : total_length;
  p[2] = static_cast<uint8_t>(total >> 8);
  p[3] = static_cast<uint8_t>(total);
  return p;
}

// A 20-byte TCP header 1025 -> 80 (data offset 5) with the given fields, then `payload`.
inline std::vector<uint8_t> TcpHeader(uint8_t flags, uint32_t sequence, uint32_t acknowledgement,
                                      uint16_t window, std::vector<uint8_t> payload = {}) {
  std::vector<uint8_t> t = {0x04, 0x01, 0x00, 0x50};
  for (const uint32_t field : {sequence, acknowledgement}) {
    for (int shift = 24; shift >= 0; shift -= 8) t.push_back(static_cast<uint8_t>(field >> shift));
  }
  const uint8_t rest[] = {0x50, flags, static_cast<uint8_t>(window >> 8),
                          static_cast<uint8_t>(window), 0, 0, 0, 0};
  t.insert(t.end(), std::begin(rest), std::end(rest));
  t.insert(t.end(), payload.begin(), payload.end());
  return t;
}

// `datagram` sent from `from` to `to` instead.
inline std::vector<uint8_t> FromTo(std::vector<uint8_t> datagram, const uint8_t (&from)[4],
                                   const uint8_t (&to)[4]) {
  std::copy(std::begin(from), std::end(from), datagram.begin() + 12);
  std::copy(std::begin(to), std::end(to), datagram.begin() + 16);
  return datagram;
}

// An IPv4 datagram of `size` bytes (at least 28): a 20-byte header with the
// given protocol and addresses 192.168.0.1 -> 10.0.0.2, then a UDP or TCP
// header carrying the ports, then zero bytes.
inline std::vector<uint8_t> SizedDatagram(uint32_t size, uint8_t protocol = 17,
                                          uint16_t source_port = 1024,
                                          uint16_t destination_port = 80) {
  std::vector<uint8_t> d(std::max<uint32_t>(size, 28), 0);
  d[0] = 0x45;  // version 4, header 5 words
  d[2] = static_cast<uint8_t>(d.size() >> 8);
  d[3] = static_cast<uint8_t>(d.size());  // total length
  d[8] = 64;                              // time to live
  d[9] = protocol;
  const uint8_t addresses[8] = {192, 168, 0, 1, 10, 0, 0, 2};
  std::memcpy(&d[12], addresses, 8);
  d[20] = static_cast<uint8_t>(source_port >> 8);
  d[21] = static_cast<uint8_t>(source_port);
  d[22] = static_cast<uint8_t>(destination_port >> 8);
  d[23] = static_cast<uint8_t>(destination_port);
  if (protocol == 17) {
    const size_t udp_length = d.size() - 20;
    d[24] = static_cast<uint8_t>(udp_length >> 8);
    d[25] = static_cast<uint8_t>(udp_length);
  } else if (protocol == 6 && d.size() >= 40) {
    d[32] = 0x50;  // data offset 5 words
  }
  return d;
}
