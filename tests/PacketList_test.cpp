#include "views/PacketList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "views/ListRowTexts.h"
#include "support/Datagrams.h"
#include "support/FakePanes.h"

namespace {

// TCP 1025 -> 80, sequence 1, acknowledgement 2, with `payload` bytes of data.
std::vector<uint8_t> Tcp(uint8_t flags, size_t payload = 0) {
  return TcpHeader(flags, 1, 2, 0x1000, std::vector<uint8_t>(payload, 0x61));
}

// UDP 53 -> 1024 with `payload` bytes.
std::vector<uint8_t> Udp(size_t payload) {
  std::vector<uint8_t> u = {0x00, 0x35, 0x04, 0x00, 0x00, static_cast<uint8_t>(8 + payload), 0, 0};
  for (size_t i = 0; i < payload; ++i) u.push_back(0x62);
  return u;
}

SystemTime At(uint16_t hour, uint16_t minute, uint16_t second, uint16_t ms) {
  return SystemTime{2024, 1, 1, 1, hour, minute, second, ms};
}

void Add(PacketStore& store, const std::vector<uint8_t>& bytes, SystemTime time) {
  ASSERT_EQ(store.Add(bytes.data(), static_cast<uint32_t>(bytes.size()), time),
            PacketStore::kAddStored);
}

struct RowCase {
  std::vector<uint8_t> bytes;
  const char* row;  // the row's cells joined by tabs, trailing empty cells dropped
};

TEST(PacketList, RowTextsOfEveryProtocolBranch) {
  const char* t = "2024/01/01(10:00:00.100)";
  const std::vector<RowCase> cases = {
      {Datagram(6, Tcp(0x11, 4)),
       "0\tTCP  FIN ACK\t192.168.0.1\t1025\t⇒\t10.0.0.2\t80\t44\t4\t1\t2\t%T\t0 sec"},
      {Datagram(6, Tcp(0x00)),
       "1\tTCP \t192.168.0.1\t1025\t⇒\t10.0.0.2\t80\t40\t0\t1\t2\t%T\t0.000 sec"},
      {Datagram(6, Tcp(0x3F)),
       "2\tTCP  FIN SYN RST PSH ACK "
       "URG\t192.168.0.1\t1025\t⇒\t10.0.0.2\t80\t40\t0\t1\t2\t%T\t0.000 sec"},
      // Headers longer than the total length: the size prints as unsigned -4.
      {Datagram(6, Tcp(0x02), 36),
       "3\tTCP  SYN\t192.168.0.1\t1025\t⇒\t10.0.0.2\t80\t36\t4294967292\t1\t2\t%T\t0.000 sec"},
      {Datagram(17, Udp(12)),
       "4\tUDP\t192.168.0.1\t53\t⇒\t10.0.0.2\t1024\t40\t12\t-----\t-----\t%T\t0.000 sec"},
      {Datagram(1, {8, 0, 0xF7, 0xFF, 0, 1, 0, 1}),
       "5\tICMP(Echo "
       "Request)\t192.168.0.1\t-----\t⇒\t10.0.0.2\t-----\t28\t4\t-----\t-----\t%T\t0.000 sec"},
      {Datagram(1, {4, 0, 0, 0}),
       "6\tICMP(???]\t192.168.0.1\t-----\t⇒\t10.0.0.2\t-----\t24\t0\t-----\t-----\t%T\t0.000 sec"},
      {Datagram(1, {0, 0, 0}),
       "7\t???ICMP???\t192.168.0.1\t\t⇒\t10.0.0.2\t\t23\t\t\t\t%T\t0.000 sec"},
      {Datagram(6, std::vector<uint8_t>(10)),
       "8\t???TCP???\t192.168.0.1\t\t⇒\t10.0.0.2\t\t30\t\t\t\t%T\t0.000 sec"},
      {Datagram(17, std::vector<uint8_t>(7)),
       "9\t???UDP???\t192.168.0.1\t\t⇒\t10.0.0.2\t\t27\t\t\t\t%T\t0.000 sec"},
      {Datagram(2, {0x11, 0, 0, 0}),
       "10\t???\t192.168.0.1\t\t⇒\t10.0.0.2\t\t24\t\t\t\t%T\t0.000 sec"},
      {std::vector<uint8_t>(10, 0x45), "11\t???IP???"},
  };
  PacketStore store;
  for (const auto& c : cases) Add(store, c.bytes, At(10, 0, 0, 100));
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  list.status = &status;
  PacketListFeed feed(list);
  feed.Update(store);

  ASSERT_EQ(list.RowCount(), static_cast<int>(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string expected = cases[i].row;
    if (const auto at = expected.find("%T"); at != std::string::npos) expected.replace(at, 2, t);
    EXPECT_EQ(list.RowText(static_cast<int>(i)), expected) << "row " << i;
  }
  EXPECT_TRUE(list.MirrorsStore());
  EXPECT_EQ(list.invalid_calls, 0);
  EXPECT_EQ(feed.RowCount(), static_cast<int>(cases.size()));
}

TEST(PacketList, DiffTimeComparesTimesOfDayOnly) {
  struct Case {
    SystemTime previous, time;
    const char* text;
  } cases[] = {
      {SystemTime{}, At(10, 0, 0, 350), "0 sec"},
      {At(10, 0, 0, 100), At(10, 0, 0, 350), "0.250 sec"},
      {At(10, 0, 0, 350), At(10, 0, 0, 100), "-0.250 sec"},
      {At(10, 0, 0, 100), At(10, 0, 0, 100), "0.000 sec"},
      // Across midnight the date is ignored.
      {At(23, 59, 59, 900), At(0, 0, 0, 100), "-86399.800 sec"},
      // 86,399,999 ms is not a float: it passes through as 86,400,000.
      {At(0, 0, 0, 0), At(23, 59, 59, 999), "86400.000 sec"},
      // A time from a file with an impossible hour wraps in 32 bits.
      {At(0, 0, 0, 0), At(65535, 0, 0, 0), "-297201.280 sec"},
  };
  for (const auto& c : cases) {
    char text[kListCellCapacity];
    FormatDiffTime(text, c.time, c.previous);
    EXPECT_STREQ(text, c.text);
  }
}

TEST(PacketList, AppendsEachBatchAndMeasuresFromTheLastDecodedPacket) {
  PacketStore store;
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  list.status = &status;
  PacketListFeed feed(list);
  Add(store, Datagram(17, Udp(12)), At(10, 0, 0, 100));
  Add(store, std::vector<uint8_t>(10), At(10, 0, 0, 200));  // no IP header: not a reference time
  feed.Update(store);
  Add(store, Datagram(17, Udp(12)), At(10, 0, 0, 350));
  feed.Update(store);

  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.Cell(0, kColumnDiffTime), "0 sec");
  EXPECT_EQ(list.Cell(1, kColumnNumber), "1");
  EXPECT_EQ(list.Cell(2, kColumnNumber), "2");
  EXPECT_EQ(list.Cell(2, kColumnDiffTime), "0.250 sec");
  EXPECT_EQ(status.Part(1), "Packet:3　　Memory:90 byte");

  // The status is refreshed also when there is nothing to append.
  feed.Update(store);
  EXPECT_EQ(list.RowCount(), 3);
  EXPECT_EQ(status.history.size(), 3u);

  // A reset (with the store emptied) numbers and measures from scratch.
  store.Clear();
  feed.Reset();
  EXPECT_EQ(list.RowCount(), 0);
  Add(store, Datagram(17, Udp(12)), At(10, 0, 0, 500));
  feed.Update(store);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Cell(0, kColumnNumber), "0");
  EXPECT_EQ(list.Cell(0, kColumnDiffTime), "0 sec");
}

