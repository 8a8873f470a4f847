#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>  // std::chrono clocks without <chrono>, see cmake/KestrelWarnings.cmake

#include "config/ConfigFile.h"
#include "log/SettingsPaths.h"

namespace fs = std::filesystem;

TempDir::TempDir() : previous_(fs::current_path()) {
  static std::atomic<int> sequence{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("kestrel-test-" + std::to_string(stamp) + "-" + std::to_string(sequence++));
  fs::create_directories(path_);
  fs::current_path(path_);
  SettingsPaths::FixIn(path_.string());
}

TempDir::~TempDir() {
  SettingsPaths::FixIn("");
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  fs::remove_all(path_, ignored);
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteConfigFile(const std::string& bytes) {
  WriteFileBytes(SettingsPaths::Config(), bytes);
  ConfigFile::MarkChanged();
}
