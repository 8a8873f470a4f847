// kestrel-test-pcap OUT.pcap PACKETS: writes a classic Ethernet pcap of
// PACKETS IPv4 frames with the mix of a busy workstation's traffic, for the
// CLI measurements (scripts/measure-cli): bulk TCP segments of 1,448 bytes,
// bare ACKs, request and response segments of a few hundred bytes, DNS
// queries and ICMP echoes, between a handful of hosts, 50-300 us apart. The
// bytes are made up on the spot from a fixed seed, so every run writes the
// same file; nothing is downloaded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Le16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Be16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void Be32(Bytes& out, uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// RFC 791 header checksum over the 20 bytes at `header`.
uint16_t HeaderChecksum(const uint8_t* header) {
  uint32_t sum = 0;
  for (int i = 0; i < 20; i += 2) sum += (uint32_t{header[i]} << 8) | header[i + 1];
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}

  // One Ethernet frame carrying an IPv4 datagram.
  Bytes Frame() {
    Bytes frame = {0x02, 0, 0, 0, 0, 1, 0x02, 0, 0, 0, 0, 2, 0x08, 0x00};
    const uint32_t pick = Uniform(0, 99);
    const uint8_t peer = static_cast<uint8_t>(Uniform(1, 6));
    const bool inbound = Uniform(0, 1) == 0;
    if (pick < 40) {
      Tcp(frame, peer, inbound, 0x18, 1448);  // PSH ACK, bulk data
    } else if (pick < 70) {
      Tcp(frame, peer, inbound, 0x10, 0);  // bare ACK
    } else if (pick < 85) {
      Tcp(frame, peer, inbound, 0x18, Uniform(100, 600));
    } else if (pick < 87) {
      Tcp(frame, peer, inbound, pick == 85 ? 0x02 : 0x12, 0);  // SYN, SYN ACK
    } else if (pick < 95) {
      Dns(frame, peer);
    } else {
      Icmp(frame, peer, inbound);
    }
    return frame;
  }

  uint32_t Uniform(uint32_t low, uint32_t high) {
    return std::uniform_int_distribution<uint32_t>(low, high)(random_);
  }

 private:
  void Ip(Bytes& frame, uint8_t protocol, uint8_t peer, bool inbound, size_t transport_bytes) {
    const size_t start = frame.size();
    frame.insert(frame.end(), {0x45, 0x00});
    Be16(frame, static_cast<uint16_t>(20 + transport_bytes));
    Be16(frame, identification_++);
    frame.insert(frame.end(), {0x40, 0x00, 64, protocol, 0, 0});
    const Bytes local = {192, 168, 1, 10};
    const Bytes remote = {203, 0, 113, peer};
    const Bytes& source = inbound ? remote : local;
    const Bytes& destination = inbound ? local : remote;
    frame.insert(frame.end(), source.begin(), source.end());
    frame.insert(frame.end(), destination.begin(), destination.end());
    const uint16_t checksum = HeaderChecksum(frame.data() + start);
    frame[start + 10] = static_cast<uint8_t>(checksum >> 8);
    frame[start + 11] = static_cast<uint8_t>(checksum);
  }

  void Payload(Bytes& frame, size_t count) {
    for (size_t i = 0; i < count; ++i) frame.push_back(static_cast<uint8_t>(random_()));
  }

  void Tcp(Bytes& frame, uint8_t peer, bool inbound, uint8_t flags, size_t payload) {
    Ip(frame, 6, peer, inbound, 20 + payload);
    const uint16_t local_port = static_cast<uint16_t>(50000 + peer);
    Be16(frame, inbound ? 443 : local_port);
    Be16(frame, inbound ? local_port : 443);
    uint32_t& sequence = inbound ? remote_sequence_ : local_sequence_;
    Be32(frame, sequence);
    Be32(frame, inbound ? local_sequence_ : remote_sequence_);
    sequence += static_cast<uint32_t>(payload);
    frame.push_back(0x50);  // data offset 5
    frame.push_back(flags);
    Be16(frame, 501);  // window
    Be16(frame, 0);    // checksum (not checked by the readers)
    Be16(frame, 0);    // urgent pointer
    Payload(frame, payload);
  }

  void Dns(Bytes& frame, uint8_t peer) {
    static const uint8_t kQuestion[] = {3,   'w', 'w', 'w', 7,   'e', 'x', 'a', 'm', 'p', 'l',
                                        'e', 3,   'c', 'o', 'm', 0,   0,   1,   0,   1};
    const size_t message = 12 + sizeof kQuestion;
    Ip(frame, 17, peer, false, 8 + message);
    Be16(frame, static_cast<uint16_t>(40000 + Uniform(0, 20000)));
    Be16(frame, 53);
    Be16(frame, static_cast<uint16_t>(8 + message));
    Be16(frame, 0);
    Be16(frame, static_cast<uint16_t>(Uniform(0, 65535)));  // id
    frame.insert(frame.end(), {0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0});
    frame.insert(frame.end(), std::begin(kQuestion), std::end(kQuestion));
  }

  void Icmp(Bytes& frame, uint8_t peer, bool reply) {
    Ip(frame, 1, peer, reply, 64);
    frame.insert(frame.end(), {static_cast<uint8_t>(reply ? 0 : 8), 0, 0, 0});
    Be16(frame, 0x0101);
    Be16(frame, identification_);
    Payload(frame, 56);
  }

  std::mt19937 random_;
  uint16_t identification_ = 1;
  uint32_t local_sequence_ = 1000000;
  uint32_t remote_sequence_ = 7000000;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUT.pcap PACKETS\n", argv[0]);
    return 2;
  }
  const unsigned long long packets = std::strtoull(argv[2], nullptr, 10);
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  Bytes header;
  Le32(header, 0xA1B2C3D4u);
  Le16(header, 2);
  Le16(header, 4);
  Le32(header, 0);
  Le32(header, 0);
  Le32(header, 65535);
  Le32(header, 1);  // Ethernet
  std::fwrite(header.data(), 1, header.size(), out);

  Generator generator(13);
  uint64_t microseconds = 1700000000ull * 1000000;
  Bytes record;
  for (unsigned long long i = 0; i < packets; ++i) {
    const Bytes frame = generator.Frame();
    microseconds += generator.Uniform(50, 300);
    record.clear();
    Le32(record, static_cast<uint32_t>(microseconds / 1000000));
    Le32(record, static_cast<uint32_t>(microseconds % 1000000));
    Le32(record, static_cast<uint32_t>(frame.size()));
    Le32(record, static_cast<uint32_t>(frame.size()));
    record.insert(record.end(), frame.begin(), frame.end());
    std::fwrite(record.data(), 1, record.size(), out);
  }
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
