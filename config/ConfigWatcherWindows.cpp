// Change notices on Windows through FindFirstChangeNotification on the file's
// folder (Wine implements it with inotify). The notice does not say which file
// changed, so any write, rename or attribute change in the folder counts: a
// spurious notice costs one read of config.ini. An event wakes the wait for
// Stop.
#include <windows.h>

#include <new>

#include "config/ConfigWatcherNotices.h"

namespace {

constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES;

class FolderNotices : public ConfigWatcher::Notices {
 public:
  FolderNotices(HANDLE change, HANDLE stop) : change_(change), stop_(stop) {}
  ~FolderNotices() override {
    FindCloseChangeNotification(change_);
    CloseHandle(stop_);
  }

  bool WaitForChange() override {
    const HANDLE handles[2] = {stop_, change_};
    const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woke != WAIT_OBJECT_0 + 1) return false;
    // Re-armed before the change is reported, so a write while the reader
    // looks at the file raises the next notice.
    return FindNextChangeNotification(change_) != 0;
  }

  void Stop() override { SetEvent(stop_); }

 private:
  HANDLE change_;
  HANDLE stop_;
};

}  // namespace

std::unique_ptr<ConfigWatcher::Notices> ConfigWatcher::Notices::Open(const std::string& folder,
                                                                     const std::string&) {
  const HANDLE change = FindFirstChangeNotificationA(folder.c_str(), FALSE, kFilter);
  if (change == INVALID_HANDLE_VALUE) return nullptr;
  const HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (stop == nullptr) {
    FindCloseChangeNotification(change);
    return nullptr;
  }
  auto* notices = new (std::nothrow) FolderNotices(change, stop);
  if (notices == nullptr) {
    FindCloseChangeNotification(change);
    CloseHandle(stop);
  }
  return std::unique_ptr<Notices>(notices);
}
