// What the file work on the store answers: how a save, an export or a load
// ended. The file functions only answer; the capture thread's commands decide
// what the user is told (capture/CaptureNotices.h), so these functions serve
// the program, the command-line tool and the tests alike.
#pragma once

#include <cstdint>
#include <functional>

enum class FileOutcome : uint8_t {
  Written,      // save, export: the whole file was written and closed
  WriteFailed,  // save, export: the file could not be created or written in full
  CutShort,     // the keep-going predicate ended the work early; a file cut short is removed
  Loaded,       // load: every record up to the end of the file is in the store
  InvalidFile,  // load: the file breaks the format's rules (signature, record size)
  Unreadable,   // load: the file could not be opened, read or closed
  StoreFull,    // load: the store refused a record as full; the records before it stay
  OutOfMemory,  // load: memory ran out; the records before stay
};

// Asked before each record: file work goes on while it answers true. The
// capture thread answers false once the user has confirmed the exit.
using KeepGoing = std::function<bool()>;
inline const KeepGoing kAlwaysKeepGoing = [] { return true; };

class ReplacingFile;

// The end of a save or export written through `file`: when `complete` (every
// record handed to the writer), the file takes its name and the outcome is
// Written; otherwise, or when that fails, the file is discarded and the
// chosen name left as it was: WriteFailed, or CutShort once `keep_going` says
// the work is to end.
FileOutcome EndOfWrite(ReplacingFile& file, bool complete, const KeepGoing& keep_going);
