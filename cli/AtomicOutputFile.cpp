// Temporary file beside the target, fsync, rename.
#include "cli/AtomicOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CannotWrite(const std::string& path, int error_number) {
  return "cannot write '" + path + "': " + std::strerror(error_number);
}

// mkstemp creates files readable by the owner only; an output file should get
// the usual 0666 less the umask, like any file the user creates.
void ApplyDefaultPermissions(int fd) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

}  // namespace

AtomicOutputFile::~AtomicOutputFile() {
  Discard();
}

bool AtomicOutputFile::Create(const std::string& final_path, std::string& error) {
  Discard();
  if (final_path.empty() || final_path.back() == '/') {
    error = "'" + final_path + "' is not a file name";
    return false;
  }
  struct stat existing {};
  if (stat(final_path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    error = CannotWrite(final_path, EISDIR);
    return false;
  }

  std::string pattern = DirectoryOf(final_path) + "/." + BaseNameOf(final_path) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = CannotWrite(final_path, errno);
    return false;
  }
  ApplyDefaultPermissions(fd);
  close(fd);
  final_path_ = final_path;
  temporary_path_ = name.data();
  return true;
}

void AtomicOutputFile::StartWriteBack() {
  if (temporary_path_.empty()) return;
  const int fd = open(temporary_path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  close(fd);
}

bool AtomicOutputFile::Commit(std::string& error) {
  if (temporary_path_.empty()) {
    error = "no output file was created";
    return false;
  }
  const int fd = open(temporary_path_.c_str(), O_RDONLY);
  if (fd < 0 || fsync(fd) != 0) {
    error = CannotWrite(final_path_, errno);
    if (fd >= 0) close(fd);
    Discard();
    return false;
  }
  close(fd);
  if (std::rename(temporary_path_.c_str(), final_path_.c_str()) != 0) {
    error = CannotWrite(final_path_, errno);
    Discard();
    return false;
  }
  temporary_path_.clear();
  return true;
}

void AtomicOutputFile::Discard() {
  if (temporary_path_.empty()) return;
  std::remove(temporary_path_.c_str());
  temporary_path_.clear();
}
