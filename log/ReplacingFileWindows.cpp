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

int CreateNewFile(const char* path, bool unbuffered) {
  const int descriptor =
      OpenCp932Descriptor(path, _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
  if (descriptor < 0 || !unbuffered) return descriptor;
  // The name and its refusals stay the runtime's; only the handle is opened
  // again without the cache, and kept cached when that is refused. The share
  // mode is the runtime's, or the open handle would refuse the second one.
  const HANDLE uncached =
      ReOpenFile(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), GENERIC_WRITE,
                 FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_NO_BUFFERING);
  if (uncached == INVALID_HANDLE_VALUE) return descriptor;
  const int reopened = _open_osfhandle(reinterpret_cast<intptr_t>(uncached), _O_WRONLY | _O_BINARY);
  if (reopened < 0) {
    CloseHandle(uncached);
    return descriptor;
  }
  _close(descriptor);
  return reopened;
}

bool CutFileAt(int descriptor, uint64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)),
                                    FileEndOfFileInfo, &end, sizeof end) != 0;
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
