// File stamps on Windows: GetFileAttributesEx gives the size and the last
// write time in 100 ns units without opening the file. The file's identity
// would need an open handle per call, so it stays unknown (0).
#include <windows.h>

#include "config/FileStamp.h"

namespace {

// FILETIME counts 100 ns units from 1601; 1970 is this many units later.
constexpr int64_t kUnixEpochIn100ns = 116444736000000000;

int64_t ToUnixNs(const FILETIME& t) {
  const int64_t units = static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
  return (units - kUnixEpochIn100ns) * 100;
}

}  // namespace

FileStamp StampFile(const char* path) {
  FileStamp stamp;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return stamp;
  stamp.exists = true;
  stamp.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp.modified_ns = ToUnixNs(data.ftLastWriteTime);
  return stamp;
}

int64_t FileClockNowNs() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return ToUnixNs(now);
}
