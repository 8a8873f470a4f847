// Conversion between capture time stamps (UTC seconds and microseconds since
// 1970) and the program's local receive times, in the time zone in effect.
#pragma once

#include <cstdint>

#include "log/SystemTime.h"

// Local time of the instant, day of week included, truncated to whole
// milliseconds. Microseconds of a second or more carry into the seconds. False
// when the local year is not a four-digit year after 1600.
bool EpochToLocalTime(int64_t seconds, int64_t microseconds, SystemTime& out);

// The instant of a local time (for one that a clock change makes ambiguous,
// see TimeZoneRules.h), with the milliseconds as microseconds. False when a field is out of its
// range or the instant does not fit a classic pcap time stamp (unsigned 32-bit seconds).
bool LocalTimeToEpoch(const SystemTime& time, uint32_t& seconds, uint32_t& microseconds);
