// Stamp-checked snapshot of a settings file.
#include "config/ProfileFileCache.h"

#include <new>

#include "config/WholeFile.h"

bool ProfileFileCache::Refresh() {
  // The clock is read before the stamp: a write after this moment carries a
  // time no earlier than now minus the clock's tick, which a trusted stamp
  // (older than now minus the margin) cannot equal.
  const int64_t now = FileClockNowNs();
  const FileStamp stamp = StampFile(path_.c_str());
  if (valid_ && stamp_trusted_ && stamp == stamp_) return false;

  std::string bytes;
  bool read = false;
  try {
    read = ReadWholeFile(path_.c_str(), bytes);
  } catch (const std::bad_alloc&) {
    bytes.clear();
  }
  ++reads_;
  if (stamp.exists && !read && valid_) {
    // Present but not readable just now (on Windows an editor may hold it
    // shut while saving): keep the last contents and try again next time.
    stamp_trusted_ = false;
    return false;
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
