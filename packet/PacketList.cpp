// Appending list rows for newly stored packets. Rows mirror the store in
// order: the capture thread deletes rows at the top when it overwrites the
// oldest packets, and appends here at the bottom. A row's texts are drawn from
// its record when the list shows it; here only the row number and the time its
// DiffTime is measured from are worked out, which need the packets before it.
#include "packet/PacketList.h"

#include <cstdio>

#include "packet/HeaderDecoders.h"

namespace {

constexpr uint32_t kCounterModulus = PacketStore::kPacketCounterWrap + 1;

// Packets stored since the counter read `last`; the counter runs through
// 0 ... kPacketCounterWrap and starts again at 0.
uint32_t PacketsSince(uint32_t last, uint32_t counter) {
  return (counter % kCounterModulus + kCounterModulus - last % kCounterModulus) % kCounterModulus;
}

void ShowCounts(const PacketStore& store, StatusText& status) {
  char text[128];
  std::snprintf(text, sizeof text, "Packet:%u　　Memory:%llu byte", store.PacketCounter(),
                static_cast<unsigned long long>(store.TotalBytes()));
  status.SetStatusText(1, text);
}

}  // namespace

void ResetPacketList(PacketListState& state) {
  state.shown_row_count = 0;
  state.previous_receive_time = SystemTime{};
  state.last_packet_counter = 0;
}

void UpdatePacketList(PacketListState& state, const PacketStore& store, ListPane& list,
                      StatusText& status, bool more_follow) {
  // Every reset comes with an emptied store, so before the first row every
  // stored record is new, also when a load of more than kPacketCounterWrap
  // records has wrapped the counter.
  const uint32_t counter = store.PacketCounter();
  const bool first_since_reset = state.shown_row_count == 0 && state.last_packet_counter == 0;
  uint32_t fresh =
      first_since_reset ? store.Count() : PacketsSince(state.last_packet_counter, counter);
  state.last_packet_counter = counter;

  // More new packets than stored ones: the oldest of them are gone already.
  const uint32_t stored = store.Count();
  if (fresh > stored) fresh = stored;
  const uint32_t first = stored - fresh;
  const uint64_t first_sequence = store.FirstSequence() + first;

  for (uint32_t k = 0; k < fresh; ++k) {
    // Only this thread removes records, so every index below the count holds one.
    CapturedPacket packet;
    if (!store.Get(static_cast<int32_t>(first + k), packet)) break;
    list.AppendRow(PacketRow{first_sequence + k, state.shown_row_count, state.previous_receive_time});
    IpHeader ip{};
    if (DecodeIpHeader(ip, packet.data, static_cast<int32_t>(packet.size))) {
      state.previous_receive_time = packet.time;
    }
    // Wraps instead of overflowing after 2^31 rows of a very long capture.
    state.shown_row_count = static_cast<int32_t>(static_cast<uint32_t>(state.shown_row_count) + 1);
  }

  // The counts before the end of the update, so that a list which hands its
  // changes over in one piece can take them along.
  ShowCounts(store, status);
  list.EndUpdate(more_follow);
}
