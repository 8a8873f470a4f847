// The capture thread's loop, its wait while stopped and its capture pass. The
// store commands are in CaptureCommands.cpp.
//
// Every wait is bounded so that the thread notices shutdown and new commands
// quickly: a socket wait ends when a command wakes it or after at most one
// second, and every pause is slept in slices of kPauseSliceMs and ends early
// when capture_thread_running drops to 0 or a command waits.
#include "capture/CaptureThread.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>  // std::chrono clocks without <chrono>, see cmake/KestrelWarnings.cmake

#include "config/CaptureAddressSetting.h"
#include "config/PacketFilter.h"
#include "log/SystemTime.h"

namespace {

constexpr int kWaitSeconds = 1;
constexpr int32_t kBufferSize = static_cast<int32_t>(kMaxDatagramSize);

}  // namespace

int CaptureThreadMain(CaptureContext& context) {
  CaptureThread thread(context);
  if (thread.Ready() != 1) return 0;
  while (context.control.capture_thread_running.load() != 0) thread.RunIteration();
  thread.CloseSource();
  return 0;
}

void GiveCaptureCommand(CaptureContext& context, CaptureRequest command) {
  context.control.commands.Push(command);
  context.source.Wake();
}

CaptureThread::CaptureThread(CaptureContext& context)
    : context_(context), list_(context.view.List()), buffer_(new (std::nothrow) uint8_t[kBufferSize]()) {}

SourceOpening CaptureThread::OpenSource() {
  CloseSource();
  failed_receives_ = 0;
  const SourceOpening opening = context_.source.Open(ReadCaptureAddress());
  source_open_ = opening.open;
  if (source_open_) {
    context_.view.Status().SetStatusText(kAddressStatusPart, CapturedAddressText(opening).c_str());
  }
  return opening;
}

void CaptureThread::CloseSource() {
  if (!source_open_) return;
  context_.source.Close();
  context_.source.Cleanup();
  source_open_ = false;
  context_.view.Status().SetStatusText(kAddressStatusPart, "");
}

void CaptureThread::RunIteration() {
  CaptureRequest command;
  if (context_.control.commands.Pop(command)) {
    Act(command);
  } else if (context_.control.capture_request.load() == static_cast<int8_t>(CaptureRequest::Capture)) {
    RunCapturePass();
  } else {
    WaitWhileStopped();
  }
}

void CaptureThread::Act(CaptureRequest command) {
  // Every command but a start ends a running capture, and its socket.
  if (command != CaptureRequest::Capture) {
    SetMode(CaptureRequest::Idle);
    CloseSource();
  }
  try {
    switch (command) {
      case CaptureRequest::Idle:
        break;
      case CaptureRequest::Capture:
        StartCapture();
        break;
      case CaptureRequest::Clear:
        ClearAll();
        break;
      case CaptureRequest::SaveBinary:
      case CaptureRequest::SaveText:
        SaveToFile(command);
        break;
      case CaptureRequest::LoadBinary:
        LoadFromFile();
        break;
    }
  } catch (const std::bad_alloc&) {
    // A view ran out of memory (a path, a text): the command is abandoned.
  }
}

void CaptureThread::StartCapture() {
  // Afresh at every start, also while capturing: since the last one the
  // address may have gone (sleep, DHCP, VPN), the choice may have changed, and
  // rights may have come.
  const SourceOpening opening = OpenSource();
  if (!opening.open) {
    const std::string log_line = OpeningLogLine(opening);
    const std::string text = OpeningBoxText(opening);
    EmergencyStop(OpeningFailedNotice(log_line, text));
    return;
  }
  SetMode(CaptureRequest::Capture);
}

void CaptureThread::WaitWhileStopped() {
  // Stopped, no socket is open, so nothing queues up that a later start would
  // store as new traffic.
  Pause(kIdlePauseMs);
}