TEST(PacketList, RowIShowsRecordIAfterRowsWereDeletedAtTheTop) {
  PacketStore store;
  store.SetLimitKbytes(1);  // 1000 bytes: twenty-four 40-byte packets
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  list.status = &status;
  PacketListFeed feed(list);
  const auto packet = Datagram(17, Udp(12));
  for (int i = 0; i < 24; ++i) Add(store, packet, At(10, 0, 0, 0));
  feed.Update(store);
  ASSERT_EQ(list.RowCount(), 24);

  // The capture thread overwrites the oldest packets and deletes their rows.
  const int32_t removed = store.AddOverwriting(packet.data(), 40, At(10, 0, 1, 0));
  ASSERT_GT(removed, 0);
  feed.DeleteTopRows(removed);
  feed.Update(store);

  EXPECT_TRUE(list.MirrorsStore());
  EXPECT_EQ(list.Cell(0, kColumnNumber), std::to_string(removed));
  EXPECT_EQ(list.Cell(list.RowCount() - 1, kColumnNumber), "24");
  EXPECT_EQ(list.Cell(list.RowCount() - 1, kColumnDiffTime), "1.000 sec");
  EXPECT_EQ(list.invalid_calls, 0);
}

TEST(PacketList, MorePacketsThanStoredListsEveryStoredRecordFromTheFirst) {
  PacketStore store;
  store.SetLimitKbytes(1);
  const auto small = Datagram(2, {});  // 20 bytes
  for (int i = 0; i < 60; ++i) {
    std::vector<uint8_t> p = small;
    p[4] = static_cast<uint8_t>(i);  // identification tells the packets apart
    ASSERT_GE(store.AddOverwriting(p.data(), 20, At(9, 0, 0, 0)), 0);
  }
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  list.status = &status;
  PacketListFeed feed(list);
  feed.Update(store);
  ASSERT_EQ(list.RowCount(), static_cast<int>(store.Count()));
  CapturedPacket oldest;
  ASSERT_TRUE(store.Get(0, oldest));
  EXPECT_EQ(oldest.data[4], 60 - store.Count());
  EXPECT_EQ(list.Cell(0, kColumnNumber), "0");
}

