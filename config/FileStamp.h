// What the file system says about a file without opening it, for telling
// whether a file has changed since it was last read. The two sides of this
// seam are FileStampPosix.cpp (stat) and FileStampWindows.cpp
// (GetFileAttributesEx): std::filesystem on MinGW has only whole seconds.
#pragma once

#include <cstdint>

struct FileStamp {
  bool exists = false;
  uint64_t size = 0;
  int64_t modified_ns = 0;  // last write, nanoseconds since 1970 (UTC)
  uint64_t device = 0;      // with `inode`, the file's identity; 0 where unknown
  uint64_t inode = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp StampFile(const char* path);

// The wall clock that stamps file writes, in the same units as modified_ns.
int64_t FileClockNowNs();
