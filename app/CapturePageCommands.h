// The capture page's window commands, and the capture-state text of status-bar
// part 0 that the page shows for the user's command.
#pragma once

#include "capture/CaptureRequest.h"

inline constexpr int kIdCaptureRequest = 5010;  // lParam: the CaptureRequest value
inline constexpr int kIdCaptureStopped = 5011;  // from the capture thread
inline constexpr int kIdReloadCaptureSettings = 5020;

inline constexpr const char* kStateStopped = "状態：停止中";
inline constexpr const char* kStateCapturing = "状態：キャプチャー中";

// A start shows capturing; every other value, a command or not, stopped.
constexpr const char* CaptureStateText(CaptureRequest command) {
  return command == CaptureRequest::Capture ? kStateCapturing : kStateStopped;
}
