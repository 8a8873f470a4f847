// The commands the user gives the capture thread, and what the thread is doing
// between them (Idle or Capture). The values are those the capture page
// receives with its command message.
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
