// The capture thread: the program's one worker. It owns the packet source for
// its whole life and does two jobs strictly one after the other: capturing
// (receive, filter, time-stamp, store, list in batches) and the one-shot store
// commands (clear, save, export, open) with their dialogs and messages. The
// user-interface thread steers it only through CaptureControl.
#pragma once

#include <cstdint>
#include <memory>

#include "capture/CaptureControl.h"
#include "capture/CaptureView.h"
#include "capture/PacketSource.h"
#include "packet/PacketList.h"
#include "packet/PacketStore.h"

// What the capture thread works with; everything outlives the thread.
struct CaptureContext {
  CaptureControl& control;
  PacketStore& store;
  PacketSource& source;
  CaptureView& view;
  PacketListState& list_state;
};

// The thread function: opens the source (on failure it returns at once without
// closing anything), serves capture_request until capture_thread_running is 0,
// then closes the source and ends the sockets library. Returns 0.
int CaptureThreadMain(CaptureContext& context);

// One capture thread's working state and its steps. CaptureThreadMain runs the
// loop; tests drive single steps on their own thread.
class CaptureThread {
 public:
  // Pause after the idle drain, and the longest slice of any pause: shutdown
  // and new requests are noticed within one slice.
  static constexpr int kIdlePauseMs = 100;
  static constexpr int kPauseSliceMs = 50;
  // A capture pass brings the list up to date when more receive attempts than
  // this have gone by since the last update.
  static constexpr int32_t kListUpdateEvery = 4;

  explicit CaptureThread(CaptureContext& context);
  CaptureThread(const CaptureThread&) = delete;
  CaptureThread& operator=(const CaptureThread&) = delete;

  // 1 when the receive buffer could be allocated; nothing else may run otherwise.
  int Ready() const { return buffer_ != nullptr; }

  // Reads capture_request once and acts on it: one iteration of the loop.
  void RunIteration();

  void DrainWhileIdle();                    // Idle: empties the source's queue, then the idle pause
  void RunCapturePass();                    // Capture
  void ClearAll();                          // Clear
  void SaveToFile(CaptureRequest request);  // SaveBinary or SaveText
  void LoadFromFile();                      // LoadBinary

  int32_t list_update_counter() const { return list_update_counter_; }

 private:
  // Receives one datagram into the buffer and returns its size, or 0 when
  // there was none; everything in the buffer after it is zero.
  int32_t Receive();
  // Receives into the buffer and stores what the filter accepts.
  void ReceiveOne();
  void StorePacket(int32_t size);
  void StoreOverwriting(int32_t size, const SystemTime& time);
  void EmergencyStop(const char* log_line, const char* title, const char* text);
  void UpdateList(bool more_follow = false);
  void EmptyStoreAndPanes();
  // Sets capture_request back to Idle unless a newer request replaced `taken`.
  void FinishRequest(CaptureRequest taken);
  // Sleeps `ms` in slices; ends early on shutdown or as soon as
  // capture_request no longer holds `acted_on`, the request of this iteration.
  void Pause(int32_t ms, CaptureRequest acted_on);
  bool Running() const;

  CaptureContext& context_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t buffer_used_ = 0;  // bytes of the last datagram received into it
  int32_t list_update_counter_ = 0;
};
