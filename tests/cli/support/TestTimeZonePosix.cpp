// TZ and tzset.
#include <cstdlib>
#include <ctime>

#include "cli/support/TestTimeZone.h"

TestTimeZone::TestTimeZone(const char* posix_rule) : active_(true) {
  const char* old = std::getenv("TZ");
  had_ = old != nullptr;
  if (had_) old_ = old;
  setenv("TZ", posix_rule, 1);
  tzset();
}

TestTimeZone::~TestTimeZone() {
  if (had_) {
    setenv("TZ", old_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
