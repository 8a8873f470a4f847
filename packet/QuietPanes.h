// Pane implementations that show nothing, for code that runs the presentation
// paths without a window: kestrel-cli, benchmarks, fuzz targets and
// measurement programs.
#pragma once

#include "packet/Panes.h"

class SilentStatusText : public StatusText {
 public:
  void SetStatusText(int, const char*) override {}
};

class SilentProgressBar : public ProgressBar {
 public:
  void SetPosition(int) override {}
  void SetRange(int) override {}
};

class AnswerOkMessageBoxes : public MessageBoxes {
 public:
  int ShowMessageBox(const char*, const char*, unsigned) override { return kIdOk; }
};

// Keeps only the number of rows, so that deleting rows at the top still works.
class RowCountingList : public ListPane {
 public:
  int RowCount() override { return rows_; }
  void AppendRow(const PacketRow&) override { ++rows_; }
  void DeleteTopRows(int count) override { rows_ -= count; }
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
