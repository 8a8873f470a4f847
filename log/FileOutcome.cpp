// The end of a save or an export.
#include "log/FileOutcome.h"

#include "log/ReplacingFile.h"

FileOutcome EndOfWrite(ReplacingFile& file, bool complete, const KeepGoing& keep_going) {
  if (complete && file.Commit()) return FileOutcome::Written;
  file.Discard();
  return keep_going() ? FileOutcome::WriteFailed : FileOutcome::CutShort;
}
