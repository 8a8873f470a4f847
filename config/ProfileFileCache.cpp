// Stamp-checked snapshot of a settings file.
#include "config/ProfileFileCache.h"

#include <new>
#include <thread>  // std::chrono without <chrono>

#include "config/SettingsText.h"

namespace {

int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool ProfileFileCache::Refresh(bool changed) {
  // The clock is read before the stamp: a write after this moment carries a
  // time no earlier than now minus the clock's tick, which a trusted stamp
  // (older than now minus the margin) cannot equal.
  const int64_t now = FileClockNowNs();
  const FileStamp stamp = StampFile(path_.c_str());
  if (valid_ && stamp_trusted_ && stamp == stamp_ && !changed) return false;

  std::string bytes;
  bool read = false;
  try {
    read = ReadSettingsText(path_.c_str(), bytes);
  } catch (const std::bad_alloc&) {
    bytes.clear();
  }
  ++reads_;
  if (stamp.exists && !read && valid_) {
    // Present but not readable: for a moment keep the last contents and try
    // again next time; past the grace, judge by the defaults.
    const int64_t steady_now = SteadyNowNs();
    if (unreadable_since_ns_ == 0) unreadable_since_ns_ = steady_now;
    stamp_trusted_ = false;
    if (steady_now - unreadable_since_ns_ < kUnreadableGraceNs) return false;
  } else {
    unreadable_since_ns_ = 0;
  }
  stamp_ = stamp;
  // A file that vanished or appeared between stamp and read is re-read next time.
  stamp_trusted_ =
      stamp.exists == read && (!stamp.exists || stamp.modified_ns < now - kUntrustedStampNs);

  if (valid_ && bytes == snapshot_.text()) return false;
  valid_ = true;
  ++parses_;
  try {
    snapshot_.Assign(std::move(bytes));
  } catch (const std::bad_alloc&) {
    valid_ = false;  // holds nothing now; try again at the next Refresh
  }
  return true;
}
