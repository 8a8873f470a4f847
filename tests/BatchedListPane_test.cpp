#include "packet/BatchedListPane.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packet/PacketList.h"
#include "packet/PacketListRows.h"
#include "support/Datagrams.h"
#include "support/FakePanes.h"

namespace {

std::vector<std::string> Rows(FakeListPane& list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list.RowCount(); ++i) rows.push_back(list.RowText(i));
  return rows;
}

// The rows as the window draws them from the handed-over changes.
std::vector<std::string> Rows(const PacketListRows& window, const PacketStore& store) {
  FakeListPane drawn;
  drawn.store = &store;
  for (int i = 0; i < window.RowCount(); ++i) drawn.rows.push_back(window.Row(i));
  return Rows(drawn);
}

// The same list updates and top deletions, once straight into a list and once
// through the batched list whose hand-overs the window's rows apply: the rows
// and their texts come out the same, with one hand-over per update, and rows
// that were appended and deleted again between two hand-overs never cross.
TEST(BatchedListPane, HandsOverOneBatchPerUpdateWithTheSameRows) {
  PacketStore store;
  ASSERT_EQ(store.Init(), 1);
  store.SetLimitKbytes(1);
  FakeListPane direct;
  direct.store = &store;
  PacketListRows window;
  FakeStatusText direct_status, batched_status;
  std::vector<ListChanges> handed_over;
  BatchedListPane batched(
      [&](const ListChanges& changes) {
        handed_over.push_back(changes);
        window.Apply(changes);
        return window.RowCount();
      },
      3600 * 1000);
  PacketListState direct_state, batched_state;
  auto update = [&](bool more_follow) {
    UpdatePacketList(direct_state, store, direct, direct_status);
    UpdatePacketList(batched_state, store, batched, batched_status, more_follow);
  };
  // 100-byte UDP datagrams, times 10 ms apart: the store holds nine or ten.
  std::vector<uint8_t> udp = {0, 53, 4, 0, 0, 80, 0, 0};
  udp.resize(80);
  const std::vector<uint8_t> d = Datagram(17, udp);
  int added = 0;
  auto add = [&](int count) {
    for (int i = 0; i < count; ++i, ++added) {
      const SystemTime time{2024, 1, 1, 1, 10, 0, 0, static_cast<uint16_t>(10 * added)};
      if (store.Add(d.data(), 100, time) != PacketStore::kAddStored) {
        const int32_t removed = store.AddOverwriting(d.data(), 100, time);
        direct.DeleteTopRows(std::min(removed, direct.RowCount()));
        batched.DeleteTopRows(std::min(removed, batched.RowCount()));
      }
    }
  };

  add(6);
  update(false);
  ASSERT_EQ(handed_over.size(), 1u);
  EXPECT_EQ(Rows(window, store), Rows(direct));
  // Overwriting deletes top rows between updates; they go with the next batch.
  add(5);
  EXPECT_EQ(batched.RowCount(), 4);
  EXPECT_EQ(handed_over.size(), 1u);
  update(false);
  ASSERT_EQ(handed_over.size(), 2u);
  EXPECT_EQ(handed_over[1].deleted_top, 2u);
  EXPECT_EQ(Rows(window, store), Rows(direct));
  EXPECT_EQ(window.Row(0).number, 2);

  // While more follow, updates are held, also over overwrites that delete
  // rows appended since the last hand-over; the last update takes all along.
  for (int round = 0; round < 4; ++round) {
    add(4);
    update(true);
  }
  EXPECT_EQ(handed_over.size(), 2u);
  update(false);
  ASSERT_EQ(handed_over.size(), 3u);
  EXPECT_EQ(handed_over[2].deleted_top, 9u);
  EXPECT_LT(handed_over[2].previous_times.size(), 16u);
  EXPECT_EQ(window.RowCount(), static_cast<int>(store.Count()));
  EXPECT_EQ(Rows(window, store), Rows(direct));
  EXPECT_EQ(batched_status.parts, direct_status.parts);
  // An update with nothing new hands nothing over.
  update(false);
  EXPECT_EQ(handed_over.size(), 3u);

  // A row whose record left the store draws empty, never another packet.
  store.AddOverwriting(std::vector<uint8_t>(100, 0x45).data(), 100, SystemTime{});
  EXPECT_EQ(window.Cells(0, store), nullptr);
  for (int row : {1, 2, 1}) {  // the control asks cell by cell; the last row's are kept
    ASSERT_NE(window.Cells(row, store), nullptr);
    EXPECT_EQ(window.Cells(row, store)->cells[kColumnNumber],
              std::to_string(window.Row(row).number));
  }

  // Emptying goes over at once and drops what was gathered.
  batched.AppendRow(PacketRow{999, 0, SystemTime{}});
  batched.DeleteAllRows();
  ASSERT_EQ(handed_over.size(), 4u);
  EXPECT_TRUE(handed_over[3].reset);
  EXPECT_TRUE(handed_over[3].previous_times.empty());
  EXPECT_EQ(window.RowCount(), 0);
}

// Opening a large file appends every record in one update: the rows cross in
// bounded hand-overs and the window ends with all of them in order.
TEST(BatchedListPane, LargeUpdatesCrossInBoundedHandovers) {
  PacketStore store;
  const std::vector<uint8_t> d = Datagram(17, {0, 53, 4, 0, 0, 80, 0, 0}, 28);
  const size_t records = 2 * BatchedListPane::kMaxRowsPerHandover + 5;
  for (size_t i = 0; i < records; ++i) store.Add(d.data(), 28, SystemTime{});
  PacketListRows window;
  size_t largest = 0, handovers = 0;
  BatchedListPane batched([&](const ListChanges& changes) {
    ++handovers;
    largest = std::max(largest, changes.previous_times.size());
    window.Apply(changes);
    return window.RowCount();
  });
  PacketListState state;
  FakeStatusText status;
  UpdatePacketList(state, store, batched, status);
  EXPECT_EQ(handovers, 3u);
  EXPECT_EQ(largest, BatchedListPane::kMaxRowsPerHandover);
  ASSERT_EQ(window.RowCount(), static_cast<int>(records));
  const PacketRow last = window.Row(window.RowCount() - 1);
  EXPECT_EQ(last.sequence, records - 1);
  EXPECT_EQ(last.number, static_cast<int32_t>(records - 1));
  EXPECT_STREQ(window.Cells(window.RowCount() - 1, store)->cells[kColumnNumber],
               std::to_string(records - 1).c_str());
}

}  // namespace
