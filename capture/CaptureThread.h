// The capture thread: the program's one worker that does work. It owns the
// packet source and does two jobs strictly one after the other: capturing
// (receive, filter, time-stamp, store, list in batches) and the user's
// commands (start, stop, clear, save, export, open) with their dialogs and
// messages, taken one by one in the order given. Each start opens the capture socket afresh on the
// address config.ini names (or the automatic one as it is then), and every
// stop, emergency stop and store command closes it: a socket never outlives
// its capture, so a changed address is followed at the next start. Without a
// socket (no rights, no address) it still carries out every store command.
// The user-interface thread steers it only through CaptureControl.
//
// The program runs four threads, and a fifth for a moment. The GUI thread (WinMain's) owns every window,
// the capture page's state and the two settings dialogs: it alone writes
// config.ini (the dialogs' saves) and system.ini (at exit), and it starts and
// stops the others. The capture thread is created by the capture page's
// initialisation and ended by CloseCapturePage (capture_thread_running to 0, a
// wake, a wait); it alone adds to or empties the packet store and the packet
// list's feed, writes capture files, exports and error.log lines, and shows
// its file dialogs and message boxes itself, reaching the page's windows only
// through synchronous messages. The config watcher thread belongs to the
// capture page's PacketFilter, which starts it just before the capture thread
// and stops it (destroying the filter) after that thread has ended; it only
// moves ConfigFile's atomic change count on. The idle thread
// (app/IdleThreadWin32.h) is started last by the main window's creation and
// ended by the shutdown sequence after the capture thread; it writes nothing.
// While the capture thread opens a large capture file, the packet store runs a
// fifth, its block supply (PacketStore::TouchBlocksAhead): it allocates and
// touches blocks that only the store takes, and ends before the open returns.
// Nothing else starts a thread; the common file dialogs may run threads of
// the system's own.
#pragma once

#include <cstdint>
#include <memory>

#include "capture/CaptureControl.h"
#include "capture/CaptureNotices.h"
#include "capture/CaptureView.h"
#include "capture/PacketSource.h"
#include "config/PacketFilter.h"
#include "views/PacketList.h"
#include "packet/PacketStore.h"

// What the capture thread works with; everything outlives the thread.
struct CaptureContext {
  CaptureControl& control;
  PacketStore& store;
  PacketSource& source;
  CaptureView& view;
  PacketFilter& filter;  // used by the capture thread only
};

// The thread function: carries out the user's commands until
// capture_thread_running is 0, then closes the source if it is open. Returns 0.
int CaptureThreadMain(CaptureContext& context);

// Queues a command of the user for the capture thread and wakes its wait, so
// that it is taken within PacketSource::kWakeWithinMs.
void GiveCaptureCommand(CaptureContext& context, CaptureRequest command);

// One capture thread's working state and its steps. CaptureThreadMain runs the
// loop; tests drive single steps on their own thread.
class CaptureThread {
 public:
  // Pause while stopped, and the longest slice of any pause: shutdown
  // and new commands are noticed within one slice.
  static constexpr int kIdlePauseMs = 100;
  static constexpr int kPauseSliceMs = 50;
  // A capture pass brings the list up to date when more receive attempts than
  // this have gone by since the last update.
  static constexpr int32_t kListUpdateEvery = 4;
  // Receives in a row that failed although the source said a datagram was
  // there: the socket is broken, and waiting again would only spin.
  static constexpr int kFailedReceivesToStop = 64;

  explicit CaptureThread(CaptureContext& context);
  CaptureThread(const CaptureThread&) = delete;
  CaptureThread& operator=(const CaptureThread&) = delete;

  // 1 when the receive buffer could be allocated; nothing else may run otherwise.
  int Ready() const { return buffer_ != nullptr; }

  // Opens the source afresh (closing it first if it is open) on the address
  // config.ini names, and shows that address in the status bar.
  SourceOpening OpenSource();
  // Closes the source if it is open, and clears the address shown.
  void CloseSource();

  // One iteration of the loop: the next command if one waits, else one step
  // of what the last one started (capturing, or waiting while stopped).
  void RunIteration();

  void WaitWhileStopped();                  // Idle: the idle pause
  void RunCapturePass();                    // Capture
  void ClearAll();                          // Clear
  void SaveToFile(CaptureRequest request);  // SaveBinary or SaveText
  void LoadFromFile();                      // LoadBinary

  int32_t list_update_counter() const { return list_update_counter_; }
  // The packet list as this thread has gathered it.
  const PacketListFeed& list() const { return list_; }

 private:
  void Act(CaptureRequest command);
  void StartCapture();
  // Receives one datagram into the buffer and returns its size, or 0 when
  // there was none; everything in the buffer after it is zero.
  int32_t Receive();
  // Receives into the buffer and stores what the filter accepts.
  void ReceiveOne();
  void StorePacket(int32_t size);
  void StoreOverwriting(int32_t size, const SystemTime& time);
  // Stops capturing by the thread's own decision, with the log line and the
  // message of the case; a command the user gave meanwhile still waits. The
  // list is brought up to date first, so that what was gathered before the
  // stop is on screen while the message is up.
  void EmergencyStop(CaptureNotice notice);
  void EmergencyStop(const CaptureNoticeText& notice);
  // The outcome of a file command: its log line, and its message unless the
  // program is closing (the user has confirmed the exit; no box may hold it up).
  void TellOutcome(CaptureNotice notice);
  bool SourceFailing() const { return failed_receives_ >= kFailedReceivesToStop; }
  void UpdateList(bool more_follow = false);
  void EmptyStoreAndPanes();
  void SetMode(CaptureRequest mode);
  // Sleeps `ms` in slices; ends early on shutdown or when a command waits.
  void Pause(int32_t ms);
  bool Running() const;

  CaptureContext& context_;
  PacketListFeed list_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t buffer_used_ = 0;  // bytes of the last datagram received into it
  int32_t list_update_counter_ = 0;
  bool source_open_ = false;
  int failed_receives_ = 0;  // in a row, since the last datagram
};
