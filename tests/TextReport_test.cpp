#include "views/TextReport.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "log/LogWriter.h"
#include "support/Datagrams.h"
#include "support/FakePanes.h"
#include "support/TempDir.h"

namespace {

// TCP 1025 -> 80, sequence 3000000000, acknowledgement 7.
std::vector<uint8_t> Tcp(uint8_t flags, std::vector<uint8_t> payload = {}) {
  return TcpHeader(flags, 3000000000u, 7, 0xFFFF, std::move(payload));
}

const std::string kHeaderRest =
    " Packet Capture Data\r\n  Packet Count :%d\r\n" + std::string(65, '-') + "\r\n\r\n";

// Splits off the "[YYYY/MM/DD hh:mm:ss]" stamp the report starts with.
std::string WithoutStamp(const std::string& text) {
  EXPECT_GE(text.size(), 21u);
  EXPECT_TRUE(
      std::regex_match(text.substr(0, 21), std::regex(R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\])")));
  return text.substr(21);
}

std::string HeaderRest(int count) {
  std::string s = kHeaderRest;
  return s.replace(s.find("%d"), 2, std::to_string(count));
}

TEST(TextReport, EmptyStoreGivesOnlyTheHeader) {
  TempDir dir;
  PacketStore store;
  FakeProgressBar progress;
  ASSERT_EQ(ExportTextReport("r.txt", store, progress), FileOutcome::Written);
  EXPECT_EQ(WithoutStamp(ReadFileBytes("r.txt")), HeaderRest(0));
}

TEST(TextReport, EveryKindOfPacket) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* lines;  // after the address, time and size lines; nullptr: no trace at all
  };
  const std::vector<Case> cases = {
      {Datagram(6, Tcp(0x18, {'a', 'b', 'c', 'd'})),
       "TCP  PSH ACK    [1025] -> [80]\r\n"
       "    Sequence number: 3000000000    Acknowledgement: 7\r\n"
       "    TCP Data Length: 4\r\n"},
      {Datagram(6, Tcp(0x00)),
       "TCP     [1025] -> [80]\r\n"
       "    Sequence number: 3000000000    Acknowledgement: 7\r\n"
       "    TCP Data Length: 0\r\n"},
      {Datagram(6, Tcp(0x01), 36),
       "TCP  FIN    [1025] -> [80]\r\n"
       "    Sequence number: 3000000000    Acknowledgement: 7\r\n"
       "    TCP Data Length: 4294967292\r\n"},
      // The UDP length field (20) counts, not the total length (60).
      {Datagram(17, {0x00, 0x35, 0x04, 0x00, 0x00, 20, 0, 0}, 60),
       "UDP    [53] -> [1024]\r\n    UDP Data Length: 12\r\n"},
      {std::vector<uint8_t>(12, 0x45), nullptr},
      {Datagram(1, {8, 3, 0x12, 0x34}), "ICMP\r\n    Type: 8\r\n    Code: 3\r\n"},
      {Datagram(1, {8, 3}), "ICMP\r\n???ICMP???\r\n"},
      {Datagram(6, std::vector<uint8_t>(10)), "???TCP???\r\n"},
      {Datagram(17, std::vector<uint8_t>(7)), "???UDP???\r\n"},
      {Datagram(2, {0x11, 0x64, 0xEE, 0x9B}), "?????????\r\n"},
  };
  TempDir dir;
  PacketStore store;
  const SystemTime noon{2024, 5, 3, 9, 12, 0, 0, 5};
  for (const auto& c : cases) {
    ASSERT_EQ(store.Add(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), noon), 1);
  }
  FakeProgressBar progress;
  ASSERT_EQ(ExportTextReport("r.txt", store, progress), FileOutcome::Written);
  EXPECT_EQ(progress.Reached(), static_cast<int>(cases.size()));

  // The same report written line by line and block by block.
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    if (c.lines == nullptr) continue;
    LogWriter::AppendText("expected.txt", 0, "Packet %zu: 192.168.0.1 -> 10.0.0.2\r\n", i);
    LogWriter::AppendText("expected.txt", 0, "    RecvTime         : 2024/05/09(12:00:00.5)\r\n");
    LogWriter::AppendText("expected.txt", 0, "    Packet Total Size: %d\r\n",
                          c.bytes[2] * 256 + c.bytes[3]);
    LogWriter::AppendText("expected.txt", 0, "%s", c.lines);
    LogWriter::AppendHexDump("expected.txt", 0, "Data", c.bytes.data(),
                             static_cast<int32_t>(c.bytes.size()));
  }
  EXPECT_EQ(WithoutStamp(ReadFileBytes("r.txt")),
            HeaderRest(static_cast<int>(cases.size())) + ReadFileBytes("expected.txt"));
}

TEST(TextReport, ExportThatCannotWriteIsAFailure) {
  TempDir dir;
  PacketStore store;
  const auto p = Datagram(2, {});
  ASSERT_EQ(store.Add(p.data(), 20, SystemTime{}), 1);
  FakeProgressBar progress;
  EXPECT_EQ(ExportTextReport("no/such/folder/r.txt", store, progress), FileOutcome::WriteFailed);
  EXPECT_EQ(progress.position, 0);
}

}  // namespace
