// The values the user-interface thread and the capture thread share without a
// lock. Each is a single atomic; a reader acts only on the value it just read.
#pragma once

#include <atomic>
#include <cstdint>

#include "packet/CaptureRequest.h"

struct CaptureControl {
  // What the capture thread is to do (a CaptureRequest value). Written by the
  // capture page on ID_CAPTURE_REQUEST, by page creation and shutdown (Idle),
  // and by the capture thread itself; read by the capture thread every loop.
  std::atomic<int8_t> capture_request{static_cast<int8_t>(CaptureRequest::Idle)};

  // 1 while the capture thread is to keep running. Written by the user-interface
  // thread (1 before the thread starts, 0 at shutdown); read by the capture thread.
  std::atomic<int32_t> capture_thread_running{0};

  // Pause in milliseconds after each capture pass, from CAP_FPS. Written by the
  // user-interface thread (page creation, reload of the settings); read by the
  // capture thread.
  std::atomic<int32_t> receive_interval_ms{10};
};
