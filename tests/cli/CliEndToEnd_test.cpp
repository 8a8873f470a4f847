// Runs the built kestrel-cli on captures the tests write themselves.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>

#include "cli/CliPanes.h"
#include "cli/support/CaptureBuilders.h"
#include "cli/support/RunCli.h"
#include "capturefile/CaptureFile.h"
#include "packet/PacketStore.h"
#include "views/TextReport.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr char kJapan[] = "JST-9";
constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

size_t EntriesIn(const fs::path& dir) {
  size_t n = 0;
  for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

size_t LineCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

// 2023-11-15 07:13:20 in Japan (a Wednesday) is 1700000000 in UTC.
BinRecord JapanRecord(uint16_t second, uint16_t milliseconds, const Bytes& bytes) {
  return BinRecord{{2023, 11, 3, 15, 7, 13, second, milliseconds}, bytes};
}

TEST(CliEndToEnd, UsageErrorsExitWithTwoAndOneLine) {
  TempDir dir;
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"bogus"},
      {"list"},
      {"import", "a.pcap"},
      {"--x", "list", "a.bin"},
      {"show", "a.bin", "first"},
      {"report", "a", "b", "c"},
  };
  for (const auto& args : misuses) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exit_status, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(LineCount(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("kestrel-cli: ", 0), 0u) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  const CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.out.rfind("Usage: kestrel-cli", 0), 0u);
  EXPECT_TRUE(help.err.empty());
  EXPECT_EQ(EntriesIn(dir.path()), 0u);
}

TEST(CliEndToEnd, ImportsEthernetWithVlansAndSkipsOtherProtocols) {
  TempDir dir;
  const Bytes udp = UdpDatagram(1025, 4);
  Bytes padded = udp;
  padded.resize(46, 0);
  const std::vector<TestRecord> records = {
      {1700000000, 5999, EthernetFrame(0x0800, padded)},
      {1700000000, 7000, EthernetFrame(0x0806, ArpPayload())},
      {1700000001, 999999, EthernetFrame(0x0800, TcpSyn(), {0x8100})},
      {1700000002, 0, EthernetFrame(0x86DD, Ipv6Packet())},
      {1700000003, 1000, EthernetFrame(0x0800, udp, {0x88A8, 0x8100})},
      {1700000004, 0, EthernetFrame(0x0800, Bytes{0x45, 0, 0, 20})},
  };
  WriteFileBytes("in.pcap", PcapFile(1, records));

  const CliRun run = RunCli({"import", "in.pcap", "out.bin"}, kJapan);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, "read 6 packets: kept 3, skipped 3 (2 not IPv4, 1 malformed)\n");
  EXPECT_TRUE(run.err.empty()) << run.err;
  EXPECT_EQ(ReadFileBytes("out.bin"), CaptureFileBytes({
                                          JapanRecord(20, 5, udp),
                                          JapanRecord(21, 999, TcpSyn()),
                                          JapanRecord(23, 1, udp),
                                      }));
  EXPECT_EQ(EntriesIn(dir.path()), 2u);  // no temporary file left
}

