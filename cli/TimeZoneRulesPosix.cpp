// localtime_r one way, mktime the other.
#include <ctime>

#include "cli/TimeZoneRules.h"

bool LocalCalendarOf(int64_t seconds, SystemTime& out) {
  const time_t instant = static_cast<time_t>(seconds);
  if (static_cast<int64_t>(instant) != seconds) return false;
  tm local{};
  if (localtime_r(&instant, &local) == nullptr) return false;
  const long year = static_cast<long>(local.tm_year) + 1900;
  if (year < 1601 || year > 9999) return false;
  out = SystemTimeFromTm(local);
  return true;
}

bool InstantOfLocalCalendar(const SystemTime& time, int64_t& seconds) {
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
  seconds = static_cast<int64_t>(instant);
  return true;
}
