// One update over the loaded store when its counter cannot have wrapped;
// otherwise the records are copied into a second store batch by batch, with an
// update after each, so that no batch is lost to the wrap.
#include "cli/PacketListing.h"

#include "cli/CliPanes.h"
#include "packet/PacketList.h"

bool ListAllPackets(const PacketStore& loaded, ListPane& list, uint32_t batch_limit) {
  PacketListState state;
  ResetPacketList(state);
  SilentStatusText status;
  const uint32_t count = loaded.Count();
  if (count <= batch_limit || batch_limit == 0) {
    UpdatePacketList(state, loaded, list, status);
    return true;
  }

  PacketStore batches;
  for (uint32_t i = 0; i < count; ++i) {
    CapturedPacket packet;
    if (loaded.Get(static_cast<int32_t>(i), packet) != 1) continue;
    if (batches.Add(packet.data, packet.size, packet.time) != PacketStore::kAddStored) {
      return false;
    }
    if ((i + 1) % batch_limit == 0) UpdatePacketList(state, batches, list, status);
  }
  UpdatePacketList(state, batches, list, status);
  return true;
}
