// The replacing file's calls on Windows. The C runtime's rename refuses to
// replace an existing file, so the rename is MoveFileExA's; its narrow names
// are read in the system code page, as the runtime's own calls read them.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>

#include "log/ReplacingFile.h"

int CreateNewFile(const char* path) {
  return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

bool RenameOnce(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MayBeReplaced(const char* path) {
  struct _stat64 info {};
  if (_stat64(path, &info) != 0) return errno == ENOENT;
  constexpr int kWritable = 2;
  return (info.st_mode & _S_IFMT) == _S_IFREG && _access(path, kWritable) == 0;
}
