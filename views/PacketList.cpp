// The packet list's two halves: gathering rows on the capture thread, applying
// them and drawing cells on the user-interface thread.
#include "views/PacketList.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>

#include "packet/HeaderDecoders.h"

namespace {

constexpr uint32_t kCounterModulus = PacketStore::kPacketCounterWrap + 1;
// Records read per hold of the store's lock while rows are appended.
constexpr uint32_t kRowsPerRead = 4096;

// Packets stored since the counter read `last`; the counter runs through
// 0 ... kPacketCounterWrap and starts again at 0.
uint32_t PacketsSince(uint32_t last, uint32_t counter) {
  return (counter % kCounterModulus + kCounterModulus - last % kCounterModulus) % kCounterModulus;
}

std::string CountsText(const PacketStore& store) {
  char text[128];
  std::snprintf(text, sizeof text, "Packet:%u　　Memory:%llu byte", store.PacketCounter(),
                static_cast<unsigned long long>(store.TotalBytes()));
  return text;
}

}  // namespace

PacketListFeed::PacketListFeed(PacketListSink& sink) : sink_(sink) {}

void PacketListFeed::Update(const PacketStore& store, bool more_follow) {
  AppendNewRows(store, true);
  changes_.counts = CountsText(store);
  const auto hold = std::chrono::milliseconds(sink_.HoldMs());
  if (more_follow && std::chrono::steady_clock::now() - last_handover_ < hold) return;
  HandOver();
}

void PacketListFeed::Gather(const PacketStore& store) {
  AppendNewRows(store, false);
}

void PacketListFeed::AppendNewRows(const PacketStore& store, bool hand_over_full) {
  // Before the first row since a reset every stored record is new, also when
  // a load of more than kPacketCounterWrap records has wrapped the counter.
  const uint32_t counter = store.PacketCounter();
  const bool first_since_reset = next_number_ == 0 && last_packet_counter_ == 0;
  uint32_t fresh = first_since_reset ? store.Count() : PacketsSince(last_packet_counter_, counter);
  last_packet_counter_ = counter;

  // More new packets than stored ones: the oldest of them are gone already.
  const uint32_t stored = store.Count();
  if (fresh > stored) fresh = stored;
  const uint32_t first = stored - fresh;
  const uint64_t first_sequence = store.FirstSequence() + first;

  // The records are read a batch at a time under one hold of the store's
  // lock, and handed over only between batches: the window's thread takes
  // that lock to draw cells, so it must not be held while the thread is
  // waited for. Only this thread removes records, so every index below the
  // count holds one.
  uint32_t k = 0;
  while (k < fresh) {
    uint32_t batch = std::min(fresh - k, kRowsPerRead);
    if (hand_over_full) {
      if (changes_.previous_times.size() >= kMaxRowsPerHandover) HandOver();
      const size_t room = kMaxRowsPerHandover - changes_.previous_times.size();
      batch = static_cast<uint32_t>(std::min<size_t>(batch, room));
    }
    const uint32_t read = store.ReadInOrder(first + k, batch, [&](const CapturedPacket& packet) {
      AppendRow(first_sequence + k++, previous_receive_time_);
      IpHeader ip{};
      if (DecodeIpHeader(ip, packet.data, static_cast<int32_t>(packet.size))) {
        previous_receive_time_ = packet.time;
      }
    });
    if (read < batch) break;
  }
}

void PacketListFeed::AppendRow(uint64_t sequence, const SystemTime& previous_time) {
  if (changes_.previous_times.empty()) {
    changes_.first_sequence = sequence;
    changes_.first_number = next_number_;
  }
  changes_.previous_times.push_back(previous_time);
  ++rows_;
  // Wraps instead of overflowing after 2^31 rows of a very long capture.
  next_number_ = static_cast<int32_t>(static_cast<uint32_t>(next_number_) + 1);
}

void PacketListFeed::DeleteTopRows(int count) {
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
  changes_.first_number = static_cast<int32_t>(static_cast<uint32_t>(changes_.first_number) +
                                               static_cast<uint32_t>(gathered));
}

