// The commands the user gives the capture thread through the capture page, and
// the channel on which the capture thread reports that it stopped capturing by
// itself. They sit beside the panes because the views report too: loading a
// file that fills the store stops the capture.
#pragma once

#include <cstdint>

enum class CaptureRequest : int8_t {
  Idle = 1,
  Capture = 2,
  Clear = 5,
  SaveBinary = 6,
  SaveText = 7,
  LoadBinary = 9,
};

// Window command ids on the capture page.
inline constexpr int kIdCaptureRequest = 5010;  // lParam: the CaptureRequest value
inline constexpr int kIdCaptureStopped = 5011;  // from the capture thread
inline constexpr int kIdReloadCaptureSettings = 5020;

// The capture thread stopped capturing by itself (a full store, a receive
// error, no socket): the page shows the stopped state, unless a command the
// user gave meanwhile still waits (its own state text stands). Synchronous.
class CaptureStopSink {
 public:
  virtual ~CaptureStopSink() = default;
  virtual void CaptureStopped() = 0;
};
