// The platform side of `kestrel-cli capture`: the program's own packet
// source (the receive-all socket of the socket layer on Windows, a packet
// socket on Linux), the addresses it can be given, why an opening failed in
// the tool's words, and the stop requests of the user (Ctrl+C, SIGINT and
// SIGTERM, a console's close).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/PacketSource.h"

class LiveSource {
 public:
  virtual ~LiveSource() = default;
  virtual PacketSource& source() = 0;
  // The receive time of the datagram received last: UTC, microseconds since 1970.
  virtual int64_t LastReceiveMicros() = 0;
  // Datagrams the system dropped since the opening; false where it cannot tell.
  virtual bool KernelDrops(uint64_t& drops) = 0;
};

std::unique_ptr<LiveSource> MakeLiveSource();

// What -i takes, one a line: "auto" with the address it stands for now, each
// address of the host (with its interface's name where known), 127.0.0.1.
std::vector<std::string> CaptureAddressLines();

// Why the source could not be opened, as one line for standard error.
std::string OpeningFailureText(const SourceOpening& opening);

// From now on a stop request sets `stop` and wakes `source`'s wait, until
// EndStopRequests; both outlive that. A console close waits (as long as the
// system lets it) for EndStopRequests, so the files are complete before the
// process is ended.
void CatchStopRequests(std::atomic<bool>& stop, PacketSource& source);
void EndStopRequests();
