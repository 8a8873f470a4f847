// kestrel-cli capture with real traffic, in a network namespace of the test's
// own (root needed; skipped otherwise): the datagrams sent come out byte for
// byte in every format, to a file and to standard output, on the chosen
// interface alone, also when the traffic runs through the receive ring many
// times over; --config keeps what the program's filter keeps; a signal
// ends the capture with complete files and the summary; no rights and an
// unknown address are refused before any file exists.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli/support/CaptureBuilders.h"
#include "cli/support/RunCli.h"
#include "config/PacketFilter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// lo and a veth pair, kst0 holding 10.250.1.1/24 with a neighbour 10.250.1.7
// that needs no ARP, for this process alone.
bool InOwnNetwork(std::string& why) {
  static int entered = -1;
  if (entered < 0) {
    entered = geteuid() == 0 && unshare(CLONE_NEWNET) == 0 &&
              std::system(
                  "ip link set lo up && ip link add kst0 type veth peer name kst1 && "
                  "ip addr add 10.250.1.1/24 dev kst0 && ip link set kst0 up && "
                  "ip link set kst1 up && "
                  "ip neigh add 10.250.1.7 lladdr 02:00:00:00:00:07 dev kst0") == 0;
  }
  why = "needs root and network namespaces";
  return entered == 1;
}

// A datagram from `from` to `to` with a correct IPv4 header and a wrong
// transport checksum, so the receiving host drops it without a reply.
Bytes Datagram(uint8_t protocol, const char* from, const char* to, size_t payload, uint8_t tag) {
  const size_t transport = protocol == 6 ? 20 : 8;
  Bytes d(20 + transport + payload, tag);
  const uint16_t total = static_cast<uint16_t>(d.size());
  const uint8_t head[12] = {
      0x45, 0, uint8_t(total >> 8), uint8_t(total), 0x12, tag, 0x40, 0, 64, protocol, 0, 0};
  std::copy(head, head + 12, d.begin());
  inet_pton(AF_INET, from, &d[12]);
  inet_pton(AF_INET, to, &d[16]);
  uint32_t sum = 0;
  for (int i = 0; i < 20; i += 2) sum += (d[i] << 8) | d[i + 1];
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  d[10] = static_cast<uint8_t>(~sum >> 8);
  d[11] = static_cast<uint8_t>(~sum);
  const uint8_t ports[4] = {0x9C, 0x40, 0x1B, uint8_t(0x58 + tag % 4)};  // 40000 -> 7000-7003
  std::copy(ports, ports + 4, d.begin() + 20);
  if (protocol == 17) d[24] = 0, d[25] = static_cast<uint8_t>(transport + payload);
  if (protocol == 6) d[32] = 0x50, d[33] = 0x04;  // header length, RST: never answered
  return d;
}

void Send(const std::vector<Bytes>& datagrams) {
  const int s = socket(AF_INET, SOCK_RAW, IPPROTO_RAW);  // the header is ours
  ASSERT_GE(s, 0);
  for (const Bytes& d : datagrams) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::copy(&d[16], &d[20], reinterpret_cast<uint8_t*>(&to.sin_addr));
    ASSERT_EQ(sendto(s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              ssize_t(d.size()));
  }
  close(s);
}

struct Capture {
  pid_t pid = -1;
  int status = -1;  // the wait status once ended
  std::string Err() const { return ReadFileBytes("err.txt"); }
};

