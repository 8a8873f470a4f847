// The replacing file's calls on POSIX systems: rename replaces a file by itself.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "log/ReplacingFile.h"

int CreateNewFile(const char* path) {
  return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool RenameOnce(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

bool MayBeReplaced(const char* path) {
  struct stat info {};
  if (stat(path, &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode) && access(path, W_OK) == 0;
}
