#include "packet/PacketList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packet/ListRowTexts.h"
#include "support/Datagrams.h"
#include "support/FakePanes.h"

namespace {

// A 20-byte TCP header 1025 -> 80, sequence 1, acknowledgement 2, data offset 5.
std::vector<uint8_t> Tcp(uint8_t flags, size_t payload = 0) {
  std::vector<uint8_t> t = {0x04, 0x01, 0x00, 0x50,  0,    0,    0, 1, 0, 0,
                            0,    2,    0x50, flags, 0x10, 0x00, 0, 0, 0, 0};
  for (size_t i = 0; i < payload; ++i) t.push_back(0x61);
  return t;
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
  PacketListState state;
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  UpdatePacketList(state, store, list, status);

  ASSERT_EQ(list.RowCount(), static_cast<int>(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string expected = cases[i].row;
    if (const auto at = expected.find("%T"); at != std::string::npos) expected.replace(at, 2, t);
    EXPECT_EQ(list.RowText(static_cast<int>(i)), expected) << "row " << i;
  }
  EXPECT_TRUE(list.MirrorsStore());
  EXPECT_EQ(list.invalid_calls, 0);
  EXPECT_EQ(state.shown_row_count, static_cast<int>(cases.size()));
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
  PacketListState state;
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  Add(store, Datagram(17, Udp(12)), At(10, 0, 0, 100));
  Add(store, std::vector<uint8_t>(10), At(10, 0, 0, 200));  // no IP header: not a reference time
  UpdatePacketList(state, store, list, status);
  Add(store, Datagram(17, Udp(12)), At(10, 0, 0, 350));
  UpdatePacketList(state, store, list, status);

  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.Cell(0, kColumnDiffTime), "0 sec");
  EXPECT_EQ(list.Cell(1, kColumnNumber), "1");
  EXPECT_EQ(list.Cell(2, kColumnNumber), "2");
  EXPECT_EQ(list.Cell(2, kColumnDiffTime), "0.250 sec");
  EXPECT_EQ(status.Part(1), "Packet:3　　Memory:90 byte");

  // The status is refreshed also when there is nothing to append.
  UpdatePacketList(state, store, list, status);
  EXPECT_EQ(list.RowCount(), 3);
  EXPECT_EQ(status.history.size(), 3u);

  ResetPacketList(state);
  EXPECT_EQ(state.shown_row_count, 0);
  EXPECT_EQ(state.previous_receive_time, SystemTime{});
  EXPECT_EQ(state.last_packet_counter, 0u);
}

TEST(PacketList, RowIShowsRecordIAfterRowsWereDeletedAtTheTop) {
  PacketStore store;
  store.SetLimitKbytes(1);  // 1000 bytes: twenty-four 40-byte packets
  PacketListState state;
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  const auto packet = Datagram(17, Udp(12));
  for (int i = 0; i < 24; ++i) Add(store, packet, At(10, 0, 0, 0));
  UpdatePacketList(state, store, list, status);
  ASSERT_EQ(list.RowCount(), 24);

  // The capture thread overwrites the oldest packets and deletes their rows.
  const int32_t removed = store.AddOverwriting(packet.data(), 40, At(10, 0, 1, 0));
  ASSERT_GT(removed, 0);
  list.DeleteTopRows(removed);
  UpdatePacketList(state, store, list, status);

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
  PacketListState state;
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  UpdatePacketList(state, store, list, status);
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
  PacketListState state;
  FakeListPane list;
  list.store = &store;
  FakeStatusText status;
  for (uint32_t i = 0; i < PacketStore::kPacketCounterWrap - 5; ++i) {
    store.AddOverwriting(p.data(), 20, At(8, 0, 0, 0));
  }
  UpdatePacketList(state, store, list, status);
  const int rows_before = list.RowCount();
  ASSERT_EQ(state.shown_row_count, rows_before);

  for (int i = 0; i < 10; ++i) store.AddOverwriting(p.data(), 20, At(8, 0, 1, 0));
  ASSERT_EQ(store.PacketCounter(), 4u);  // wrapped
  UpdatePacketList(state, store, list, status);
  ASSERT_EQ(list.RowCount(), rows_before + 10);
  EXPECT_EQ(list.Cell(rows_before + 9, kColumnNumber), std::to_string(rows_before + 9));
  EXPECT_EQ(list.Cell(rows_before + 9, kColumnReceiveTime), "2024/01/01(08:00:01.000)");

  // A list reset over a store whose counter wrapped (a load of more records
  // than the counter can count) still lists every stored record.
  PacketListState fresh;
  FakeListPane fresh_list;
  fresh_list.store = &store;
  UpdatePacketList(fresh, store, fresh_list, status);
  EXPECT_EQ(fresh_list.RowCount(), static_cast<int>(store.Count()));
}

}  // namespace