// The store's counter starts again at 0 after 5,000,000 packets; the list must
// keep appending and numbering rows across that point.
TEST(PacketList, FollowsTheStoreCounterAcrossItsWrap) {
  PacketStore store;
  store.SetLimitKbytes(1);
  const auto p = Datagram(2, {});
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  list.status = &status;
  PacketListFeed feed(list);
  for (uint32_t i = 0; i < PacketStore::kPacketCounterWrap - 5; ++i) {
    store.AddOverwriting(p.data(), 20, At(8, 0, 0, 0));
  }
  feed.Update(store);
  const int rows_before = list.RowCount();
  ASSERT_EQ(feed.RowCount(), rows_before);

  for (int i = 0; i < 10; ++i) store.AddOverwriting(p.data(), 20, At(8, 0, 1, 0));
  ASSERT_EQ(store.PacketCounter(), 4u);  // wrapped
  feed.Update(store);
  ASSERT_EQ(list.RowCount(), rows_before + 10);
  EXPECT_EQ(list.Cell(rows_before + 9, kColumnNumber), std::to_string(rows_before + 9));
  EXPECT_EQ(list.Cell(rows_before + 9, kColumnReceiveTime), "2024/01/01(08:00:01.000)");

  // A list reset over a store whose counter wrapped (a load of more records
  // than the counter can count) still lists every stored record.
  FakeListPane fresh_list;
  fresh_list.store = &store;
  PacketListFeed fresh(fresh_list);
  fresh.Update(store);
  EXPECT_EQ(fresh_list.RowCount(), static_cast<int>(store.Count()));
}

// The same updates and top deletions, once into a list that takes every update
// at once and once into one that holds them while more follow: the rows and
// their texts come out the same, with one hand-over per update, and rows that
// were appended and deleted again between two hand-overs never cross.
TEST(PacketList, HandsOverOneBatchPerUpdateWithTheSameRows) {
  PacketStore store;
  ASSERT_EQ(store.Init(), 1);
  store.SetLimitKbytes(1);
  FakeListPane direct, held(3600 * 1000);
  direct.store = held.store = &store;
  FakeStatusText direct_status, held_status;
  direct.status = &direct_status;
  held.status = &held_status;
  PacketListFeed direct_feed(direct), held_feed(held);
  auto update = [&](bool more_follow) {
    direct_feed.Update(store);
    held_feed.Update(store, more_follow);
  };
  auto rows = [](const FakeListPane& list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.RowCount(); ++i) texts.push_back(list.RowText(i));
    return texts;
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
        direct_feed.DeleteTopRows(std::min(removed, direct_feed.RowCount()));
        held_feed.DeleteTopRows(std::min(removed, held_feed.RowCount()));
      }
    }
  };

  add(6);
  update(false);
  ASSERT_EQ(held.handovers.size(), 1u);
  EXPECT_EQ(rows(held), rows(direct));
  // Overwriting deletes top rows between updates; they go with the next batch.
  add(5);
  EXPECT_EQ(held_feed.RowCount(), 4);
  EXPECT_EQ(held.handovers.size(), 1u);
  update(false);
  ASSERT_EQ(held.handovers.size(), 2u);
  EXPECT_EQ(held.handovers[1].deleted_top, 2u);
  EXPECT_EQ(rows(held), rows(direct));
  EXPECT_EQ(held.rows.Row(0).number, 2);

  // While more follow, updates are held, also over overwrites that delete
  // rows appended since the last hand-over; the last update takes all along.
  for (int round = 0; round < 4; ++round) {
    add(4);
    update(true);
  }
  EXPECT_EQ(held.handovers.size(), 2u);
  update(false);
  ASSERT_EQ(held.handovers.size(), 3u);
  EXPECT_EQ(held.handovers[2].deleted_top, 9u);
  EXPECT_LT(held.handovers[2].previous_times.size(), 16u);
  EXPECT_EQ(held.RowCount(), static_cast<int>(store.Count()));
  EXPECT_EQ(rows(held), rows(direct));
  EXPECT_EQ(held_status.parts, direct_status.parts);
  EXPECT_EQ(held.invalid_calls, 0);

  // A row whose record left the store draws empty, never another packet.
  store.AddOverwriting(std::vector<uint8_t>(100, 0x45).data(), 100, SystemTime{});
  EXPECT_EQ(held.rows.Cells(0, store), nullptr);
  for (int row : {1, 2, 1}) {  // the control asks cell by cell; the last row's are kept
    ASSERT_NE(held.rows.Cells(row, store), nullptr);
    EXPECT_EQ(held.rows.Cells(row, store)->cells[kColumnNumber],
              std::to_string(held.rows.Row(row).number));
  }

  // Emptying goes over at once and drops what was gathered.
  add(1);
  held_feed.Update(store, true);
  const size_t before_reset = held.handovers.size();
  held_feed.Reset();
  ASSERT_EQ(held.handovers.size(), before_reset + 1);
  EXPECT_TRUE(held.handovers.back().reset);
  EXPECT_TRUE(held.handovers.back().previous_times.empty());
  EXPECT_EQ(held.RowCount(), 0);
}

