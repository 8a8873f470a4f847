// The packet list of a whole loaded capture, built by the window's own list
// code. That code finds new packets through the store's packet counter, which
// starts again at 0 after PacketStore::kPacketCounterWrap packets; a capture
// file may hold more than that, so larger captures are handed over in batches,
// as packets reach the window's list while it captures.
#pragma once

#include <cstdint>

#include "packet/PacketStore.h"
#include "packet/Panes.h"

// Appends one row per record of `loaded` to `list`, numbered from 0. At most
// `batch_limit` records (0: all) are passed to the list code at a time. False
// when memory for the batches ran out; the list then lacks the last rows.
bool ListAllPackets(const PacketStore& loaded, ListPane& list,
                    uint32_t batch_limit = PacketStore::kPacketCounterWrap);
