// Every name goes from code page 932 to UTF-16 and through the C runtime's
// wide-character calls.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "log/Cp932FileNames.h"
#include "log/WideText.h"

namespace {

// Empty for a name with bytes that are no code page 932 character: such a
// name was never chosen in a dialog, and opening a look-alike would be wrong.
std::wstring WideName(const char* path) {
  const int size = static_cast<int>(std::strlen(path));
  if (size == 0) return {};
  const int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, path, size, nullptr, 0);
  if (length == 0) return {};
  return WideFromCp932(path);
}

}  // namespace

std::FILE* OpenCp932File(const char* path, const char* mode) {
  const std::wstring name = WideName(path);
  if (name.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  const std::wstring wide_mode(mode, mode + std::strlen(mode));
  return _wfopen(name.c_str(), wide_mode.c_str());
}

int OpenCp932Descriptor(const char* path, int flags, int permissions) {
  const std::wstring name = WideName(path);
  if (name.empty()) {
    errno = ENOENT;
    return -1;
  }
  return _wopen(name.c_str(), flags | _O_BINARY, permissions);
}

std::filesystem::path Cp932Path(const std::string& path) {
  return std::filesystem::path(WideFromCp932(path));
}
