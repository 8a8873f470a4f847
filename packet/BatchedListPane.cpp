// Gathering the packet list's changes for one hand-over per list update.
#include "packet/BatchedListPane.h"

#include <algorithm>

void BatchedListPane::AppendRow(const PacketRow& row) {
  if (changes_.previous_times.size() >= kMaxRowsPerHandover) Flush();
  if (changes_.previous_times.empty()) {
    changes_.first_sequence = row.sequence;
    changes_.first_number = row.number;
  }
  changes_.previous_times.push_back(row.previous_time);
  ++rows_;
}

void BatchedListPane::DeleteTopRows(int count) {
  count = std::clamp(count, 0, rows_);
  rows_ -= count;
  const int delivered = std::min(count, delivered_rows_left_);
  delivered_rows_left_ -= delivered;
  changes_.deleted_top += static_cast<uint32_t>(delivered);
  // The rest were appended since the last hand-over: they never reach the control.
  const int gathered = count - delivered;
  changes_.previous_times.erase(changes_.previous_times.begin(),
                                changes_.previous_times.begin() + gathered);
  changes_.first_sequence += static_cast<uint64_t>(gathered);
  changes_.first_number =
      static_cast<int32_t>(static_cast<uint32_t>(changes_.first_number) + static_cast<uint32_t>(gathered));
}

void BatchedListPane::DeleteAllRows() {
  changes_.Clear();
  changes_.reset = true;
  rows_ = 0;
  delivered_rows_left_ = 0;
  Flush();
}

void BatchedListPane::EndUpdate(bool more_follow) {
  if (more_follow && std::chrono::steady_clock::now() - last_handover_ < hold_) return;
  Flush();
}

void BatchedListPane::Flush() {
  if (changes_.Empty()) return;
  rows_ = deliver_(changes_);
  delivered_rows_left_ = rows_;
  changes_.Clear();
  last_handover_ = std::chrono::steady_clock::now();
}
