// What saving the capture file and exporting the text report share: the
// message that tells the user the outcome.
#pragma once

#include <cstdint>

#include "packet/Panes.h"

// Shows "保存が完了しました" when the whole file was written; otherwise logs
// "保存に失敗" and shows the save error. Returns 1 or 0 accordingly.
int ReportSaveOutcome(bool written, MessageBoxes& boxes);
