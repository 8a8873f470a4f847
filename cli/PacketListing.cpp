// The row texts come from the window's own row function; numbers past its
// 32-bit range are written here.
#include "cli/PacketListing.h"

#include <cstdint>
#include <cstdio>

void PacketListing::NextRow(const CapturedPacket& packet, ListRowTexts& out) {
  const bool fits = next_number_ <= uint64_t{INT32_MAX};
  ListRowCells(packet, fits ? static_cast<int32_t>(next_number_) : 0, previous_receive_time_, out);
  if (!fits) {
    std::snprintf(out.cells[kColumnNumber], kListCellCapacity, "%llu",
                  static_cast<unsigned long long>(next_number_));
  }
  ++next_number_;
  if (out.ip_decoded) previous_receive_time_ = packet.time;
}
