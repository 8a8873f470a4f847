// The packet list: appends one row per packet stored since the last update and
// refreshes the packet and memory counts in the status bar. Runs on the capture
// thread only; the state below is that thread's.
#pragma once

#include <cstdint>

#include "log/SystemTime.h"
#include "packet/PacketStore.h"
#include "packet/Panes.h"

struct PacketListState {
  int32_t shown_row_count = 0;         // rows appended since the last reset; next row's number
  SystemTime previous_receive_time{};  // time of the last listed packet whose IP header decoded
  // The store's packet counter at the last update. The counter wraps to 0
  // after PacketStore::kPacketCounterWrap, so new packets are counted as the
  // distance from this value modulo the wrap, not as counter - row count.
  uint32_t last_packet_counter = 0;
};

// Back to the state of an empty store: count 0, time all zero (page creation,
// clear, load). The store's counter must be 0 as well at that point.
void ResetPacketList(PacketListState& state);

// Appends a row for every packet stored since the previous call (the first
// call after a reset: for every stored packet) and sets status part 1 to the
// packet counter and the stored bytes. `more_follow`: another update comes
// soon (while packets keep arriving), see ListPane::EndUpdate.
void UpdatePacketList(PacketListState& state, const PacketStore& store, ListPane& list,
                      StatusText& status, bool more_follow = false);
