// The packet list: one row per stored packet, from the capture thread's store
// to the owner-data list control on the user-interface thread. The list keeps
// no text; a row's cells are built from its record when the control draws it.
//
// It has a half for each thread, and only plain values cross between them:
// - PacketListFeed (capture thread) counts the rows, works out each new row's
//   number and the time its DiffTime is measured from, and gathers the rows
//   appended and the rows deleted at the top into PacketListChanges. It hands
//   them over in one piece per list update, or, while packets keep arriving,
//   at most every few dozen milliseconds: a message to another thread costs up
//   to a millisecond under Wine, so nothing crosses per row.
// - PacketListRows (user-interface thread) applies the changes, maps rows to
//   the store's records by sequence number, builds a row's cells, and works
//   out where the selected, the focused and the shown row go when rows leave
//   the top. The Win32 side only applies the count and those rows.
//
// Rows mirror the store in order: the capture thread deletes rows at the top
// when it overwrites the oldest packets and appends at the bottom. Rows know
// their records by sequence number, so a row whose record has gone since the
// last hand-over draws empty instead of showing another packet.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <thread>  // std::chrono clocks without <chrono>

#include "log/SystemTime.h"
#include "views/ListRowTexts.h"
#include "packet/PacketStore.h"

// One row as the capture thread appends it.
struct PacketRow {
  uint64_t sequence;         // the record's sequence number in the store
  int32_t number;            // the row number shown in column 0
  SystemTime previous_time;  // what DiffTime is measured from; all zero: "0 sec"
};

// What changed since the last hand-over, in the order it is to be applied:
// first every row deleted (`reset`), then `deleted_top` rows deleted from the
// top, then the appended rows, whose records and numbers follow one another
// from `first_sequence` and `first_number`. Rows appended and deleted again
// between two hand-overs never show up here. `counts` is the status bar's
// packet-count text as of the end of the update.
struct PacketListChanges {
  bool reset = false;
  uint32_t deleted_top = 0;
  uint64_t first_sequence = 0;
  int32_t first_number = 0;
  std::deque<SystemTime> previous_times;  // one per appended row
  std::string counts;

  bool RowsLeave() const { return reset || deleted_top > 0; }
};

// Takes each hand-over on the user-interface thread; HandOver returns once the
// changes are applied. `HoldMs`: how long changes may wait while more updates
// follow (0: every update goes at once).
class PacketListSink {
 public:
  virtual ~PacketListSink() = default;
  virtual void HandOver(const PacketListChanges& changes) = 0;
  virtual int HoldMs() const { return 0; }
};

// The capture thread's half. Every reset comes with an emptied store.
class PacketListFeed {
 public:
  // A hand-over never carries more appended rows than this, so that the
  // window never holds two copies of a large list's rows.
  static constexpr size_t kMaxRowsPerHandover = 65536;

  explicit PacketListFeed(PacketListSink& sink);

  // The rows the control has once the gathered changes are applied.
  int RowCount() const { return rows_; }

  // Appends a row for every packet stored since the previous update (the first
  // after a reset: for every stored packet) and takes the status counts along.
  // `more_follow`: another update comes soon (while packets keep arriving), so
  // the changes may wait for it.
  void Update(const PacketStore& store, bool more_follow = false);
  // Appends rows for the packets stored since the last update, as Update
  // does, but hands nothing over: for a load, which lists nothing until it is
  // done, while the records it just stored are still in the cache. The next
  // Update hands the rows over, in pieces of at most kMaxRowsPerHandover.
  void Gather(const PacketStore& store);
  // The `count` oldest records left the store (overwritten): their rows go.
  void DeleteTopRows(int count);
  // Every row goes, at once; the numbering and DiffTime start again.
  void Reset();

 private:
  void AppendNewRows(const PacketStore& store, bool hand_over_full);
  void AppendRow(uint64_t sequence, const SystemTime& previous_time);
  void HandOver();
  void HandOverFirstRows();

  PacketListSink& sink_;
  std::chrono::steady_clock::time_point last_handover_{};
  PacketListChanges changes_;
  int rows_ = 0;
  int delivered_rows_left_ = 0;         // rows the control has that no gathered change deleted
  int32_t next_number_ = 0;             // rows appended since the last reset
  SystemTime previous_receive_time_{};  // of the last listed packet whose IP header decoded
  // The store's packet counter at the last update. It wraps to 0 after
  // PacketStore::kPacketCounterWrap, so new packets are the distance from this
  // value modulo the wrap, not counter minus rows.
  uint32_t last_packet_counter_ = 0;
};

// Rows of the list that carry a state: the selected and the focused item and
// the row whose packet the detail panes show; -1 for none.
struct PacketListMarks {
  int selected = -1;
  int focused = -1;
  int shown = -1;
  bool operator==(const PacketListMarks&) const = default;
};

// Builds the cells of `row` from its record: false, with `out` untouched,
// when the record has left the store.
bool PacketRowCells(const PacketStore& store, const PacketRow& row, ListRowTexts& out);

// The user-interface thread's half.
class PacketListRows {
 public:
  // Applies the changes and returns where `marks` go: rows that left take
  // their marks along, the others move up with their records.
  PacketListMarks Apply(const PacketListChanges& changes, PacketListMarks marks = {});

  int RowCount() const { return static_cast<int>(previous_times_.size()); }
  // The row as it was appended; `row` must be below RowCount().
  PacketRow Row(int row) const;
  // Type-ahead: the first row at or after `start` (wrapping around to the top)
  // whose first cell, the row number, begins with `text` (is `text` when
  // `whole`); -1 for none.
  int FindRowByNumber(std::string_view text, int start, bool whole = false) const;
  // The cells of `row`, or null when there is no such row or its record is
  // gone. The texts stay valid until the next call: the control asks for the
  // cells of a row one after another, so the last row's are kept.
  const ListRowTexts* Cells(int row, const PacketStore& store);

 private:
  uint64_t top_sequence_ = 0;
  uint32_t top_number_ = 0;
  std::deque<SystemTime> previous_times_;
  bool cached_ = false;
  uint64_t cached_sequence_ = 0;
  ListRowTexts cache_{};
};
