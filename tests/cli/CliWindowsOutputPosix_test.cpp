// kestrel-cli.exe of the windows build against this build's kestrel-cli: every
// command on the same captures, in the same time zone, gives the same exit
// status, standard output, standard error and output file, byte for byte.
// The Windows runs share one Wine session (one batch file), since starting
// Wine takes seconds and a process inside it a fraction of one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/support/CaptureBuilders.h"
#include "cli/support/RunCli.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// With clock changes, so that both directions of the time conversion matter.
constexpr char kZone[] = "CET-1CEST,M3.5.0,M10.5.0/3";
// The report's first line begins with the time of its writing.
constexpr size_t kReportTimeStamp = 21;

// IN stands for each capture of its kind, OUT for the output file.
const std::vector<std::vector<std::string>> kCommands = {
    {"import", "IN.pcap", "OUT"},       {"export-pcap", "IN.bin", "OUT"},
    {"report", "IN.bin", "OUT"},        {"list", "IN.bin"},
    {"list", "--cp932", "IN.bin"},      {"show", "IN.bin"},
    {"show", "--cp932", "IN.bin", "1"},
};
const std::vector<std::string> kPcaps = {"mixed.pcapng", "cut.pcap", "text.pcap"};
const std::vector<std::string> kBins = {"packets.bin", "wrong.bin", "missing.bin"};

// A UDP datagram carrying every byte, then every byte pair that begins with a
// code page 932 lead byte: all that the hex dump's text column can meet.
Bytes EveryCharacter() {
  Bytes payload;
  for (int b = 0; b < 256; ++b) payload.push_back(static_cast<uint8_t>(b));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead < 0xE0) continue;
    for (int trail = 0; trail < 256; ++trail) Put(payload, {uint8_t(lead), uint8_t(trail)});
  }
  Bytes datagram = UdpDatagram(7, payload.size());
  std::copy(payload.begin(), payload.end(), datagram.begin() + 28);
  return datagram;
}

void WriteCaptures() {
  const Bytes udp = UdpDatagram(1025, 4);
  WriteFileBytes("mixed.pcapng",
                 PcapngFile(1,
                            {{1704110400, 123456789, EthernetFrame(0x0800, udp)},  // winter
                             {1719835200, 5, EthernetFrame(0x0800, TcpSyn(), {0x8100})},
                             {1719835201, 0, EthernetFrame(0x0806, ArpPayload())},
                             {1719835202, 0, EthernetFrame(0x86DD, Ipv6Packet())},
                             {1719835203, 0, EthernetFrame(0x0800, Bytes{0x45, 0})}},
                            9));
  std::string cut = PcapFile(101, {{1700000000, 0, udp}, {1700000001, 0, udp}});
  cut.resize(cut.size() - 10);
  WriteFileBytes("cut.pcap", cut);
  WriteFileBytes("text.pcap", "not a capture");

  std::string packets = CaptureFileBytes({
      {{2024, 1, 1, 1, 9, 30, 0, 5}, UdpDatagram(8, 3)},
      {{2024, 7, 1, 1, 14, 0, 0, 255}, EveryCharacter()},
      {{2024, 10, 27, 0, 1, 59, 59, 999}, TcpSyn()},
      {{2024, 2, 30, 5, 0, 0, 0, 0}, TcpSyn()},        // no such day: the pcap time 0
      {{2024, 3, 1, 5, 0, 0, 0, 0}, Bytes(12, 0x45)},  // too short for a header
      {{2024, 3, 1, 5, 0, 0, 1, 0}, udp},
  });
  packets[64] = 99;                    // a packet count that lies
  packets.resize(packets.size() - 3);  // and a last record cut short
  WriteFileBytes("packets.bin", packets);
  WriteFileBytes("wrong.bin", "Kestrel_Scam" + packets.substr(12));
}

