// What the user-interface thread and the capture thread share: the user's
// commands, and single atomic values that each reader acts on as just read.
#pragma once

#include <atomic>
#include <cstdint>

#include "capture/CaptureCommandQueue.h"
#include "capture/CaptureRequest.h"

struct CaptureControl {
  // The user's commands, in the order given. Pushed by the capture page on
  // ID_CAPTURE_REQUEST, cleared at shutdown; taken by the capture thread.
  CaptureCommandQueue commands;

  // What the capture thread is doing between commands: Idle or Capture.
  // Written by the capture thread (and set to Idle by page creation before
  // the thread starts); read by the capture thread, and by tests.
  std::atomic<int8_t> capture_request{static_cast<int8_t>(CaptureRequest::Idle)};

  // 1 while the capture thread is to keep running. Written by the user-interface
  // thread (1 before the thread starts, 0 at shutdown); read by the capture
  // thread, which also stops file work at the next record when it drops to 0.
  std::atomic<int32_t> capture_thread_running{0};

  // Pause in milliseconds after each capture pass, from CAP_FPS. Written by the
  // user-interface thread (page creation, reload of the settings); read by the
  // capture thread.
  std::atomic<int32_t> receive_interval_ms{10};
};