void CaptureThread::RunCapturePass() {
  // While datagrams keep arriving the pass never sleeps; the list follows in
  // batches, and the interval applies only after a quiet second or a stop.
  // An emergency stop during the pass sets the thread back to Idle.
  while (context_.control.capture_request.load() == static_cast<int8_t>(CaptureRequest::Capture) &&
         !context_.control.commands.Pending() && Running()) {
    if (context_.source.WaitReadable(kWaitSeconds) != 1) break;
    ReceiveOne();
    ++list_update_counter_;
    if (SourceFailing()) {
      EmergencyStop(CaptureNotice::ReceiveError);
      break;
    }
  }
  UpdateList();
  list_update_counter_ = 0;
  Pause(context_.control.receive_interval_ms.load());
}

int32_t CaptureThread::Receive() {
  const int32_t size = context_.source.Receive(buffer_.get(), kBufferSize);
  if (size < 0) {
    ++failed_receives_;
  } else if (size > 0) {
    failed_receives_ = 0;
  }
  // The bytes after the datagram must read as zero. Only those the previous
  // datagram wrote can be anything else: clearing just them, rather than the
  // whole buffer before every receive, keeps this cheap for small packets.
  const int32_t end = size > 0 && size <= kBufferSize ? size : 0;
  if (end < buffer_used_)
    std::memset(buffer_.get() + end, 0, static_cast<size_t>(buffer_used_ - end));
  buffer_used_ = end;
  return end;
}

void CaptureThread::ReceiveOne() {
  const int32_t size = Receive();
  if (size == 0) return;
  if (context_.filter.Accept(buffer_.get(), size) != 1) return;
  StorePacket(size);
  if (list_update_counter_ > kListUpdateEvery) {
    UpdateList(true);  // in the middle of a pass: the pass ends with another
    list_update_counter_ = 0;
  }
}

void CaptureThread::StorePacket(int32_t size) {
  const SystemTime time = CurrentLocalTime();
  const uint8_t result = context_.store.Add(buffer_.get(), static_cast<uint32_t>(size), time);
  if (result == PacketStore::kAddStored) return;
  if (result == PacketStore::kAddFull) {
    // Read now, not at start: a change while capturing applies as soon as
    // the filter sees it.
    if (context_.filter.OverwriteWhenFull() == 1) {
      StoreOverwriting(size, time);
    } else {
      EmergencyStop(CaptureNotice::StoreFull);
    }
    return;
  }
  EmergencyStop(CaptureNotice::AllocationFailed);
}

void CaptureThread::StoreOverwriting(int32_t size, const SystemTime& time) {
  const int32_t removed =
      context_.store.AddOverwriting(buffer_.get(), static_cast<uint32_t>(size), time);
  if (removed < 0) {
    EmergencyStop(CaptureNotice::StoreTooSmall);
    return;
  }
  // The removed records are the oldest, so their rows are the top ones; records
  // not yet listed have no row.
  list_.DeleteTopRows(std::min(removed, int32_t{list_.RowCount()}));
}

void CaptureThread::EmergencyStop(CaptureNotice notice) {
  EmergencyStop(NoticeText(notice));
}

void CaptureThread::EmergencyStop(const CaptureNoticeText& notice) {
  CloseSource();
  UpdateList();
  LogNotice(notice);
  ShowNotice(notice, context_.view.Boxes());
  SetMode(CaptureRequest::Idle);
  context_.view.Stops().CaptureStopped();
}

void CaptureThread::TellOutcome(CaptureNotice notice) {
  LogNotice(notice);
  if (Running()) ShowNotice(notice, context_.view.Boxes());
}

void CaptureThread::UpdateList(bool more_follow) {
  list_.Update(context_.store, more_follow);
}

void CaptureThread::SetMode(CaptureRequest mode) {
  context_.control.capture_request.store(static_cast<int8_t>(mode));
}

void CaptureThread::Pause(int32_t ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (Running() && !context_.control.commands.Pending()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        deadline - now, std::chrono::milliseconds(kPauseSliceMs)));
  }
}

bool CaptureThread::Running() const {
  return context_.control.capture_thread_running.load() != 0;
}
