// Header decoders: length bounds (every test buffer is exactly as long as the
// datagram, so ASan sees any read past it), bit fields, byte order, and the
// rule that a failed decode leaves the caller's structure untouched.
#include "packet/HeaderDecoders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A 40-byte TCP SYN+ACK from 192.168.0.1:1025 to 10.0.0.2:80.
Bytes TcpSynAck() {
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

// A datagram of `size` bytes whose byte 0 carries the given IHL; every other
// byte is its own offset plus one, so a field read from the wrong offset shows.
Bytes Datagram(int size, uint8_t ihl) {
  Bytes p(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) p[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
  if (size > 0) p[0] = static_cast<uint8_t>(0x40 | ihl);
  return p;
}

int32_t Size(const Bytes& p) {
  return static_cast<int32_t>(p.size());
}

// Runs a decoder on an output pre-filled with 0xA5 and reports whether the
// output still holds nothing but 0xA5.
template <typename Header, typename Decoder>
bool DecodeKeepsSentinel(Decoder decode, const uint8_t* bytes, int32_t size, bool* result) {
  static_assert(std::is_trivially_copyable_v<Header>);
  Header out;
  std::memset(static_cast<void*>(&out), 0xA5, sizeof out);
  *result = decode(out, bytes, size);
  unsigned char sentinel[sizeof(Header)];
  std::memset(sentinel, 0xA5, sizeof sentinel);
  return std::memcmp(&out, sentinel, sizeof out) == 0;
}

struct LengthCase {
  int size;
  uint8_t ihl;
  bool ip, icmp, tcp, udp;
};

TEST(HeaderDecoders, LengthBoundsFollowFixedMinimumAndHeaderLength) {
  const LengthCase cases[] = {
      // {size, IHL, then whether IP, ICMP, TCP and UDP decode}
      {0, 5, false, false, false, false},
      {19, 5, false, false, false, false},
      {20, 5, true, false, false, false},
      {23, 5, true, false, false, false},
      {24, 5, true, true, false, false},
      {27, 5, true, true, false, false},
      {28, 5, true, true, false, true},
      {39, 5, true, true, false, true},
      {40, 5, true, true, true, true},
      // One option word: the transport header starts at 24.
      {27, 6, true, false, false, false},
      {28, 6, true, true, false, false},
      {31, 6, true, true, false, false},
      {32, 6, true, true, false, true},
      {40, 6, true, true, false, true},
      {43, 6, true, true, false, true},
      {44, 6, true, true, true, true},
      // Largest IHL: 60 header bytes.
      {63, 15, true, false, false, false},
      {64, 15, true, true, false, false},
      {67, 15, true, true, false, false},
      {68, 15, true, true, false, true},
      {79, 15, true, true, false, true},
      {80, 15, true, true, true, true},
      // IHL below 5 is not rejected: the fixed minimum alone decides.
      {23, 0, true, false, false, false},
      {24, 0, true, true, false, false},
      {28, 0, true, true, false, true},
      {40, 0, true, true, true, true},
  };
  for (const LengthCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size << ", IHL " << int{c.ihl});
    const Bytes p = Datagram(c.size, c.ihl);
    const uint8_t* bytes = p.empty() ? nullptr : p.data();
    IpHeader ip;
    IcmpHeader icmp;
    TcpHeader tcp;
    UdpHeader udp;
    EXPECT_EQ(DecodeIpHeader(ip, bytes, c.size), c.ip);
    EXPECT_EQ(DecodeIcmpHeader(icmp, bytes, c.size), c.icmp);
    EXPECT_EQ(DecodeTcpHeader(tcp, bytes, c.size), c.tcp);
    EXPECT_EQ(DecodeUdpHeader(udp, bytes, c.size), c.udp);
  }
}

TEST(HeaderDecoders, FailedDecodeLeavesOutputUntouched) {
  const Bytes short_ip = Datagram(19, 5);
  const Bytes ip_only = Datagram(39, 5);  // too short for TCP, long enough for the rest
  const Bytes options = Datagram(43, 6);  // TCP would need 44
  bool decoded = true;

  EXPECT_TRUE(DecodeKeepsSentinel<IpHeader>(DecodeIpHeader, short_ip.data(), 19, &decoded));
  EXPECT_FALSE(decoded);
  EXPECT_TRUE(DecodeKeepsSentinel<IcmpHeader>(DecodeIcmpHeader, short_ip.data(), 19, &decoded));
  EXPECT_FALSE(decoded);
  EXPECT_TRUE(DecodeKeepsSentinel<TcpHeader>(DecodeTcpHeader, ip_only.data(), 39, &decoded));
  EXPECT_FALSE(decoded);
  EXPECT_TRUE(DecodeKeepsSentinel<TcpHeader>(DecodeTcpHeader, options.data(), 43, &decoded));
  EXPECT_FALSE(decoded);
  EXPECT_TRUE(DecodeKeepsSentinel<UdpHeader>(DecodeUdpHeader, short_ip.data(), 19, &decoded));
  EXPECT_FALSE(decoded);

  // A negative size or a null pointer is refused the same way.
  EXPECT_TRUE(DecodeKeepsSentinel<IpHeader>(DecodeIpHeader, ip_only.data(), -1, &decoded));
  EXPECT_FALSE(decoded);
  EXPECT_TRUE(DecodeKeepsSentinel<TcpHeader>(DecodeTcpHeader, nullptr, 40, &decoded));
  EXPECT_FALSE(decoded);
}

TEST(HeaderDecoders, DecodesIpFieldsInHostOrder) {
  const Bytes p = {
      0x46, 0xB8, 0x05, 0xDC,  // version 4, IHL 6, TOS 0xB8, total length 1500
      0xBE, 0xEF, 0x20, 0x10,  // identification 0xBEEF, more fragments, offset 16
      0x01, 0x11, 0xFE, 0xDC,  // TTL 1, protocol 17, checksum 0xFEDC
      172,  16,   254,  1,     // source
      224,  0,    0,    251,   // destination
      0x01, 0x02, 0x03, 0x04,  // option word
  };
  IpHeader ip;
  ASSERT_TRUE(DecodeIpHeader(ip, p.data(), Size(p)));
  EXPECT_EQ(ip.version, 4);
  EXPECT_EQ(ip.header_length, 6);
  EXPECT_EQ(ip.type_of_service, 0xB8);
  EXPECT_EQ(ip.total_length, 1500);
  EXPECT_EQ(ip.identification, 0xBEEF);
  EXPECT_EQ(ip.flags, 1);
  EXPECT_EQ(ip.fragment_offset, 16);
  EXPECT_EQ(ip.time_to_live, 1);
  EXPECT_EQ(ip.protocol, kProtocolUdp);
  EXPECT_EQ(ip.checksum, 0xFEDC);
  const uint8_t source[4] = {172, 16, 254, 1};
  const uint8_t destination[4] = {224, 0, 0, 251};
  EXPECT_EQ(std::memcmp(ip.source, source, 4), 0);
  EXPECT_EQ(std::memcmp(ip.destination, destination, 4), 0);
  EXPECT_EQ(IpHeaderBytes(ip), 24);
}

TEST(HeaderDecoders, SplitsFlagsFromFragmentOffset) {
  struct Case {
    uint8_t byte6, byte7;
    uint8_t flags;
    uint16_t fragment_offset;
  };
  const Case cases[] = {
      {0x40, 0x00, 2, 0},     // don't fragment
      {0x20, 0x10, 1, 16},    // more fragments
      {0x3F, 0xFF, 1, 8191},  // more fragments, largest offset
      {0x80, 0x00, 4, 0},     // reserved bit
      {0xFF, 0xFF, 7, 8191},  // everything set
      {0x00, 0x01, 0, 1},
  };
  for (const Case& c : cases) {
    Bytes p = TcpSynAck();
    p[6] = c.byte6;
    p[7] = c.byte7;
    IpHeader ip;
    ASSERT_TRUE(DecodeIpHeader(ip, p.data(), Size(p)));
    EXPECT_EQ(ip.flags, c.flags) << std::hex << int{c.byte6} << " " << int{c.byte7};
    EXPECT_EQ(ip.fragment_offset, c.fragment_offset) << std::hex << int{c.byte6};
  }
}

TEST(HeaderDecoders, VersionIsNotChecked) {
  Bytes p = TcpSynAck();
  p[0] = 0x65;
  IpHeader ip;
  TcpHeader tcp;
  ASSERT_TRUE(DecodeIpHeader(ip, p.data(), Size(p)));
  EXPECT_EQ(ip.version, 6);
  EXPECT_EQ(ip.header_length, 5);
  EXPECT_TRUE(DecodeTcpHeader(tcp, p.data(), Size(p)));
  EXPECT_EQ(tcp.destination_port, 80);
}

TEST(HeaderDecoders, DecodesTcpFieldsAndBitsInHostOrder) {
  const Bytes p = TcpSynAck();
  TcpHeader tcp;
  ASSERT_TRUE(DecodeTcpHeader(tcp, p.data(), Size(p)));
  EXPECT_EQ(tcp.source_port, 1025);
  EXPECT_EQ(tcp.destination_port, 80);
  EXPECT_EQ(tcp.sequence_number, 1u);
  EXPECT_EQ(tcp.acknowledgement_number, 2u);
  EXPECT_EQ(tcp.data_offset, 5);
  EXPECT_EQ(tcp.reserved, 0xC1);
  EXPECT_EQ(tcp.control_flags, kTcpSyn | kTcpAck);
  EXPECT_EQ(tcp.window, 0x1000);

  // Distinct bytes in every position catch swapped halves and wrong offsets.
  const Bytes q = {
      0x45, 0,    0,    40,   0, 0, 0, 0, 64, 6, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8,  // IP header
      0xC3, 0x50, 0x01, 0xBB,  // ports 50000 -> 443
      0x89, 0xAB, 0xCD, 0xEF,  // sequence
      0x01, 0x23, 0x45, 0x67,  // acknowledgement
      0xFE, 0x3F,              // data offset 15, reserved 0x0E, all six flags
      0xFF, 0xFE,              // window
      0x12, 0x34,              // checksum
      0x80, 0x01,              // urgent pointer
  };
  ASSERT_TRUE(DecodeTcpHeader(tcp, q.data(), Size(q)));
  EXPECT_EQ(tcp.source_port, 50000);
  EXPECT_EQ(tcp.destination_port, 443);
  EXPECT_EQ(tcp.sequence_number, 0x89ABCDEFu);
  EXPECT_EQ(tcp.acknowledgement_number, 0x01234567u);
  EXPECT_EQ(tcp.data_offset, 15);
  EXPECT_EQ(tcp.reserved, 0x0E);
  EXPECT_EQ(tcp.control_flags, kTcpFin | kTcpSyn | kTcpRst | kTcpPsh | kTcpAck | kTcpUrg);
  EXPECT_EQ(tcp.window, 0xFFFE);
  EXPECT_EQ(tcp.checksum, 0x1234);
  EXPECT_EQ(tcp.urgent_pointer, 0x8001);
}

TEST(HeaderDecoders, TransportHeadersStartAfterTheOptions) {
  // IHL 6: bytes 20-23 are the option word, the TCP header starts at 24.
  Bytes p = Datagram(44, 6);
  p[24] = 0x00;
  p[25] = 0x16;  // source port 22
  p[36] = 0x50;  // data offset 5
  p[37] = 0x11;  // FIN+ACK
  TcpHeader tcp;
  ASSERT_TRUE(DecodeTcpHeader(tcp, p.data(), Size(p)));
  EXPECT_EQ(tcp.source_port, 22);
  EXPECT_EQ(tcp.destination_port, 0x1B1C);  // bytes 26, 27
  EXPECT_EQ(tcp.sequence_number, 0x1D1E1F20u);
  EXPECT_EQ(tcp.control_flags, kTcpFin | kTcpAck);
  EXPECT_EQ(tcp.urgent_pointer, 0x2B2C);  // bytes 42, 43: the last two

  IcmpHeader icmp;
  ASSERT_TRUE(DecodeIcmpHeader(icmp, p.data(), Size(p)));
  EXPECT_EQ(icmp.type, 0x00);
  EXPECT_EQ(icmp.code, 0x16);
  EXPECT_EQ(icmp.checksum, 0x1B1C);

  UdpHeader udp;
  ASSERT_TRUE(DecodeUdpHeader(udp, p.data(), Size(p)));
  EXPECT_EQ(udp.source_port, 22);
  EXPECT_EQ(udp.destination_port, 0x1B1C);
  EXPECT_EQ(udp.length, 0x1D1E);
  EXPECT_EQ(udp.checksum, 0x1F20);

  // IHL 0 places the transport header at offset 0, over the IP header itself.
  const Bytes zero = Datagram(40, 0);
  ASSERT_TRUE(DecodeTcpHeader(tcp, zero.data(), Size(zero)));
  EXPECT_EQ(tcp.source_port, 0x4002);
  EXPECT_EQ(tcp.data_offset, 0x0D >> 4);
  ASSERT_TRUE(DecodeUdpHeader(udp, zero.data(), 28));
  EXPECT_EQ(udp.length, 0x0506);
}

TEST(HeaderDecoders, DecodesIcmpAtTheMinimumLength) {
  const Bytes p = {
      0x45, 0,    0,    24,   0, 0, 0, 0, 64, 1, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2,  // IP header
      0x03, 0x0D, 0xF2, 0x1A,  // destination unreachable, administratively prohibited
  };
  IcmpHeader icmp;
  ASSERT_TRUE(DecodeIcmpHeader(icmp, p.data(), 24));
  EXPECT_EQ(icmp.type, 3);
  EXPECT_EQ(icmp.code, 13);
  EXPECT_EQ(icmp.checksum, 0xF21A);
  EXPECT_FALSE(DecodeIcmpHeader(icmp, p.data(), 23));
}

TEST(HeaderDecoders, DerivedLengthsGoNegativeForShortTotalLength) {
  Bytes p = TcpSynAck();
  IpHeader ip;
  TcpHeader tcp;
  ASSERT_TRUE(DecodeIpHeader(ip, p.data(), Size(p)));
  ASSERT_TRUE(DecodeTcpHeader(tcp, p.data(), Size(p)));
  EXPECT_EQ(TcpDataLength(ip, tcp), 0);
  EXPECT_EQ(UdpDataLength(ip), 12);
  EXPECT_EQ(IcmpDataLength(ip), 16);

  p[2] = 0x00;
  p[3] = 0x10;  // total length 16: shorter than the headers it carries
  ASSERT_TRUE(DecodeIpHeader(ip, p.data(), Size(p)));
  EXPECT_EQ(TcpDataLength(ip, tcp), -24);
  EXPECT_EQ(UdpDataLength(ip), -12);
  EXPECT_EQ(IcmpDataLength(ip), -8);

  p[2] = 0xFF;
  p[3] = 0xFF;  // largest total length: no 16-bit overflow
  ASSERT_TRUE(DecodeIpHeader(ip, p.data(), Size(p)));
  EXPECT_EQ(TcpDataLength(ip, tcp), 65535 - 40);
}

}  // namespace
