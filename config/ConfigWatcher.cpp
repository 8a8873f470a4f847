// The watcher's thread and its life; the notices come from the platform side
// (ConfigWatcherPosix.cpp, ConfigWatcherWindows.cpp).
#include "config/ConfigWatcher.h"

#include <atomic>
#include <system_error>

#include "config/ConfigFile.h"
#include "config/ConfigWatcherNotices.h"

namespace {

std::atomic<int> running_watchers{0};

// The folder that holds `path` and the file's own name in it.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = path.find_last_of("/\\");
  folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ConfigWatcher::ConfigWatcher(const std::string& path) {
  std::string folder, name;
  SplitPath(path, folder, name);
  notices_ = ConfigWatcher::Notices::Open(folder, name);
  if (notices_ != nullptr) {
    try {
      running_watchers.fetch_add(1);
      thread_ = std::thread([notices = notices_.get()] {
        while (notices->WaitForChange()) ConfigFile::MarkChanged();
        running_watchers.fetch_sub(1);
      });
    } catch (const std::system_error&) {
      running_watchers.fetch_sub(1);
      notices_.reset();
    }
  }
  ConfigFile::MarkChanged();
}

ConfigWatcher::~ConfigWatcher() {
  if (!thread_.joinable()) return;
  notices_->Stop();
  thread_.join();
}

int ConfigWatcher::RunningCount() {
  return running_watchers.load();
}
