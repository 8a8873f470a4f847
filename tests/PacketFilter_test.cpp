#include "config/PacketFilter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigFile.h"
#include "config/ConfigWatcher.h"
#include "config/FilterRules.h"
#include "log/SettingsPaths.h"
#include "support/Datagrams.h"
#include "support/PacketFilterReference.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Address {
  uint8_t b[4];
};
constexpr Address kHostA{{192, 168, 0, 1}};
constexpr Address kHostB{{10, 0, 0, 2}};
constexpr Address kHostC{{172, 16, 5, 9}};

uint8_t High(uint16_t v) {
  return static_cast<uint8_t>(v >> 8);
}
uint8_t Low(uint16_t v) {
  return static_cast<uint8_t>(v);
}

// A 20-byte IPv4 header (IHL 5) for `protocol`, followed by `transport`.
Bytes Ip(uint8_t protocol, Address from, Address to, const Bytes& transport) {
  return FromTo(Datagram(protocol, transport), from.b, to.b);
}

// Both transports begin with the source and the destination port.
Bytes WithPorts(Bytes transport, uint16_t source_port, uint16_t destination_port) {
  transport[0] = High(source_port);
  transport[1] = Low(source_port);
  transport[2] = High(destination_port);
  transport[3] = Low(destination_port);
  return transport;
}

Bytes Tcp(Address from, uint16_t source_port, Address to, uint16_t destination_port) {
  const Bytes tcp = {
      0,    0,    0,    0,     // ports (set below)
      0,    0,    0,    1,     // sequence
      0,    0,    0,    0,     // acknowledgement
      0x50, 0x02, 0x10, 0x00,  // data offset 5, SYN, window
      0,    0,    0,    0,     // checksum, urgent pointer
  };
  return Ip(6, from, to, WithPorts(tcp, source_port, destination_port));
}

Bytes Udp(Address from, uint16_t source_port, Address to, uint16_t destination_port) {
  const Bytes udp = {
      0,    0,    0,    0,     // ports (set below)
      0x00, 0x08, 0x00, 0x00,  // length 8, checksum
  };
  return Ip(17, from, to, WithPorts(udp, source_port, destination_port));
}

Bytes Icmp(Address from, Address to) {
  return Ip(1, from, to, {8, 0, 0, 0, 0, 1, 0, 1});
}

// TCP by protocol number, but too short to hold a TCP header.
Bytes ShortTcp(Address from, Address to) {
  return Ip(6, from, to, {0x13, 0x88, 0x00, 0x50});
}

void WriteConfig(const std::string& protocol_keys, const std::string& rule_keys) {
  WriteConfigFile("[Protocol_config]\r\n" + protocol_keys + "[IP_config]\r\n" + rule_keys);
}

// A filter of its own on the config.ini of a fresh folder.
class PacketFilterTest : public ::testing::Test {
 protected:
  int Accept(const Bytes& p) { return filter.Accept(p.data(), static_cast<int32_t>(p.size())); }

  TempDir dir;
  const std::string path = (dir.path() / "config.ini").string();
  PacketFilter filter{path};
};

std::string Rule(int n, const char* src_ip, const char* src_port, int vec, const char* dest_ip,
                 const char* dest_port) {
  const std::string p = std::to_string(n) + "_LIST_";
  return p + "SRC_IP=" + src_ip + "\r\n" + p + "SRC_PORT=" + src_port + "\r\n" + p +
         "VEC=" + std::to_string(vec) + "\r\n" + p + "DEST_IP=" + dest_ip + "\r\n" + p +
         "DEST_PORT=" + dest_port + "\r\n";
}

