#include "config/ConfigFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "config/PacketFilter.h"
#include "config/ProfileFile.h"
#include "log/BufferedFileWriter.h"
#include "log/SettingsPaths.h"
#include "support/Datagrams.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

const std::string kHead =
    "#共通設定--------------------------------\r\n"
    "[Common_config]\r\n"
    "### RingBuffMaxSize(0:無効 1～n:Kbyte)\r\n"
    "RING_MAX=0\r\n"
    "### ループ(0:無効 1:有効)\r\n"
    "RING_ROOP=0\r\n"
    "### 受信間隔(ms)\r\n"
    "CAP_FPS=10\r\n"
    "\r\n"
    "\r\n"
    "#プロトコル設定--------------------------------\r\n"
    "[Protocol_config]\r\n"
    "### TCP(0:無効 1:有効)\r\n"
    "TCP=1\r\n"
    "### UDP(0:無効 1:有効)\r\n"
    "UDP=1\r\n"
    "### ICMP(0:無効 1:有効)\r\n"
    "ICMP=0\r\n"
    "### その他(0:無効 1:有効)\r\n"
    "OTHER=0\r\n"
    "\r\n"
    "\r\n"
    "#IP・Port設定--------------------------------\r\n"
    "[IP_config]\r\n";

FilterSettings ExampleSettings() {
  FilterSettings s;
  s.tcp = true;
  s.udp = true;
  s.rules.push_back({"192.168.0.1", "*", "10.0.0.2", "80", 1});
  return s;
}

TEST(ConfigFile, WritesTheExampleFileByteForByte) {
  TempDir dir;
  ASSERT_EQ(ConfigFile::Write(ExampleSettings()), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), kHead +
                                                        "LIST_NUM=1\r\n"
                                                        "0_LIST_SRC_IP=192.168.0.1\r\n"
                                                        "0_LIST_SRC_PORT=*\r\n"
                                                        "0_LIST_DEST_IP=10.0.0.2\r\n"
                                                        "0_LIST_DEST_PORT=80\r\n"
                                                        "0_LIST_VEC=1\r\n"
                                                        "\r\n"
                                                        "\r\n"
                                                        "\r\n"
                                                        "\r\n");
  // The comments are code page 932: "#共通設定" is these bytes.
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()).substr(0, 9),
            "#\x8B\xA4\x92\xCA\x90\xDD\x92\xE8");
}

TEST(ConfigFile, SaveWithoutRulesEndsRightAfterListNumAndReplacesTheOldFile) {
  TempDir dir;
  WriteFileBytes(SettingsPaths::Config(), std::string(5000, 'x'));
  FilterSettings s = ExampleSettings();
  s.rules.clear();
  ASSERT_EQ(ConfigFile::Write(s), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), kHead + "LIST_NUM=0\r\n\r\n\r\n\r\n");
  // Nothing of the temporary file stays behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(ConfigFile, WriteThenLoadGivesTheSameSettingsWithRulesRenumberedFromZero) {
  TempDir dir;
  FilterSettings s;
  s.ring_max = 4096;
  s.ring_roop = true;
  s.cap_fps = 9999;
  s.tcp = false;
  s.udp = true;
  s.icmp = true;
  s.other = true;
  s.rules = {{"0.0.0.0", "*", "0.0.0.0", "*", 0},
             {"192.168.0.1", "5000", "10.0.0.2", "80", 0},
             {"10.1.2.3", "65535", "172.16.0.1", "*", 1}};
  ASSERT_EQ(ConfigFile::Write(s), 1);
  // Saving again over an existing file (a plain rename refuses this on Windows).
  s.rules.erase(s.rules.begin());
  ASSERT_EQ(ConfigFile::Write(s), 1);

  const FilterSettings back = ConfigFile::Load();
  EXPECT_EQ(back.ring_max, 4096u);
  EXPECT_TRUE(back.ring_roop);
  EXPECT_EQ(back.cap_fps, 9999u);
  EXPECT_FALSE(back.tcp);
  EXPECT_TRUE(back.udp);
  EXPECT_TRUE(back.icmp);
  EXPECT_TRUE(back.other);
  ASSERT_EQ(back.rules.size(), 2u);
  EXPECT_EQ(back.rules[0].src_ip, "192.168.0.1");
  EXPECT_EQ(back.rules[0].src_port, "5000");
  EXPECT_EQ(back.rules[0].dest_ip, "10.0.0.2");
  EXPECT_EQ(back.rules[0].dest_port, "80");
  EXPECT_EQ(back.rules[0].vec, 0);
  EXPECT_EQ(back.rules[1].src_ip, "10.1.2.3");
  EXPECT_EQ(back.rules[1].dest_port, "*");
  EXPECT_EQ(back.rules[1].vec, 1);
  EXPECT_EQ(ConfigFile::ReadString("IP_config", "0_LIST_SRC_IP", "", 16), "192.168.0.1");
  EXPECT_EQ(ConfigFile::ReadString("IP_config", "2_LIST_SRC_IP", "gone", 16), "gone");
}

