// The packet store: the process's one arrival-ordered queue of captured
// packets, bounded by a limit in Kbyte of packet bytes (1 Kbyte = 1000 bytes),
// with the refusal when full and the overwriting of the oldest records.
//
// Threads: only the capture thread changes the contents (Add, AddOverwriting,
// Clear, and loading a file). The user-interface thread reads records for the
// packet list and the detail tree; it finds them by their sequence number and
// reads them under the lock (ReadBySequence, CopyPacketBySequence), because
// the capture thread may free a record right after Get returns.
// The limit is written by the user-interface thread and read by the capture
// thread, once per operation.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "packet/CapturedPacket.h"

class PacketStore {
 public:
  // Add results.
  static constexpr uint8_t kAddStored = 1;
  static constexpr uint8_t kAddAllocationFailed = 0;
  static constexpr uint8_t kAddFull = 255;

  // The counter of stored packets starts again at 0 after this many.
  static constexpr uint32_t kPacketCounterWrap = 5000000;
  // Records are stored in blocks of this size (a larger record gets a block
  // of its own), so a store holds up to about a block beyond its packets.
  static constexpr uint32_t kBlockBytes = 1u << 20;

  PacketStore();
  ~PacketStore();
  PacketStore(const PacketStore&) = delete;
  PacketStore& operator=(const PacketStore&) = delete;

  // Empties the store and zeroes the limit and the counters. Returns 1.
  int Init();
  // Sets the limit in Kbyte; 0 means no limit. Stored records are not trimmed.
  void SetLimitKbytes(int32_t kbytes);
  int32_t LimitKbytes() const { return limit_kbytes_.load(std::memory_order_relaxed); }

  // Copies the bytes and stores them with the time: kAddStored, kAddFull when
  // they would take the total past the limit, kAddAllocationFailed when memory
  // ran out. Nothing changes unless the result is kAddStored.
  uint8_t Add(const uint8_t* bytes, uint32_t size, const SystemTime& time);

  // For a full store in overwrite mode: removes just enough of the oldest
  // records that the total with the new packet falls strictly below the limit,
  // then stores it. Returns how many records were removed, or -1 when the
  // packet cannot fit even in an empty store or memory ran out; on -1 the store
  // is exactly as it was.
  int32_t AddOverwriting(const uint8_t* bytes, uint32_t size, const SystemTime& time);

  // Shallow copy of record `index` (its data still points into the store).
  // Returns 1, or 0 when no record is there (out is then left alone).
  int Get(int32_t index, CapturedPacket& out) const;

  // Every record gets the next sequence number when it is stored, counted from
  // Init on and never reused: record `index` has FirstSequence() + index,
  // however many records leave before it. A view on another thread keeps
  // sequence numbers, so that it finds its records even when the store has
  // dropped the oldest ones or was cleared since it last looked.
  uint64_t FirstSequence() const;

  // Calls `read(packet)` with the record numbered `sequence` while holding the
  // lock; the packet's data is the store's and must not be kept. false, without
  // calling, when the record is gone.
  template <typename Read>
  bool ReadBySequence(uint64_t sequence, Read&& read) const;

  // Calls `read(packet)` for up to `count` records from `index` on, oldest
  // first, under one hold of the lock: the walk of a reader that goes through
  // the store in order, without a search per record. The packets' data is the
  // store's and must not be kept, and `read` must not wait for a thread that
  // may want the lock. Returns how many were read.
  template <typename Read>
  uint32_t ReadInOrder(uint32_t index, uint32_t count, Read&& read) const;

  // Deep copy of the record numbered `sequence`, taken under the lock: for
  // readers that keep it. On success out.data points into `bytes`. Returns 1,
  // or 0 when the record is gone (out is then left alone).
  int CopyPacketBySequence(uint64_t sequence, CapturedPacket& out,
                           std::vector<uint8_t>& bytes) const;