TEST(CliEndToEnd, ImportsCookedRawAndPcapngCaptures) {
  TempDir dir;
  const Bytes udp = UdpDatagram(7, 9);
  const std::string expected =
      CaptureFileBytes({JapanRecord(20, 0, udp), JapanRecord(20, 500, udp)});
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"sll.pcap", PcapFile(113, {{1700000000, 0, CookedFrame(0x0800, udp)},
                                  {1700000000, 1, CookedFrame(0x0806, ArpPayload())},
                                  {1700000000, 500000, CookedFrame(0x0800, udp)}})},
      {"sll2.pcapng", PcapngFile(276,
                                 {{1700000000, 0, CookedV2Frame(0x0800, udp)},
                                  {1700000000, 1, CookedV2Frame(0x86DD, Ipv6Packet())},
                                  {1700000000, 500999999, CookedV2Frame(0x0800, udp)}},
                                 9)},
      {"raw101.pcap",
       PcapFile(101,
                {{1700000000, 0, udp}, {1700000000, 1, Ipv6Packet()}, {1700000000, 500000, udp}})},
      {"raw14.pcap",
       PcapFile(14,
                {{1700000000, 0, udp}, {1700000000, 1, Ipv6Packet()}, {1700000000, 500000, udp}})},
      {"ipv4.pcapng",
       PcapngFile(
           228, {{1700000000, 0, udp}, {1700000000, 1, Ipv6Packet()}, {1700000000, 500000, udp}})},
  };
  for (const Case& c : cases) {
    WriteFileBytes(c.name, c.file);
    const CliRun run = RunCli({"import", c.name, "out.bin"}, kJapan);
    ASSERT_EQ(run.exit_status, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, "read 3 packets: kept 2, skipped 1 (1 not IPv4, 0 malformed)\n") << c.name;
    EXPECT_EQ(ReadFileBytes("out.bin"), expected) << c.name;
  }
}

