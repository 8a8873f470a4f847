// The local receive time of a packet, laid out like the platform's SYSTEMTIME:
// eight unsigned 16-bit fields, 16 bytes, in the order the capture file stores
// them. The day of week is carried along but never shown.
#pragma once

#include <cstdint>
#include <ctime>

struct SystemTime {
  uint16_t year = 0;         // four digits
  uint16_t month = 0;        // 1-12
  uint16_t day_of_week = 0;  // 0-6, 0 = Sunday
  uint16_t day = 0;          // 1-31
  uint16_t hour = 0;         // 0-23
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;  // 0-999

  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};
static_assert(sizeof(SystemTime) == 16, "SystemTime must keep the SYSTEMTIME layout");

// The current local wall-clock time, to the millisecond.
SystemTime CurrentLocalTime();

// The calendar fields of a broken-down time; milliseconds 0.
SystemTime SystemTimeFromTm(const std::tm& local);