// Starts kestrel-cli capture and waits for its "capturing on" line (or its end).
Capture StartCapture(std::vector<std::string> args, bool without_rights = false) {
  args.insert(args.begin(), {CliProgramPath(), "capture"});
  Capture c;
  c.pid = fork();
  if (c.pid == 0) {
    freopen("out.bin", "wb", stdout);
    freopen("err.txt", "wb", stderr);
    if (without_rights && setresuid(65534, 65534, 65534) != 0) _exit(126);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (c.Err().find("capturing on") == std::string::npos) {
    if (waitpid(c.pid, &status, WNOHANG) == c.pid) {
      c.status = status;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return c;
}

int Finish(Capture& c) {
  int status = c.status;
  if (status == -1 && waitpid(c.pid, &status, 0) != c.pid) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The datagrams of a pcap, pcapng or capture file.
std::vector<Bytes> DatagramsIn(const fs::path& file) {
  std::vector<Bytes> found;
  const std::string bytes = ReadFileBytes(file);
  if (bytes.rfind("Kestrel_Scan", 0) == 0) {
    for (size_t at = 68; at + 20 <= bytes.size();) {
      const uint32_t size = uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8;
      found.emplace_back(bytes.begin() + at + 20, bytes.begin() + at + 20 + size);
      at += 20 + size;
    }
    return found;
  }
  char error[PCAP_ERRBUF_SIZE];
  pcap_t* pcap = pcap_open_offline(file.c_str(), error);
  if (pcap == nullptr) return found;
  EXPECT_EQ(pcap_datalink(pcap), DLT_RAW);
  pcap_pkthdr* header;
  const u_char* data;
  while (pcap_next_ex(pcap, &header, &data) == 1) found.emplace_back(data, data + header->caplen);
  pcap_close(pcap);
  return found;
}

std::vector<Bytes> Mix(const char* from, const char* to) {
  return {Datagram(17, from, to, 5, 1), Datagram(6, from, to, 0, 2), Datagram(1, from, to, 60, 3),
          Datagram(17, from, to, 1400, 4)};
}

TEST(CliCapturePosix, WritesTheDatagramsOfTheChosenInterfaceByteForByte) {
  std::string why;
  if (!InOwnNetwork(why)) GTEST_SKIP() << why;
  const std::vector<Bytes> lo = Mix("127.0.0.1", "127.0.0.1");
  const std::vector<Bytes> kst0 = Mix("10.250.1.1", "10.250.1.7");  // out of kst0
  const struct {
    std::vector<std::string> args;
    const char* file;  // read back from here
    const std::vector<Bytes>& expected;
  } cases[] = {
      {{"-i", "127.0.0.1", "-w", "cap.pcap"}, "cap.pcap", lo},
      {{"-i", "127.0.0.1", "-w", "-"}, "out.bin", lo},
      {{"-i", "127.0.0.1", "-w", "-", "--pcapng"}, "out.bin", lo},
      {{"-i", "127.0.0.1", "-w", "-", "--bin"}, "out.bin", lo},
      {{"-i", "127.0.0.1", "-w", "cap.bin", "--bin"}, "cap.bin", lo},
      {{"-i", "10.250.1.1", "-w", "cap.pcapng", "--pcapng"}, "cap.pcapng", kst0},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-c", "4"});
    Capture capture = StartCapture(args);
    Send(lo);
    Send(kst0);
    ASSERT_EQ(Finish(capture), 0) << capture.Err();
    EXPECT_EQ(DatagramsIn(c.file), c.expected) << c.args.back();
    EXPECT_NE(capture.Err().find("4 packets written\n"), std::string::npos) << capture.Err();
  }
}

// Several times what the receive ring holds, in bursts it can hold: every
// block is reused, the largest datagrams come out whole, none lost or out of
// order. A burst's last block waits for the ring's timeout, not for traffic.
TEST(CliCapturePosix, PassesMoreThanTheRingHoldsWholeAndInOrder) {
  std::string why;
  if (!InOwnNetwork(why)) GTEST_SKIP() << why;
  TempDir dir;
  const size_t sizes[] = {65507, 1, 30000, 1400};
  std::vector<Bytes> sent;
  // Tags from 1: a tag of 0 is a UDP checksum of 0, "none", which the host
  // would answer.
  for (int i = 0; i < 240; ++i)
    sent.push_back(Datagram(17, "127.0.0.1", "127.0.0.1", sizes[i % 4], uint8_t(i + 1)));
  Capture capture =
      StartCapture({"-i", "127.0.0.1", "-w", "cap.pcap", "-c", std::to_string(sent.size())});
  for (size_t done = 0; done < sent.size();) {
    const size_t end = done + 24;
    Send({sent.begin() + done, sent.begin() + end});
    while (DatagramsIn("cap.pcap").size() < end && capture.status == -1)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    done = end;
  }
  ASSERT_EQ(Finish(capture), 0) << capture.Err();
  EXPECT_EQ(DatagramsIn("cap.pcap"), sent);
  EXPECT_NE(capture.Err().find("0 packets dropped by the kernel\n"), std::string::npos)
      << capture.Err();
}

TEST(CliCapturePosix, KeepsWhatTheProgramsFilterKeeps) {
  std::string why;
  if (!InOwnNetwork(why)) GTEST_SKIP() << why;
  TempDir dir;
  WriteFileBytes("filter.ini",
                 "[Protocol_config]\r\nTCP=1\r\nUDP=1\r\nICMP=0\r\nOTHER=0\r\n"
                 "[IP_config]\r\nLIST_NUM=1\r\n0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n"
                 "0_LIST_DEST_IP=127.0.0.1\r\n0_LIST_DEST_PORT=7001\r\n0_LIST_VEC=1\r\n");
  std::vector<Bytes> sent;
  for (uint8_t tag = 0; tag < 16; ++tag)
    sent.push_back(Datagram(tag % 3 == 0   ? 1
                            : tag % 3 == 1 ? 6
                                           : 17,
                            "127.0.0.1", "127.0.0.1", tag, tag));
  PacketFilter filter("filter.ini");
  std::vector<Bytes> kept;
  for (const Bytes& d : sent)
    if (filter.Accept(d.data(), int32_t(d.size())) == 1) kept.push_back(d);
  ASSERT_FALSE(kept.empty());
  ASSERT_LT(kept.size(), sent.size());
  while (filter.Accept(sent.back().data(), int32_t(sent.back().size())) != 1) sent.pop_back();
  Capture capture = StartCapture({"-i", "127.0.0.1", "-w", "cap.pcap", "--config", "filter.ini",
                                  "-c", std::to_string(kept.size())});
  Send(sent);
  ASSERT_EQ(Finish(capture), 0) << capture.Err();
  EXPECT_EQ(DatagramsIn("cap.pcap"), kept);
  EXPECT_NE(capture.Err().find(std::to_string(sent.size()) + " packets seen\n"), std::string::npos)
      << capture.Err();
}

TEST(CliCapturePosix, EndsOnASignalWithCompleteFilesAndTheSummary) {
  std::string why;
  if (!InOwnNetwork(why)) GTEST_SKIP() << why;
  const std::vector<Bytes> sent = Mix("127.0.0.1", "127.0.0.1");
  for (int signal_number : {SIGINT, SIGTERM}) {
    TempDir dir;
    Capture capture = StartCapture({"-i", "127.0.0.1", "-w", "cap.pcapng", "--pcapng"});
    Send(sent);
    // Each burst reaches the file as it ends: wait for all of them.
    while (DatagramsIn("cap.pcapng").size() < sent.size())
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(capture.pid, signal_number);
    ASSERT_EQ(Finish(capture), 0) << capture.Err();
    EXPECT_EQ(DatagramsIn("cap.pcapng"), sent);
    EXPECT_NE(capture.Err().find("4 packets seen\n4 packets kept by the filter\n4 packets written\n"
                                 "0 packets dropped by the kernel\n"),
              std::string::npos)
        << capture.Err();
  }
}

TEST(CliCapturePosix, RefusesWithoutRightsOrAddressBeforeAnyFile) {
  std::string why;
  if (!InOwnNetwork(why)) GTEST_SKIP() << why;
  const struct {
    std::vector<std::string> args;
    bool without_rights;
    const char* message;
  } cases[] = {
      {{"-i", "127.0.0.1", "-w", "cap.pcap"}, true, "no rights to capture"},
      {{"-i", "10.250.9.9", "-w", "cap.pcap"}, false, "the host has no address 10.250.9.9"},
      {{"-i", "not-an-address", "-w", "cap.pcap"}, false, "the host has no address not-an"},
      {{"-w", "cap.pcap", "--config", "missing.ini"}, false, "cannot read 'missing.ini'"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Capture capture = StartCapture(c.args, c.without_rights);
    EXPECT_EQ(Finish(capture), 1);
    EXPECT_EQ(capture.Err().rfind(std::string("kestrel-cli: ") + c.message, 0), 0u)
        << capture.Err();
    EXPECT_FALSE(fs::exists("cap.pcap"));
  }
}

}  // namespace
