// The capture address in config.ini (its own section, read at each start,
// kept by the filter dialog's save) and the address dialog's entries.
#include <gtest/gtest.h>

#include <string>

#include "app/CaptureAddressEntries.h"
#include "config/CaptureAddressSetting.h"
#include "config/ConfigFile.h"
#include "log/SettingsPaths.h"
#include "support/TempDir.h"

namespace {

const std::string kAppended =
    "#キャプチャー設定--------------------------------\r\n[Capture_config]\r\n"
    "### キャプチャー アドレス(auto:自動 127.0.0.1:ループバック)\r\n";

TEST(CaptureAddressSetting, OnlyTheAddressLineChangesAndTheSectionIsFoundWhole) {
  const CaptureAddressChoice chosen{false, "10.1.2.3"};
  struct Case {
    const char* why;
    std::string text, written, section;
  };
  const Case cases[] = {
      {"no file: the section alone", "", kAppended + "CAP_IP=10.1.2.3\r\n", ""},
      {"no section: appended after a last line without its break", "[IP_config]\r\nLIST_NUM=0",
       "[IP_config]\r\nLIST_NUM=0\r\n" + kAppended + "CAP_IP=10.1.2.3\r\n", ""},
      {"the key's line replaced, its neighbours and line ends kept",
       "[A]\nX=1\n#c\n[capture_config]\n;note\n cap_ip = auto \nY=2\n\n#b\n[B]\nZ=3\n",
       "[A]\nX=1\n#c\n[capture_config]\n;note\nCAP_IP=10.1.2.3\nY=2\n\n#b\n[B]\nZ=3\n",
       "#c\n[capture_config]\n;note\n cap_ip = auto \nY=2\n\n"},
      {"no key: added under the header", "[Capture_config]\r\n[B]\r\n",
       "[Capture_config]\r\nCAP_IP=10.1.2.3\r\n[B]\r\n", "[Capture_config]\r\n"},
      {"a header at the end without its break", "X=1\r\n[Capture_config]",
       "X=1\r\n[Capture_config]\r\nCAP_IP=10.1.2.3", "[Capture_config]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(WithCaptureAddress(c.text, chosen), c.written);
    EXPECT_EQ(CaptureSectionOf(c.text), c.section);
  }
  EXPECT_EQ(CaptureAddressFromValue(""), CaptureAddressChoice{});
  EXPECT_EQ(CaptureAddressFromValue("Auto"), CaptureAddressChoice{});
  EXPECT_EQ(CaptureAddressFromValue("127.0.0.1"), (CaptureAddressChoice{false, "127.0.0.1"}));
}

TEST(CaptureAddressSetting, TheChoiceSurvivesTheFilterDialogsSaveWhichIsUnchangedWithoutIt) {
  TempDir dir;
  FilterSettings filter;
  filter.udp = true;
  ASSERT_EQ(ConfigFile::Write(filter), 1);
  const std::string without = ReadFileBytes(SettingsPaths::Config());
  ASSERT_EQ(WriteCaptureAddress({}), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), without) << "automatic, never chosen: no section";
  EXPECT_EQ(ReadCaptureAddress(), CaptureAddressChoice{});

  ASSERT_EQ(WriteCaptureAddress({false, "10.250.1.1"}), 1);
  const std::string with = ReadFileBytes(SettingsPaths::Config());
  EXPECT_EQ(with, without + kAppended + "CAP_IP=10.250.1.1\r\n");
  EXPECT_EQ(ReadCaptureAddress(), (CaptureAddressChoice{false, "10.250.1.1"}));
  ASSERT_EQ(ConfigFile::Write(filter), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), with);
  ASSERT_EQ(WriteCaptureAddress({}), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), without + kAppended + "CAP_IP=auto\r\n");
  EXPECT_EQ(ReadCaptureAddress(), CaptureAddressChoice{});

  // A hand-written section in the middle stays whole, and moves after the others.
  WriteFileBytes(SettingsPaths::Config(), "[Capture_config]\r\nCAP_IP=127.0.0.1\r\n\r\n#x\r\n[IP_config]\r\n");
  ASSERT_EQ(ConfigFile::Write(filter), 1);
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), without + "[Capture_config]\r\nCAP_IP=127.0.0.1\r\n\r\n");
}

TEST(CaptureAddressEntries, AutomaticFirstThenEachAddressOnceThenLoopbackAndAMissingChoice) {
  const std::vector<HostAddress> host = {{"192.168.0.5", "イーサネット"},
                                         {"127.0.0.1", "Loopback"},
                                         {"0.0.0.0", "x"},
                                         {"10.8.0.2", ""},
                                         {"192.168.0.5", "again"}};
  struct Case {
    const char* address;  // the choice; nullptr: automatic
    int selected;
    const char* last;  // the last entry's columns
  };
  const Case cases[] = {
      {nullptr, 0, "127.0.0.1|ループバック"},
      {"10.8.0.2", 2, "127.0.0.1|ループバック"},
      {"127.0.0.1", 3, "127.0.0.1|ループバック"},
      {"172.16.0.9", 4, "172.16.0.9|（ありません）"},
  };
  for (const Case& c : cases) {
    const CaptureAddressChoice current =
        c.address == nullptr ? CaptureAddressChoice{} : CaptureAddressChoice{false, c.address};
    SCOPED_TRACE(current.address);
    const CaptureAddressEntries e = MakeCaptureAddressEntries(host, "10.8.0.2", current);
    ASSERT_EQ(e.entries.size(), current.address == "172.16.0.9" ? 5u : 4u);
    EXPECT_EQ(e.entries[0].address_column + "|" + e.entries[0].name_column,
              "自動（最後のアドレス）|現在 10.8.0.2");
    EXPECT_EQ(e.entries[0].choice, CaptureAddressChoice{});
    EXPECT_EQ(e.entries[1].address_column + "|" + e.entries[1].name_column,
              "192.168.0.5|イーサネット");
    EXPECT_EQ(e.entries[2].choice, (CaptureAddressChoice{false, "10.8.0.2"}));
    EXPECT_EQ(e.entries.back().address_column + "|" + e.entries.back().name_column, c.last);
    EXPECT_EQ(e.selected, c.selected);
    EXPECT_EQ(e.entries[e.selected].choice, current);
  }
  EXPECT_EQ(MakeCaptureAddressEntries({}, "", {}).entries[0].name_column, "");
}

}  // namespace
