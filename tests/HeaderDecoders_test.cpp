#include "packet/HeaderDecoders.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 40-byte TCP SYN+ACK from 192.168.0.1:1025 to 10.0.0.2:80.
std::vector<uint8_t> TcpSynAck() {
  return {
      0x45, 0x00, 0x00, 0x28,  // version 4, IHL 5, TOS 0, total length 40
      0x12, 0x34, 0x40, 0x00,  // identification, don't fragment
      0x40, 0x06, 0xAB, 0xCD,  // TTL 64, protocol 6, checksum
      192,  168,  0,    1,     // source
      10,   0,    0,    2,     // destination
      0x04, 0x01, 0x00, 0x50,  // ports 1025 -> 80
      0x00, 0x00, 0x00, 0x01,  // sequence
      0x00, 0x00, 0x00, 0x02,  // acknowledgement
      0x51, 0xD2, 0x10, 0x00,  // data offset 5, reserved bits, SYN+ACK, window
      0x00, 0x00, 0x00, 0x00,  // checksum, urgent pointer
  };
}

TEST(HeaderDecoders, DecodesIpAndTcpFieldsInHostOrder) {
  const auto p = TcpSynAck();
  IpHeader ip;
  ASSERT_TRUE(DecodeIpHeader(ip, p.data(), static_cast<int32_t>(p.size())));
  EXPECT_EQ(ip.version, 4);
  EXPECT_EQ(ip.header_length, 5);
  EXPECT_EQ(ip.total_length, 40);
  EXPECT_EQ(ip.flags, 2);
  EXPECT_EQ(ip.protocol, kProtocolTcp);
  EXPECT_EQ(ip.source[0], 192);
  EXPECT_EQ(ip.destination[3], 2);

  TcpHeader tcp;
  ASSERT_TRUE(DecodeTcpHeader(tcp, p.data(), static_cast<int32_t>(p.size())));
  EXPECT_EQ(tcp.source_port, 1025);
  EXPECT_EQ(tcp.destination_port, 80);
  EXPECT_EQ(tcp.data_offset, 5);
  EXPECT_EQ(tcp.reserved, 0xC1);
  EXPECT_EQ(tcp.control_flags, kTcpSyn | kTcpAck);
  EXPECT_EQ(tcp.window, 0x1000);
}

}  // namespace
