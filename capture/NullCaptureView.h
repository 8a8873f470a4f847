// A capture view with no window behind it: every pane is silent, message boxes
// answer OK and the file dialogs are cancelled. For measuring the capture
// thread without the cost of a user interface.
#pragma once

#include "capture/CaptureView.h"
#include "views/QuietPanes.h"

class IgnoredCaptureStops : public CaptureStopSink {
 public:
  void CaptureStopped() override {}
};

class NullCaptureView : public CaptureView {
 public:
  PacketListSink& List() override { return list; }
  TreePane& Tree() override { return tree_; }
  HexPane& Hex() override { return hex_; }
  StatusText& Status() override { return status_; }
  ProgressBar& Progress() override { return progress_; }
  MessageBoxes& Boxes() override { return boxes_; }
  CaptureStopSink& Stops() override { return stops_; }
  int ShowSaveDialog(const FileDialogRequest&, std::string&) override { return 0; }
  int ShowOpenDialog(const FileDialogRequest&, std::string&) override { return 0; }
  int FileExists(const char*) override { return 0; }

  SilentPacketList list;

 private:
  SilentTree tree_;
  SilentHexPane hex_;
  SilentStatusText status_;
  SilentProgressBar progress_;
  AnswerOkMessageBoxes boxes_;
  IgnoredCaptureStops stops_;
};
