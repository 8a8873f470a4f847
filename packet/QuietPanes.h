// Pane implementations that show nothing, for code that runs the presentation
// paths without a window: kestrel-cli, benchmarks, fuzz targets and
// measurement programs.
#pragma once

#include "packet/CaptureRequest.h"
#include "packet/Panes.h"

class SilentStatusText : public StatusText {
 public:
  void SetStatusText(int, const char*) override {}
};

class SilentProgressBar : public ProgressBar {
 public:
  void SetPosition(int) override {}
  void SetRange(int) override {}
  void SetStep(int) override {}
  void StepIt() override {}
};

class AnswerOkMessageBoxes : public MessageBoxes {
 public:
  int ShowMessageBox(const char*, const char*, unsigned) override { return kIdOk; }
};

class IgnoredCaptureRequests : public CaptureRequestSink {
 public:
  void SendCaptureRequest(CaptureRequest) override {}
};

// Keeps only the number of rows, so that deleting rows at the top still works.
class RowCountingList : public ListPane {
 public:
  int RowCount() override { return rows_; }
  int InsertRow(int row, const char*) override { return ++rows_, row; }
  void SetCell(int, int, const char*) override {}
  void RenumberRows() override {}
  void DeleteRow(int) override { --rows_; }
  void DeleteAllRows() override { rows_ = 0; }

 private:
  int rows_ = 0;
};

class SilentTree : public TreePane {
 public:
  void DeleteAllItems() override {}
  Item InsertItem(Item, const char*) override { return 0; }
  void ExpandItem(Item) override {}
};

class SilentHexPane : public HexPane {
 public:
  void SetText(const char*) override {}
  void ShowDumpText(const char*) override {}
};
