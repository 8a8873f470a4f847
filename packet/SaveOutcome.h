// What saving the capture file and exporting the text report share: the
// progress bar's preparation and the message that tells the user the outcome.
#pragma once

#include <cstdint>

#include "packet/Panes.h"

// Position 0, range 0 ... (count AND 0xFFFF), step 1.
void PrepareFileProgress(ProgressBar& progress, uint32_t count);

// Shows "保存が完了しました" when the whole file was written; otherwise logs
// "保存に失敗" and shows the save error. Returns 1 or 0 accordingly.
int ReportSaveOutcome(bool written, MessageBoxes& boxes);
