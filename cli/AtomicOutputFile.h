// An output file that appears whole or not at all: everything is written to a
// temporary file in the same folder, which replaces the real name in one
// rename when the writer has finished. A temporary file that is not committed
// is removed, so a failed command leaves neither a partial file nor litter.
#pragma once

#include <string>

class AtomicOutputFile {
 public:
  AtomicOutputFile() = default;
  ~AtomicOutputFile();
  AtomicOutputFile(const AtomicOutputFile&) = delete;
  AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

  // Creates an empty temporary file beside `final_path`, with the permissions
  // a new file would get. Returns false with the reason in `error`.
  bool Create(const std::string& final_path, std::string& error);

  // The temporary file's path, for writers that open files by name.
  const std::string& temporary_path() const { return temporary_path_; }

  // Has the system start writing what the temporary file holds so far to
  // disk, without waiting for it: writers of large files call it now and
  // then, so that the flush before the rename waits only for the last part.
  void StartWriteBack();

  // Flushes the temporary file to disk and renames it to the final path.
  // Returns false with the reason in `error`; the temporary is then removed.
  bool Commit(std::string& error);

  // Removes the temporary file (also done by the destructor).
  void Discard();

 private:
  std::string final_path_;
  std::string temporary_path_;
};
