// Test captures made on the spot: IPv4 datagrams, link-layer frames around
// them, and classic pcap / pcapng files holding the frames, written byte by
// byte so that a test controls every field (link type, lengths, a cut-off end).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Appends `bytes` to `out`, one at a time: GCC 12 at -O3 warns falsely about
// vector::insert of a few bytes (-Warray-bounds).
inline void Put(Bytes& out, const Bytes& bytes) {
  for (uint8_t b : bytes) out.push_back(b);
}

// A UDP datagram from 10.0.0.1:`source_port` to 10.0.0.2:53 with `payload`
// bytes of 0xAB; IP total length and UDP length match the bytes.
Bytes UdpDatagram(uint16_t source_port, size_t payload);

// A 40-byte TCP SYN from 192.168.1.2:40000 to 192.168.1.3:80.
Bytes TcpSyn();

// An Ethernet II frame: addresses, each VLAN tag as its type and a control
// word, then `ether_type` and the payload.
Bytes EthernetFrame(uint16_t ether_type, const Bytes& payload,
                    const std::vector<uint16_t>& vlan_tag_types = {});

// Linux cooked capture headers (v1: 16 bytes, v2: 20 bytes) before the payload.
Bytes CookedFrame(uint16_t protocol, const Bytes& payload);
Bytes CookedV2Frame(uint16_t protocol, const Bytes& payload);

// An ARP request, as the payload of an Ethernet frame of type 0x0806.
Bytes ArpPayload();
// An IPv6 header with no payload.
Bytes Ipv6Packet();

struct TestRecord {
  uint32_t seconds = 0;
  uint32_t fraction = 0;  // microseconds (pcap) or units of the resolution (pcapng)
  Bytes bytes;
  uint32_t original_length = 0;  // 0: the number of bytes
};

// A little-endian classic pcap file with microsecond time stamps.
std::string PcapFile(uint32_t link_type, const std::vector<TestRecord>& records,
                     uint32_t snapshot_length = 262144);

// A pcapng file: section header, one interface (with if_tsresol 10^-`decimals`
// when `decimals` is not 6), one enhanced packet block per record.
std::string PcapngFile(uint16_t link_type, const std::vector<TestRecord>& records,
                       uint8_t decimals = 6, uint32_t snapshot_length = 262144);

// A capture file as the program writes it.
struct BinRecord {
  uint16_t time[8];  // year, month, day of week, day, hour, minute, second, ms
  Bytes bytes;
};
std::string CaptureFileBytes(const std::vector<BinRecord>& records);
