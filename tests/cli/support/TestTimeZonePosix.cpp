// TZ and tzset.
#include <cstdlib>
#include <ctime>

#include "cli/support/TestTimeZone.h"

bool UseTestTimeZone(const char* posix_rule) {
  setenv("TZ", posix_rule, 1);
  tzset();
  return true;
}
