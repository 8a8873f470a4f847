// The platform side of ConfigWatcher: change notices for one file in one
// folder. Open and Stop run on the owner's thread, WaitForChange on the
// watcher's thread.
#pragma once

#include <memory>
#include <string>

#include "config/ConfigWatcher.h"

class ConfigWatcher::Notices {
 public:
  // nullptr when the platform cannot watch the folder.
  static std::unique_ptr<Notices> Open(const std::string& folder, const std::string& name);
  virtual ~Notices() = default;

  // Blocks until the file may have changed (true) or Stop was called (false).
  virtual bool WaitForChange() = 0;
  // Makes WaitForChange return false, now or at its next call.
  virtual void Stop() = 0;
};
