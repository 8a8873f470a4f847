#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include "cli/PcapExport.h"
#include "cli/PcapImport.h"
#include "cli/support/CaptureBuilders.h"
#include "cli/support/TestTimeZone.h"
#include "packet/PacketStore.h"
#include "support/TempDir.h"

namespace {

// All tests here read times in UTC.
class PcapFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UseTestTimeZone("UTC0")) GTEST_SKIP() << kZoneFixedAtStart;
  }
  TempDir dir_;
};

Bytes StoredBytes(const PacketStore& store, int32_t index) {
  CapturedPacket p;
  if (store.Get(index, p) != 1) return {};
  return Bytes(p.data, p.data + p.size);
}

SystemTime StoredTime(const PacketStore& store, int32_t index) {
  CapturedPacket p;
  store.Get(index, p);
  return p.time;
}

// Imports into a store, to look at what was kept.
PcapImportResult ImportInto(const char* path, PacketStore& store, PcapImportCounts& counts,
                            std::string& message) {
  return ImportPcapFile(
      path,
      [&store](const CapturedPacket& p) {
        return store.Add(p.data, p.size, p.time) == PacketStore::kAddStored;
      },
      counts, message);
}

// Writes every record of the store through the pcap writer.
bool ExportStore(const char* path, const PacketStore& store, PcapExportCounts& counts,
                 std::string& error) {
  PcapFileWriter writer;
  if (!writer.Open(path, error)) return false;
  for (uint32_t i = 0; i < store.Count(); ++i) {
    CapturedPacket p;
    store.Get(static_cast<int32_t>(i), p);
    writer.Write(p);
  }
  counts = writer.counts();
  return writer.Close(error);
}

TEST_F(PcapFiles, ImportKeepsIpv4FromEthernetAndCountsTheRest) {
  const Bytes udp = UdpDatagram(1111, 4);
  Bytes padded = udp;
  padded.resize(46, 0);
  const std::vector<TestRecord> records = {
      {1700000000, 5999, EthernetFrame(0x0800, padded)},
      {1700000001, 0, EthernetFrame(0x0806, ArpPayload())},
      {1700000002, 0, EthernetFrame(0x86DD, Ipv6Packet())},
      {1700000003, 250000, EthernetFrame(0x0800, TcpSyn(), {0x88A8, 0x8100})},
      {1700000004, 0, Bytes(10, 0)},  // shorter than an Ethernet header
  };
  WriteFileBytes("in.pcap", PcapFile(1, records));

  PacketStore store;
  PcapImportCounts counts;
  std::string message;
  ASSERT_EQ(ImportInto("in.pcap", store, counts, message), PcapImportResult::Complete) << message;
  EXPECT_EQ(counts.read, 5u);
  EXPECT_EQ(counts.kept, 2u);
  EXPECT_EQ(counts.not_ipv4, 2u);
  EXPECT_EQ(counts.malformed, 1u);
  ASSERT_EQ(store.Count(), 2u);
  EXPECT_EQ(StoredBytes(store, 0), udp);
  EXPECT_EQ(StoredBytes(store, 1), TcpSyn());
  // 2023-11-14 22:13:20 UTC, a Tuesday; 5999 us is 5 ms.
  const SystemTime first = StoredTime(store, 0);
  EXPECT_EQ(first.year, 2023);
  EXPECT_EQ(first.month, 11);
  EXPECT_EQ(first.day_of_week, 2);
  EXPECT_EQ(first.day, 14);
  EXPECT_EQ(first.hour, 22);
  EXPECT_EQ(first.minute, 13);
  EXPECT_EQ(first.second, 20);
  EXPECT_EQ(first.milliseconds, 5);
  EXPECT_EQ(StoredTime(store, 1).milliseconds, 250);
}

TEST_F(PcapFiles, ImportReadsPcapngWithNanosecondStamps) {
  const std::vector<TestRecord> records = {
      {1700000000, 123456789, UdpDatagram(1, 0)},
      {1700000000, 999999999, Ipv6Packet()},
      {1700000001, 1000000, UdpDatagram(2, 3)},
  };
  WriteFileBytes("in.pcapng", PcapngFile(101, records, 9));

  PacketStore store;
  PcapImportCounts counts;
  std::string message;
  ASSERT_EQ(ImportInto("in.pcapng", store, counts, message), PcapImportResult::Complete) << message;
  EXPECT_EQ(counts.read, 3u);
  EXPECT_EQ(counts.kept, 2u);
  EXPECT_EQ(counts.not_ipv4, 1u);
  EXPECT_EQ(StoredBytes(store, 0), UdpDatagram(1, 0));
  EXPECT_EQ(StoredTime(store, 0).milliseconds, 123);
  EXPECT_EQ(StoredTime(store, 1).second, 21);
  EXPECT_EQ(StoredTime(store, 1).milliseconds, 1);
}