// Opening a large file appends every record in one update, or gathers the
// rows while it stores the records and hands them over at the end: either
// way the rows cross in bounded hand-overs and the window ends with all of
// them in order.
TEST(PacketList, LargeUpdatesCrossInBoundedHandovers) {
  const std::vector<uint8_t> d = Datagram(17, {0, 53, 4, 0, 0, 80, 0, 0}, 28);
  const size_t records = 2 * PacketListFeed::kMaxRowsPerHandover + 5;
  for (size_t gather_every : {size_t{0}, size_t{1000}}) {
    SCOPED_TRACE(gather_every);
    PacketStore store;
    FakeListPane list;
    PacketListFeed feed(list);
    for (size_t i = 0; i < records; ++i) {
      store.Add(d.data(), 28, SystemTime{2024, 1, 1, 1, 10, 0, 0, static_cast<uint16_t>(i % 1000)});
      if (gather_every != 0 && i % gather_every == 0) feed.Gather(store);
    }
    EXPECT_TRUE(list.handovers.empty());
    feed.Update(store);
    ASSERT_EQ(list.handovers.size(), 3u);
    size_t largest = 0;
    for (const auto& h : list.handovers) largest = std::max(largest, h.previous_times.size());
    EXPECT_EQ(largest, PacketListFeed::kMaxRowsPerHandover);
    ASSERT_EQ(list.RowCount(), static_cast<int>(records));
    for (int row : {1, 65536, list.RowCount() - 1}) {
      const PacketRow r = list.rows.Row(row);
      EXPECT_EQ(r.sequence, static_cast<uint64_t>(row));
      EXPECT_EQ(r.number, row);
      EXPECT_EQ(r.previous_time.milliseconds, (row - 1) % 1000) << "row " << row;
      EXPECT_STREQ(list.rows.Cells(row, store)->cells[kColumnNumber], std::to_string(row).c_str());
    }
  }
}

// Rows leaving the top take the selection, the focus and the shown row along
// with their records; a row that left takes its mark with it.
TEST(PacketList, MarksFollowTheirRecordsWhenRowsLeaveTheTop) {
  struct Case {
    bool reset;
    uint32_t deleted_top;
    PacketListMarks before, after;
  } cases[] = {
      {false, 0, {5, 5, 5}, {5, 5, 5}},     // only appended: nothing moves
      {false, 3, {5, 7, 5}, {2, 4, 2}},     // all move up with their records
      {false, 3, {2, 3, -1}, {-1, 0, -1}},  // a row that left takes its mark along
      {false, 10, {9, 9, 9}, {-1, -1, -1}},
      {true, 0, {0, 4, 0}, {-1, -1, -1}},  // after a reset every row has left
  };
  for (const Case& c : cases) {
    PacketListRows rows;
    PacketListChanges fill;
    fill.previous_times.resize(10);
    rows.Apply(fill);
    PacketListChanges changes;
    changes.reset = c.reset;
    changes.deleted_top = c.deleted_top;
    changes.first_sequence = 10;
    changes.first_number = 10;
    changes.previous_times.resize(2);
    EXPECT_EQ(rows.Apply(changes, c.before), c.after) << c.reset << " " << c.deleted_top;
    EXPECT_EQ(rows.RowCount(), c.reset ? 2 : 12 - static_cast<int>(c.deleted_top));
  }
}

}  // namespace
