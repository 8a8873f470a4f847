// Local time on POSIX systems: clock_gettime for the milliseconds, localtime_r
// for the calendar fields in the process's time zone. The calendar fields are
// worked out once per second and thread: the capture thread stamps every
// packet, and the time-zone conversion costs far more than reading the clock.
// Offsets change only on whole seconds, so the cache never shows a wrong time.
#include <ctime>

#include "log/SystemTime.h"

SystemTime CurrentLocalTime() {
  thread_local time_t cached_second = -1;
  thread_local SystemTime cached;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  if (now.tv_sec != cached_second) {
    tm local{};
    localtime_r(&now.tv_sec, &local);
    cached = SystemTimeFromTm(local);
    cached_second = now.tv_sec;
  }
  SystemTime t = cached;
  t.milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
  return t;
}
