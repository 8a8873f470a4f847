#include "log/SettingsPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/TreeViewState.h"
#include "capture/CaptureNotices.h"
#include "config/ConfigFile.h"
#include "config/PacketFilter.h"
#include "support/Datagrams.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Once fixed at start-up, the files stay in the start folder however the
// current directory moves afterwards (the open-file dialog moves it).
TEST(SettingsPaths, StayInTheStartFolderWhenTheCurrentDirectoryMoves) {
  TempDir dir;
  SettingsPaths::FixIn("");
  EXPECT_STREQ(SettingsPaths::Config(), "./config.ini");
  ASSERT_TRUE(SettingsPaths::FixInWorkingDirectory());
  const fs::path elsewhere = dir.path() / "captures";
  fs::create_directory(elsewhere);
  fs::current_path(elsewhere);

  FilterSettings settings;
  settings.udp = true;
  ASSERT_EQ(ConfigFile::Write(settings), 1);
  EXPECT_TRUE(ConfigFile::Load().udp);
  PacketFilter filter(SettingsPaths::Config());
  const std::vector<uint8_t> udp = Datagram(17, {0, 1, 0, 2, 0, 8, 0, 0});
  EXPECT_EQ(filter.Accept(udp.data(), static_cast<int32_t>(udp.size())), 1);
  ASSERT_EQ(TreeViewState::Write(TreeExpansionFlags{}), 1);
  LogNotice(CaptureNotice::StoreFull);

  for (const char* path :
       {SettingsPaths::Config(), SettingsPaths::System(), SettingsPaths::ErrorLog()}) {
    EXPECT_TRUE(fs::path(path).is_absolute()) << path;
    EXPECT_TRUE(fs::equivalent(fs::path(path).parent_path(), dir.path())) << path;
  }
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

}  // namespace
