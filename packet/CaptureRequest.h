// The request values carried by the one shared byte `capture_request` from the
// user-interface thread to the capture thread. It sits beside the panes
// because the views send requests too: loading a file that fills the store
// asks for Idle.
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
inline constexpr int kIdReloadCaptureSettings = 5020;

// Sends a request to the capture page as the user's commands do (synchronously:
// the byte is stored and the status text set when it returns).
class CaptureRequestSink {
 public:
  virtual ~CaptureRequestSink() = default;
  virtual void SendCaptureRequest(CaptureRequest request) = 0;
};
