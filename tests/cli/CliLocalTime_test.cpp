#include "cli/LocalTimeConversion.h"

#include <gtest/gtest.h>

#include "cli/support/TestTimeZone.h"

namespace {

constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

SystemTime Local(uint16_t y, uint16_t mo, uint16_t d, uint16_t h, uint16_t mi, uint16_t s,
                 uint16_t ms) {
  SystemTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  t.milliseconds = ms;
  return t;
}

TEST(LocalTimeConversion, EpochBecomesLocalTimeWithWeekdayAndWholeMilliseconds) {
  if (!UseTestTimeZone("JST-9")) GTEST_SKIP() << kZoneFixedAtStart;
  SystemTime t;
  // 2024-03-01 00:00:00 UTC is 09:00 in Japan, a Friday; 123.999 ms truncates.
  ASSERT_TRUE(EpochToLocalTime(1709251200, 123999, t));
  SystemTime expected = Local(2024, 3, 1, 9, 0, 0, 123);
  expected.day_of_week = 5;
  EXPECT_EQ(t, expected);

  // Microseconds of a second or more carry into the seconds.
  ASSERT_TRUE(EpochToLocalTime(1709251200, 2500000, t));
  EXPECT_EQ(t.second, 2);
  EXPECT_EQ(t.milliseconds, 500);

  // New Year's Eve 1969 in UTC is already 1970 in Japan.
  ASSERT_TRUE(EpochToLocalTime(-3600, 0, t));
  EXPECT_EQ(t.year, 1970);
  EXPECT_EQ(t.hour, 8);
  EXPECT_FALSE(EpochToLocalTime(0, -1, t));
  EXPECT_FALSE(EpochToLocalTime(int64_t{300000000000}, 0, t));  // year beyond 9999
}

TEST(LocalTimeConversion, FollowsDaylightSavingTime) {
  if (!UseTestTimeZone(kCentralEurope)) GTEST_SKIP() << kZoneFixedAtStart;
  SystemTime winter;
  SystemTime summer;
  ASSERT_TRUE(EpochToLocalTime(1704110400, 0, winter));  // 2024-01-01 12:00 UTC
  ASSERT_TRUE(EpochToLocalTime(1719835200, 0, summer));  // 2024-07-01 12:00 UTC
  EXPECT_EQ(winter.hour, 13);
  EXPECT_EQ(summer.hour, 14);

  uint32_t seconds = 0;
  uint32_t microseconds = 0;
  ASSERT_TRUE(LocalTimeToEpoch(winter, seconds, microseconds));
  EXPECT_EQ(seconds, 1704110400u);
  ASSERT_TRUE(LocalTimeToEpoch(Local(2024, 7, 1, 14, 0, 0, 250), seconds, microseconds));
  EXPECT_EQ(seconds, 1719835200u);
  EXPECT_EQ(microseconds, 250000u);
}

TEST(LocalTimeConversion, RoundTripsEveryHourOfAYear) {
  if (!UseTestTimeZone(kCentralEurope)) GTEST_SKIP() << kZoneFixedAtStart;
  for (int64_t s = 1704067200; s < 1704067200 + 366 * 86400; s += 3600 + 7) {
    SystemTime t;
    ASSERT_TRUE(EpochToLocalTime(s, 999999, t));
    uint32_t seconds = 0;
    uint32_t microseconds = 0;
    ASSERT_TRUE(LocalTimeToEpoch(t, seconds, microseconds));
    // The autumn hour that occurs twice may come back as its other reading.
    const int64_t back = int64_t{seconds};
    EXPECT_TRUE(back == s || back == s - 3600 || back == s + 3600) << s;
    if (t.month != 10 || t.day < 25) {
      EXPECT_EQ(back, s);
    }
    EXPECT_EQ(microseconds, 999000u);
  }
}

TEST(LocalTimeConversion, RefusesLocalTimesAPcapCannotHold) {
  if (!UseTestTimeZone("UTC0")) GTEST_SKIP() << kZoneFixedAtStart;
  uint32_t seconds = 0;
  uint32_t microseconds = 0;
  const SystemTime refused[] = {
      SystemTime{},                        // all zero
      Local(1969, 12, 31, 23, 59, 59, 0),  // before 1970
      Local(2106, 2, 8, 0, 0, 0, 0),       // past the 32-bit seconds
      Local(2024, 2, 30, 0, 0, 0, 0),      // no such day
      Local(2024, 13, 1, 0, 0, 0, 0),
      Local(2024, 1, 1, 24, 0, 0, 0),
      Local(2024, 1, 1, 0, 60, 0, 0),
      Local(2024, 1, 1, 0, 0, 60, 0),
      Local(2024, 1, 1, 0, 0, 0, 1000),
  };
  for (const SystemTime& t : refused) {
    EXPECT_FALSE(LocalTimeToEpoch(t, seconds, microseconds))
        << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute << ":"
        << t.second << "." << t.milliseconds;
  }
  ASSERT_TRUE(LocalTimeToEpoch(Local(1970, 1, 1, 0, 0, 0, 0), seconds, microseconds));
  EXPECT_EQ(seconds, 0u);
  ASSERT_TRUE(LocalTimeToEpoch(Local(2106, 2, 7, 6, 28, 15, 0), seconds, microseconds));
  EXPECT_EQ(seconds, 0xFFFFFFFFu);
}

}  // namespace
