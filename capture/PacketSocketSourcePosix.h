// The packet source on Linux: a packet socket (AF_PACKET, SOCK_DGRAM, IPv4
// only) bound to the interface that carries the chosen address. Like the
// receive-all socket on Windows it hands over every IPv4 datagram of that
// interface, both directions and every protocol, from its IPv4 header on. A
// raw IP socket would not do: it sees only incoming datagrams of one protocol.
//
// Datagrams are taken from the kernel in batches (recvmmsg), so that while
// traffic flows there is one system call per batch, not per datagram, and one
// wait (poll) per burst. Each datagram keeps the kernel's receive time stamp.
// Opening needs CAP_NET_RAW (root); without it the socket step fails with
// EPERM. Error numbers in the SourceOpening are errno values.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/PacketSource.h"

class PacketSocketSource : public PacketSource {
 public:
  // Datagrams taken from the kernel with one call.
  static constexpr int kBatch = 64;
  static constexpr int32_t kReceiveBufferBytes = 8 * 1024 * 1024;

  PacketSocketSource();
  ~PacketSocketSource() override;
  PacketSocketSource(const PacketSocketSource&) = delete;
  PacketSocketSource& operator=(const PacketSocketSource&) = delete;

  SourceOpening Open(const CaptureAddressChoice& where) override;
  int WaitReadable(int seconds) override;
  // One write to an eventfd: safe in a signal handler.
  void Wake() override;
  int32_t Receive(uint8_t* buffer, int32_t capacity) override;
  void Close() override;
  void Cleanup() override {}

  // The kernel's receive time of the datagram Receive handed out last: UTC,
  // microseconds since 1970.
  int64_t LastReceiveMicros() const { return last_micros_; }
  // Datagrams the kernel dropped since Open because the socket's buffer was
  // full (PACKET_STATISTICS, which restarts its count at each reading).
  uint64_t KernelDrops();

 private:
  struct Slot;
  bool FetchBatch();

  int socket_ = -1;
  int wake_ = -1;  // eventfd
  bool loopback_ = false;
  std::unique_ptr<Slot[]> slots_;
  std::vector<mmsghdr> messages_;
  int fetched_ = 0;
  int next_ = 0;
  int64_t last_micros_ = 0;
  uint64_t drops_ = 0;
};

struct HostAddress {
  std::string address;
  std::string interface_name;
  bool loopback = false;
};

// The host's IPv4 addresses in the order the system lists them.
std::vector<HostAddress> HostAddressesNow();
// The automatic rule: the last listed address that is not a loopback one;
// empty when there is none.
std::string AutomaticAddressNow();
