// The packet list's rows for packets read one after another, with the cells
// the window's list shows: numbered from 0 and timed against the previous
// packet as the window's list does, but for any number of packets (the
// window's list follows the store's packet counter, which wraps after
// PacketStore::kPacketCounterWrap).
#pragma once

#include <cstdint>

#include "packet/CapturedPacket.h"
#include "views/ListRowTexts.h"

class PacketListing {
 public:
  // Fills `out` with the row of the next packet.
  void NextRow(const CapturedPacket& packet, ListRowTexts& out);

 private:
  uint64_t next_number_ = 0;
  SystemTime previous_receive_time_{};  // of the last packet whose IP header decoded
};
