// Helpers of the window measurements (bench/windows): answering a command's
// file dialog and its completion box while noting the moments that a user's
// wait runs between, and the process's memory as Wine and Linux report it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <future>
#include <string>
#include <thread>  // std::chrono clocks without <chrono>
#include <vector>

#include "capture/PacketSource.h"

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

struct TimedAnswer {
  bool dialog_answered = false;
  std::string box_title;       // the box that came: the expected one, a failure's, or none
  bool expected_box = false;   // box_title is the one asked for
  Clock::time_point ok;        // when OK was posted to the file dialog
  Clock::time_point box_seen;  // when the box's window was first found

  bool Succeeded() const { return dialog_answered && expected_box; }
};

// Starts a thread that answers the file dialog titled `dialog` of `process_id`
// (0: this process) with `path` (AnswerFileDialog) and notes when OK was
// posted; then looks every 5 ms for the box titled `box`, or a failure's box (an error,
// the overwrite question), notes when one appeared and closes it (OK for the
// expected box, Cancel for the others).
std::future<TimedAnswer> AnswerDialogThenBox(const char* dialog, const std::string& path,
                                             const char* box, DWORD timeout_ms,
                                             DWORD process_id = 0);

// A source that hands out `Grant`ed datagrams back to back, taking the given
// ones in turn, then stays quiet. Grant only once the capture has started:
// a start opens the source afresh, and what came before belongs to no capture.
class GrantedSource : public PacketSource {
 public:
  explicit GrantedSource(std::vector<std::vector<uint8_t>> datagrams)
      : datagrams_(std::move(datagrams)) {}
  void Grant(int count) { remaining_ += count; }
  SourceOpening Open(const CaptureAddressChoice&) override { return {true, "10.250.1.1"}; }
  int WaitReadable(int seconds) override;
  void Wake() override {}
  int32_t Receive(uint8_t* buffer, int32_t capacity) override;
  void Close() override {}
  void Cleanup() override {}

 private:
  std::vector<std::vector<uint8_t>> datagrams_;
  std::atomic<int> remaining_{0};
  size_t next_ = 0;  // capture thread only
};

// Says on standard output which step failed and why; returns false.
bool Failed(const char* step, const TimedAnswer& answer);

// Prints this process's memory as GetProcessMemoryInfo reports it (under Wine
// the peak working set is the process's VmHWM, the peak of its resident set),
// and that peak against 1.15 x `packet_bytes` + 100 MiB.
void PrintMemory(uint64_t packet_bytes);
