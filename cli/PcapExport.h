// Writes packets as a classic pcap file of raw IPv4 datagrams, so that a
// capture opens in the usual analysers. Records are written as they come, so
// a capture of any size streams through.
#pragma once

#include <cstdint>
#include <string>

#include "log/BufferedFileWriter.h"
#include "packet/CapturedPacket.h"

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
// local receive time and the datagram, cut to the snapshot length.
class PcapFileWriter {
 public:
  // Creates the file and writes its header. false with the system's reason.
  bool Open(const std::string& path, std::string& error);
  // The same on a descriptor opened for writing (standard output, say), which
  // the writer closes.
  bool OpenDescriptor(int descriptor, std::string& error);
  // false once writing has failed.
  bool Write(const CapturedPacket& packet);
  // A record with its UTC time stamp as it is (a live capture's).
  bool Write(uint32_t seconds, uint32_t microseconds, const uint8_t* data, uint32_t size);
  // Hands what is buffered to the file; false once writing has failed.
  bool Flush() { return file_.Flush(); }
  // false with the system's reason when anything could not be written.
  bool Close(std::string& error);

  const PcapExportCounts& counts() const { return counts_; }

 private:
  BufferedFileWriter file_;
  PcapExportCounts counts_;
};
