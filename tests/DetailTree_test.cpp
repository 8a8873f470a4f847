#include "views/DetailTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/Datagrams.h"
#include "support/FakePanes.h"

namespace {

const std::vector<uint8_t> kTcpSyn = Datagram(6, {
                                                     0x04, 0x01, 0x00, 0x50,  // ports 1025 -> 80
                                                     0xFF, 0xFF, 0xFF, 0xFE,  // sequence
                                                     0x00, 0x00, 0x00, 0x02,  // acknowledgement
                                                     0x50, 0x02, 0x10, 0x00,  // offset 5, SYN
                                                     0x00, 0x00, 0x00, 0x00,  // checksum, urgent
                                                 });

// UDP 53 -> 1024, length 20: 12 bytes "b".
const std::vector<uint8_t> kUdp12 =
    Datagram(17, {0x00, 0x35, 0x04, 0x00, 0x00, 0x14, 0x12, 0x34, 'b', 'b',
                  'b',  'b',  'b',  'b',  'b',  'b',  'b',  'b',  'b', 'b'});

struct Shown {
  FakeTreePane tree;
  FakeHexPane hex;
  DetailTreeItems items;
};

void Show(Shown& shown, const std::vector<uint8_t>& bytes, const TreeExpansionFlags& flags) {
  PacketStore store;
  ASSERT_EQ(store.Add(bytes.data(), static_cast<uint32_t>(bytes.size()), SystemTime{}), 1);
  ShowPacketDetail(0, store, shown.tree, shown.hex, flags, shown.items);
  EXPECT_EQ(shown.tree.invalid_calls, 0);
}

constexpr TreeExpansionFlags kAllOpen{1, 1, 1, 1, 1};

TEST(DetailTree, TcpSynWithEveryBranchOpen) {
  Shown s;
  Show(s, kTcpSyn, kAllOpen);
  EXPECT_EQ(s.tree.Dump(),
            "+ RecvData\n"
            "  + Header\n"
            "    + IP HEADER\n"
            "        Version       : 4\n"
            "        HeaderLength  : 20 byte\n"
            "        Type          : 0\n"
            "        TotalLength   : 40 byte\n"
            "        Identification: 4660\n"
            "        Flags         : 2\n"
            "        FlagmentOffset: 0\n"
            "        TimeToLive    : 64\n"
            "        Protocol      : 6\n"
            "        Cheaksum      : 43981\n"
            "        Source        : 192.168.0.1\n"
            "        Destination   : 10.0.0.2\n"
            "    + TCP HEADER\n"
            "        SourcePort           : 1025\n"
            "        DestinationPort      : 80\n"
            "        SequenceNumber       : 4294967294\n"
            "        AcknowledgementNumber: 2\n"
            "        DataOffset           : 20 byte\n"
            "        Reserved             : 0\n"
            "        ControlFlag          : 2\n"
            "        Window               : 4096\n"
            "        CheackSum            : 0\n"
            "        UrgentPointer        : 0\n"
            "        TCP Data Length      : 0 byte\n");
  EXPECT_EQ(s.items.ip_header, s.tree.Find({"RecvData", "Header", "IP HEADER"}));
  EXPECT_EQ(s.items.tcp_header, s.tree.Find({"RecvData", "Header", "TCP HEADER"}));
  EXPECT_EQ(s.hex.show_dump_calls, 1);
}

TEST(DetailTree, UdpPayloadUnderDataWithOnlyTheDataFlagSet) {
  Shown s;
  Show(s, kUdp12, TreeExpansionFlags{0, 0, 0, 0, 1});
  const std::string dump = s.tree.Dump();
  EXPECT_NE(dump.find("    - UDP HEADER\n"
                      "        SourcePort     : 53\n"
                      "        DestinationPort: 1024\n"
                      "        Length         : 20 byte\n"
                      "        CheackSum      : 4660\n"
                      "        UDP Data Length: 12 byte\n"
                      "  + DATA\n"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("    - IP HEADER\n"), std::string::npos);
  const auto data = s.tree.Children(s.items.data);
  ASSERT_EQ(data.size(), 5u);  // frame, ruler, separator, one row, frame
  EXPECT_EQ(s.tree.Text(data[3]),
            "000000 | 62 62 62 62 62 62 62 62 62 62 62 62             |bbbbbbbbbbbb    ");
  EXPECT_TRUE(s.tree.Visible(data[3]));
}

TEST(DetailTree, ShortHeadersAndOtherProtocols) {
  {  // ICMP of 22 bytes: no ICMP header, and 22 - 20 - 4 is no payload.
    Shown s;
    Show(s, Datagram(1, {8, 0}), kAllOpen);
    EXPECT_EQ(s.tree.Text(s.tree.Children(s.items.icmp_header).at(0)), "NONE DATA");
    EXPECT_EQ(s.tree.Children(s.items.icmp_header).size(), 1u);
    EXPECT_EQ(s.tree.Find({"RecvData", "DATA"}), 0u);
  }
  {  // Protocol 2: the IP header only, and the whole datagram in the hex pane.
    Shown s;
    Show(s, Datagram(2, {1, 2, 3, 4}), kAllOpen);
    EXPECT_EQ(s.tree.Children(s.tree.Find({"RecvData", "Header"})).size(), 1u);
    EXPECT_EQ(s.tree.Children(s.tree.Roots().at(0)).size(), 1u);
    EXPECT_NE(s.hex.text.find("000001 | 0A 00 00 02 01 02 03 04 "), std::string::npos);
  }
  {  // 15 bytes: an empty IP HEADER, which cannot open.
    Shown s;
    Show(s, std::vector<uint8_t>(15, 0x45), kAllOpen);
    EXPECT_EQ(s.tree.Dump(), "+ RecvData\n  + Header\n      IP HEADER\n");
    EXPECT_NE(s.hex.text.find(
                  "000000 | 45 45 45 45 45 45 45 45 45 45 45 45 45 45 45    |EEEEEEEEEEEEEEE "),
              std::string::npos);
  }
  {  // A TCP header that does not decode: the payload starts after the IP header.
    Shown s;
    Show(s, Datagram(6, std::vector<uint8_t>(10, 0x7A), 100), kAllOpen);
    EXPECT_EQ(s.tree.Text(s.tree.Children(s.items.tcp_header).at(0)), "NONE DATA");
    EXPECT_EQ(s.tree.Text(s.tree.Children(s.items.data).at(3)).substr(0, 40),
              "000000 | 7A 7A 7A 7A 7A 7A 7A 7A 7A 7A  ");
  }
  {  // IHL 15 with only 50 bytes captured: the headers end past the bytes, so the
     // payload count is negative and its one row holds nothing.
    auto p = Datagram(1, std::vector<uint8_t>(30, 0xEE), 100);
    p[0] = 0x4F;
    Shown s;
    Show(s, p, kAllOpen);
    const auto data = s.tree.Children(s.items.data);
    ASSERT_EQ(data.size(), 5u);
    EXPECT_EQ(s.tree.Text(data[3]),
              "000000 | " + std::string(48, ' ') + "|" + std::string(16, ' '));
  }
}

// A deleted item's handle can come back for an item of the next build: a kept
// TCP handle would then turn the user's opening of that item into the TCP flag.
TEST(DetailTree, RebuildForgetsHandlesOfDeletedItems) {
  Shown s;
  Show(s, kTcpSyn, kAllOpen);
  Show(s, kUdp12, TreeExpansionFlags{1, 1, 0, 0, 0});
  EXPECT_EQ(s.items.tcp_header, 0u);
  EXPECT_EQ(s.items.udp_header, s.tree.Find({"RecvData", "Header", "UDP HEADER"}));
  EXPECT_FALSE(s.tree.Expanded(s.items.udp_header));
  EXPECT_FALSE(s.tree.Expanded(s.items.data));
  EXPECT_TRUE(s.tree.Expanded(s.items.ip_header));

  // A record that is gone empties the tree and leaves the hex pane alone.
  const std::string hex_before = s.hex.text;
  PacketStore empty;
  ShowPacketDetail(0, empty, s.tree, s.hex, kAllOpen, s.items);
  EXPECT_EQ(s.tree.ItemCount(), 0u);
  EXPECT_EQ(s.hex.text, hex_before);
}

// The capture thread frees records while the user-interface thread shows one;
// with a copy taken under the lock the sanitizers find no freed bytes read.
TEST(DetailTree, ShowsWhileTheCaptureThreadOverwrites) {
  PacketStore store;
  store.SetLimitKbytes(1);
  std::atomic<bool> running{true};
  std::thread capture([&] {
    while (running) store.AddOverwriting(kUdp12.data(), 40, SystemTime{});
  });
  while (store.Count() == 0) std::this_thread::yield();
  Shown s;
  for (int i = 0; i < 2000; ++i) {
    ShowPacketDetail(store.FirstSequence(), store, s.tree, s.hex, kAllOpen, s.items);
  }
  running = false;
  capture.join();
  ShowPacketDetail(store.FirstSequence(), store, s.tree, s.hex, kAllOpen, s.items);
  EXPECT_EQ(s.tree.Text(s.tree.Children(s.items.data).at(3)).substr(0, 12), "000000 | 62 ");
}

}  // namespace
