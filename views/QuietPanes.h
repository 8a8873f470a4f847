// Pane implementations that show nothing, for code that runs the presentation
// paths without a window: kestrel-cli, benchmarks, fuzz targets and
// measurement programs.
#pragma once

#include "views/PacketList.h"
#include "views/Panes.h"

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

class SilentPacketList : public PacketListSink {
 public:
  void HandOver(const PacketListChanges&) override {}
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