TEST(CliEndToEnd, DamagedCapturesKeepTheCompletePacketsOrFailCleanly) {
  TempDir dir;
  const Bytes udp = UdpDatagram(7, 100);
  std::string cut = PcapFile(101, {{1700000000, 0, udp}, {1700000001, 0, udp}});
  cut.resize(cut.size() - 30);
  WriteFileBytes("cut.pcap", cut);
  const CliRun partial = RunCli({"import", "cut.pcap", "out.bin"}, kJapan);
  EXPECT_EQ(partial.exit_status, 0);
  EXPECT_EQ(partial.out, "read 1 packets: kept 1, skipped 0 (0 not IPv4, 0 malformed)\n");
  EXPECT_NE(partial.err.find("warning: 'cut.pcap' could not be read to the end"), std::string::npos)
      << partial.err;
  EXPECT_EQ(ReadFileBytes("out.bin"), CaptureFileBytes({JapanRecord(20, 0, udp)}));

  // An existing output stays as it was when the input cannot be imported.
  WriteFileBytes("header.pcap", cut.substr(0, 20));
  WriteFileBytes("usb.pcap", PcapFile(189, {{1700000000, 0, udp}}));
  for (const char* input : {"header.pcap", "usb.pcap", "missing.pcap"}) {
    const CliRun run = RunCli({"import", input, "out.bin"});
    EXPECT_EQ(run.exit_status, 1) << input;
    EXPECT_EQ(LineCount(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find(input), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes("out.bin"), CaptureFileBytes({JapanRecord(20, 0, udp)}));
  }
  EXPECT_EQ(EntriesIn(dir.path()), 4u);
}

TEST(CliEndToEnd, RoundTripThroughPcapKeepsBytesAndTimes) {
  TempDir dir;
  // One packet in winter, one in summer, one on a leap day, sub-millisecond parts dropped.
  const std::vector<TestRecord> records = {
      {1704110400, 123999, UdpDatagram(1, 0)},
      {1719835200, 0, TcpSyn()},
      {1709208000, 999999, UdpDatagram(2, 1472)},
  };
  std::vector<TestRecord> frames = records;
  for (TestRecord& frame : frames) frame.bytes = EthernetFrame(0x0800, frame.bytes);
  WriteFileBytes("in.pcapng", PcapngFile(1, frames));
  ASSERT_EQ(RunCli({"import", "in.pcapng", "first.bin"}, kCentralEurope).exit_status, 0);
  const CliRun exported = RunCli({"export-pcap", "first.bin", "out.pcap"}, kCentralEurope);
  ASSERT_EQ(exported.exit_status, 0) << exported.err;
  EXPECT_TRUE(exported.err.empty()) << exported.err;
  ASSERT_EQ(RunCli({"import", "out.pcap", "second.bin"}, kCentralEurope).exit_status, 0);
  EXPECT_EQ(ReadFileBytes("second.bin"), ReadFileBytes("first.bin"));

  char errbuf[PCAP_ERRBUF_SIZE];
  pcap_t* pcap = pcap_open_offline("out.pcap", errbuf);
  ASSERT_NE(pcap, nullptr) << errbuf;
  EXPECT_EQ(pcap_datalink(pcap), DLT_RAW);
  for (const TestRecord& r : records) {
    pcap_pkthdr* header;
    const u_char* data;
    ASSERT_EQ(pcap_next_ex(pcap, &header, &data), 1);
    EXPECT_EQ(header->ts.tv_sec, static_cast<decltype(header->ts.tv_sec)>(r.seconds));
    EXPECT_EQ(header->ts.tv_usec,
              static_cast<decltype(header->ts.tv_usec)>(r.fraction / 1000 * 1000));
    EXPECT_EQ(Bytes(data, data + header->caplen), r.bytes);
  }
  pcap_close(pcap);
}

// A UDP datagram and a TCP SYN, 250 ms apart.
void WriteTwoPacketCapture() {
  WriteFileBytes("two.bin", CaptureFileBytes({
                                BinRecord{{2024, 1, 1, 1, 9, 30, 0, 5}, UdpDatagram(1025, 4)},
                                BinRecord{{2024, 1, 1, 1, 9, 30, 0, 255}, TcpSyn()},
                            }));
}

TEST(CliEndToEnd, ListPrintsTheWindowsCellsInEitherEncoding) {
  TempDir dir;
  WriteTwoPacketCapture();
  const std::string expected_utf8 =
      "0\tUDP\t10.0.0.1\t1025\t\xE2\x87\x92\t10.0.0.2\t53\t32\t4\t-----\t-----\t"
      "2024/01/01(09:30:00.005)\t0 sec\t\n"
      "1\tTCP  SYN\t192.168.1.2\t40000\t\xE2\x87\x92\t192.168.1.3\t80\t40\t0\t7\t0\t"
      "2024/01/01(09:30:00.255)\t0.250 sec\t\n";
  const CliRun utf8 = RunCli({"list", "two.bin"});
  ASSERT_EQ(utf8.exit_status, 0) << utf8.err;
  EXPECT_EQ(utf8.out, expected_utf8);
  EXPECT_TRUE(utf8.err.empty());

  const CliRun cp932 = RunCli({"list", "--cp932", "two.bin"});
  ASSERT_EQ(cp932.exit_status, 0) << cp932.err;
  std::string expected_cp932 = expected_utf8;
  for (size_t at; (at = expected_cp932.find("\xE2\x87\x92")) != std::string::npos;) {
    expected_cp932.replace(at, 3, "⇒");  // a narrow literal: code page 932
  }
  EXPECT_EQ(cp932.out, expected_cp932);

  WriteFileBytes("empty.bin", "");
  const CliRun empty = RunCli({"list", "empty.bin"});
  EXPECT_EQ(empty.exit_status, 0);
  EXPECT_TRUE(empty.out.empty());
}

TEST(CliEndToEnd, ShowPrintsTheOpenTreeAndTheHexDump) {
  TempDir dir;
  WriteTwoPacketCapture();
  const CliRun one = RunCli({"show", "two.bin", "1"});
  ASSERT_EQ(one.exit_status, 0) << one.err;
  const std::string expected =
      "RecvData\n"
      "  Header\n"
      "    IP HEADER\n"
      "      Version       : 4\n"
      "      HeaderLength  : 20 byte\n"
      "      Type          : 0\n"
      "      TotalLength   : 40 byte\n"
      "      Identification: 2\n"
      "      Flags         : 2\n"
      "      FlagmentOffset: 0\n"
      "      TimeToLive    : 64\n"
      "      Protocol      : 6\n"
      "      Cheaksum      : 0\n"
      "      Source        : 192.168.1.2\n"
      "      Destination   : 192.168.1.3\n"
      "    TCP HEADER\n"
      "      SourcePort           : 40000\n"
      "      DestinationPort      : 80\n"
      "      SequenceNumber       : 7\n"
      "      AcknowledgementNumber: 0\n"
      "      DataOffset           : 20 byte\n"
      "      Reserved             : 0\n"
      "      ControlFlag          : 2\n"
      "      Window               : 65535\n"
      "      CheackSum            : 0\n"
      "      UrgentPointer        : 0\n"
      "      TCP Data Length      : 0 byte\n"
      "==========================================================================\n"
      "       | 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF\n"
      "------------------------------------------------+-------------------------\n"
      // Bytes 0xA1-0xDF are half-width katakana and 0x9C 0x40 one double-byte
      // character in code page 932, as the window draws them; 0xFF is no character.
      "000000 | 45 00 00 28 00 02 40 00 40 06 00 00 C0 A8 01 02 |E  ( .@ @.  "
      "\xEF\xBE\x80\xEF\xBD\xA8..\n"
      "000001 | C0 A8 01 03 9C 40 00 50 00 00 00 07 00 00 00 00 "
      "|\xEF\xBE\x80\xEF\xBD\xA8..\xE5\xBB\x96 P   .    \n"
      "000002 | 50 02 FF FF 00 00 00 00                         |P.\xEF\xBF\xBD\xEF\xBF\xBD        "
      "    \n"
      "==========================================================================\n";
  EXPECT_EQ(one.out, expected);

  // Every packet, each after its number; a UDP payload gets its DATA branch.
  const CliRun all = RunCli({"show", "two.bin"});
  ASSERT_EQ(all.exit_status, 0) << all.err;
  EXPECT_EQ(all.out.rfind("Packet 0\nRecvData\n", 0), 0u);
  EXPECT_NE(all.out.find("\n  DATA\n    ====="), std::string::npos);
  EXPECT_NE(all.out.find("\n\nPacket 1\nRecvData\n"), std::string::npos);
  EXPECT_EQ(all.out.substr(all.out.size() - expected.size()), expected);

  const CliRun beyond = RunCli({"show", "two.bin", "2"});
  EXPECT_EQ(beyond.exit_status, 1);
  EXPECT_EQ(beyond.err, "kestrel-cli: no packet 2: 'two.bin' holds 2 packets\n");
  EXPECT_TRUE(beyond.out.empty());
}

TEST(CliEndToEnd, ReportIsTheProgramsTextExport) {
  TempDir dir;
  WriteTwoPacketCapture();
  // A header count that lies, a runt that leaves no trace, a cut-off last record.
  std::string odd = CaptureFileBytes(
      {JapanRecord(1, 1, TcpSyn()), JapanRecord(1, 2, Bytes(12, 0x45)),
       JapanRecord(1, 3, UdpDatagram(9, 3)), JapanRecord(1, 4, UdpDatagram(9, 3))});
  odd[64] = 10;
  odd.pop_back();
  WriteFileBytes("odd.bin", odd);
  for (const char* input : {"two.bin", "odd.bin"}) {
    SCOPED_TRACE(input);
    const CliRun run = RunCli({"report", input, "report.txt"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_TRUE(run.out.empty());

    PacketStore store;
    SilentProgressBar progress;
    ASSERT_EQ(LoadCaptureFile(input, store, progress), FileOutcome::Loaded);
    ASSERT_EQ(ExportTextReport("direct.txt", store, progress), FileOutcome::Written);
    // Both begin with the "[YYYY/MM/DD hh:mm:ss]" time of their own export.
    const std::string cli = ReadFileBytes("report.txt");
    const std::string direct = ReadFileBytes("direct.txt");
    ASSERT_GT(direct.size(), 21u);
    EXPECT_EQ(cli.size(), direct.size());
    EXPECT_EQ(cli.substr(21), direct.substr(21));
    EXPECT_EQ(cli.substr(21, 24), " Packet Capture Data\r\n  ");
  }
}

TEST(CliEndToEnd, InvalidOrMissingCaptureFilesAreRefused) {
  TempDir dir;
  std::string wrong = CaptureFileBytes({JapanRecord(1, 1, TcpSyn())});
  wrong[0] = 'k';
  WriteFileBytes("wrong.bin", wrong);
  // Valid records first, then one too large: refused before any row is printed.
  std::string late = CaptureFileBytes({JapanRecord(1, 1, TcpSyn()), JapanRecord(1, 2, TcpSyn())});
  late += CaptureFileBytes({JapanRecord(1, 3, Bytes(65537, 0x45))}).substr(68);
  WriteFileBytes("late.bin", late);
  fs::create_directory("folder.bin");
  const std::vector<std::vector<std::string>> commands = {
      {"list", "IN"}, {"show", "IN"}, {"report", "IN", "r.txt"}, {"export-pcap", "IN", "o.pcap"}};
  for (const char* input : {"wrong.bin", "late.bin", "missing.bin", "folder.bin"}) {
    for (std::vector<std::string> args : commands) {
      args[1] = input;
      const CliRun run = RunCli(args);
      EXPECT_EQ(run.exit_status, 1) << args[0] << " " << input;
      EXPECT_EQ(LineCount(run.err), 1u) << run.err;
      EXPECT_NE(run.err.find(input), std::string::npos) << run.err;
      EXPECT_TRUE(run.out.empty());
    }
  }
  EXPECT_FALSE(fs::exists("r.txt"));
  EXPECT_FALSE(fs::exists("o.pcap"));
  // The refusals went to standard error only: unlike the program, the tool
  // leaves no error log in the user's folder.
  EXPECT_FALSE(fs::exists("error.log"));
}

TEST(CliEndToEnd, UnwritableOutputFailsAndLeavesNothing) {
  TempDir dir;
  WriteTwoPacketCapture();
  WriteFileBytes("in.pcap", PcapFile(101, {{1700000000, 0, TcpSyn()}}));
  fs::create_directory("folder");
  const std::vector<std::vector<std::string>> commands = {{"import", "in.pcap", "OUT"},
                                                          {"report", "two.bin", "OUT"},
                                                          {"export-pcap", "two.bin", "OUT"}};
  for (const char* output : {"no/such/folder/out", "folder", "two.bin/out"}) {
    for (std::vector<std::string> args : commands) {
      args[2] = output;
      const CliRun run = RunCli(args);
      EXPECT_EQ(run.exit_status, 1) << args[0] << " " << output;
      EXPECT_EQ(LineCount(run.err), 1u) << run.err;
      EXPECT_NE(run.err.find(output), std::string::npos) << run.err;
    }
  }
  EXPECT_EQ(EntriesIn(dir.path()), 3u);
  EXPECT_EQ(EntriesIn("folder"), 0u);
}

// Names with Japanese characters and one that code page 932 lacks: on Windows
// only the wide command line and wide file calls reach such files.
TEST(CliEndToEnd, FileNamesOutsideTheCodePageWork) {
  TempDir dir;
  const std::u8string pcap = u8"取り込み_ü.pcapng";
  const std::u8string bin = u8"変換_ü.bin";
  WriteFileBytes(fs::path(pcap), PcapngFile(228, {{1700000000, 0, TcpSyn()}}));
  const std::vector<std::vector<std::u8string>> commands = {
      {u8"import", pcap, bin},
      {u8"export-pcap", bin, u8"書き出し_ü.pcap"},
      {u8"report", bin, u8"報告_ü.txt"},
      {u8"list", bin},
  };
  for (const auto& command : commands) {
    std::vector<std::string> args;
    for (const std::u8string& word : command) args.push_back(Utf8(word.c_str()));
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exit_status, 0) << args[0] << ": " << run.err;
    if (command.size() == 3) {
      EXPECT_TRUE(fs::exists(fs::path(command[2]))) << args[0];
    }
  }
  // (A test macro would quote a literal in code page 932, which lacks the ü.)
  const std::string reason =
      Utf8(u8"kestrel-cli: cannot open '無い_ü.bin': No such file or directory\n");
  const CliRun missing = RunCli({"list", Utf8(u8"無い_ü.bin")});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.err, reason);
}

}  // namespace