  // Lock-free reads of single values.
  uint32_t Count() const { return count_.load(std::memory_order_acquire); }
  uint32_t PacketCounter() const { return packet_counter_.load(std::memory_order_acquire); }
  // 64-bit: a limit above 4,294,967 Kbyte lets the total pass 4 GB.
  uint64_t TotalBytes() const { return total_bytes_.load(std::memory_order_acquire); }

  // The memory the store holds for its records: its blocks. For
  // measurements and tests.
  uint64_t BlockBytes() const;

  // The limit arithmetic, in 64 bits so that limits and totals beyond 4 GB
  // hold: whether `size` more bytes fit with `total` stored, up to the limit
  // exactly (Add) or strictly below it (AddOverwriting). Limits of 0 or less
  // mean none.
  static bool FitsUpToLimit(uint64_t total, uint32_t size, int32_t limit_kbytes);
  static bool FitsBelowLimit(uint64_t total, uint32_t size, int32_t limit_kbytes);

  // For a load of many records on the capture thread: while on, a helper
  // thread allocates the next few standard blocks and writes to each of their
  // pages ahead of Add, so that the first touch of fresh memory, most of a
  // load of gigabytes, runs on another core. Off stops the helper and frees
  // the blocks it had ready; the store's contents are the same either way.
  void TouchBlocksAhead(bool on);

  // Frees every record; the counters return to 0, the limit stays. Returns 1.
  int Clear();
  // Clear, at shutdown after the capture thread has ended.
  void Destroy();

 private:
  // Records are kept in large blocks, one after another in arrival order: a
  // record is its header (size, then receive time) followed by its bytes,
  // and the records' offsets grow from the block's end towards them. A block
  // is freed once its last record has left, so the store costs an allocation
  // per block rather than per packet, and emptying it frees few large blocks.
  struct Block {
    uint8_t* memory;
    uint32_t capacity;
    uint32_t used;            // record bytes from the start
    uint32_t records;         // records written, including any that left since
    uint64_t first_sequence;  // of its first record
  };

  // A record's place: its block's index in blocks_, and its number there.
  struct Place {
    size_t block;
    uint32_t record;
  };

  bool FindLocked(uint64_t sequence, Place& at) const;
  const uint8_t* RecordAt(const Place& at) const;
  const uint8_t* RecordLocked(uint64_t sequence) const;
  const uint8_t* StepLocked(Place& at) const;
  static CapturedPacket PacketAt(const uint8_t* record);
  bool PushLocked(const uint8_t* bytes, uint32_t size, const SystemTime& time);
  bool RoomInLastBlock(uint32_t size) const;
  bool AppendBlockLocked(uint32_t size);
  void PopFrontLocked();
  void ReleaseBlock(uint8_t* memory, uint32_t capacity);
  void CountStoredLocked(uint32_t size);

  class BlockSupply;
  std::unique_ptr<BlockSupply> supply_;  // while blocks are touched ahead
  mutable std::recursive_mutex lock_;
  std::deque<Block> blocks_;  // oldest first; only the last one takes new records
  uint8_t* spare_ = nullptr;  // an emptied standard block kept for the next one
  mutable size_t hint_ = 0;   // the block last found: records are mostly read in order
  uint64_t removed_ = 0;      // records dropped from the front since Init: the front's sequence
  std::atomic<int32_t> limit_kbytes_{0};
  std::atomic<uint32_t> count_{0};
  std::atomic<uint64_t> total_bytes_{0};
  std::atomic<uint32_t> packet_counter_{0};
};

template <typename Read>
uint32_t PacketStore::ReadInOrder(uint32_t index, uint32_t count, Read&& read) const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  Place at{};
  if (index >= Count() || !FindLocked(removed_ + index, at)) return 0;
  count = std::min(count, Count() - index);
  for (uint32_t i = 0; i < count; ++i) read(PacketAt(StepLocked(at)));
  return count;
}

template <typename Read>
bool PacketStore::ReadBySequence(uint64_t sequence, Read&& read) const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const uint8_t* record = RecordLocked(sequence);
  if (record == nullptr) return false;
  read(PacketAt(record));
  return true;
}
