// Finds the IPv4 datagram inside one captured frame of a pcap or pcapng file,
// for the link types a capture of IPv4 traffic usually comes in.
#pragma once

#include <cstdint>

// Link-layer type values as pcap_datalink reports them. Raw IP is 12 on most
// systems and 14 on some; a file may also carry the file-format value 101.
inline constexpr int kLinkEthernet = 1;
inline constexpr int kLinkRawCommon = 12;
inline constexpr int kLinkRawAlternative = 14;
inline constexpr int kLinkRawFileValue = 101;
inline constexpr int kLinkLinuxCooked = 113;
inline constexpr int kLinkIpv4 = 228;
inline constexpr int kLinkLinuxCookedV2 = 276;

bool IsSupportedLinkType(int link_type);

enum class FrameVerdict {
  Ipv4,       // offset/length locate the datagram
  NotIpv4,    // a well-formed frame carrying something else (ARP, IPv6, ...)
  Malformed,  // too short for its link header or for an IPv4 header
};

struct FrameResult {
  FrameVerdict verdict = FrameVerdict::Malformed;
  uint32_t offset = 0;  // first byte of the IPv4 header within the frame
  uint32_t length = 0;  // bytes of the datagram to keep
};

// `captured` is the number of bytes present in `frame`. The datagram runs from
// its IPv4 header to the end of the captured bytes, cut to the header's total
// length when the frame holds more (Ethernet padding, trailers), but never cut
// when the total length is smaller than the header itself (segmentation
// offload leaves it 0), and never longer than 65535 bytes.
FrameResult FindIpv4Datagram(int link_type, const uint8_t* frame, uint32_t captured);
