// Unbuffered file output with the descriptor calls of both platforms.
#include "log/WriteOnlyFile.h"

#include "log/Cp932FileNames.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

WriteOnlyFile::WriteOnlyFile(const char* path, bool truncate) {
  const int flags = O_WRONLY | O_CREAT | (truncate ? O_TRUNC : O_APPEND);
#ifdef _WIN32
  fd_ = OpenCp932Descriptor(path, flags, _S_IREAD | _S_IWRITE);
#else
  fd_ = OpenCp932Descriptor(path, flags, 0666);
#endif
}

bool WriteOnlyFile::Write(const void* bytes, size_t count) {
  const char* at = static_cast<const char*>(bytes);
  while (count > 0) {
    const unsigned chunk = count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(count);
#ifdef _WIN32
    const int written = _write(fd_, at, chunk);
#else
    const ssize_t written = write(fd_, at, chunk);
#endif
    if (written <= 0) return false;
    at += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

bool WriteOnlyFile::Close() {
  if (fd_ < 0) return true;
#ifdef _WIN32
  const int result = _close(fd_);
#else
  const int result = close(fd_);
#endif
  fd_ = -1;
  return result == 0;
}
