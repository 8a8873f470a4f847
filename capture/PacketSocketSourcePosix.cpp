// Packet socket, interface lookup, receive ring and wake for Linux.
#include "capture/PacketSocketSourcePosix.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/filter.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "packet/CapturedPacket.h"

namespace {

bool Fail(SourceOpening& report, OpenStep step, int error) {
  report.failed = step;
  report.error = error;
  return false;
}

// Keeps a frame whose protocol is IPv4, whole; drops every other.
sock_filter kOnlyIpv4Code[] = {
    {BPF_LD | BPF_H | BPF_ABS, 0, 0, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PROTOCOL)},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, 1, ETH_P_IP},
    {BPF_RET | BPF_K, 0, 0, 0xFFFFFFFF},
    {BPF_RET | BPF_K, 0, 0, 0},
};
const sock_fprog kOnlyIpv4 = {4, kOnlyIpv4Code};

bool IsLoopback(const in_addr& address) {
  return (ntohl(address.s_addr) >> 24) == 127;
}

// The interface that holds `address`, or "" when no interface does.
std::string InterfaceOf(const in_addr& address) {
  for (const HostAddress& host : HostAddressesNow()) {
    in_addr listed{};
    if (inet_pton(AF_INET, host.address.c_str(), &listed) == 1 && listed.s_addr == address.s_addr)
      return host.interface_name;
  }
  return {};
}

constexpr size_t kRingBytes = size_t{PacketSocketSource::kBlockBytes} * PacketSocketSource::kBlocks;
// Only a limit the kernel checks in this ring version: blocks hold datagrams
// of any size one after another.
constexpr uint32_t kFrameBytes = 2048;

tpacket_block_desc* Descriptor(uint8_t* block) {
  return reinterpret_cast<tpacket_block_desc*>(block);
}

}  // namespace

std::vector<HostAddress> HostAddressesNow() {
  std::vector<HostAddress> found;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    found.push_back({text, entry->ifa_name, IsLoopback(address)});
  }
  freeifaddrs(list);
  return found;
}

std::string AutomaticAddressNow() {
  std::string last;
  for (const HostAddress& host : HostAddressesNow()) {
    if (!host.loopback) last = host.address;
  }
  return last;
}

PacketSocketSource::PacketSocketSource() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PacketSocketSource::~PacketSocketSource() {
  Close();
  if (wake_ >= 0) close(wake_);
}

SourceOpening PacketSocketSource::Open(const CaptureAddressChoice& where) {
  Close();
  SourceOpening report;
  // Protocol 0 receives nothing until the bind below names the interface.
  socket_ = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0) {
    Fail(report, OpenStep::kCreate, errno);
    return report;
  }
  in_addr address{};
  std::string interface_name;
  bool ok = true;
  if (where.automatic) {
    report.address = AutomaticAddressNow();
    ok = !report.address.empty() || Fail(report, OpenStep::kAddressList, 0);
  } else {
    report.address = where.address;
  }
  ok = ok && (inet_pton(AF_INET, report.address.c_str(), &address) == 1 ||
              Fail(report, OpenStep::kAddress, 0));
  if (ok) interface_name = InterfaceOf(address);
  ok = ok && (!interface_name.empty() || Fail(report, OpenStep::kBind, EADDRNOTAVAIL));
  const unsigned index = ok ? if_nametoindex(interface_name.c_str()) : 0;
  ok = ok && (index != 0 || Fail(report, OpenStep::kBind, errno));
  // The ring is in place before the bind, so that no datagram goes to the
  // socket's ordinary queue, which the wait would see and nothing reads.
  ok = ok && (MapRing() || Fail(report, OpenStep::kCreate, errno));
  ok =
      ok && (setsockopt(socket_, SOL_SOCKET, SO_ATTACH_FILTER, &kOnlyIpv4, sizeof kOnlyIpv4) == 0 ||
             Fail(report, OpenStep::kBind, errno));
  if (ok) {
    // Every protocol, since only such sockets see the outgoing datagrams too;
    // the filter passes IPv4 alone.
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ALL);
    bound.sll_ifindex = static_cast<int>(index);
    ok = bind(socket_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) == 0 ||
         Fail(report, OpenStep::kBind, errno);
  }
  if (!ok) {
    Close();
    return report;
  }
  loopback_ = IsLoopback(address);
  drops_ = 0;
  KernelDrops();  // starts the kernel's count afresh
  drops_ = 0;
  report.open = true;
  return report;
}

