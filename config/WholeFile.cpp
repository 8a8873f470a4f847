// Whole-file reads with the C library (binary mode: bytes pass unchanged), and
// whole-file writes through a replacing file (log/ReplacingFile.h).
#include "config/WholeFile.h"

#include <cstdio>
#include <memory>

#include "log/ReplacingFile.h"

#include "log/Cp932FileNames.h"

namespace {

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
  ReplacingFile file;
  if (!file.Open(path)) return 0;
  for (const std::string& piece : pieces) file.writer().Write(piece);
  return file.Commit() ? 1 : 0;
}
