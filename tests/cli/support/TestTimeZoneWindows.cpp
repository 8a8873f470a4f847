// The zone cannot change: only the one the process started with is usable.
#include <cstdlib>
#include <string>

#include "cli/support/TestTimeZone.h"

bool UseTestTimeZone(const char* posix_rule) {
  const char* started_in = std::getenv("TZ");
  return started_in != nullptr && std::string(started_in) == posix_rule;
}
