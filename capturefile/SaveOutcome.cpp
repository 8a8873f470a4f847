// The outcome of writing a file the user asked for. A file that could
// not be created or written completely is reported as a failure: a half
// written capture or report must not look like a finished one.
#include "capturefile/SaveOutcome.h"

#include <cstdio>

#include "log/LogWriter.h"

int ReportSaveOutcome(bool written, MessageBoxes& boxes) {
  if (written) {
    boxes.ShowMessageBox("保存が完了しました", "保存完了", kMbOk);
    return 1;
  }
  LogWriter::AppendText(kErrorLogPath, 1, "保存に失敗\r\n");
  boxes.ShowMessageBox("ファイルの保存に失敗しました", "保存エラー", kMbOk | kMbIconWarning);
  return 0;
}

int EndSaveWhileClosing(const char* path, bool written) {
  if (written) return 1;
  std::remove(path);
  LogWriter::AppendText(kErrorLogPath, 1, "保存に失敗\r\n");
  return 0;
}
