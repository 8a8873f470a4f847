// The time zone in effect, for the local receive times of capture files. POSIX
// systems: the TZ of the process, through localtime_r and mktime. Windows: the
// system's time zone with the rules of each year (GetTimeZoneInformationForYear),
// the zone in which GetLocalTime stamps the program's packets.
#pragma once

#include <cstdint>

#include "log/SystemTime.h"

// The local calendar fields of an instant (seconds since 1970, UTC), day of
// week included, milliseconds 0. false when the local year is not between 1601
// and 9999 or the platform cannot convert the instant.
bool LocalCalendarOf(int64_t seconds, SystemTime& out);

// The instant of a local time (its milliseconds ignored). false when the date
// does not exist or cannot be converted. Where a clock change makes a local
// time ambiguous or skips it, the platform's rules pick the instant, and the
// two platforms may differ by the size of the change.
bool InstantOfLocalCalendar(const SystemTime& local, int64_t& seconds);
