#include "cli/PacketListing.h"

#include <gtest/gtest.h>

#include "cli/CliPanes.h"
#include "cli/support/CaptureBuilders.h"

namespace {

// Handing the records over in batches must give the very rows one update over
// the whole store gives: numbers run on, DiffTime is measured across batches.
TEST(PacketListing, BatchesGiveTheSameRowsAsOneUpdate) {
  PacketStore store;
  for (uint16_t i = 0; i < 7; ++i) {
    // A runt packet in the middle keeps its row but is no "previous" packet.
    const Bytes bytes = i == 3 ? Bytes(10, 0x45) : UdpDatagram(static_cast<uint16_t>(1000 + i), i);
    const SystemTime time{2024, 6, 6, 1, 12, 0, i, static_cast<uint16_t>(100 * i)};
    ASSERT_EQ(store.Add(bytes.data(), static_cast<uint32_t>(bytes.size()), time), 1);
  }
  CollectingListPane whole;
  ASSERT_TRUE(ListAllPackets(store, whole, 0));
  ASSERT_EQ(whole.RowCount(), 7);
  EXPECT_EQ(whole.rows()[6][0], "6");
  EXPECT_EQ(whole.rows()[3][1], "???IP???");
  EXPECT_EQ(whole.rows()[4][12], "2.200 sec");  // from packet 2, skipping the runt

  for (uint32_t batch : {1u, 2u, 3u, 6u, 7u}) {
    CollectingListPane batched;
    ASSERT_TRUE(ListAllPackets(store, batched, batch));
    EXPECT_EQ(batched.rows(), whole.rows()) << "batch " << batch;
  }
}

}  // namespace
