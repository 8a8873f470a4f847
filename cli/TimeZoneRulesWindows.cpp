// FILETIME counts 100 ns since 1601 in UTC; SystemTimeToTzSpecificLocalTime and
// its inverse apply a year's rules. (The Ex forms, which pick the year
// themselves, are missing under Wine 8.)
#include <windows.h>

#include <cstring>

#include "cli/TimeZoneRules.h"

static_assert(sizeof(SYSTEMTIME) == sizeof(SystemTime));

namespace {

constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;
// 9999-12-31 23:59:59 UTC; a local time past it is refused below anyway.
constexpr int64_t kLastSecond = 253402300799;

bool ZoneForYear(WORD year, TIME_ZONE_INFORMATION& zone) {
  return GetTimeZoneInformationForYear(year, nullptr, &zone) != 0;
}

}  // namespace

bool LocalCalendarOf(int64_t seconds, SystemTime& out) {
  if (seconds < -kSecondsFrom1601To1970 || seconds > kLastSecond) return false;
  const auto ticks = static_cast<ULONGLONG>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
  FILETIME file_time;
  file_time.dwLowDateTime = static_cast<DWORD>(ticks);
  file_time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME utc;
  SYSTEMTIME local;
  TIME_ZONE_INFORMATION zone;
  if (!FileTimeToSystemTime(&file_time, &utc) || !ZoneForYear(utc.wYear, zone) ||
      !SystemTimeToTzSpecificLocalTime(&zone, &utc, &local)) {
    return false;
  }
  if (local.wYear < 1601 || local.wYear > 9999) return false;
  std::memcpy(static_cast<void*>(&out), &local, sizeof out);  // the same layout
  out.milliseconds = 0;
  return true;
}

bool InstantOfLocalCalendar(const SystemTime& time, int64_t& seconds) {
  SYSTEMTIME local;
  std::memcpy(&local, &time, sizeof local);
  local.wMilliseconds = 0;
  // SystemTimeToFileTime refuses a day that the month does not have.
  FILETIME file_time;
  SYSTEMTIME utc;
  TIME_ZONE_INFORMATION zone;
  if (!SystemTimeToFileTime(&local, &file_time) || !ZoneForYear(local.wYear, zone) ||
      !TzSpecificLocalTimeToSystemTime(&zone, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &file_time)) {
    return false;
  }
  const ULONGLONG ticks = (ULONGLONG{file_time.dwHighDateTime} << 32) | file_time.dwLowDateTime;
  seconds = static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
  return true;
}
