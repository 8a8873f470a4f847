// Local time on Windows: GetLocalTime fills the SYSTEMTIME that SystemTime mirrors.
#include <windows.h>

#include "log/SystemTime.h"

SystemTime CurrentLocalTime() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  SystemTime t;
  t.year = local.wYear;
  t.month = local.wMonth;
  t.day_of_week = local.wDayOfWeek;
  t.day = local.wDay;
  t.hour = local.wHour;
  t.minute = local.wMinute;
  t.second = local.wSecond;
  t.milliseconds = local.wMilliseconds;
  return t;
}
