// The packet list as the capture thread sees it: the changes of one list
// update are gathered and handed to the user-interface thread in one piece,
// which applies them to the owner-data list control at once. A control on
// another thread costs one synchronous message per call, and under Wine a
// message costs up to a millisecond, so nothing may cross per row. While
// packets pour in, the updates of a few dozen milliseconds go over together.
//
// Threads: the capture thread owns the pane; `Deliver` runs on it and must
// return only after the changes have been applied.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <thread>  // std::chrono clocks without <chrono>

#include "packet/Panes.h"

// What changed in the list since the last hand-over, in the order it is to be
// applied: first every row deleted (`reset`), then `deleted_top` rows deleted
// from the top, then the appended rows, whose records and numbers follow one
// another from `first_sequence` and `first_number`. Rows appended and deleted
// again between two hand-overs never show up here.
struct ListChanges {
  bool reset = false;
  uint32_t deleted_top = 0;
  uint64_t first_sequence = 0;
  int32_t first_number = 0;
  std::deque<SystemTime> previous_times;  // one per appended row

  bool Empty() const { return !reset && deleted_top == 0 && previous_times.empty(); }
  void Clear() { *this = ListChanges{}; }
};

class BatchedListPane : public ListPane {
 public:
  // Applies the changes to the real list and returns its row count after them.
  using Deliver = std::function<int(const ListChanges&)>;

  // A hand-over never carries more appended rows than this, so that opening a
  // large file needs no second copy of the list's rows in memory.
  static constexpr size_t kMaxRowsPerHandover = 65536;

  // While more updates follow, changes are handed over at most every
  // `hold_ms` (the list a user watches needs no more, and each hand-over
  // waits for the other thread); the last update of a run goes at once.
  explicit BatchedListPane(Deliver deliver, int hold_ms = 50)
      : deliver_(std::move(deliver)), hold_(std::chrono::milliseconds(hold_ms)) {}

  // The rows the control will have once the gathered changes are applied.
  int RowCount() override { return rows_; }
  void AppendRow(const PacketRow& row) override;
  void DeleteTopRows(int count) override;
  // Takes effect at once: the gathered changes are moot and are dropped.
  void DeleteAllRows() override;
  void EndUpdate(bool more_follow) override;

  // True while changes wait for the end of the update.
  bool HasQueuedChanges() const { return !changes_.Empty(); }

 private:
  void Flush();

  Deliver deliver_;
  std::chrono::steady_clock::duration hold_;
  std::chrono::steady_clock::time_point last_handover_{};
  ListChanges changes_;
  int rows_ = 0;
  int delivered_rows_left_ = 0;  // rows the control has that no gathered change deleted
};