int PacketSocketSource::WaitReadable(int seconds) {
  if (socket_ < 0) return 0;
  if (started_ || BlockIsOurs()) return 1;
  pollfd waits[2] = {{socket_, POLLIN, 0}, {wake_, POLLIN, 0}};
  const int result = poll(waits, wake_ >= 0 ? 2 : 1, seconds * 1000);
  if (result <= 0) return 0;
  if (waits[1].revents != 0) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read_bytes = read(wake_, &count, sizeof count);
    return 0;
  }
  return (waits[0].revents & POLLIN) != 0 ? 1 : 0;
}

void PacketSocketSource::Wake() {
  if (wake_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
}

bool PacketSocketSource::MapRing() {
  const int version = TPACKET_V3;
  if (setsockopt(socket_, SOL_PACKET, PACKET_VERSION, &version, sizeof version) != 0) return false;
  tpacket_req3 request{};
  request.tp_block_size = kBlockBytes;
  request.tp_block_nr = kBlocks;
  request.tp_frame_size = kFrameBytes;
  request.tp_frame_nr = static_cast<unsigned>(kRingBytes / kFrameBytes);
  request.tp_retire_blk_tov = kBlockTimeoutMs;
  if (setsockopt(socket_, SOL_PACKET, PACKET_RX_RING, &request, sizeof request) != 0) return false;
  void* ring = mmap(nullptr, kRingBytes, PROT_READ | PROT_WRITE, MAP_SHARED, socket_, 0);
  if (ring == MAP_FAILED) return false;
  ring_ = static_cast<uint8_t*>(ring);
  block_ = 0;
  started_ = false;
  return true;
}

bool PacketSocketSource::BlockIsOurs() const {
  const uint32_t status =
      __atomic_load_n(&Descriptor(Block(block_))->hdr.bh1.block_status, __ATOMIC_ACQUIRE);
  return (status & TP_STATUS_USER) != 0;
}

void PacketSocketSource::ReturnBlock() {
  __atomic_store_n(&Descriptor(Block(block_))->hdr.bh1.block_status, TP_STATUS_KERNEL,
                   __ATOMIC_RELEASE);
  block_ = (block_ + 1) % kBlocks;
  started_ = false;
}

int32_t PacketSocketSource::Receive(uint8_t* buffer, int32_t capacity) {
  if (socket_ < 0) return -1;
  for (;;) {
    if (!started_) {
      if (!BlockIsOurs()) return 0;
      const tpacket_hdr_v1& block = Descriptor(Block(block_))->hdr.bh1;
      remaining_ = block.num_pkts;
      next_ = Block(block_) + block.offset_to_first_pkt;
      started_ = true;
    }
    if (remaining_ == 0) {
      ReturnBlock();
      continue;
    }
    const auto* header = reinterpret_cast<const tpacket3_hdr*>(next_);
    const auto* from =
        reinterpret_cast<const sockaddr_ll*>(next_ + TPACKET_ALIGN(sizeof(tpacket3_hdr)));
    // On the loopback interface every datagram passes twice, going out and
    // coming in: the incoming copy alone is kept, as on other interfaces
    // each datagram is seen once.
    const bool keep = !(loopback_ && from->sll_pkttype == PACKET_OUTGOING);
    int32_t size = 0;
    if (keep) {
      last_micros_ = int64_t{header->tp_sec} * 1000000 + header->tp_nsec / 1000;
      size = static_cast<int32_t>(
          std::min<uint32_t>(header->tp_snaplen, static_cast<uint32_t>(capacity)));
      std::memcpy(buffer, next_ + header->tp_mac, static_cast<size_t>(size));
    }
    next_ += header->tp_next_offset;
    // The block goes back as soon as its last datagram is copied out, which
    // gives the kernel the most room.
    if (--remaining_ == 0) ReturnBlock();
    if (keep) return size;
  }
}

uint64_t PacketSocketSource::KernelDrops() {
  if (socket_ >= 0) {
    tpacket_stats_v3 stats{};
    socklen_t length = sizeof stats;
    if (getsockopt(socket_, SOL_PACKET, PACKET_STATISTICS, &stats, &length) == 0)
      drops_ += stats.tp_drops;
  }
  return drops_;
}

void PacketSocketSource::Close() {
  if (socket_ < 0) return;
  KernelDrops();
  if (ring_ != nullptr) munmap(ring_, kRingBytes);
  ring_ = nullptr;
  close(socket_);
  socket_ = -1;
  started_ = false;
}
