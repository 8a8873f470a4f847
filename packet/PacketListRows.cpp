// Applying the capture thread's list changes and drawing rows from the store.
#include "packet/PacketListRows.h"

#include <algorithm>

bool PacketRowCells(const PacketStore& store, const PacketRow& row, ListRowTexts& out) {
  return store.ReadBySequence(row.sequence, [&](const CapturedPacket& packet) {
    ListRowCells(packet, row.number, row.previous_time, out);
  });
}

void PacketListRows::Apply(const ListChanges& changes) {
  if (changes.reset) previous_times_.clear();
  const size_t deleted = std::min<size_t>(changes.deleted_top, previous_times_.size());
  previous_times_.erase(previous_times_.begin(), previous_times_.begin() + deleted);
  top_sequence_ += deleted;
  top_number_ += static_cast<uint32_t>(deleted);
  if (previous_times_.empty()) {
    top_sequence_ = changes.first_sequence;
    top_number_ = static_cast<uint32_t>(changes.first_number);
  }
  previous_times_.insert(previous_times_.end(), changes.previous_times.begin(),
                         changes.previous_times.end());
  // Sequence numbers are never reused, so a cached row stays right as long as
  // its record exists; a reset only makes sure of it.
  if (changes.reset) cached_ = false;
}

PacketRow PacketListRows::Row(int row) const {
  return PacketRow{top_sequence_ + static_cast<uint64_t>(row),
                   static_cast<int32_t>(top_number_ + static_cast<uint32_t>(row)),
                   previous_times_[static_cast<size_t>(row)]};
}

const ListRowTexts* PacketListRows::Cells(int row, const PacketStore& store) {
  if (row < 0 || row >= RowCount()) return nullptr;
  const PacketRow wanted = Row(row);
  if (cached_ && cached_sequence_ == wanted.sequence) return &cache_;
  cached_ = PacketRowCells(store, wanted, cache_);
  cached_sequence_ = wanted.sequence;
  return cached_ ? &cache_ : nullptr;
}
