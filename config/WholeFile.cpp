// Whole-file I/O with the C library (binary mode: bytes pass unchanged) and
// std::filesystem::rename, which replaces an existing target on every platform
// (the C library's rename refuses to on Windows).
#include "config/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReadWholeFile(const char* path, std::string& out) {
  out.clear();
  const std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
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
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return 0;
  bool ok = true;
  for (const std::string& piece : pieces) {
    if (std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      ok = false;
      break;
    }
  }
  if (std::fclose(file) != 0) ok = false;
  std::error_code error;
  if (ok) std::filesystem::rename(temporary, path, error);
  if (!ok || error) {
    std::remove(temporary.c_str());
    return 0;
  }
  return 1;
}
