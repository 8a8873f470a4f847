// The progress bar while a capture file is saved or read or the text report is
// written. Each change of the bar is a message to a control of the
// user-interface thread, which costs up to a millisecond under Wine: so the
// bar follows the records done at most every kFileProgressIntervalMs (and at
// the end), never once per record. Its range is the record count in full, so
// it fills once, in proportion, for a file of any size.
#pragma once

#include <cstdint>
#include <thread>  // std::chrono clocks without <chrono>

#include "views/Panes.h"

inline constexpr int kFileProgressIntervalMs = 50;

class FileProgress {
 public:
  // Position 0, range 0 ... count (a count beyond the bar's 32-bit range, or a
  // negative one from a file's header, is held to it).
  FileProgress(ProgressBar& bar, int64_t count);
  FileProgress(const FileProgress&) = delete;
  FileProgress& operator=(const FileProgress&) = delete;

  // One more record done.
  void RecordDone() {
    ++done_;
    // Looking at the clock costs more than a small record; every 64th will do.
    if ((done_ & 63u) == 0) ShowIfDue();
  }
  // The bar at the records done: the end of the loop.
  void Finish();

 private:
  void ShowIfDue();
  void Show();

  ProgressBar& bar_;
  uint32_t done_ = 0;
  uint32_t shown_ = 0;
  std::chrono::steady_clock::time_point last_shown_;
};
