// Everything the capture thread tells the user, in one table: per case the
// line it appends to error.log and the message box it shows. The outcomes of
// the file commands and the thread's own emergency stops are told through it,
// so each text is written once, and the file work below this layer only
// answers outcomes (log/FileOutcome.h). Capture thread only.
#pragma once

#include <cstdint>
#include <string>

#include "views/Panes.h"

enum class CaptureNotice : uint8_t {
  Saved,              // a save or export is complete
  SaveFailed,         // a save or export could not be written (or was cut short)
  OverwriteQuestion,  // before a save over an existing file
  Loaded,             // an open is complete
  InvalidFile,        // an open refused the file (logged only when the rules refused it)
  StoreFull,          // emergency stop: the store is full
  AllocationFailed,   // emergency stop: no memory for a packet
  StoreTooSmall,      // emergency stop: overwriting cannot make room for the packet
  ReceiveError,       // emergency stop: the capture socket keeps failing
};

struct CaptureNoticeText {
  const char* log_line;  // nullptr: no line in error.log
  const char* title;
  const char* text;
  unsigned type;  // kMb... buttons and icon
};

const CaptureNoticeText& NoticeText(CaptureNotice notice);

// The emergency stop of a start that could not open its socket: the line and
// the text name what failed (capture/SourceOpening.h); the notice points
// into them.
CaptureNoticeText OpeningFailedNotice(const std::string& log_line, const std::string& text);

// Appends the notice's line, time-stamped, to error.log; nothing for a notice
// without one.
void LogNotice(CaptureNotice notice);
void LogNotice(const CaptureNoticeText& notice);

// Shows the notice's box and returns the answer (kIdOk, kIdCancel).
int ShowNotice(CaptureNotice notice, MessageBoxes& boxes);
int ShowNotice(const CaptureNoticeText& notice, MessageBoxes& boxes);
