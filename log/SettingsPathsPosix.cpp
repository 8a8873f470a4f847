// The working directory on POSIX systems.
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "log/SettingsPaths.h"

namespace {

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

}  // namespace

std::string WorkingDirectory() {
  const std::unique_ptr<char, FreeDeleter> folder(getcwd(nullptr, 0));
  return folder != nullptr ? std::string(folder.get()) : std::string();
}

std::string PathInFolder(const std::string& folder, const char* name) {
  return folder + (folder.back() == '/' ? "" : "/") + name;
}
