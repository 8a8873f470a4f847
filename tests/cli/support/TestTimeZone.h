// The time zone of the CLI's conversions within a test process. On POSIX
// systems a test sets any zone (TZ, then tzset) and the old one comes back
// afterwards. A Windows process keeps the zone Wine gave it at its start from
// TZ, so there a test can only check the zone it was started in: active()
// tells whether that is the zone asked for.
#pragma once

#include <string>

class TestTimeZone {
 public:
  explicit TestTimeZone(const char* posix_rule);
  ~TestTimeZone();
  TestTimeZone(const TestTimeZone&) = delete;
  TestTimeZone& operator=(const TestTimeZone&) = delete;

  bool active() const { return active_; }

 private:
  bool active_ = false;
  bool had_ = false;
  std::string old_;
};

inline constexpr const char* kZoneFixedAtStart =
    "a Windows process keeps the time zone it started in; this case runs natively";
