// The rows of the owner-data packet list on the user-interface thread. The
// control keeps no text; when it draws a row or is asked for a cell, the row's
// cells are built from the store's record with the list's own row function.
// Beside the store only what cannot be found in it is kept: the number of the
// top row (the others follow it) and, per row, the time its DiffTime is
// measured from (the packet before it may have left the store). Rows know
// their records by sequence number, so a row whose record has gone since the
// last hand-over draws empty instead of showing another packet.
//
// Threads: the user-interface thread only; the changes come from the capture
// thread's BatchedListPane.
#pragma once

#include <cstdint>
#include <deque>

#include "packet/BatchedListPane.h"
#include "packet/ListRowTexts.h"
#include "packet/PacketStore.h"

// Builds the cells of `row` from its record: false, with `out` untouched,
// when the record has left the store.
bool PacketRowCells(const PacketStore& store, const PacketRow& row, ListRowTexts& out);

class PacketListRows {
 public:
  void Apply(const ListChanges& changes);

  int RowCount() const { return static_cast<int>(previous_times_.size()); }
  // The row as it was appended; `row` must be below RowCount().
  PacketRow Row(int row) const;
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
