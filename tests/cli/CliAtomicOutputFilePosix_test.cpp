// What an output file gets from the POSIX side: the usual permissions, and a
// clear reason in a folder the user may not write to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "cli/AtomicOutputFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

TEST(AtomicOutputFile, OutputGetsTheUsualPermissions) {
  TempDir dir;
  const mode_t old_mask = umask(022);
  {
    AtomicOutputFile file;
    std::string error;
    ASSERT_TRUE(file.Create("out.bin", error)) << error;
    ASSERT_TRUE(file.Commit(error)) << error;
  }
  umask(old_mask);
  EXPECT_EQ(fs::status("out.bin").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
}

TEST(AtomicOutputFile, ReadOnlyFolderIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  TempDir dir;
  fs::create_directory("locked");
  fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
  AtomicOutputFile file;
  std::string error;
  EXPECT_FALSE(file.Create("locked/out.bin", error));
  EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
  fs::permissions("locked", fs::perms::owner_all);
}

}  // namespace
