// The end of a save or an export.
#include "packet/FileOutcome.h"

#include <cstdio>

FileOutcome EndOfWrite(const char* path, bool written, const KeepGoing& keep_going) {
  if (written) return FileOutcome::Written;
  if (keep_going()) return FileOutcome::WriteFailed;
  std::remove(path);
  return FileOutcome::CutShort;
}