TEST(ConfigFile, LargestStoreSizeSurvivesTheRoundTrip) {
  TempDir dir;
  FilterSettings s;
  s.ring_max = 4294967295u;
  ASSERT_EQ(ConfigFile::Write(s), 1);
  EXPECT_NE(ReadFileBytes(SettingsPaths::Config()).find("RING_MAX=-1\r\n"), std::string::npos);
  EXPECT_EQ(ConfigFile::Load().ring_max, 4294967295u);
}

TEST(ConfigFile, WithoutAFileEveryReaderGetsItsDefault) {
  TempDir dir;
  EXPECT_EQ(ConfigFile::ReadInt("Common_config", "CAP_FPS", 10), 10);
  EXPECT_EQ(ConfigFile::ReadInt("Protocol_config", "TCP", 0), 0);
  EXPECT_EQ(ConfigFile::ReadString("IP_config", "0_LIST_SRC_IP", "dflt", 16), "dflt");
  EXPECT_EQ(ConfigFile::ReadString("IP_config", "0_LIST_SRC_IP", "0123456789", 8), "0123456");
  const FilterSettings s = ConfigFile::Load();
  EXPECT_EQ(s.ring_max, 0u);
  EXPECT_FALSE(s.ring_roop);
  EXPECT_EQ(s.cap_fps, 10u);
  EXPECT_FALSE(s.tcp || s.udp || s.icmp || s.other);
  EXPECT_TRUE(s.rules.empty());
}

TEST(ConfigFile, LoadReadsHandEditedValuesTheWayTheDialogShowsThem) {
  TempDir dir;
  WriteFileBytes(SettingsPaths::Config(),
                 "[common_config]\r\nring_roop=2\r\nCAP_FPS=\r\n"
                 "[PROTOCOL_CONFIG]\r\nTCP=2\r\nUDP=1\r\n"
                 "[IP_config]\r\nLIST_NUM=3\r\n"
                 "1_LIST_SRC_IP=1.2.3.4\r\n1_LIST_VEC=7\r\n");
  const FilterSettings s = ConfigFile::Load();
  EXPECT_FALSE(s.ring_roop);  // only 1 ticks the box
  EXPECT_EQ(s.cap_fps, 0u);   // present but empty: not the default
  EXPECT_FALSE(s.tcp);
  EXPECT_TRUE(s.udp);
  // Rules the file lacks come as empty rows with vec 0.
  ASSERT_EQ(s.rules.size(), 3u);
  EXPECT_EQ(s.rules[0].src_ip, "");
  EXPECT_EQ(s.rules[0].vec, 0);
  EXPECT_EQ(s.rules[1].src_ip, "1.2.3.4");
  EXPECT_EQ(s.rules[1].src_port, "");
  EXPECT_EQ(s.rules[1].vec, 7);
  EXPECT_EQ(s.rules[2].dest_ip, "");
}

