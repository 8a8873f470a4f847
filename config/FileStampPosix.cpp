// File stamps on POSIX systems: stat with nanosecond times, device and inode.
#include <sys/stat.h>

#include <ctime>

#include "config/FileStamp.h"

FileStamp StampFile(const char* path) {
  FileStamp stamp;
  struct stat st {};
  if (::stat(path, &st) != 0) return stamp;
  stamp.exists = true;
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.modified_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  return stamp;
}

int64_t FileClockNowNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}
