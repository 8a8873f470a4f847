// One stored datagram: its byte count, its local receive time and the store's
// own copy of its bytes. Nothing decoded is kept; every user decodes afresh.
#pragma once

#include <cstdint>

#include "log/SystemTime.h"

struct CapturedPacket {
  uint32_t size = 0;              // bytes of the datagram, from the first byte of the IPv4 header
  SystemTime time;                // local time at which the capture thread accepted it
  const uint8_t* data = nullptr;  // owned by the packet store
};

// Largest datagram a receive can deliver, and so the receive buffer's size.
inline constexpr uint32_t kMaxDatagramSize = 65535;
