#include "cli/AtomicOutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

size_t EntriesIn(const fs::path& dir) {
  size_t n = 0;
  for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

TEST(AtomicOutputFile, OutputAppearsOnlyOnCommit) {
  TempDir dir;
  WriteFileBytes("out.bin", "old contents");
  {
    AtomicOutputFile file;
    std::string error;
    ASSERT_TRUE(file.Create("out.bin", error)) << error;
    EXPECT_EQ(fs::path(file.temporary_path()).parent_path(), fs::path("."));
    WriteFileBytes(file.temporary_path(), "new contents");
    EXPECT_EQ(ReadFileBytes("out.bin"), "old contents");
    ASSERT_TRUE(file.Commit(error)) << error;
  }
  EXPECT_EQ(ReadFileBytes("out.bin"), "new contents");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicOutputFile, UncommittedOutputLeavesNothingBehind) {
  TempDir dir;
  fs::create_directory("sub");
  std::string temporary;
  {
    AtomicOutputFile file;
    std::string error;
    ASSERT_TRUE(file.Create("sub/report.txt", error)) << error;
    temporary = file.temporary_path();
    EXPECT_EQ(fs::path(temporary).parent_path(), fs::path("sub"));
    WriteFileBytes(temporary, "partial");
  }
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(EntriesIn("sub"), 0u);
}

TEST(AtomicOutputFile, RefusesPlacesThatCannotTakeAFile) {
  TempDir dir;
  fs::create_directory("folder");
  AtomicOutputFile file;
  std::string error;
  EXPECT_FALSE(file.Create("folder", error));
  EXPECT_NE(error.find("folder"), std::string::npos);
  EXPECT_FALSE(file.Create("missing/out.bin", error));
  EXPECT_NE(error.find("missing/out.bin"), std::string::npos);
  EXPECT_FALSE(file.Create("", error));
  EXPECT_FALSE(file.Create("folder/", error));

  // Committing over a folder fails and removes the temporary file.
  ASSERT_TRUE(file.Create("target", error)) << error;
  fs::create_directory("target");
  fs::create_directory("target/x");  // a non-empty folder cannot be replaced
  EXPECT_FALSE(file.Commit(error));
  EXPECT_EQ(EntriesIn(dir.path()), 2u);  // folder and target only
}

}  // namespace
