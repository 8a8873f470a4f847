// The zone cannot change: only the one the process started with is active.
#include <cstdlib>
#include <string>

#include "cli/support/TestTimeZone.h"

TestTimeZone::TestTimeZone(const char* posix_rule) {
  const char* started_in = std::getenv("TZ");
  active_ = started_in != nullptr && std::string(started_in) == posix_rule;
}

TestTimeZone::~TestTimeZone() = default;