// Outputs run to thousands of lines: a difference is shown where it starts.
testing::AssertionResult Same(const std::string& linux_text, const std::string& windows_text) {
  if (linux_text == windows_text) return testing::AssertionSuccess();
  const auto at = static_cast<size_t>(
      std::mismatch(linux_text.begin(), linux_text.end(), windows_text.begin(), windows_text.end())
          .first -
      linux_text.begin());
  const size_t from = at < 40 ? 0 : at - 40;
  return testing::AssertionFailure()
         << "they differ from byte " << at
         << ":\n  linux:   " << testing::PrintToString(linux_text.substr(from, 80))
         << "\n  windows: " << testing::PrintToString(windows_text.substr(from, 80));
}

struct Case {
  std::vector<std::string> args;
  std::string output;  // empty: the command writes no file
};

// All that a run leaves, as one text: exit status, both streams, the file.
std::string Transcript(const Case& c, const std::string& status, const std::string& out,
                       const std::string& err, const std::string& file) {
  std::string text = "status " + status + "\nout:\n" + out + "\nerr:\n" + err;
  if (c.output.empty()) return text;
  if (!fs::exists(file)) return text + "\nno file";
  return text + "\nfile:\n" +
         ReadFileBytes(file).substr(c.args[0] == "report" ? kReportTimeStamp : 0);
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const std::vector<std::string>& command : kCommands) {
    const bool pcap_input = command[1] == "IN.pcap";
    for (const std::string& input : pcap_input ? kPcaps : kBins) {
      Case c{command, ""};
      for (std::string& word : c.args) {
        if (word.rfind("IN.", 0) == 0) word = input;
        if (word == "OUT") word = c.output = "out-" + std::to_string(cases.size());
      }
      cases.push_back(c);
    }
  }
  return cases;
}

// Runs every case in one Wine session; each case's output file gets the prefix
// "windows-", its output streams and exit status files beside it.
void RunUnderWine(const std::string& exe, const std::vector<Case>& cases) {
  std::string windows_exe = "Z:" + exe;
  for (char& c : windows_exe) c = c == '/' ? '\\' : c;
  std::ofstream batch("run.bat", std::ios::binary);
  batch << "@echo off\r\n";
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "windows-" + std::to_string(i);
    batch << '"' << windows_exe << '"';
    for (const std::string& word : cases[i].args) {
      batch << ' ' << (word == cases[i].output ? "windows-" + word : word);
    }
    batch << " >" << name << ".out 2>" << name << ".err\r\n"
          << ">" << name << ".status echo %ERRORLEVEL%\r\n";
  }
  batch << "exit /b 0\r\n";  // not the last command's status
  batch.close();
  const std::string command = std::string("TZ='") + kZone + "' '" +
                              std::getenv("KESTREL_WINE_RUN") + "' cmd /c run.bat >wine.log 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadFileBytes("wine.log");
}

TEST(CliWindowsOutput, EveryCommandGivesTheLinuxBytes) {
  const char* exe = std::getenv("KESTREL_WINDOWS_CLI");
  if (exe == nullptr || *exe == '\0')
    GTEST_SKIP() << "KESTREL_WINDOWS_CLI names no kestrel-cli.exe";
  ASSERT_TRUE(fs::exists(exe)) << exe;
  TempDir dir;
  WriteCaptures();
  const std::vector<Case> cases = Cases();
  RunUnderWine(exe, cases);

  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    std::string trace;
    for (const std::string& word : c.args) trace += word + " ";
    SCOPED_TRACE(trace);
    const CliRun run = RunCli(c.args, kZone);
    const std::string windows = "windows-" + std::to_string(i);
    std::string status = ReadFileBytes(windows + ".status");
    status.erase(std::min(status.find('\r'), status.size()));
    EXPECT_TRUE(Same(Transcript(c, std::to_string(run.exit_status), run.out, run.err, c.output),
                     Transcript(c, status, ReadFileBytes(windows + ".out"),
                                ReadFileBytes(windows + ".err"), "windows-" + c.output)));
  }
}

}  // namespace
