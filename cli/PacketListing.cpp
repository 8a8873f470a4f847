// The row texts come from the window's own row function; only the number is
// written here, 64 bits wide.
#include "cli/PacketListing.h"

#include <cstdio>

void PacketListing::NextRow(const CapturedPacket& packet, ListRowTexts& out) {
  ListRowCells(packet, 0, previous_receive_time_, out);
  std::snprintf(out.cells[kColumnNumber], kListCellCapacity, "%llu",
                static_cast<unsigned long long>(next_number_));
  ++next_number_;
  if (out.ip_decoded) previous_receive_time_ = packet.time;
}
