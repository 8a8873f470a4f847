// Temporary file beside the target, flush to disk, rename.
#include "cli/AtomicOutputFile.h"

#include <cerrno>
#include <cstring>

#include "cli/CliFiles.h"

namespace {

size_t LastSeparator(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsCliPathSeparator(path[i - 1])) return i - 1;
  }
  return std::string::npos;
}

// The folder part with its separator ("./" for a bare name), and the name.
std::string FolderPrefixOf(const std::string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::string::npos ? "./" : path.substr(0, separator + 1);
}

std::string BaseNameOf(const std::string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string CannotWrite(const std::string& path, int error_number) {
  return "cannot write '" + path + "': " + std::strerror(error_number);
}

}  // namespace

AtomicOutputFile::~AtomicOutputFile() {
  Discard();
}

bool AtomicOutputFile::Create(const std::string& final_path, std::string& error) {
  Discard();
  if (final_path.empty() || IsCliPathSeparator(final_path.back())) {
    error = "'" + final_path + "' is not a file name";
    return false;
  }
  if (LookUpCliPath(final_path) == CliPathKind::Folder) {
    error = CannotWrite(final_path, EISDIR);
    return false;
  }
  std::string temporary;
  if (!CreateUniqueCliFile(FolderPrefixOf(final_path) + "." + BaseNameOf(final_path) + ".",
                           temporary)) {
    error = CannotWrite(final_path, errno);
    return false;
  }
  final_path_ = final_path;
  temporary_path_ = temporary;
  return true;
}

void AtomicOutputFile::StartWriteBack() {
  if (!temporary_path_.empty()) StartCliFileWriteBack(temporary_path_);
}

bool AtomicOutputFile::Commit(std::string& error) {
  if (temporary_path_.empty()) {
    error = "no output file was created";
    return false;
  }
  if (!FlushCliFileToDisk(temporary_path_) || !ReplaceCliFile(temporary_path_, final_path_)) {
    error = CannotWrite(final_path_, errno);
    Discard();
    return false;
  }
  temporary_path_.clear();
  return true;
}

void AtomicOutputFile::Discard() {
  if (temporary_path_.empty()) return;
  RemoveCliFile(temporary_path_);
  temporary_path_.clear();
}
