#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <thread>

#include "config/ProfileFile.h"
#include "config/ProfileFileCache.h"
#include "config/ProfileSnapshot.h"
#include "config/ProfileText.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// A hand-edited file exercising the reader's rules; each look-up below states
// what it shows.
const char kTricky[] =
    "TOP=above every section\r\n"
    "# comment=1\r\n"
    "[Alpha]\r\n"
    "  Name  =  padded value  \r\n"
    "; Hidden=1\r\n"
    "#Hidden2=1\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    "quoted=\"  in quotes \"\r\n"
    "single='x'\r\n"
    "mixed=\"x'\r\n"
    "lonequote=\"\r\n"
    "empty=\r\n"
    "no equals sign\r\n"
    "[beta]\n"
    "lf=only\n"
    "cr=only\r"
    "after=cr\r\n"
    "[ALPHA]\r\n"
    "late=in a repeated section\r\n"
    "[ gamma ] trailing text\r\n"
    "port=0123456789\r\n"
    "[unclosed\r\n"
    "inside=gamma still\r\n"
    "last=no line end";

struct Lookup {
  const char* section;
  const char* key;
  const char* expected;  // nullptr: missing, the default applies
};

const Lookup kLookups[] = {
    {"Alpha", "TOP", nullptr},
    {"Alpha", "# comment", nullptr},
    {"alpha", "NAME", "padded value"},
    {"ALPHA", "name", "padded value"},
    {"Alpha", "Hidden", nullptr},
    {"Alpha", "#Hidden2", nullptr},
    {"Alpha", "dup", "first"},
    {"Alpha", "quoted", "  in quotes "},
    {"Alpha", "single", "x"},
    {"Alpha", "mixed", "\"x'"},
    {"Alpha", "lonequote", "\""},
    {"Alpha", "empty", ""},
    {"Alpha", "no equals sign", nullptr},
    {"Alpha", "lf", nullptr},
    {"Beta", "lf", "only"},
    {"Beta", "cr", "only"},
    {"Beta", "after", "cr"},
    {"Alpha", "late", nullptr},
    {"gamma", "port", "0123456789"},
    {"gamma", "inside", "gamma still"},
    {"gamma", "last", "no line end"},
    {"delta", "port", nullptr},
};

TEST(ProfileText, FindsValuesByTheFileRules) {
  for (const Lookup& l : kLookups) {
    SCOPED_TRACE(std::string(l.section) + "/" + l.key);
    const auto value = FindProfileValue(kTricky, l.section, l.key);
    ASSERT_EQ(value.has_value(), l.expected != nullptr);
    if (value) {
      EXPECT_EQ(*value, l.expected);
    }
  }
}

TEST(ProfileText, SnapshotAndFileReadersAgreeWithTheLineScan) {
  TempDir dir;
  WriteFileBytes("some.ini", kTricky);
  ProfileSnapshot snapshot;
  snapshot.Assign(kTricky);
  for (const Lookup& l : kLookups) {
    SCOPED_TRACE(std::string(l.section) + "/" + l.key);
    const std::string expected = l.expected ? l.expected : "dflt";
    EXPECT_EQ(ProfileReadString("some.ini", l.section, l.key, "dflt", 1024), expected);
    EXPECT_EQ(snapshot.ReadString(l.section, l.key, "dflt", 1024), expected);
    EXPECT_EQ(ProfileReadInt("some.ini", l.section, l.key, -7),
              snapshot.ReadInt(l.section, l.key, -7));
  }
  // Capacity cuts: a 10-character value read with capacity 8 gives 7.
  EXPECT_EQ(ProfileReadString("some.ini", "gamma", "port", "", 8), "0123456");
  EXPECT_EQ(ProfileReadString("some.ini", "gamma", "port", "", 1), "");
  EXPECT_EQ(ProfileReadString("some.ini", "gamma", "port", "", 0), "");
  EXPECT_EQ(ProfileReadString("some.ini", "gamma", "nokey", "defaultvalue", 8), "default");
  EXPECT_EQ(ProfileReadString("some.ini", "gamma", "nokey", nullptr, 8), "");
  EXPECT_EQ(ProfileReadString("missing.ini", "gamma", "port", "d", 8), "d");
  EXPECT_EQ(ProfileReadInt("some.ini", "gamma", "port", 5), 123456789);
  EXPECT_EQ(snapshot.KeyNames("alpha").size(), 7u);  // Name dup quoted single mixed lonequote empty
}

TEST(ProfileText, IntegersComeFromTheLeadingSignAndDigits) {
  const struct {
    const char* value;
    int expected;
  } cases[] = {
      {"42", 42},
      {"42abc", 42},
      {"-5", -5},
      {"+7", 7},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"0x10", 0},
      {"007", 7},
      {"\" 12\"", 12},
      {"1 2", 1},
      {"99999999999", INT_MAX},
      {"-99999999999", INT_MIN},
      {"99999999999999999999999", INT_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const std::string text = std::string("[S]\r\nK=") + c.value + "\r\n";
    ProfileSnapshot snapshot;
    snapshot.Assign(text);
    EXPECT_EQ(snapshot.ReadInt("S", "K", 1234), c.expected);
  }
}

TEST(ProfileFileCache, ReadsAnUnchangedFileOnceAndSeesEveryChange) {
  TempDir dir;
  WriteFileBytes("c.ini", "[S]\r\nK=1\r\n");
  // Stamped well in the past, the file's stamp alone is trusted.
  fs::last_write_time("c.ini", fs::file_time_type::clock::now() - std::chrono::hours(1));
  ProfileFileCache cache("c.ini");
  EXPECT_TRUE(cache.Refresh());
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(cache.Refresh());
  EXPECT_EQ(cache.reads(), 1u);
  EXPECT_EQ(cache.snapshot().ReadInt("S", "K", 0), 1);

  // Rewritten in place with the same size: the write time moves on.
  WriteFileBytes("c.ini", "[S]\r\nK=2\r\n");
  EXPECT_TRUE(cache.Refresh());
  EXPECT_EQ(cache.snapshot().ReadInt("S", "K", 0), 2);

  // A fresh stamp is not trusted: the bytes are compared at every call, so a
  // same-size rewrite within the same clock tick is still seen.
  const uint64_t reads = cache.reads();
  EXPECT_FALSE(cache.Refresh());
  EXPECT_GT(cache.reads(), reads);
  const auto stamp = fs::last_write_time("c.ini");
  WriteFileBytes("c.ini", "[S]\r\nK=3\r\n");
  fs::last_write_time("c.ini", stamp);
  EXPECT_TRUE(cache.Refresh());
  EXPECT_EQ(cache.snapshot().ReadInt("S", "K", 0), 3);
  EXPECT_EQ(cache.parses(), 3u);

  // Present but unreadable (here: a directory took its name): the last
  // contents stay in force until the file can be read or is gone.
  fs::remove("c.ini");
  fs::create_directory("c.ini");
  EXPECT_FALSE(cache.Refresh());
  EXPECT_EQ(cache.snapshot().ReadInt("S", "K", 0), 3);
  fs::remove("c.ini");
  EXPECT_TRUE(cache.Refresh());
  EXPECT_EQ(cache.snapshot().ReadInt("S", "K", 0), 0);
  EXPECT_FALSE(cache.Refresh());
  WriteFileBytes("c.ini", "[S]\r\nK=4\r\n");
  EXPECT_TRUE(cache.Refresh());
  EXPECT_EQ(cache.snapshot().ReadInt("S", "K", 0), 4);
}

}  // namespace