TEST_F(PcapFiles, ImportOfADamagedFileKeepsWhatCameBeforeTheDamage) {
  const std::vector<TestRecord> records = {
      {1700000000, 0, UdpDatagram(1, 0)},
      {1700000001, 0, UdpDatagram(2, 100)},
  };
  std::string file = PcapFile(228, records);
  file.resize(file.size() - 50);  // the second record's bytes cut short
  WriteFileBytes("cut.pcap", file);

  PacketStore store;
  PcapImportCounts counts;
  std::string message;
  EXPECT_EQ(ImportInto("cut.pcap", store, counts, message), PcapImportResult::Partial);
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(counts.kept, 1u);
  EXPECT_EQ(store.Count(), 1u);

  // Cut inside the file header, an unknown link type, no file, not a capture.
  WriteFileBytes("header.pcap", PcapFile(1, {}).substr(0, 10));
  WriteFileBytes("wifi.pcap", PcapFile(105, records));
  WriteFileBytes("text.pcap", "this is not a capture file at all");
  for (const char* path : {"header.pcap", "wifi.pcap", "missing.pcap", "text.pcap"}) {
    PacketStore empty;
    PcapImportCounts none;
    EXPECT_EQ(ImportInto(path, empty, none, message), PcapImportResult::Failed) << path;
    EXPECT_FALSE(message.empty()) << path;
    EXPECT_EQ(empty.Count(), 0u) << path;
  }
}

TEST_F(PcapFiles, ExportWritesRawIpv4PcapThatLibpcapReadsBack) {
  PacketStore store;
  SystemTime t{2024, 5, 3, 15, 12, 30, 45, 678};
  const Bytes udp = UdpDatagram(7, 1400);
  ASSERT_EQ(store.Add(udp.data(), static_cast<uint32_t>(udp.size()), t), 1);
  const Bytes tcp = TcpSyn();
  SystemTime bad_time{};  // year 0: no instant
  ASSERT_EQ(store.Add(tcp.data(), static_cast<uint32_t>(tcp.size()), bad_time), 1);
  ASSERT_EQ(store.Add(tcp.data(), 0, t), 1);
  // The loader accepts records one byte larger than a datagram can be.
  const Bytes oversized(65536, 0x45);
  ASSERT_EQ(store.Add(oversized.data(), 65536, t), 1);

  PcapExportCounts counts;
  std::string error;
  ASSERT_TRUE(ExportStore("out.pcap", store, counts, error)) << error;
  EXPECT_EQ(counts.written, 4u);
  EXPECT_EQ(counts.bad_time, 1u);
  const std::string bytes = ReadFileBytes("out.pcap");
  EXPECT_EQ(bytes.substr(0, 4), "\xD4\xC3\xB2\xA1");

  char errbuf[PCAP_ERRBUF_SIZE];
  pcap_t* pcap = pcap_open_offline("out.pcap", errbuf);
  ASSERT_NE(pcap, nullptr) << errbuf;
  EXPECT_EQ(pcap_datalink(pcap), DLT_RAW);
  EXPECT_EQ(pcap_snapshot(pcap), 65535);
  EXPECT_EQ(pcap_major_version(pcap), 2);
  EXPECT_EQ(pcap_minor_version(pcap), 4);
  pcap_pkthdr* header;
  const u_char* data;
  ASSERT_EQ(pcap_next_ex(pcap, &header, &data), 1);
  EXPECT_EQ(header->ts.tv_sec, 1715776245);  // 2024-05-15 12:30:45 UTC
  EXPECT_EQ(header->ts.tv_usec, 678000);
  EXPECT_EQ(Bytes(data, data + header->caplen), udp);
  EXPECT_EQ(header->len, udp.size());
  ASSERT_EQ(pcap_next_ex(pcap, &header, &data), 1);
  EXPECT_EQ(header->ts.tv_sec, 0);
  EXPECT_EQ(Bytes(data, data + header->caplen), tcp);
  ASSERT_EQ(pcap_next_ex(pcap, &header, &data), 1);
  EXPECT_EQ(header->caplen, 0u);
  ASSERT_EQ(pcap_next_ex(pcap, &header, &data), 1);
  EXPECT_EQ(header->caplen, 65535u);
  EXPECT_EQ(header->len, 65536u);
  EXPECT_EQ(pcap_next_ex(pcap, &header, &data), PCAP_ERROR_BREAK);
  pcap_close(pcap);

  EXPECT_FALSE(ExportStore("no/such/folder/out.pcap", store, counts, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
