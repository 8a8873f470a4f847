// AppendFormat: appends after the text already there, cuts at the capacity,
// and never writes a byte beyond it. Guard bytes after the capacity catch any
// overrun, also under Wine where ASan is absent.
#include "log/AppendFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr size_t kCapacity = 8;

// A buffer of kCapacity bytes followed by guard bytes.
struct Guarded {
  char bytes[kCapacity + 8];
  Guarded() { std::memset(bytes, '#', sizeof bytes); }
  bool GuardIntact() const {
    for (size_t i = kCapacity; i < sizeof bytes; ++i) {
      if (bytes[i] != '#') return false;
    }
    return true;
  }
};

TEST(AppendFormat, AppendsAfterExistingText) {
  char buffer[64] = "ab";
  EXPECT_EQ(AppendFormat(buffer, sizeof buffer, "%d-%s", 12, "x"), buffer);
  AppendFormat(buffer, sizeof buffer, "%02X ", 0x0A);
  EXPECT_STREQ(buffer, "ab12-x0A ");

  // The C99 conversions work in every build (MinGW's runtime included).
  buffer[0] = '\0';
  AppendFormat(buffer, sizeof buffer, "%zu %lld %u", size_t{65535}, -1LL, 4294967295u);
  EXPECT_STREQ(buffer, "65535 -1 4294967295");
}

TEST(AppendFormat, CutsAtTheCapacityAndNeverWritesPastIt) {
  Guarded g;
  g.bytes[0] = '\0';
  AppendFormat(g.bytes, kCapacity, "%s", "0123456789");
  EXPECT_STREQ(g.bytes, "0123456");
  EXPECT_TRUE(g.GuardIntact());

  // A full buffer stays as it is.
  AppendFormat(g.bytes, kCapacity, "%d", 99);
  EXPECT_STREQ(g.bytes, "0123456");
  EXPECT_TRUE(g.GuardIntact());

  // Appending in small pieces fills it up to the last byte before the zero.
  Guarded h;
  h.bytes[0] = '\0';
  for (int i = 0; i < 5; ++i) AppendFormat(h.bytes, kCapacity, "%d,", i);
  EXPECT_STREQ(h.bytes, "0,1,2,3");
  EXPECT_TRUE(h.GuardIntact());
}

TEST(AppendFormat, RepairsAnUnterminatedBufferAndIgnoresZeroCapacity) {
  Guarded g;  // no zero byte within the capacity
  AppendFormat(g.bytes, kCapacity, "%s", "x");
  EXPECT_EQ(std::string(g.bytes, kCapacity), std::string("#######\0", kCapacity));
  EXPECT_TRUE(g.GuardIntact());

  Guarded z;
  AppendFormat(z.bytes, 0, "%s", "x");
  EXPECT_EQ(std::string(z.bytes, sizeof z.bytes), std::string(sizeof z.bytes, '#'));
  EXPECT_EQ(AppendFormat(nullptr, 16, "%s", "x"), nullptr);
}

}  // namespace
