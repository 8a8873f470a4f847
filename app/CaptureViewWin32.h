// The capture view of the product: how the capture thread reaches the window.
// Every call is a synchronous window message to a control of the GUI thread,
// or a common dialog or message box owned by the capture page, so each has
// taken effect when it returns (the GUI thread keeps serving messages while it
// waits for the capture thread). The packet list's changes of one update go
// over in one message, which the capture page applies to its owner-data list.
#pragma once

#include <windows.h>

#include <string>

#include "capture/CaptureView.h"
#include "packet/BatchedListPane.h"
#include "packet/PanesWin32.h"

// Sent to the capture page with a ListChangesDelivery* as lParam: the page
// applies the changes to the packet list, stores the list's row count, and
// shows the status text that came with them, if any.
inline constexpr UINT kApplyListChangesMessage = WM_APP + 1;

struct ListChangesDelivery {
  const ListChanges* changes;
  int status_part;  // -1: no status text
  const char* status_text;
  int rows_after;
};

class WindowCaptureView : public CaptureView {
 public:
  WindowCaptureView(HWND page, HWND tree, HWND hex);

  ListPane& List() override { return list_; }
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
  // A text set while list changes are queued goes over with them (the counts
  // at the end of a list update): one message per update instead of two.
  class StatusBarText : public StatusText {
   public:
    explicit StatusBarText(const BatchedListPane& list) : list_(list) {}
    void SetStatusText(int part, const char* text) override;

    int pending_part = -1;
    std::string pending_text;

   private:
    const BatchedListPane& list_;
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
  BatchedListPane list_;
  Win32TreePane tree_;
  Win32HexPane hex_;
  StatusBarText status_;
  StatusProgressBar progress_;
  PageMessageBoxes boxes_;
  PageStops stops_;
};
