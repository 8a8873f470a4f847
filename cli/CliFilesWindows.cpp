// The file-system calls on Windows: every name goes from UTF-8 to UTF-16 and
// through the C runtime's wide-character calls (errno set as usual), or
// through the wide Win32 call where the runtime has none.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "cli/CliFiles.h"
#include "log/WideText.h"

namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

}  // namespace

std::FILE* OpenCliFile(const std::string& path, const char* mode) {
  const std::wstring wide_mode(mode, mode + std::strlen(mode));
  return _wfopen(WideFromUtf8(path).c_str(), wide_mode.c_str());
}

int OpenCliFileForWriting(const std::string& path) {
  return _wopen(WideFromUtf8(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                _S_IREAD | _S_IWRITE);
}

CliPathKind LookUpCliPath(const std::string& path) {
  struct _stat64 info {};
  if (_wstat64(WideFromUtf8(path).c_str(), &info) != 0) return CliPathKind::Unreachable;
  return (info.st_mode & _S_IFMT) == _S_IFDIR ? CliPathKind::Folder : CliPathKind::Other;
}

bool CreateUniqueCliFile(const std::string& stem, std::string& path) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // Names need not be unpredictable, only new: creation refuses a taken one.
  unsigned long long state =
      GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem;
    for (int i = 0; i < 6; ++i) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      name.push_back(kLetters[(state >> 33) % (sizeof kLetters - 1)]);
    }
    const int fd = _wopen(WideFromUtf8(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
      _close(fd);
      path = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// Windows starts writing cached file data by itself and has no call that
// starts it without waiting for it.
void StartCliFileWriteBack(const std::string&) {}

bool FlushCliFileToDisk(const std::string& path) {
  const int fd = _wopen(WideFromUtf8(path).c_str(), _O_WRONLY | _O_BINARY);
  if (fd < 0) return false;
  const bool flushed = _commit(fd) == 0;
  const int reason = errno;
  _close(fd);
  errno = reason;
  return flushed;
}

bool ReplaceCliFile(const std::string& from, const std::string& to) {
  // The C runtime's rename refuses to replace an existing file.
  if (MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = ErrnoOf(GetLastError());
  return false;
}

bool RemoveCliFile(const std::string& path) {
  return _wremove(WideFromUtf8(path).c_str()) == 0;
}

bool IsCliPathSeparator(char c) {
  return c == '/' || c == '\\';
}
