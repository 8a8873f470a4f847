// Packet socket, interface lookup, batched receive and wake for Linux.
#include "capture/PacketSocketSourcePosix.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/filter.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "packet/CapturedPacket.h"

struct PacketSocketSource::Slot {
  uint8_t bytes[kMaxDatagramSize + 1];
  sockaddr_ll from;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
  iovec vector;
};

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

int64_t NowMicros() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
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
  if (ok) {
    // Root may go past the system's limit (FORCE); a refused size only costs
    // burst capacity.
    const int bytes = kReceiveBufferBytes;
    if (setsockopt(socket_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
      setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    slots_.reset(new (std::nothrow) Slot[kBatch]);
    ok = slots_ != nullptr || Fail(report, OpenStep::kCreate, ENOMEM);
  }
  if (!ok) {
    Close();
    return report;
  }
  loopback_ = IsLoopback(address);
  messages_.assign(kBatch, mmsghdr{});
  fetched_ = next_ = 0;
  drops_ = 0;
  KernelDrops();  // starts the kernel's count afresh
  drops_ = 0;
  report.open = true;
  return report;
}

int PacketSocketSource::WaitReadable(int seconds) {
  if (socket_ < 0) return 0;
  if (next_ < fetched_) return 1;
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

bool PacketSocketSource::FetchBatch() {
  for (int i = 0; i < kBatch; ++i) {
    Slot& slot = slots_[i];
    slot.vector = {slot.bytes, sizeof slot.bytes};
    msghdr& header = messages_[i].msg_hdr;
    header = msghdr{};
    header.msg_name = &slot.from;
    header.msg_namelen = sizeof slot.from;
    header.msg_iov = &slot.vector;
    header.msg_iovlen = 1;
    header.msg_control = slot.control;
    header.msg_controllen = sizeof slot.control;
  }
  const int got = recvmmsg(socket_, messages_.data(), kBatch, MSG_DONTWAIT, nullptr);
  fetched_ = std::max(got, 0);
  next_ = 0;
  return got >= 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

int32_t PacketSocketSource::Receive(uint8_t* buffer, int32_t capacity) {
  if (socket_ < 0) return -1;
  for (;;) {
    if (next_ >= fetched_) {
      if (!FetchBatch()) return -1;
      if (fetched_ == 0) return 0;
    }
    const int i = next_++;
    const Slot& slot = slots_[i];
    // On the loopback interface every datagram passes twice, going out and
    // coming in: the incoming copy alone is kept, as on other interfaces
    // each datagram is seen once.
    if (loopback_ && slot.from.sll_pkttype == PACKET_OUTGOING) continue;
    last_micros_ = NowMicros();
    msghdr& header = messages_[i].msg_hdr;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
      if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
        last_micros_ = int64_t{stamp.tv_sec} * 1000000 + stamp.tv_nsec / 1000;
      }
    }
    const int32_t size = static_cast<int32_t>(
        std::min<unsigned>(messages_[i].msg_len, static_cast<unsigned>(capacity)));
    std::memcpy(buffer, slot.bytes, static_cast<size_t>(size));
    return size;
  }
}

uint64_t PacketSocketSource::KernelDrops() {
  if (socket_ >= 0) {
    tpacket_stats stats{};
    socklen_t length = sizeof stats;
    if (getsockopt(socket_, SOL_PACKET, PACKET_STATISTICS, &stats, &length) == 0)
      drops_ += stats.tp_drops;
  }
  return drops_;
}

void PacketSocketSource::Close() {
  if (socket_ < 0) return;
  KernelDrops();
  close(socket_);
  socket_ = -1;
  fetched_ = next_ = 0;
}
