// A fresh temporary directory that is also the working directory while the
// object lives, and the folder of config.ini, system.ini and error.log
// (log/SettingsPaths.h): each test gets its own files.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Writes config.ini as another program would, then moves the settings'
// change count on as the watcher's notice does, so the filter looks at it from
// the next packet on.
void WriteConfigFile(const std::string& bytes);
