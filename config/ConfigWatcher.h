// Learns of changes that other programs make to config.ini (a hand edit)
// without asking the file system per packet: a thread of its own waits for the
// platform's change notices on the file's folder (inotify natively,
// FindFirstChangeNotification on Windows) and only moves ConfigFile's change
// count on. A packet filter holds one once its owner calls
// PacketFilter::WatchForChanges, and stops it when it goes.
//
// Where notices are not available the watcher is simply inactive; the filter's
// stamp check every 100 ms still sees every change, only later.
#pragma once

#include <memory>
#include <string>
#include <thread>

class ConfigWatcher {
 public:
  // Starts watching `path`'s folder; the change count moves on once at the
  // start, so readers look at the file as it is when the watch began.
  explicit ConfigWatcher(const std::string& path);
  // Stops the thread and waits for it.
  ~ConfigWatcher();
  ConfigWatcher(const ConfigWatcher&) = delete;
  ConfigWatcher& operator=(const ConfigWatcher&) = delete;

  bool Active() const { return thread_.joinable(); }

  // How many watcher threads run in the process now (for tests).
  static int RunningCount();

  // The platform's notice source; one per watcher, used by its thread only
  // (apart from Stop).
  class Notices;

 private:
  std::unique_ptr<Notices> notices_;
  std::thread thread_;
};