TEST_F(PacketFilterTest, ProtocolSwitchesDecideWhereTheRulesDoNot) {
  const Bytes tcp = Tcp(kHostA, 1025, kHostB, 80);
  const Bytes udp = Udp(kHostA, 1025, kHostB, 53);
  const Bytes icmp = Icmp(kHostA, kHostB);
  const Bytes gre = Ip(47, kHostA, kHostB, {0, 0, 0x08, 0x00});
  const Bytes short_tcp = ShortTcp(kHostA, kHostB);

  // Without a file every switch is off.
  EXPECT_EQ(Accept(tcp) + Accept(udp) + Accept(icmp) + Accept(gre), 0);

  WriteConfig("TCP=1\r\nUDP=0\r\nICMP=1\r\nOTHER=1\r\n", "LIST_NUM=0\r\n");
  EXPECT_EQ(Accept(tcp), 1);
  EXPECT_EQ(Accept(short_tcp), 1);  // no rules: kept though undecodable
  EXPECT_EQ(Accept(udp), 0);
  EXPECT_EQ(Accept(icmp), 1);
  EXPECT_EQ(Accept(gre), 1);
  EXPECT_EQ(Accept(Bytes(tcp.begin(), tcp.begin() + 19)), 0);  // no IPv4 header
  EXPECT_EQ(filter.Accept(nullptr, 0), 0);

  // TCP and UDP are on for any non-zero value; ICMP and OTHER only for 1.
  // A rule that admits nothing leaves ICMP and OTHER untouched.
  WriteConfig("TCP=2\r\nUDP=-1\r\nICMP=2\r\nOTHER=2\r\n",
              "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "*", 0, "0.0.0.0", "*"));
  EXPECT_EQ(Accept(tcp), 1);
  EXPECT_EQ(Accept(udp), 1);
  EXPECT_EQ(Accept(short_tcp), 0);  // rules present: undecodable matches none
  EXPECT_EQ(Accept(icmp), 0);
  EXPECT_EQ(Accept(gre), 0);
  WriteConfig("ICMP=1\r\nOTHER=1\r\n",
              "LIST_NUM=1\r\n" + Rule(0, "1.1.1.1", "1", 1, "1.1.1.1", "1"));
  EXPECT_EQ(Accept(icmp), 1);
  EXPECT_EQ(Accept(gre), 1);

  // UDP off drops UDP even when a rule names it exactly.
  WriteConfig("TCP=1\r\nUDP=0\r\n",
              "LIST_NUM=1\r\n" + Rule(0, "192.168.0.1", "*", 0, "10.0.0.2", "53"));
  EXPECT_EQ(Accept(udp), 0);
}

TEST_F(PacketFilterTest, OneWayAndBothWaysRulesCompareOnlyTheDestinationPort) {
  const Bytes request = Tcp(kHostA, 40000, kHostB, 80);
  const Bytes reply = Tcp(kHostB, 80, kHostA, 40000);

  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "192.168.0.1", "*", 1, "10.0.0.2", "80"));
  EXPECT_EQ(Accept(request), 1);
  EXPECT_EQ(Accept(Tcp(kHostA, 1, kHostB, 80)), 1);  // any source port
  EXPECT_EQ(Accept(Tcp(kHostA, 40000, kHostB, 81)), 0);
  EXPECT_EQ(Accept(Tcp(kHostC, 40000, kHostB, 80)), 0);
  EXPECT_EQ(Accept(reply), 0);

  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "192.168.0.1", "*", 0, "10.0.0.2", "80"));
  EXPECT_EQ(Accept(request), 1);
  EXPECT_EQ(Accept(reply), 1);
  EXPECT_EQ(Accept(Tcp(kHostB, 1, kHostA, 7)), 1);  // src_port "*": any port back

  WriteConfig("UDP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "192.168.0.1", "5000", 0, "10.0.0.2", "80"));
  EXPECT_EQ(Accept(Udp(kHostB, 80, kHostA, 5000)), 1);
  EXPECT_EQ(Accept(Udp(kHostB, 5000, kHostA, 80)), 0);
  EXPECT_EQ(Accept(Udp(kHostA, 5000, kHostB, 80)), 1);
  EXPECT_EQ(Accept(Udp(kHostA, 80, kHostB, 5000)), 0);

  // Only destination port 80 reaches 10.0.0.2, from anywhere.
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "*", 1, "10.0.0.2", "80"));
  EXPECT_EQ(Accept(Tcp(kHostC, 9, kHostB, 80)), 1);
  EXPECT_EQ(Accept(Tcp(kHostC, 80, kHostB, 9)), 0);

  // The all-wildcard rule keeps every decodable TCP packet, and only those.
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "*", 0, "0.0.0.0", "*"));
  EXPECT_EQ(Accept(Tcp(kHostC, 1, Address{{0, 0, 0, 0}}, 65535)), 1);
  EXPECT_EQ(Accept(ShortTcp(kHostA, kHostB)), 0);
}

