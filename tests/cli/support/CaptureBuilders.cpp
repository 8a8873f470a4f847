// Byte-level builders for test frames and capture files.
#include "cli/support/CaptureBuilders.h"

namespace {

void Be16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void Le16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Le32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Append(std::string& out, const Bytes& bytes) {
  out.append(bytes.begin(), bytes.end());
}

void Pad4(std::string& out) {
  while (out.size() % 4 != 0) out.push_back('\0');
}

uint32_t OriginalLength(const TestRecord& r) {
  return r.original_length != 0 ? r.original_length : static_cast<uint32_t>(r.bytes.size());
}

}  // namespace

Bytes UdpDatagram(uint16_t source_port, size_t payload) {
  const uint16_t total = static_cast<uint16_t>(20 + 8 + payload);
  Bytes d = {0x45, 0x00};  // version 4, IHL 5, TOS
  Be16(d, total);
  Put(d, {0x00, 0x01, 0x00, 0x00, 64, 17, 0x00, 0x00});  // id, flags, TTL, UDP, sum
  Put(d, {10, 0, 0, 1, 10, 0, 0, 2});
  Be16(d, source_port);
  Be16(d, 53);
  Be16(d, static_cast<uint16_t>(8 + payload));
  Be16(d, 0);
  Put(d, Bytes(payload, 0xAB));
  return d;
}

Bytes TcpSyn() {
  return {
      0x45, 0x00, 0x00, 0x28, 0x00, 0x02, 0x40, 0x00,  // IHL 5, total 40, DF
      0x40, 0x06, 0x00, 0x00, 192,  168,  1,    2,     // TTL, TCP, sum, source
      192,  168,  1,    3,    0x9C, 0x40, 0x00, 0x50,  // destination, 40000 -> 80
      0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00,  // sequence 7, ack 0
      0x50, 0x02, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,  // offset 5, SYN, window
  };
}

Bytes EthernetFrame(uint16_t ether_type, const Bytes& payload,
                    const std::vector<uint16_t>& vlan_tag_types) {
  Bytes f = {0x02, 0, 0, 0, 0, 2, 0x02, 0, 0, 0, 0, 1};
  for (size_t i = 0; i < vlan_tag_types.size(); ++i) {
    Be16(f, vlan_tag_types[i]);
    Be16(f, static_cast<uint16_t>(100 + i));  // the tag control word of the next tag
  }
  Be16(f, ether_type);
  Put(f, payload);
  return f;
}

Bytes CookedFrame(uint16_t protocol, const Bytes& payload) {
  Bytes f;
  Be16(f, 0);  // sent to us
  Be16(f, 1);  // ARPHRD_ETHER
  Be16(f, 6);
  Put(f, {0x02, 0, 0, 0, 0, 1, 0, 0});
  Be16(f, protocol);
  Put(f, payload);
  return f;
}

Bytes CookedV2Frame(uint16_t protocol, const Bytes& payload) {
  Bytes f;
  Be16(f, protocol);
  Be16(f, 0);            // reserved
  Put(f, {0, 0, 0, 2});  // interface index
  Be16(f, 1);            // ARPHRD_ETHER
  Put(f, {0, 6});        // packet type, address length
  Put(f, {0x02, 0, 0, 0, 0, 1, 0, 0});
  Put(f, payload);
  return f;
}

Bytes ArpPayload() {
  return {0x00, 0x01, 0x08, 0x00, 6, 4, 0x00, 0x01,         // Ethernet, IPv4, request
          0x02, 0,    0,    0,    0, 1, 10,   0,    0, 1,   // sender
          0,    0,    0,    0,    0, 0, 10,   0,    0, 2};  // target
}

Bytes Ipv6Packet() {
  Bytes p = {0x60, 0, 0, 0, 0x00, 0x00, 59, 64};  // no next header, hop limit
  Put(p, Bytes(32, 0));
  p[23] = 1;
  p[39] = 2;
  return p;
}

std::string PcapFile(uint32_t link_type, const std::vector<TestRecord>& records,
                     uint32_t snapshot_length) {
  std::string out;
  Le32(out, 0xA1B2C3D4);
  Le16(out, 2);
  Le16(out, 4);
  Le32(out, 0);
  Le32(out, 0);
  Le32(out, snapshot_length);
  Le32(out, link_type);
  for (const TestRecord& r : records) {
    Le32(out, r.seconds);
    Le32(out, r.fraction);
    Le32(out, static_cast<uint32_t>(r.bytes.size()));
    Le32(out, OriginalLength(r));
    Append(out, r.bytes);
  }
  return out;
}

std::string PcapngFile(uint16_t link_type, const std::vector<TestRecord>& records,
                       uint8_t decimals, uint32_t snapshot_length) {
  std::string out;
  // Section header block.
  Le32(out, 0x0A0D0D0A);
  Le32(out, 28);
  Le32(out, 0x1A2B3C4D);
  Le16(out, 1);
  Le16(out, 0);
  Le32(out, 0xFFFFFFFF);  // section length unknown
  Le32(out, 0xFFFFFFFF);
  Le32(out, 28);

  // Interface description block, with if_tsresol when not microseconds.
  std::string idb;
  Le16(idb, link_type);
  Le16(idb, 0);
  Le32(idb, snapshot_length);
  if (decimals != 6) {
    Le16(idb, 9);  // if_tsresol
    Le16(idb, 1);
    idb.push_back(static_cast<char>(decimals));
    Pad4(idb);
    Le32(idb, 0);  // opt_endofopt
  }
  Le32(out, 1);
  Le32(out, static_cast<uint32_t>(idb.size() + 12));
  out += idb;
  Le32(out, static_cast<uint32_t>(idb.size() + 12));

  for (const TestRecord& r : records) {
    // The time stamp counts units of the resolution since 1970.
    uint64_t units_per_second = 1;
    for (int i = 0; i < decimals; ++i) units_per_second *= 10;
    const uint64_t stamp = uint64_t{r.seconds} * units_per_second + r.fraction;
    std::string epb;
    Le32(epb, 0);  // interface 0
    Le32(epb, static_cast<uint32_t>(stamp >> 32));
    Le32(epb, static_cast<uint32_t>(stamp));
    Le32(epb, static_cast<uint32_t>(r.bytes.size()));
    Le32(epb, OriginalLength(r));
    Append(epb, r.bytes);
    Pad4(epb);
    Le32(out, 6);
    Le32(out, static_cast<uint32_t>(epb.size() + 12));
    out += epb;
    Le32(out, static_cast<uint32_t>(epb.size() + 12));
  }
  return out;
}

std::string CaptureFileBytes(const std::vector<BinRecord>& records) {
  std::string out = "Kestrel_Scan";
  out.resize(64, '\0');
  Le32(out, static_cast<uint32_t>(records.size()));
  for (const BinRecord& r : records) {
    Le32(out, static_cast<uint32_t>(r.bytes.size()));
    for (uint16_t field : r.time) Le16(out, field);
    Append(out, r.bytes);
  }
  return out;
}
