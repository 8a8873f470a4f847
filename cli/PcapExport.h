// Writes the packets of a store as a classic pcap file of raw IPv4 datagrams,
// so that a capture opens in the usual analysers.
#pragma once

#include <cstdint>
#include <string>

#include "packet/PacketStore.h"

inline constexpr uint32_t kPcapSnapshotLength = 65535;
inline constexpr uint32_t kPcapLinkTypeRaw = 101;

struct PcapExportCounts {
  uint64_t written = 0;
  // Records whose receive time is no valid local time, or lies outside what a
  // classic pcap can hold (1970 to 2106): written with the time stamp 0.
  uint64_t bad_time = 0;
};

// Little-endian file: magic 0xA1B2C3D4 (microsecond time stamps), version 2.4,
// snapshot length 65535, link type raw IPv4; per record the UTC time of the
// local receive time and the datagram, cut to the snapshot length. Returns
// false with the system's reason in `error` when the file cannot be written.
bool ExportPcapFile(const std::string& path, const PacketStore& store, PcapExportCounts& counts,
                    std::string& error);
