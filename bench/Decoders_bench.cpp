// Header decoder speed. The packet filter decodes every received datagram,
// so one IP+TCP decode has to stay in the order of nanoseconds.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "packet/HeaderDecoders.h"

namespace {

// A 60-byte TCP segment with a 20-byte payload.
const std::vector<uint8_t> kTcpPacket = {
    0x45, 0x00, 0x00, 0x3C, 0x1C, 0x46, 0x40, 0x00, 0x40, 0x06, 0xB1, 0xE6,  //
    192,  168,  0,    10,   93,   184,  216,  34,                            // addresses
    0xD4, 0x31, 0x01, 0xBB, 0x6B, 0x8B, 0x45, 0x67, 0x00, 0x00, 0x12, 0x34,  //
    0x50, 0x18, 0xFA, 0xF0, 0x8C, 0x1E, 0x00, 0x00,                          // TCP header end
    'G',  'E',  'T',  ' ',  '/',  ' ',  'H',  'T',  'T',  'P',  '/',  '1',   //
    '.',  '1',  '\r', '\n', 'H',  'o',  's',  't',                           // payload
};

// What the filter and the list rows do per packet: the IP header, then the
// transport header the protocol names, over a mix of TCP, UDP and ICMP.
std::vector<std::vector<uint8_t>> Mix() {
  std::vector<uint8_t> udp(kTcpPacket.begin(), kTcpPacket.begin() + 28);
  udp[9] = kProtocolUdp;
  std::vector<uint8_t> icmp(kTcpPacket.begin(), kTcpPacket.begin() + 28);
  icmp[9] = kProtocolIcmp;
  std::vector<uint8_t> other(kTcpPacket.begin(), kTcpPacket.begin() + 20);
  other[9] = 89;
  return {kTcpPacket, udp, kTcpPacket, icmp, kTcpPacket, udp, other, kTcpPacket};
}

void BM_DecodeIpAndTcp(benchmark::State& state) {
  const uint8_t* bytes = kTcpPacket.data();
  const auto size = static_cast<int32_t>(kTcpPacket.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    IpHeader ip;
    TcpHeader tcp;
    const bool decoded = DecodeIpHeader(ip, bytes, size) && DecodeTcpHeader(tcp, bytes, size);
    benchmark::DoNotOptimize(decoded);
    benchmark::DoNotOptimize(ip);
    benchmark::DoNotOptimize(tcp);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeIpAndTcp);

void BM_DecodeMixedTraffic(benchmark::State& state) {
  const auto packets = Mix();
  size_t next = 0;
  for (auto _ : state) {
    const std::vector<uint8_t>& p = packets[next];
    next = (next + 1) % packets.size();
    const auto size = static_cast<int32_t>(p.size());
    IpHeader ip;
    if (!DecodeIpHeader(ip, p.data(), size)) continue;
    if (ip.protocol == kProtocolTcp) {
      TcpHeader tcp;
      benchmark::DoNotOptimize(DecodeTcpHeader(tcp, p.data(), size));
      benchmark::DoNotOptimize(tcp);
    } else if (ip.protocol == kProtocolUdp) {
      UdpHeader udp;
      benchmark::DoNotOptimize(DecodeUdpHeader(udp, p.data(), size));
      benchmark::DoNotOptimize(udp);
    } else if (ip.protocol == kProtocolIcmp) {
      IcmpHeader icmp;
      benchmark::DoNotOptimize(DecodeIcmpHeader(icmp, p.data(), size));
      benchmark::DoNotOptimize(icmp);
    }
    benchmark::DoNotOptimize(ip);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeMixedTraffic);

}  // namespace
