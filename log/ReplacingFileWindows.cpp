// The replacing file's calls on Windows. The C runtime's rename refuses to
// replace an existing file, so the rename is MoveFileExW's; every name goes
// from code page 932 to UTF-16, so the same file is meant whatever the
// system's code page.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>

#include "log/Cp932FileNames.h"
#include "log/ReplacingFile.h"
#include "log/WideText.h"

int CreateNewFile(const char* path) {
  return OpenCp932Descriptor(path, _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
}

bool RenameOnce(const char* from, const char* to) {
  return MoveFileExW(WideFromCp932(from).c_str(), WideFromCp932(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MayBeReplaced(const char* path) {
  const std::wstring name = WideFromCp932(path);
  struct _stat64 info {};
  if (_wstat64(name.c_str(), &info) != 0) return errno == ENOENT;
  constexpr int kWritable = 2;
  return (info.st_mode & _S_IFMT) == _S_IFREG && _waccess(name.c_str(), kWritable) == 0;
}
