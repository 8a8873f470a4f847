// The capture view of the product: how the capture thread reaches the window.
// Every call is a synchronous window message to a control of the GUI thread,
// or a common dialog or message box owned by the capture page, so each has
// taken effect when it returns (the GUI thread keeps serving messages while it
// waits for the capture thread). The packet list's changes of one update go
// over in one message, kPacketListHandoverMessage, which the capture page
// applies to its owner-data list (CapturePageWin32.cpp, OnPacketListHandover).
#pragma once

#include <windows.h>

#include <string>

#include "capture/CaptureView.h"
#include "views/PacketList.h"
#include "views/PanesWin32.h"

// Sent to the capture page with a const PacketListChanges* as lParam: the page
// applies the changes to the packet list and shows the counts they carry.
inline constexpr UINT kPacketListHandoverMessage = WM_APP + 1;

class WindowCaptureView : public CaptureView {
 public:
  WindowCaptureView(HWND page, HWND tree, HWND hex);

  PacketListSink& List() override { return list_; }
  TreePane& Tree() override { return tree_; }
  HexPane& Hex() override { return hex_; }
  StatusText& Status() override { return status_; }
  ProgressBar& Progress() override { return progress_; }
  MessageBoxes& Boxes() override { return boxes_; }
  CaptureStopSink& Stops() override { return stops_; }
  int ShowSaveDialog(const FileDialogRequest& request, std::string& path) override;
  int ShowOpenDialog(const FileDialogRequest& request, std::string& path) override;
  int FileExists(const char* path) override { return OpensForReading(path); }

 private:
  // Each hand-over waits for the GUI thread, and under Wine a message costs
  // up to a millisecond: while packets pour in, changes go at most every 50 ms.
  class PageListHandover : public PacketListSink {
   public:
    explicit PageListHandover(HWND page) : page_(page) {}
    void HandOver(const PacketListChanges& changes) override;
    int HoldMs() const override { return 50; }

   private:
    HWND page_;
  };
  class StatusBarText : public StatusText {
   public:
    void SetStatusText(int part, const char* text) override;
  };
  class StatusProgressBar : public ProgressBar {
   public:
    void SetPosition(int position) override;
    void SetRange(int maximum) override;
  };
  class PageMessageBoxes : public MessageBoxes {
   public:
    explicit PageMessageBoxes(HWND page) : page_(page) {}
    int ShowMessageBox(const char* text, const char* title, unsigned type) override;

   private:
    HWND page_;
  };
  class PageStops : public CaptureStopSink {
   public:
    explicit PageStops(HWND page) : page_(page) {}
    void CaptureStopped() override;

   private:
    HWND page_;
  };

  HWND page_;
  PageListHandover list_;
  Win32TreePane tree_;
  Win32HexPane hex_;
  StatusBarText status_;
  StatusProgressBar progress_;
  PageMessageBoxes boxes_;
  PageStops stops_;
};
