// Reads a pcap or pcapng capture with libpcap and adds the IPv4 datagrams it
// holds to a packet store, each with its local receive time.
#pragma once

#include <cstdint>
#include <string>

#include "packet/PacketStore.h"

struct PcapImportCounts {
  uint64_t read = 0;
  uint64_t kept = 0;
  uint64_t not_ipv4 = 0;   // frames of other protocols
  uint64_t malformed = 0;  // too short, or a time stamp no local time can hold
};

enum class PcapImportResult {
  Complete,  // every frame was read
  Partial,   // reading stopped at damage or a cut-off end; the frames before it were added
  Failed,    // nothing usable: the file cannot be opened, or memory ran out
};

// `message` explains a Partial or Failed result.
PcapImportResult ImportPcapFile(const std::string& path, PacketStore& store,
                                PcapImportCounts& counts, std::string& message);
