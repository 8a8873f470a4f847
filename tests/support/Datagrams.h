// Test datagrams: a 20-byte IPv4 header (IHL 5, identification 0x1234, don't
// fragment, TTL 64, checksum 0xABCD, 192.168.0.1 -> 10.0.0.2) followed by the
// transport bytes a test supplies.
#pragma once

#include <cstdint>
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
