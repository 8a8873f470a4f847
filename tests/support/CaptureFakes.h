// Test doubles for the capture thread: a scripted packet source, a recording
// capture view built from the fake panes, and
// the rig that holds one capture thread under test with all it works with.
// The source is safe to feed from the test thread while a capture thread runs;
// the view is touched by the capture thread only and read after it has ended.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>  // std::chrono clocks without <chrono>
#include <vector>

#include "app/CapturePageCommands.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureThread.h"
#include "capture/CaptureView.h"
#include "capture/PacketSource.h"
#include "support/Datagrams.h"
#include "support/FakePanes.h"
#include "support/TempDir.h"

// A packet source that plays a script. Each step is what one WaitReadable and,
// when readable, one Receive see. With the script used up the line is quiet:
// WaitReadable answers 0, after `quiet_wait` of real time (0 for step tests,
// a few milliseconds for a running thread so that it does not spin).
class ScriptedSource : public PacketSource {
 public:
  struct Step {
    bool readable = true;
    int32_t result = 0;  // Receive's answer when `bytes` is empty: 0 or -1
    std::vector<uint8_t> bytes;
    std::function<void()> before_receive;  // runs inside Receive, before the copy
  };

  void Push(Step step) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back(std::move(step));
  }
  void PushDatagram(std::vector<uint8_t> bytes, std::function<void()> before_receive = {}) {
    Step step;
    step.bytes = std::move(bytes);
    step.before_receive = std::move(before_receive);
    Push(std::move(step));
  }
  void PushQuiet() {
    Step step;
    step.readable = false;
    Push(std::move(step));
  }
  void PushReceiveResult(int32_t result) {
    Step step;
    step.result = result;
    Push(std::move(step));
  }
  void DropScript() {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.clear();
  }
  size_t Remaining() {
    std::lock_guard<std::mutex> lock(mutex_);
    return script_.size();
  }

  // Opens on the chosen address, or on 10.0.0.2 for the automatic one, while
  // open_result is 1; otherwise answers `failure`.
  SourceOpening Open(const CaptureAddressChoice& where) override {
    ++open_calls;
    std::lock_guard<std::mutex> lock(mutex_);
    opened_on.push_back(where);
    if (open_result != 1) return failure;
    return {true, where.automatic ? "10.0.0.2" : where.address};
  }
  int WaitReadable(int seconds) override {
    ++wait_calls;
    last_wait_seconds = seconds;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (endless) return 1;
      if (!script_.empty()) {
        if (script_.front().readable) return 1;
        script_.pop_front();
        return 0;
      }
    }
    // A quiet line: the wait lasts `quiet_wait` unless a wake ends it.
    std::unique_lock<std::mutex> lock(mutex_);
    if (seconds > 0) woken_cv_.wait_for(lock, quiet_wait, [&] { return woken_; });
    woken_ = false;
    return 0;
  }
  void Wake() override {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    woken_cv_.notify_all();
  }
  int32_t Receive(uint8_t* buffer, int32_t capacity) override {
    ++receive_calls;
    // The capture thread hands over a buffer that is zero after the last
    // datagram; a source writes only the datagram itself.
    if (std::any_of(buffer + last_size_, buffer + capacity, [](uint8_t b) { return b != 0; })) {
      ++stale_buffers;
    }
    const int32_t size = ReceiveStep(buffer, capacity);
    last_size_ = std::max(size, 0);
    return size;
  }
  void Close() override { ++close_calls; }
  void Cleanup() override { ++cleanup_calls; }

  std::atomic<int> open_result{1};
  SourceOpening failure{false, "", OpenStep::kCreate, kErrorAccessDenied};
  std::vector<CaptureAddressChoice> opened_on;  // read once the thread has ended
  // Endless traffic: every wait is readable and every receive is endless_bytes.
  bool endless = false;
  std::vector<uint8_t> endless_bytes;
  std::chrono::milliseconds quiet_wait{0};
  std::atomic<int> open_calls{0}, wait_calls{0}, receive_calls{0}, close_calls{0}, cleanup_calls{0};
  int last_wait_seconds = 0;
  // Receives that found bytes of an earlier datagram left after the last one.
  std::atomic<int> stale_buffers{0};

 private:
  int32_t ReceiveStep(uint8_t* buffer, int32_t capacity) {
    Step step;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (endless) {
        std::memcpy(buffer, endless_bytes.data(), endless_bytes.size());
        return static_cast<int32_t>(endless_bytes.size());
      }
      if (script_.empty()) return -1;
      step = std::move(script_.front());
      script_.pop_front();
    }
    if (step.before_receive) step.before_receive();
    if (step.bytes.empty()) return step.result;
    const size_t n = std::min(step.bytes.size(), static_cast<size_t>(capacity));
    std::memcpy(buffer, step.bytes.data(), n);
    return static_cast<int32_t>(n);
  }

  int32_t last_size_ = 0;
  bool woken_ = false;
  std::condition_variable woken_cv_;
  std::mutex mutex_;
  std::deque<Step> script_;
};

