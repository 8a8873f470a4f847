#include "packet/BatchedListPane.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packet/PacketList.h"
#include "support/Datagrams.h"
#include "support/FakePanes.h"

namespace {

std::vector<std::string> Rows(const FakeListPane& list) {
  std::vector<std::string> rows;
  for (size_t i = 0; i < list.rows.size(); ++i) {
    rows.push_back(list.RowText(static_cast<int>(i)) + " #" +
                   std::to_string(list.rows[i].item_data));
  }
  return rows;
}

// The same list updates and top deletions, once straight into a list and once
// through a batched list that hands each update over in one piece: the rows,
// their texts and item data come out the same, with one hand-over per update.
TEST(BatchedListPane, HandsOverOneBatchPerUpdateWithTheSameRows) {
  PacketStore store;
  ASSERT_EQ(store.Init(), 1);
  FakeListPane direct, control;
  FakeStatusText direct_status, batched_status;
  int deliveries = 0;
  BatchedListPane batched(
      [&](const ListUpdateBatch& batch) {
        ++deliveries;
        batch.ApplyTo(control);
        return control.RowCount();
      },
      3600 * 1000);
  PacketListState direct_state, batched_state;
  auto update = [&] {
    UpdatePacketList(direct_state, store, direct, direct_status);
    UpdatePacketList(batched_state, store, batched, batched_status);
  };
  auto add = [&](int count) {
    for (int i = 0; i < count; ++i) {
      const std::vector<uint8_t> d = Datagram(17, {0, 53, 4, 0, 0, 8, 0, 0}, 28 + i);
      store.Add(d.data(), static_cast<uint32_t>(d.size()), SystemTime{2024, 1, 1, 1, 10});
    }
  };

  add(6);
  update();
  EXPECT_EQ(deliveries, 1);
  EXPECT_EQ(batched.RowCount(), 6);
  // Overwriting deletes top rows between updates; they go with the next batch.
  for (ListPane* list : {static_cast<ListPane*>(&direct), static_cast<ListPane*>(&batched)}) {
    list->DeleteRow(0);
    list->DeleteRow(0);
  }
  direct_state.renumber_pending = batched_state.renumber_pending = true;
  EXPECT_EQ(batched.RowCount(), 4);
  EXPECT_EQ(deliveries, 1);
  add(3);
  update();
  EXPECT_EQ(deliveries, 2);
  EXPECT_EQ(Rows(control), Rows(direct));
  EXPECT_EQ(control.rows.size(), 7u);
  EXPECT_EQ(batched_status.parts, direct_status.parts);

  // An update with nothing new hands nothing over; while more follow, updates
  // are held, and the last one takes them all along.
  update();
  EXPECT_EQ(deliveries, 2);
  add(2);
  UpdatePacketList(batched_state, store, batched, batched_status, true);
  add(1);
  UpdatePacketList(batched_state, store, batched, batched_status, true);
  EXPECT_EQ(deliveries, 2);
  UpdatePacketList(batched_state, store, batched, batched_status, false);
  UpdatePacketList(direct_state, store, direct, direct_status);
  EXPECT_EQ(deliveries, 3);
  EXPECT_EQ(Rows(control), Rows(direct));

  // Emptying goes over at once and drops what was queued; a refused insert
  // leaves the batched list counting the rows the control really has.
  batched.InsertRow(batched.RowCount(), "queued");
  batched.DeleteAllRows();
  EXPECT_EQ(deliveries, 4);
  EXPECT_TRUE(control.rows.empty());
  EXPECT_EQ(control.insert_calls, 12);
  control.fail_inserts = true;
  EXPECT_EQ(batched.InsertRow(0, "refused"), 0);
  batched.EndUpdate(false);
  EXPECT_EQ(batched.RowCount(), 0);
}

}  // namespace
