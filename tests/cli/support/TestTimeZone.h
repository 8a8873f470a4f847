// The time zone of the CLI's conversions within a test process. On POSIX
// systems a test sets any zone (TZ, then tzset); every test that depends on
// the zone sets its own. A Windows process keeps the zone Wine gave it at its
// start from TZ, so there a test can only run in that zone.
#pragma once

// true when the conversions now use the zone of the POSIX rule.
bool UseTestTimeZone(const char* posix_rule);

inline constexpr const char* kZoneFixedAtStart =
    "a Windows process keeps the time zone it started in; this case runs natively";
