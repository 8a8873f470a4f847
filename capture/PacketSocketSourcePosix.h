// The packet source on Linux: a packet socket (AF_PACKET, SOCK_DGRAM, IPv4
// only) bound to the interface that carries the chosen address. Like the
// receive-all socket on Windows it hands over every IPv4 datagram of that
// interface, both directions and every protocol, from its IPv4 header on. A
// raw IP socket would not do: it sees only incoming datagrams of one protocol.
//
// The kernel writes the datagrams into a ring of blocks mapped into this
// process (PACKET_RX_RING, TPACKET_V3): a block is handed over when it is full
// or has waited kBlockTimeoutMs, so while traffic flows there is one wait
// (poll) per block of datagrams and no system call per datagram. Each
// datagram keeps the kernel's receive time stamp.
// Opening needs CAP_NET_RAW (root); without it the socket step fails with
// EPERM. Error numbers in the SourceOpening are errno values.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/PacketSource.h"

class PacketSocketSource : public PacketSource {
 public:
  // 8 MiB in all, as much as the usual capture tools' default buffer. A
  // block holds the largest datagram whole. Many small blocks rather than a
  // few large ones: a block leaves for the reader after kBlockTimeoutMs
  // however little it holds, so at moderate rates the ring bridges a stall of
  // the writer of about kBlocks times that timeout.
  static constexpr uint32_t kBlockBytes = 128 * 1024;
  static constexpr uint32_t kBlocks = 64;
  // Bounds how long a datagram waits in a block that does not fill: the
  // reader at the end of a pipe sees it within this plus the output's flush.
  static constexpr uint32_t kBlockTimeoutMs = 20;

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
  // Datagrams the kernel dropped since Open because the ring was full
  // (PACKET_STATISTICS, which restarts its count at each reading).
  uint64_t KernelDrops();

 private:
  bool MapRing();
  uint8_t* Block(uint32_t index) const { return ring_ + size_t{index} * kBlockBytes; }
  bool BlockIsOurs() const;
  void ReturnBlock();

  int socket_ = -1;
  int wake_ = -1;  // eventfd
  bool loopback_ = false;
  uint8_t* ring_ = nullptr;
  uint32_t block_ = 0;       // the block read now or waited for next
  uint32_t remaining_ = 0;   // its datagrams not yet handed out
  uint8_t* next_ = nullptr;  // header of the next of them
  bool started_ = false;     // whether remaining_ and next_ describe block_
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
