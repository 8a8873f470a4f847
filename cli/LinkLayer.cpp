// Link headers: Ethernet II with stacked VLAN tags, Linux cooked capture v1
// (16-byte header, protocol at 14) and v2 (20-byte header, protocol at 0), and
// the raw types whose frame is the datagram itself.
#include "cli/LinkLayer.h"

#include <algorithm>

#include "packet/ByteView.h"
#include "packet/CapturedPacket.h"

namespace {

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeVlan = 0x8100;        // 802.1Q
constexpr uint16_t kEtherTypeQinQ = 0x88A8;        // 802.1ad service tag
constexpr uint16_t kEtherTypeQinQLegacy = 0x9100;  // pre-standard stacked tag

constexpr uint32_t kEthernetHeaderBytes = 14;
constexpr uint32_t kVlanTagBytes = 4;
constexpr uint32_t kCookedHeaderBytes = 16;
constexpr uint32_t kCookedV2HeaderBytes = 20;
constexpr uint32_t kIpv4MinimumHeaderBytes = 20;

bool IsVlanTag(uint16_t ether_type) {
  return ether_type == kEtherTypeVlan || ether_type == kEtherTypeQinQ ||
         ether_type == kEtherTypeQinQLegacy;
}

// Frames longer than a datagram can be are bounded before any arithmetic.
ByteView ViewOf(const uint8_t* frame, uint32_t captured) {
  return ByteView(frame, static_cast<int32_t>(std::min<uint32_t>(captured, 0x7FFFFFFF)));
}

FrameResult Verdict(FrameVerdict verdict) {
  FrameResult result;
  result.verdict = verdict;
  return result;
}

// The datagram at `offset`, once the link layer has said it is IPv4.
FrameResult Ipv4At(const ByteView& frame, uint32_t offset) {
  const int32_t start = static_cast<int32_t>(offset);
  if (!frame.Has(start, static_cast<int32_t>(kIpv4MinimumHeaderBytes))) {
    return Verdict(FrameVerdict::Malformed);
  }
  if ((frame.U8(start) >> 4) != 4) return Verdict(FrameVerdict::Malformed);

  const uint32_t available = static_cast<uint32_t>(frame.size()) - offset;
  const uint32_t header_bytes = 4u * (frame.U8(start) & 0x0F);
  const uint32_t total_length = frame.Be16(start + 2);
  uint32_t length = available;
  if (total_length >= header_bytes && total_length >= kIpv4MinimumHeaderBytes &&
      total_length < available) {
    length = total_length;
  }
  FrameResult result;
  result.verdict = FrameVerdict::Ipv4;
  result.offset = offset;
  result.length = std::min(length, kMaxDatagramSize);
  return result;
}

// The Ethernet type at `type_at` (after the addresses or a cooked header),
// followed through any VLAN tags.
FrameResult FromEtherType(const ByteView& frame, uint32_t type_at) {
  uint32_t at = type_at;
  for (;;) {
    if (!frame.Has(static_cast<int32_t>(at), 2)) return Verdict(FrameVerdict::Malformed);
    const uint16_t ether_type = frame.Be16(static_cast<int32_t>(at));
    if (ether_type == kEtherTypeIpv4) return Ipv4At(frame, at + 2);
    if (!IsVlanTag(ether_type)) return Verdict(FrameVerdict::NotIpv4);
    at += kVlanTagBytes;  // the tag control word, then the next type
  }
}

FrameResult Raw(const ByteView& frame) {
  if (!frame.Has(0, 1)) return Verdict(FrameVerdict::Malformed);
  if ((frame.U8(0) >> 4) != 4) return Verdict(FrameVerdict::NotIpv4);
  return Ipv4At(frame, 0);
}

}  // namespace

bool IsSupportedLinkType(int link_type) {
  switch (link_type) {
    case kLinkEthernet:
    case kLinkRawCommon:
    case kLinkRawAlternative:
    case kLinkRawFileValue:
    case kLinkLinuxCooked:
    case kLinkIpv4:
    case kLinkLinuxCookedV2:
      return true;
    default:
      return false;
  }
}

FrameResult FindIpv4Datagram(int link_type, const uint8_t* frame, uint32_t captured) {
  const ByteView view = ViewOf(frame, captured);
  switch (link_type) {
    case kLinkEthernet:
      if (!view.Has(0, static_cast<int32_t>(kEthernetHeaderBytes))) {
        return Verdict(FrameVerdict::Malformed);
      }
      return FromEtherType(view, kEthernetHeaderBytes - 2);
    case kLinkLinuxCooked:
      if (!view.Has(0, static_cast<int32_t>(kCookedHeaderBytes))) {
        return Verdict(FrameVerdict::Malformed);
      }
      return FromEtherType(view, kCookedHeaderBytes - 2);
    case kLinkLinuxCookedV2: {
      if (!view.Has(0, static_cast<int32_t>(kCookedV2HeaderBytes))) {
        return Verdict(FrameVerdict::Malformed);
      }
      const uint16_t protocol = view.Be16(0);
      if (protocol == kEtherTypeIpv4) return Ipv4At(view, kCookedV2HeaderBytes);
      if (!IsVlanTag(protocol)) return Verdict(FrameVerdict::NotIpv4);
      return FromEtherType(view, kCookedV2HeaderBytes + 2);
    }
    case kLinkRawCommon:
    case kLinkRawAlternative:
    case kLinkRawFileValue:
    case kLinkIpv4:
      return Raw(view);
    default:
      return Verdict(FrameVerdict::NotIpv4);
  }
}
