// The user's commands on their way from the user-interface thread to the
// capture thread, carried out one after another in the order they were given,
// however quickly they come. A single shared request value would let a command
// given while the thread is busy overwrite the one before it.
//
// Threads: the capture page pushes (user-interface thread) and clears at
// shutdown; the capture thread pops. Pending is lock-free: the capture pass
// asks it once per datagram.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "capture/CaptureRequest.h"

class CaptureCommandQueue {
 public:
  void Push(CaptureRequest command);
  // The oldest command not yet taken; false when none waits.
  bool Pop(CaptureRequest& command);
  bool Pending() const { return pending_.load(std::memory_order_acquire) != 0; }
  void Clear();

 private:
  std::mutex lock_;
  std::deque<CaptureRequest> commands_;
  std::atomic<size_t> pending_{0};
};

// True for the values the user's commands send; the page gives no other.
bool IsCaptureCommand(int8_t value);