void PacketListFeed::Reset() {
  changes_ = PacketListChanges{};
  changes_.reset = true;
  rows_ = 0;
  delivered_rows_left_ = 0;
  next_number_ = 0;
  previous_receive_time_ = SystemTime{};
  last_packet_counter_ = 0;
  HandOver();
}

void PacketListFeed::HandOver() {
  while (changes_.previous_times.size() > kMaxRowsPerHandover) HandOverFirstRows();
  if (!changes_.RowsLeave() && changes_.previous_times.empty() && changes_.counts.empty()) return;
  sink_.HandOver(changes_);
  delivered_rows_left_ = rows_;
  changes_ = PacketListChanges{};
  last_handover_ = std::chrono::steady_clock::now();
}

// Rows gathered beyond one hand-over's worth cross in full pieces, the
// oldest first; what was deleted before them goes with the first.
void PacketListFeed::HandOverFirstRows() {
  auto& times = changes_.previous_times;
  const auto end = times.begin() + kMaxRowsPerHandover;
  PacketListChanges piece;
  piece.reset = changes_.reset;
  piece.deleted_top = changes_.deleted_top;
  piece.first_sequence = changes_.first_sequence;
  piece.first_number = changes_.first_number;
  piece.previous_times.assign(times.begin(), end);
  times.erase(times.begin(), end);
  changes_.reset = false;
  changes_.deleted_top = 0;
  changes_.first_sequence += kMaxRowsPerHandover;
  changes_.first_number = static_cast<int32_t>(static_cast<uint32_t>(changes_.first_number) +
                                               uint32_t{kMaxRowsPerHandover});
  sink_.HandOver(piece);
  delivered_rows_left_ = rows_ - static_cast<int>(times.size());
  last_handover_ = std::chrono::steady_clock::now();
}

bool PacketRowCells(const PacketStore& store, const PacketRow& row, ListRowTexts& out) {
  return store.ReadBySequence(row.sequence, [&](const CapturedPacket& packet) {
    ListRowCells(packet, row.number, row.previous_time, out);
  });
}

PacketListMarks PacketListRows::Apply(const PacketListChanges& changes, PacketListMarks marks) {
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

  if (!changes.RowsLeave()) return marks;
  // After a reset every row has left.
  const int moved_up = changes.reset ? INT_MAX : static_cast<int>(changes.deleted_top);
  auto follow = [&](int row) { return row >= 0 && row >= moved_up ? row - moved_up : -1; };
  return PacketListMarks{follow(marks.selected), follow(marks.focused), follow(marks.shown)};
}

PacketRow PacketListRows::Row(int row) const {
  return PacketRow{top_sequence_ + static_cast<uint64_t>(row),
                   static_cast<int32_t>(top_number_ + static_cast<uint32_t>(row)),
                   previous_times_[static_cast<size_t>(row)]};
}

int PacketListRows::FindRowByNumber(std::string_view text, int start, bool whole) const {
  const int rows = RowCount();
  if (text.empty() || rows == 0) return -1;
  start = start >= 0 && start < rows ? start : 0;
  char digits[16];
  for (int k = 0; k < rows; ++k) {
    const int row = (start + k) % rows;
    const auto number = static_cast<int32_t>(top_number_ + static_cast<uint32_t>(row));
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    const std::string_view cell(digits, static_cast<size_t>(end - digits));
    if (whole ? cell == text : cell.starts_with(text)) return row;
  }
  return -1;
}

const ListRowTexts* PacketListRows::Cells(int row, const PacketStore& store) {
  if (row < 0 || row >= RowCount()) return nullptr;
  const PacketRow wanted = Row(row);
  if (cached_ && cached_sequence_ == wanted.sequence) return &cache_;
  cached_ = PacketRowCells(store, wanted, cache_);
  cached_sequence_ = wanted.sequence;
  return cached_ ? &cache_ : nullptr;
}
