// The names' bytes go to the system unchanged.
#include <fcntl.h>

#include "log/Cp932FileNames.h"

std::FILE* OpenCp932File(const char* path, const char* mode) {
  return std::fopen(path, mode);
}

int OpenCp932Descriptor(const char* path, int flags, int permissions) {
  return open(path, flags | O_CLOEXEC, permissions);
}

std::filesystem::path Cp932Path(const std::string& path) {
  return std::filesystem::path(path);
}
