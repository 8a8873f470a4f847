// localtime_r one way, mktime the other, with the range checks both lack.
#include "cli/LocalTimeConversion.h"

#include <ctime>

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 9999;

}  // namespace

bool EpochToLocalTime(int64_t seconds, int64_t microseconds, SystemTime& out) {
  if (microseconds < 0) return false;
  seconds += microseconds / kMicrosecondsPerSecond;
  microseconds %= kMicrosecondsPerSecond;

  const time_t instant = static_cast<time_t>(seconds);
  if (static_cast<int64_t>(instant) != seconds) return false;
  tm local{};
  if (localtime_r(&instant, &local) == nullptr) return false;
  const long year = static_cast<long>(local.tm_year) + 1900;
  if (year < kFirstYear || year > kLastYear) return false;

  out = SystemTimeFromTm(local);
  out.milliseconds = static_cast<uint16_t>(microseconds / 1000);
  return true;
}

bool LocalTimeToEpoch(const SystemTime& time, uint32_t& seconds, uint32_t& microseconds) {
  if (time.year < 1970 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 ||
      time.hour > 23 || time.minute > 59 || time.second > 59 || time.milliseconds > 999) {
    return false;
  }
  tm local{};
  local.tm_year = time.year - 1900;
  local.tm_mon = time.month - 1;
  local.tm_mday = time.day;
  local.tm_hour = time.hour;
  local.tm_min = time.minute;
  local.tm_sec = time.second;
  local.tm_isdst = -1;  // let the zone's rules decide
  // mktime also answers -1 for one real instant; tm_wday stays -1 only on failure.
  local.tm_wday = -1;
  const time_t instant = mktime(&local);
  if (instant == static_cast<time_t>(-1) && local.tm_wday == -1) return false;
  // A day past the end of its month would be carried into the next one.
  if (local.tm_mday != time.day) return false;
  const int64_t value = static_cast<int64_t>(instant);
  if (value < 0 || value > int64_t{UINT32_MAX}) return false;
  seconds = static_cast<uint32_t>(value);
  microseconds = uint32_t{time.milliseconds} * 1000u;
  return true;
}
