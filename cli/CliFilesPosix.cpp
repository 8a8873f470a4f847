// The file-system calls on POSIX systems: names are bytes, passed on as they are.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "cli/CliFiles.h"

namespace {

// mkstemp creates files readable by the owner only; an output file should get
// the usual 0666 less the umask, like any file the user creates.
void ApplyDefaultPermissions(int fd) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

}  // namespace

std::FILE* OpenCliFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

int OpenCliFileForWriting(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

CliPathKind LookUpCliPath(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return CliPathKind::Unreachable;
  return S_ISDIR(info.st_mode) ? CliPathKind::Folder : CliPathKind::Other;
}

bool CreateUniqueCliFile(const std::string& stem, std::string& path) {
  std::vector<char> name(stem.begin(), stem.end());
  name.insert(name.end(), {'X', 'X', 'X', 'X', 'X', 'X', '\0'});
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  ApplyDefaultPermissions(fd);
  close(fd);
  path = name.data();
  return true;
}

void StartCliFileWriteBack(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  close(fd);
}

bool FlushCliFileToDisk(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = fsync(fd) == 0;
  const int reason = errno;
  close(fd);
  errno = reason;
  return flushed;
}

bool ReplaceCliFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveCliFile(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

bool IsCliPathSeparator(char c) {
  return c == '/';
}
