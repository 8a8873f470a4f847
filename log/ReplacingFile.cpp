// Temporary file beside the chosen name, rename over it when complete.
#include "log/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <thread>  // std::chrono clocks without <chrono>

#include "log/Cp932FileNames.h"

namespace {

constexpr int kNameAttempts = 100;
constexpr int kRenameAttempts = 100;
constexpr auto kRenamePause = std::chrono::milliseconds(5);

// Six letters that differ from one call to the next, on any thread; names
// need not be unpredictable, only new, and CreateNewFile refuses a taken one.
std::string NameSuffix() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<uint64_t> next{
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  // splitmix64: consecutive counter values give unrelated bits.
  uint64_t x = next.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  std::string suffix;
  for (int i = 0; i < 6; ++i, x /= sizeof kLetters - 1) {
    suffix.push_back(kLetters[x % (sizeof kLetters - 1)]);
  }
  return suffix;
}

}  // namespace

bool ReplacingFile::Open(const char* path) {
  Discard();
  if (!MayBeReplaced(path)) return false;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string temporary = std::string(path) + "." + NameSuffix() + ".tmp";
    const int descriptor = CreateNewFile(temporary.c_str());
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    final_path_ = path;
    temporary_path_ = std::move(temporary);
    return writer_.OpenDescriptor(descriptor);
  }
  return false;
}

bool ReplacingFile::Commit() {
  if (temporary_path_.empty()) return false;
  if (!writer_.Close() || !RenameReplacing(temporary_path_.c_str(), final_path_.c_str())) {
    Discard();
    return false;
  }
  temporary_path_.clear();
  return true;
}

void ReplacingFile::Discard() {
  writer_.Close();
  if (temporary_path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(Cp932Path(temporary_path_), ignored);
  temporary_path_.clear();
}

bool RenameReplacing(const char* from, const char* to) {
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kRenamePause);
    if (RenameOnce(from, to)) return true;
  }
  return false;
}
