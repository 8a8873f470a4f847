// Whole-file I/O with the C library (binary mode: bytes pass unchanged) and
// std::filesystem::rename, which replaces an existing target on every platform
// (the C library's rename refuses to on Windows).
#include "config/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include "log/Cp932FileNames.h"

namespace {

// On Windows a file cannot be replaced while someone has it open, and the
// capture thread opens the settings file for a moment whenever it changes; so
// a failed rename is tried again for up to about half a second.
constexpr int kRenameAttempts = 100;
constexpr auto kRenamePause = std::chrono::milliseconds(5);

bool RenameReplacing(const std::string& from, const char* to) {
  std::error_code error;
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kRenamePause);
    std::filesystem::rename(Cp932Path(from), Cp932Path(to), error);
    if (!error) return true;
  }
  return false;
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReadWholeFile(const char* path, std::string& out) {
  out.clear();
  const std::unique_ptr<FILE, FileCloser> file(OpenCp932File(path, "rb"));
  if (!file) return false;
  char chunk[8192];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) out.append(chunk, got);
  if (std::ferror(file.get())) {
    out.clear();
    return false;
  }
  return true;
}

int ReplaceWholeFile(const char* path, const std::vector<std::string>& pieces) {
  const std::string temporary = std::string(path) + ".new";
  FILE* file = OpenCp932File(temporary.c_str(), "wb");
  if (file == nullptr) return 0;
  bool ok = true;
  for (const std::string& piece : pieces) {
    if (std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      ok = false;
      break;
    }
  }
  if (std::fclose(file) != 0) ok = false;
  if (!ok || !RenameReplacing(temporary, path)) {
    std::error_code ignored;
    std::filesystem::remove(Cp932Path(temporary), ignored);
    return 0;
  }
  return 1;
}