TEST(ConfigFile, LoadBoundsTheRuleCountOfAHandEditedFile) {
  TempDir dir;
  WriteFileBytes(SettingsPaths::Config(), "[IP_config]\r\nLIST_NUM=2000000000\r\n");
  EXPECT_EQ(ConfigFile::Load().rules.size(), static_cast<size_t>(ConfigFile::kMaxLoadedRules));
  WriteFileBytes(SettingsPaths::Config(), "[IP_config]\r\nLIST_NUM=-4\r\n");
  EXPECT_TRUE(ConfigFile::Load().rules.empty());
}

TEST(ConfigFile, FailedSaveLeavesTheOldFileWhole) {
  TempDir dir;
  ASSERT_EQ(ConfigFile::Write(ExampleSettings()), 1);
  const std::string before = ReadFileBytes(SettingsPaths::Config());

  // The new file cannot be written whole: the disk is full.
  {
    const BufferedFileWriter::FullDiskForTesting full(100);
    EXPECT_EQ(ConfigFile::Write(FilterSettings{}), 0);
  }
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), before);

  // The new file cannot replace the old name: the name is a directory.
  fs::remove(SettingsPaths::Config());
  fs::create_directories("config.ini/inside");
  EXPECT_EQ(ConfigFile::Write(FilterSettings{}), 0);
  EXPECT_TRUE(fs::is_directory("config.ini/inside"));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file is left";
}

}  // namespace

namespace {

TEST(ConfigFile, SaveSucceedsWhileAReaderBrieflyHoldsTheFileOpen) {
  TempDir dir;
  ASSERT_EQ(ConfigFile::Write(ExampleSettings()), 1);
  FILE* reader = std::fopen(SettingsPaths::Config(), "rb");
  ASSERT_NE(reader, nullptr);
  std::thread closer([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::fclose(reader);
  });
  FilterSettings s = ExampleSettings();
  s.cap_fps = 77;
  const int written = ConfigFile::Write(s);
  closer.join();
  EXPECT_EQ(written, 1);
  EXPECT_EQ(ConfigFile::Load().cap_fps, 77u);
}

// The bytes an editor saves as UTF-16 LE, byte-order mark first.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// A file saved with a byte-order mark reads as if it had been saved in code
// page 932 without one, by every reader; a save writes code page 932 again.
TEST(ConfigFile, FilesSavedByOtherEditorsReadAsTheirCodePage932Text) {
  TempDir dir;
  struct Case {
    const char* what;
    std::string bytes;
    const char* note;  // NOTE as read, in code page 932
  };
  const Case cases[] = {
      {"code page 932", "[Protocol_config]\r\nTCP=1\r\nNOTE=表 1～n\r\n", "表 1～n"},
      {"UTF-8 mark", "\xEF\xBB\xBF[Protocol_config]\r\nTCP=1\r\nNOTE=a\r\n", "a"},
      {"UTF-16 LE", Utf16Le(u"[Protocol_config]\r\nTCP=1\r\nNOTE=表 1～n\r\n"), "表 1～n"},
      // Characters code page 932 lacks: é, a character beyond the Basic
      // Multilingual Plane (one '?' for its two units), a lone surrogate; an
      // odd last byte is no character.
      {"UTF-16 LE, no code page 932 character",
       Utf16Le(u"[Protocol_config]\r\nTCP=1\r\nNOTE=caf\u00E9 \U0001F600 \xD800!") + "x",
       "caf? ? ?!"},
  };
  const std::vector<uint8_t> tcp = Datagram(6, std::vector<uint8_t>(20, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfigFile(c.bytes);
    EXPECT_EQ(ProfileReadString(SettingsPaths::Config(), "Protocol_config", "NOTE", "", 64),
              c.note);
    EXPECT_TRUE(ConfigFile::Load().tcp);
    PacketFilter filter(SettingsPaths::Config());
    EXPECT_EQ(filter.Accept(tcp.data(), static_cast<int32_t>(tcp.size())), 1);
  }
  ASSERT_EQ(ConfigFile::Write(ConfigFile::Load()), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()).substr(0, 9),
            "#\x8B\xA4\x92\xCA\x90\xDD\x92\xE8");
}

}  // namespace
