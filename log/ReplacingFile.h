// A file that replaces its name whole or not at all: it is written under a
// new temporary name in the same folder and renamed over the chosen name only
// once every write has succeeded and the file is closed. A failed or abandoned
// file is removed, and the chosen name keeps what it held, or stays absent.
// The saved captures, the text report, config.ini and system.ini are written
// this way.
//
// Names are the narrow names of the platform's file calls: on Windows the
// program's code page (932), whose second bytes may look like '\', so the
// temporary name is the chosen name with a suffix, never a cut at a separator.
#pragma once

#include <string>

#include "log/BufferedFileWriter.h"

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile() { Discard(); }
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the empty temporary file beside `path` and opens the writer on it.
  // false when it cannot be created (a missing or read-only folder), or when
  // `path` names something other than a file that may be replaced (a folder,
  // a device, a read-only file).
  bool Open(const char* path);

  // Where the contents go; its failures are seen by Commit.
  BufferedFileWriter& writer() { return writer_; }

  // Closes the writer and, when every write and the close succeeded, renames
  // the temporary file over the chosen name. false otherwise; the temporary
  // file is then removed and the chosen name untouched.
  bool Commit();

  // Closes the writer and removes the temporary file (also done on destruction).
  void Discard();

  const std::string& temporary_path() const { return temporary_path_; }

 private:
  BufferedFileWriter writer_;
  std::string final_path_;
  std::string temporary_path_;
};

// Renames `from` to `to`, replacing a file of that name. On Windows a file
// cannot be replaced while someone has it open (the capture thread opens
// config.ini for a moment whenever it changes), so a failed rename is tried
// again for up to about half a second.
bool RenameReplacing(const char* from, const char* to);

// The platform's side (ReplacingFilePosix.cpp, ReplacingFileWindows.cpp).
// A descriptor for writing (binary) on a file created by this call, -1 when
// the name is taken (errno EEXIST) or the file cannot be created.
int CreateNewFile(const char* path);
// One rename that replaces an existing file.
bool RenameOnce(const char* from, const char* to);
// true when `path` is absent, or a regular file this process may write.
bool MayBeReplaced(const char* path);
