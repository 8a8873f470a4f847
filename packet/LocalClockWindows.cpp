// Local time on Windows: GetLocalTime fills the very layout SystemTime mirrors.
#include <windows.h>

#include <cstring>

#include "packet/SystemTime.h"

SystemTime CurrentLocalTime() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  static_assert(sizeof(SYSTEMTIME) == sizeof(SystemTime));
  SystemTime t;
  std::memcpy(&t, &local, sizeof t);
  return t;
}
