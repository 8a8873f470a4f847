// The range checks around the platform's time-zone rules (TimeZoneRules.h).
#include "cli/LocalTimeConversion.h"

#include "cli/TimeZoneRules.h"

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;

}  // namespace

bool EpochToLocalTime(int64_t seconds, int64_t microseconds, SystemTime& out) {
  if (microseconds < 0) return false;
  seconds += microseconds / kMicrosecondsPerSecond;
  microseconds %= kMicrosecondsPerSecond;
  SystemTime local;
  if (!LocalCalendarOf(seconds, local)) return false;
  out = local;
  out.milliseconds = static_cast<uint16_t>(microseconds / 1000);
  return true;
}

bool LocalTimeToEpoch(const SystemTime& time, uint32_t& seconds, uint32_t& microseconds) {
  if (time.year < 1970 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 ||
      time.hour > 23 || time.minute > 59 || time.second > 59 || time.milliseconds > 999) {
    return false;
  }
  int64_t instant = 0;
  if (!InstantOfLocalCalendar(time, instant)) return false;
  if (instant < 0 || instant > int64_t{UINT32_MAX}) return false;
  seconds = static_cast<uint32_t>(instant);
  microseconds = uint32_t{time.milliseconds} * 1000u;
  return true;
}