// The capture page's side of the capture thread's own stops: the stopped state
// shows unless a command waits. Counts the stops.
class PageStops : public CaptureStopSink {
 public:
  PageStops(CaptureControl& control, FakeStatusText& status) : control_(control), status_(status) {}
  void CaptureStopped() override {
    ++stops;
    if (!control_.commands.Pending()) status_.SetStatusText(0, kStateStopped);
  }

  int stops = 0;

 private:
  CaptureControl& control_;
  FakeStatusText& status_;
};

// A list pane that can run a hook while it is being emptied.
class HookedListPane : public FakeListPane {
 public:
  void HandOver(const PacketListChanges& changes) override {
    if (changes.reset && on_delete_all) on_delete_all();
    FakeListPane::HandOver(changes);
  }
  std::function<void()> on_delete_all;
};

class RecordingView : public CaptureView {
 public:
  struct Dialog {
    bool save = false;
    std::string filter;  // the pairs with their NULs, without the closing one
    std::string title;
    std::string default_extension;
    unsigned flags = 0;
  };
  struct DialogAnswer {
    int result = 0;  // 1 chosen, 0 cancelled
    std::string path;
    std::function<void()> while_open;
  };

  explicit RecordingView(CaptureControl& control) : stops(control, status) {
    list.status = &status;
  }

  PacketListSink& List() override { return list; }
  TreePane& Tree() override { return tree; }
  HexPane& Hex() override { return hex; }
  StatusText& Status() override { return status; }
  ProgressBar& Progress() override { return progress; }
  MessageBoxes& Boxes() override { return boxes; }
  CaptureStopSink& Stops() override { return stops; }

  int ShowSaveDialog(const FileDialogRequest& request, std::string& path) override {
    return Answer(true, request, path);
  }
  int ShowOpenDialog(const FileDialogRequest& request, std::string& path) override {
    return Answer(false, request, path);
  }
  int FileExists(const char* path) override { return OpensForReading(path); }

  HookedListPane list;
  FakeTreePane tree;
  FakeHexPane hex;
  FakeStatusText status;
  FakeProgressBar progress;
  FakeMessageBoxes boxes;
  PageStops stops;
  std::vector<Dialog> dialogs;
  std::deque<DialogAnswer> answers;  // used up in order; cancelled when empty

 private:
  int Answer(bool save, const FileDialogRequest& request, std::string& path) {
    Dialog d;
    d.save = save;
    for (const char* p = request.filter; *p != '\0'; p += std::strlen(p) + 1) {
      d.filter.append(p, std::strlen(p) + 1);
    }
    d.title = request.title;
    d.default_extension = request.default_extension;
    d.flags = request.flags;
    dialogs.push_back(d);
    if (answers.empty()) return 0;
    DialogAnswer answer = std::move(answers.front());
    answers.pop_front();
    if (answer.while_open) answer.while_open();
    if (answer.result == 1) path = answer.path;
    return answer.result;
  }
};

// Everything one capture thread under test works with, in a fresh working
// directory of its own.
struct CaptureRig {
  CaptureRig() { view.list.store = &store; }
  // The user's command, as the capture page gives it: queued for the thread,
  // whose wait it wakes, and the state it leads to shown at once.
  void Give(CaptureRequest command) {
    GiveCaptureCommand(context, command);
    view.status.SetStatusText(0, CaptureStateText(command));
  }
  TempDir dir;
  CaptureControl control;
  PacketStore store;
  ScriptedSource source;
  RecordingView view{control};
  PacketFilter filter{(dir.path() / "config.ini").string()};
  CaptureContext context{control, store, source, view, filter};
  CaptureThread thread{context};
};
