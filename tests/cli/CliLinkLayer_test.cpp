#include "cli/LinkLayer.h"

#include <gtest/gtest.h>

#include "cli/support/CaptureBuilders.h"

namespace {

FrameResult Find(int link_type, const Bytes& frame) {
  return FindIpv4Datagram(link_type, frame.data(), static_cast<uint32_t>(frame.size()));
}

void ExpectDatagram(const FrameResult& r, uint32_t offset, uint32_t length) {
  EXPECT_EQ(r.verdict, FrameVerdict::Ipv4);
  EXPECT_EQ(r.offset, offset);
  EXPECT_EQ(r.length, length);
}

TEST(LinkLayer, FindsTheDatagramBehindEveryLinkHeader) {
  const Bytes udp = UdpDatagram(1000, 12);  // 40 bytes
  ExpectDatagram(Find(kLinkEthernet, EthernetFrame(0x0800, udp)), 14, 40);
  ExpectDatagram(Find(kLinkEthernet, EthernetFrame(0x0800, udp, {0x8100})), 18, 40);
  ExpectDatagram(Find(kLinkEthernet, EthernetFrame(0x0800, udp, {0x88A8, 0x8100})), 22, 40);
  ExpectDatagram(Find(kLinkEthernet, EthernetFrame(0x0800, udp, {0x9100, 0x8100, 0x8100})), 26, 40);
  ExpectDatagram(Find(kLinkLinuxCooked, CookedFrame(0x0800, udp)), 16, 40);
  Bytes tagged = {0x00, 0x64, 0x08, 0x00};  // tag control word, then the real type
  Put(tagged, udp);
  ExpectDatagram(Find(kLinkLinuxCooked, CookedFrame(0x8100, tagged)), 20, 40);
  ExpectDatagram(Find(kLinkLinuxCookedV2, CookedV2Frame(0x0800, udp)), 20, 40);
  ExpectDatagram(Find(kLinkLinuxCookedV2, CookedV2Frame(0x8100, tagged)), 24, 40);
  for (int raw : {kLinkRawCommon, kLinkRawAlternative, kLinkRawFileValue, kLinkIpv4}) {
    ExpectDatagram(Find(raw, udp), 0, 40);
  }
}

TEST(LinkLayer, SkipsFramesThatCarryNoIpv4) {
  EXPECT_EQ(Find(kLinkEthernet, EthernetFrame(0x0806, ArpPayload())).verdict,
            FrameVerdict::NotIpv4);
  EXPECT_EQ(Find(kLinkEthernet, EthernetFrame(0x86DD, Ipv6Packet(), {0x8100})).verdict,
            FrameVerdict::NotIpv4);
  EXPECT_EQ(Find(kLinkLinuxCooked, CookedFrame(0x86DD, Ipv6Packet())).verdict,
            FrameVerdict::NotIpv4);
  EXPECT_EQ(Find(kLinkLinuxCookedV2, CookedV2Frame(0x0806, ArpPayload())).verdict,
            FrameVerdict::NotIpv4);
  EXPECT_EQ(Find(kLinkRawCommon, Ipv6Packet()).verdict, FrameVerdict::NotIpv4);
  EXPECT_EQ(Find(kLinkIpv4, Ipv6Packet()).verdict, FrameVerdict::NotIpv4);
  EXPECT_EQ(Find(105, UdpDatagram(1, 1)).verdict, FrameVerdict::NotIpv4);  // 802.11
  EXPECT_FALSE(IsSupportedLinkType(105));
  EXPECT_TRUE(IsSupportedLinkType(kLinkLinuxCookedV2));
}

TEST(LinkLayer, TruncatedHeadersAreMalformedNeverReadPastTheEnd) {
  const Bytes udp = UdpDatagram(1000, 12);
  const Bytes whole = EthernetFrame(0x0800, udp);
  const Bytes frames[] = {
      Bytes(whole.begin(), whole.begin() + 13),
      EthernetFrame(0x0800, Bytes(udp.begin(), udp.begin() + 19)),              // IPv4 header cut
      Bytes{0x02, 0, 0, 0, 0, 2, 0x02, 0, 0, 0, 0, 1, 0x81, 0x00, 0x00, 0x64},  // tag, no type
      EthernetFrame(0x0800, Bytes{0x65, 0, 0, 40, 0, 0, 0, 0, 64, 17,
                                  0,    0, 1, 2,  3, 4, 5, 6, 7,  8}),  // type IPv4, version 6
  };
  for (const Bytes& frame : frames) {
    // Exactly sized heap copies, so the sanitizer sees any read past the end.
    std::vector<uint8_t> exact(frame);
    EXPECT_EQ(
        FindIpv4Datagram(kLinkEthernet, exact.data(), static_cast<uint32_t>(exact.size())).verdict,
        FrameVerdict::Malformed);
  }
  EXPECT_EQ(Find(kLinkLinuxCooked, Bytes(15, 0)).verdict, FrameVerdict::Malformed);
  EXPECT_EQ(Find(kLinkLinuxCookedV2, Bytes{0x08, 0x00}).verdict, FrameVerdict::Malformed);
  EXPECT_EQ(Find(kLinkRawCommon, Bytes{}).verdict, FrameVerdict::Malformed);
  EXPECT_EQ(Find(kLinkRawCommon, Bytes{0x45, 0, 0, 20}).verdict, FrameVerdict::Malformed);
}

TEST(LinkLayer, DatagramLengthFollowsTotalLengthWithinTheCapturedBytes) {
  Bytes udp = UdpDatagram(1000, 2);  // 30 bytes
  Bytes padded = udp;
  padded.resize(46, 0);  // padded to the Ethernet minimum
  ExpectDatagram(Find(kLinkEthernet, EthernetFrame(0x0800, padded)), 14, 30);

  // Captured with a short snapshot: keep what there is.
  ExpectDatagram(Find(kLinkRawCommon, Bytes(udp.begin(), udp.begin() + 25)), 0, 25);

  // Total length 0 (segmentation offload) or below the header: keep everything.
  Bytes offload = udp;
  offload[2] = offload[3] = 0;
  ExpectDatagram(Find(kLinkRawCommon, offload), 0, 30);
  Bytes with_options = udp;
  with_options[0] = 0x46;  // 24-byte header, total length 22
  with_options[2] = 0;
  with_options[3] = 22;
  ExpectDatagram(Find(kLinkRawCommon, with_options), 0, 30);

  // Never more than a datagram can hold.
  Bytes huge = udp;
  huge[2] = huge[3] = 0;
  huge.resize(70000, 0x11);
  ExpectDatagram(Find(kLinkRawCommon, huge), 0, 65535);
}

}  // namespace
