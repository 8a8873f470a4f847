// What saving the capture file and exporting the text report share: the
// message that tells the user the outcome, and how they end when the program
// is closing.
#pragma once

#include <atomic>
#include <cstdint>

#include "views/Panes.h"

// Shows "保存が完了しました" when the whole file was written; otherwise logs
// "保存に失敗" and shows the save error. Returns 1 or 0 accordingly.
int ReportSaveOutcome(bool written, MessageBoxes& boxes);

// File work goes on while `running` (null: always) is not 0; the capture
// thread's run flag drops to 0 when the user has confirmed the exit.
inline bool KeepGoing(const std::atomic<int32_t>* running) {
  return running == nullptr || running->load(std::memory_order_relaxed) != 0;
}

// The end of a save or export once the program is closing: the user has
// confirmed the exit, so no message follows. A file cut short is removed and
// the failure logged; a complete one stays. Returns 1 for a complete file.
int EndSaveWhileClosing(const char* path, bool written);
