// A settings file kept parsed between look-ups, for a reader that needs many
// keys many times a second (the packet filter). The reader decides when to
// look: the filter does when the settings' change count moved and otherwise at
// most every 100 ms.
//
// Refresh compares the file's stamp (identity, size, nanosecond write time)
// with the one taken when the bytes were read. A stamp alone cannot reveal a
// rewrite of the same size within the same tick of the file system's clock, so
// while the recorded write time lies within kUntrustedStampNs of the moment of
// reading, every Refresh reads the bytes again and compares them with the held
// ones (still far cheaper than parsing). Once the stamp is old enough, any
// later write must carry a different time and a stat per Refresh suffices.
// A clock skewed by more than that margin (a file server's) defeats this.
//
// Not thread-safe: one instance per thread.
#pragma once

#include <cstdint>
#include <string>

#include "config/FileStamp.h"
#include "config/ProfileSnapshot.h"

class ProfileFileCache {
 public:
  // Covers timestamp ticks of up to 2 s (FAT) with room for clock lag.
  static constexpr int64_t kUntrustedStampNs = 3'000'000'000;

  explicit ProfileFileCache(std::string path) : path_(std::move(path)) {}

  // A file that exists but cannot be read keeps the last contents read for
  // this long (an editor on Windows may hold it shut while saving); after that
  // it reads as empty, as a missing file does.
  static constexpr int64_t kUnreadableGraceNs = 1'000'000'000;

  // Brings the snapshot up to date with the file; true when the contents
  // differ from before (and were parsed again). `changed` says the file is
  // known to have been written (a change notice): its bytes are then compared
  // whatever its stamp says, which catches a same-size rewrite that kept an
  // older write time.
  bool Refresh(bool changed = false);

  // The next Refresh reads and parses the file whatever its stamp says.
  void Forget() { valid_ = false; }

  const ProfileSnapshot& snapshot() const { return snapshot_; }

  // Counters for tests: how often the bytes were read and parsed.
  uint64_t reads() const { return reads_; }
  uint64_t parses() const { return parses_; }

 private:
  std::string path_;
  ProfileSnapshot snapshot_;
  FileStamp stamp_;
  bool valid_ = false;
  bool stamp_trusted_ = false;
  int64_t unreadable_since_ns_ = 0;  // steady clock; 0 while the file reads
  uint64_t reads_ = 0;
  uint64_t parses_ = 0;
};
