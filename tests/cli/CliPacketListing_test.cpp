#include "cli/PacketListing.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/support/CaptureBuilders.h"
#include "views/PacketList.h"
#include "packet/PacketStore.h"
#include "support/FakePanes.h"

namespace {

std::string Joined(const ListRowTexts& row) {
  std::string line = row.cells[0];
  for (int column = 1; column < kListColumnCount; ++column)
    line += std::string("\t") + row.cells[column];
  return line;
}

// Streamed rows must be the window's rows: numbers run on, and DiffTime skips
// a packet whose IP header does not decode.
TEST(PacketListing, StreamedRowsAreTheWindowsRows) {
  PacketStore store;
  for (uint16_t i = 0; i < 7; ++i) {
    const Bytes bytes = i == 3 ? Bytes(10, 0x45) : UdpDatagram(static_cast<uint16_t>(1000 + i), i);
    const SystemTime time{2024, 6, 6, 1, 12, 0, i, static_cast<uint16_t>(100 * i)};
    ASSERT_EQ(store.Add(bytes.data(), static_cast<uint32_t>(bytes.size()), time), 1);
  }
  FakeListPane window;
  window.store = &store;
  PacketListFeed feed(window);
  feed.Update(store);
  ASSERT_EQ(window.RowCount(), 7);
  EXPECT_EQ(window.Cell(4, 12), "2.200 sec");

  PacketListing listing;
  for (uint32_t i = 0; i < store.Count(); ++i) {
    CapturedPacket packet;
    ASSERT_EQ(store.Get(static_cast<int32_t>(i), packet), 1);
    ListRowTexts row;
    listing.NextRow(packet, row);
    for (int column = 0; column < kListColumnCount; ++column) {
      EXPECT_EQ(row.cells[column], window.Cell(static_cast<int>(i), column))
          << "row " << i << " column " << column;
    }
  }
}

// The window's list follows a packet counter that wraps after 5,000,000; the
// streamed list keeps counting past it, and measures DiffTime from the last
// packet whose IP header decoded, however far back.
TEST(PacketListing, NumbersRunOnPastTheStoresCounterWrap) {
  const Bytes udp = UdpDatagram(7, 0);
  const CapturedPacket first{
      static_cast<uint32_t>(udp.size()), {2024, 1, 1, 1, 0, 0, 1, 0}, udp.data()};
  CapturedPacket runt = first;
  runt.size = 10;
  CapturedPacket last = first;
  last.time.second = 3;

  PacketListing listing;
  ListRowTexts row;
  listing.NextRow(first, row);
  const uint64_t total = uint64_t{PacketStore::kPacketCounterWrap} + 2;
  for (uint64_t i = 1; i + 1 < total; ++i) {
    listing.NextRow(runt, row);
    if (std::to_string(i) != row.cells[kColumnNumber]) FAIL() << "row " << i << ": " << Joined(row);
  }
  listing.NextRow(last, row);
  EXPECT_STREQ(row.cells[kColumnNumber], "5000001");
  EXPECT_STREQ(row.cells[kColumnDiffTime], "2.000 sec");
}

}  // namespace