TEST_F(PacketFilterTest, RuleTextsAreComparedAsTheFilterReadsThem) {
  const Bytes to_port_0 = Tcp(kHostA, 1, kHostB, 0);
  const Bytes to_port_80 = Tcp(kHostA, 1, kHostB, 80);

  // Addresses match only in canonical dotted form.
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "192.168.000.001", "*", 0, "0.0.0.0", "*"));
  EXPECT_EQ(Accept(to_port_80), 0);
  EXPECT_EQ(Accept(Tcp(kHostB, 1, kHostA, 80)), 0);

  // An empty port is the number 0.
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "", 1, "0.0.0.0", ""));
  EXPECT_EQ(Accept(to_port_0), 1);
  EXPECT_EQ(Accept(to_port_80), 0);

  // Port texts give their leading number; longer ones are cut to 7 characters
  // first, addresses to 15.
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "", 1, "10.0.0.2", " +80/tcp"));
  EXPECT_EQ(Accept(to_port_80), 1);
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "", 1, "10.0.0.2", "00000000080"));
  EXPECT_EQ(Accept(to_port_80), 0);
  EXPECT_EQ(Accept(to_port_0), 1);
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "*", 1, "10.0.0.2xxxxxxxx", "*"));
  EXPECT_EQ(Accept(to_port_80), 0);
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + Rule(0, "0.0.0.0", "*", 1, "192.168.100.1001", "*"));
  EXPECT_EQ(Accept(Tcp(kHostA, 1, Address{{192, 168, 100, 100}}, 80)), 1);

  // Rules past LIST_NUM are not read; rules below it that the file lacks
  // match nothing. A negative count admits nothing.
  const std::string rule1 = Rule(1, "0.0.0.0", "*", 0, "0.0.0.0", "*");
  WriteConfig("TCP=1\r\n", "LIST_NUM=1\r\n" + rule1);
  EXPECT_EQ(Accept(to_port_80), 0);
  WriteConfig("TCP=1\r\n", "LIST_NUM=5\r\n" + rule1);
  EXPECT_EQ(Accept(to_port_80), 1);
  WriteConfig("TCP=1\r\n", "LIST_NUM=-1\r\n" + rule1);
  EXPECT_EQ(Accept(to_port_80), 0);

  // Key names ignore letter case; "01_" is not how rule 1 is named.
  WriteConfig("tcp=1\r\n",
              "list_num=2\r\n1_list_src_ip=0.0.0.0\r\n1_list_dest_ip=0.0.0.0\r\n"
              "1_list_dest_port=*\r\n");
  EXPECT_EQ(Accept(to_port_80), 1);
  WriteConfig("TCP=1\r\n",
              "LIST_NUM=2\r\n01_LIST_SRC_IP=0.0.0.0\r\n01_LIST_DEST_IP=0.0.0.0\r\n"
              "01_LIST_DEST_PORT=*\r\n");
  EXPECT_EQ(Accept(to_port_80), 0);
}

