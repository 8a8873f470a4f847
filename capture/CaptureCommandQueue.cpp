// A locked queue of commands with a lock-free "something waits".
#include "capture/CaptureCommandQueue.h"

void CaptureCommandQueue::Push(CaptureRequest command) {
  std::lock_guard<std::mutex> guard(lock_);
  commands_.push_back(command);
  pending_.store(commands_.size(), std::memory_order_release);
}

bool CaptureCommandQueue::Pop(CaptureRequest& command) {
  std::lock_guard<std::mutex> guard(lock_);
  if (commands_.empty()) return false;
  command = commands_.front();
  commands_.pop_front();
  pending_.store(commands_.size(), std::memory_order_release);
  return true;
}

void CaptureCommandQueue::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  commands_.clear();
  pending_.store(0, std::memory_order_release);
}

bool IsCaptureCommand(int8_t value) {
  switch (static_cast<CaptureRequest>(value)) {
    case CaptureRequest::Idle:
    case CaptureRequest::Capture:
    case CaptureRequest::Clear:
    case CaptureRequest::SaveBinary:
    case CaptureRequest::SaveText:
    case CaptureRequest::LoadBinary:
      return true;
  }
  return false;
}
