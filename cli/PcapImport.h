// Reads a pcap or pcapng capture with libpcap and hands the IPv4 datagrams it
// holds, each with its local receive time, to a receiver one at a time, so a
// capture of any size streams through.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "packet/CapturedPacket.h"

struct PcapImportCounts {
  uint64_t read = 0;
  uint64_t kept = 0;
  uint64_t not_ipv4 = 0;   // frames of other protocols
  uint64_t malformed = 0;  // too short, or a time stamp no local time can hold
};

enum class PcapImportResult {
  Complete,  // every frame was read
  Partial,   // reading stopped at damage or a cut-off end; the frames before it were added
  Failed,    // nothing usable: the file cannot be opened, or the receiver stopped
};

// Takes one kept datagram (its bytes are valid during the call only); false
// stops the import, and the receiver knows why.
using DatagramReceiver = std::function<bool(const CapturedPacket&)>;

// `message` explains a Partial result, and a Failed one that the receiver did
// not cause.
PcapImportResult ImportPcapFile(const std::string& path, const DatagramReceiver& keep,
                                PcapImportCounts& counts, std::string& message);