// A save by the program applies to the very next packet; a hand edit through
// another handle after its change notice, or without a watcher within 100 ms;
// a file that stays unreadable for over a second counts as missing.
TEST_F(PacketFilterTest, SavesApplyAtOnceAndHandEditsWithinTheCheckInterval) {
  const Bytes packet = Tcp(kHostA, 1, kHostB, 80);
  const std::string on = "[Protocol_config]\r\nTCP=1\r\n[IP_config]\r\nLIST_NUM=1\r\n" +
                         Rule(0, "0.0.0.0", "*", 1, "0.0.0.0", "80");
  const std::string off = "[Protocol_config]\r\nTCP=1\r\n[IP_config]\r\nLIST_NUM=1\r\n" +
                          Rule(0, "0.0.0.0", "*", 1, "0.0.0.0", "81");
  const auto past_check_interval = [] {
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
  };

  FilterSettings s;
  s.tcp = true;
  s.rules = {{"0.0.0.0", "*", "0.0.0.0", "80", 1}};
  ASSERT_EQ(ConfigFile::Write(s), 1);
  EXPECT_EQ(Accept(packet), 1);
  s.rules[0].dest_port = "81";
  ASSERT_EQ(ConfigFile::Write(s), 1);
  EXPECT_EQ(Accept(packet), 0);

  // No watcher: the stamp check finds the edit.
  WriteFileBytes(SettingsPaths::Config(), on);
  past_check_interval();
  EXPECT_EQ(Accept(packet), 1);

  // A same-size copy that keeps an old write time, over a file whose stamp is
  // trusted: only the watcher's notice tells.
  const auto old_time = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(SettingsPaths::Config(), old_time);
  past_check_interval();
  EXPECT_EQ(Accept(packet), 1);
  {
    PacketFilter watched(path);
    watched.WatchForChanges();
    ASSERT_TRUE(watched.Watching());
    EXPECT_EQ(watched.Accept(packet.data(), static_cast<int32_t>(packet.size())), 1);
    const uint64_t changes = ConfigFile::ChangeCount();
    WriteFileBytes(SettingsPaths::Config(), off);
    fs::last_write_time(SettingsPaths::Config(), old_time);
    for (int i = 0; i < 500 && ConfigFile::ChangeCount() == changes; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(watched.Accept(packet.data(), static_cast<int32_t>(packet.size())), 0);
  }
  EXPECT_EQ(ConfigWatcher::RunningCount(), 0);  // the watcher ends with its filter

  // Unreadable (a folder took its name): the last rules hold for a moment,
  // then the defaults, which drop everything.
  WriteConfigFile(on);
  EXPECT_EQ(Accept(packet), 1);
  fs::remove(SettingsPaths::Config());
  fs::create_directory(SettingsPaths::Config());
  past_check_interval();
  EXPECT_EQ(Accept(packet), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(Accept(packet), 0);
  fs::remove(SettingsPaths::Config());
  WriteConfigFile(on);
  EXPECT_EQ(Accept(packet), 1);
}

// Random files and packets: the cached filter must decide exactly as the
// literal key-by-key reading of the file does.
TEST_F(PacketFilterTest, AgreesWithTheKeyByKeyReadingOnRandomFiles) {
  std::mt19937 random(20240601);
  const auto pick = [&random](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
  };
  const std::vector<std::string> addresses = {
      "0.0.0.0", "192.168.0.1", "10.0.0.2",   "10.0.0.02",
      "",        " 10.0.0.2 ",  "10.0.0.2\"", "\"10.0.0.2\""};
  const std::vector<std::string> ports = {"*",   "",    "80",   "0",    " 80", "+80",
                                          "80x", "-80", "0080", "5000", "'*'", "00000000080"};
  const std::vector<std::string> switches = {"0", "1", "2", "-1", "", "x", "01"};
  const std::vector<Address> hosts = {kHostA, kHostB, Address{{0, 0, 0, 0}}};
  const std::vector<uint16_t> port_numbers = {0, 80, 5000};

  for (int file = 0; file < 60; ++file) {
    std::string text = "[Protocol_config]\r\nTCP=" + pick(switches) + "\r\nUDP=" + pick(switches) +
                       "\r\nICMP=" + pick(switches) + "\r\nOTHER=" + pick(switches) +
                       "\r\n[IP_config]\r\n";
    const int rules = std::uniform_int_distribution<int>(0, 3)(random);
    text +=
        "LIST_NUM=" + std::to_string(std::uniform_int_distribution<int>(-1, 4)(random)) + "\r\n";
    for (int i = 0; i < rules; ++i) {
      const std::string n = std::to_string(i);
      text += n + "_LIST_SRC_IP=" + pick(addresses) + "\r\n" + n + "_list_src_port=" + pick(ports) +
              "\r\n" + n + "_LIST_VEC=" + pick(switches) + "\r\n" + n +
              "_LIST_DEST_IP=" + pick(addresses) + "\r\n" + n + "_LIST_DEST_PORT=" + pick(ports) +
              "\r\n";
    }
    if (random() % 4 == 0) text += "0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_DEST_IP=0.0.0.0\r\n";
    WriteConfigFile(text);
    for (int packet = 0; packet < 12; ++packet) {
      const Address from = hosts[random() % hosts.size()];
      const Address to = hosts[random() % hosts.size()];
      const uint16_t port = port_numbers[random() % port_numbers.size()];
      Bytes p;
      switch (random() % 5) {
        case 0:
          p = Tcp(from, 1, to, port);
          break;
        case 1:
          p = Udp(from, 1, to, port);
          break;
        case 2:
          p = ShortTcp(from, to);
          break;
        case 3:
          p = Icmp(from, to);
          break;
        default:
          p = Ip(50, from, to, {});
          break;
      }
      SCOPED_TRACE(text);
      EXPECT_EQ(Accept(p), PacketFilterReference::Accept(p.data(), static_cast<int32_t>(p.size())));
    }
  }

  char formatted[16];
  char expected[16];
  for (int b = 0; b < 256; ++b) {
    const uint8_t address[4] = {static_cast<uint8_t>(b), 0, static_cast<uint8_t>(255 - b), 9};
    std::snprintf(expected, sizeof expected, "%d.%d.%d.%d", b, 0, 255 - b, 9);
    ASSERT_EQ(FormatDottedAddress(address, formatted),
              static_cast<int>(std::string(expected).size()));
    ASSERT_STREQ(formatted, expected);
  }
}

}  // namespace
