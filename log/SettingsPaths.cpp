// The three paths, held as the platform's narrow file names.
#include "log/SettingsPaths.h"

namespace {

struct Paths {
  std::string config = "./config.ini";
  std::string system = "./system.ini";
  std::string error_log = "./error.log";
};

Paths& Held() {
  static Paths paths;
  return paths;
}

}  // namespace

namespace SettingsPaths {

bool FixInWorkingDirectory() {
  const std::string folder = WorkingDirectory();
  if (folder.empty()) return false;
  FixIn(folder);
  return true;
}

void FixIn(const std::string& folder) {
  if (folder.empty()) {
    Held() = Paths{};
    return;
  }
  Held() = Paths{PathInFolder(folder, "config.ini"), PathInFolder(folder, "system.ini"),
                 PathInFolder(folder, "error.log")};
}

const char* Config() {
  return Held().config.c_str();
}

const char* System() {
  return Held().system.c_str();
}

const char* ErrorLog() {
  return Held().error_log.c_str();
}

}  // namespace SettingsPaths
