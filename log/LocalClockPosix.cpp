// Local time on POSIX systems: clock_gettime for the milliseconds, localtime_r
// for the calendar fields in the process's time zone. The calendar fields are
// worked out once per second and thread: the capture thread stamps every
// packet, and the time-zone conversion costs far more than reading the clock.
// Offsets change only on whole seconds, so the cache never shows a wrong time.
#include <ctime>

#include "log/SystemTime.h"

namespace {

SystemTime CalendarFields(time_t seconds) {
  tm local{};
  localtime_r(&seconds, &local);
  SystemTime t;
  t.year = static_cast<uint16_t>(local.tm_year + 1900);
  t.month = static_cast<uint16_t>(local.tm_mon + 1);
  t.day_of_week = static_cast<uint16_t>(local.tm_wday);
  t.day = static_cast<uint16_t>(local.tm_mday);
  t.hour = static_cast<uint16_t>(local.tm_hour);
  t.minute = static_cast<uint16_t>(local.tm_min);
  t.second = static_cast<uint16_t>(local.tm_sec);
  return t;
}

}  // namespace

SystemTime CurrentLocalTime() {
  thread_local time_t cached_second = -1;
  thread_local SystemTime cached;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  if (now.tv_sec != cached_second) {
    cached = CalendarFields(now.tv_sec);
    cached_second = now.tv_sec;
  }
  SystemTime t = cached;
  t.milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
  return t;
}
