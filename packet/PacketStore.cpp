// The packet store. Records live in large blocks (see PacketStore::Block);
// the blocks sit in a std::deque, oldest first, and a record is found from
// its sequence number through the block that holds it. Every operation that
// changes or copies records holds the lock for its whole run; the three
// counters are atomics so that Count, PacketCounter and TotalBytes need none.
#include "packet/PacketStore.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <new>
#include <thread>

namespace {

constexpr uint32_t kRecordHeaderBytes = 4 + sizeof(SystemTime);
constexpr uint32_t kOffsetBytes = 4;

// The limit in bytes, or 0 for none. A negative limit means none as well.
uint64_t LimitBytes(int32_t kbytes) {
  return kbytes > 0 ? uint64_t(kbytes) * 1000u : 0;
}

// What a record takes in a block besides its bytes.
constexpr uint64_t kRecordOverhead = kRecordHeaderBytes + kOffsetBytes;

// Offsets are stored from the block's end backwards: record k's is the
// (k + 1)-th 4-byte slot from the end.
uint32_t OffsetOf(const uint8_t* memory, uint32_t capacity, uint32_t k) {
  uint32_t offset;
  std::memcpy(&offset, memory + capacity - kOffsetBytes * (k + 1), sizeof offset);
  return offset;
}

}  // namespace

// Standard blocks allocated and touched by a thread of their own, a few ahead
// of the store. Take never waits: when the helper falls behind, or memory ran
// out for it, the store allocates its block itself as without one.
class PacketStore::BlockSupply {
 public:
  BlockSupply() : helper_([this] { Run(); }) {}
  ~BlockSupply() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    wanted_.notify_one();
    helper_.join();
    for (uint8_t* block : ready_) delete[] block;
  }
  BlockSupply(const BlockSupply&) = delete;
  BlockSupply& operator=(const BlockSupply&) = delete;

  uint8_t* Take() {
    std::lock_guard<std::mutex> guard(lock_);
    if (ready_.empty()) return nullptr;
    uint8_t* block = ready_.front();
    ready_.pop_front();
    wanted_.notify_one();
    return block;
  }

 private:
  // Enough to stay ahead through a burst of large records, little beside
  // gigabytes of blocks.
  static constexpr size_t kAhead = 8;
  static constexpr size_t kPageBytes = 4096;

  void Run() {
    std::unique_lock<std::mutex> guard(lock_);
    while (true) {
      wanted_.wait(guard, [this] { return stopping_ || ready_.size() < kAhead; });
      if (stopping_) return;
      guard.unlock();
      auto* block = new (std::nothrow) uint8_t[kBlockBytes];
      if (block == nullptr) return;
      // A write, not a read: a read would map the shared zero page and leave
      // the real first touch to the store.
      volatile uint8_t* page = block;
      for (size_t at = 0; at < kBlockBytes; at += kPageBytes) page[at] = 0;
      guard.lock();
      ready_.push_back(block);
    }
  }

  std::mutex lock_;
  std::condition_variable wanted_;
  std::deque<uint8_t*> ready_;
  bool stopping_ = false;
  std::thread helper_;  // last: it starts once the rest is made
};

PacketStore::PacketStore() = default;

PacketStore::~PacketStore() {
  supply_.reset();
  Clear();
}

void PacketStore::TouchBlocksAhead(bool on) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!on) {
    supply_.reset();
  } else if (!supply_) {
    // Without a helper (no thread or memory for it) the store simply
    // allocates as it always does.
    try {
      supply_ = std::make_unique<BlockSupply>();
    } catch (const std::exception&) {
    }
  }
}

int PacketStore::Init() {
  Clear();
  std::lock_guard<std::recursive_mutex> guard(lock_);
  removed_ = 0;
  limit_kbytes_.store(0, std::memory_order_relaxed);
  return 1;
}

void PacketStore::SetLimitKbytes(int32_t kbytes) {
  limit_kbytes_.store(kbytes, std::memory_order_relaxed);
}

CapturedPacket PacketStore::PacketAt(const uint8_t* record) {
  CapturedPacket packet;
  std::memcpy(&packet.size, record, sizeof packet.size);
  std::memcpy(&packet.time, record + sizeof packet.size, sizeof packet.time);
  packet.data = record + kRecordHeaderBytes;
  return packet;
}

bool PacketStore::FindLocked(uint64_t sequence, Place& at) const {
  if (sequence < removed_ || sequence - removed_ >= Count()) return false;
  auto holds = [sequence](const Block& b) {
    return sequence >= b.first_sequence && sequence - b.first_sequence < b.records;
  };
  if (hint_ >= blocks_.size() || !holds(blocks_[hint_])) {
    if (hint_ + 1 < blocks_.size() && holds(blocks_[hint_ + 1])) {
      ++hint_;
    } else {
      const auto after =
          std::upper_bound(blocks_.begin(), blocks_.end(), sequence,
                           [](uint64_t s, const Block& b) { return s < b.first_sequence; });
      hint_ = static_cast<size_t>(after - blocks_.begin()) - 1;
    }
  }
  at = Place{hint_, static_cast<uint32_t>(sequence - blocks_[hint_].first_sequence)};
  return true;
}

const uint8_t* PacketStore::RecordAt(const Place& at) const {
  const Block& block = blocks_[at.block];
  return block.memory + OffsetOf(block.memory, block.capacity, at.record);
}

const uint8_t* PacketStore::RecordLocked(uint64_t sequence) const {
  Place at{};
  return FindLocked(sequence, at) ? RecordAt(at) : nullptr;
}

// Walks on to the next record. Records lie in order in a block, but apart
// by their sizes: the one a few places ahead is fetched into the cache
// meanwhile, so that a walk through a large store does not wait on memory
// once per record.
const uint8_t* PacketStore::StepLocked(Place& at) const {
  constexpr uint32_t kFetchAhead = 16;
  const uint8_t* record = RecordAt(at);
  const Block& block = blocks_[at.block];
  if (at.record + kFetchAhead < block.records) {
    __builtin_prefetch(RecordAt(Place{at.block, at.record + kFetchAhead}));
  }
  if (++at.record == block.records) at = Place{at.block + 1, 0};
  return record;
}

bool PacketStore::RoomInLastBlock(uint32_t size) const {
  if (blocks_.empty()) return false;
  const Block& last = blocks_.back();
  const uint64_t offsets = uint64_t{kOffsetBytes} * (last.records + 1);
  return last.used + kRecordHeaderBytes + uint64_t{size} + offsets <= last.capacity;
}

// A block for a record of `size` bytes at the end of the queue: the spare
// block when it is large enough, else a new one. Every byte of a block is
// written before it is read, so it needs no zeroing.
bool PacketStore::AppendBlockLocked(uint32_t size) {
  const uint64_t needed = kRecordOverhead + size;
  if (needed > UINT32_MAX) return false;
  const auto capacity = static_cast<uint32_t>(std::max<uint64_t>(kBlockBytes, needed));
  uint8_t* memory = nullptr;
  if (capacity == kBlockBytes && spare_ != nullptr) {
    memory = spare_;
    spare_ = nullptr;
  } else {
    if (capacity == kBlockBytes && supply_) memory = supply_->Take();
    if (memory == nullptr) memory = new (std::nothrow) uint8_t[capacity];
    if (memory == nullptr) return false;
  }
  try {
    blocks_.push_back(Block{memory, capacity, 0, 0, removed_ + Count()});
  } catch (const std::bad_alloc&) {
    ReleaseBlock(memory, capacity);
    return false;
  }
  return true;
}

bool PacketStore::PushLocked(const uint8_t* bytes, uint32_t size, const SystemTime& time) {
  if (!RoomInLastBlock(size) && !AppendBlockLocked(size)) return false;
  Block& block = blocks_.back();
  uint8_t* record = block.memory + block.used;
  std::memcpy(record, &size, sizeof size);
  std::memcpy(record + sizeof size, &time, sizeof time);
  if (size != 0) std::memcpy(record + kRecordHeaderBytes, bytes, size);
  const uint32_t offset = block.used;
  std::memcpy(block.memory + block.capacity - kOffsetBytes * (block.records + 1), &offset,
              sizeof offset);
  block.used += kRecordHeaderBytes + size;
  ++block.records;
  count_.store(Count() + 1, std::memory_order_release);
  return true;
}

void PacketStore::PopFrontLocked() {
  const CapturedPacket oldest = PacketAt(RecordLocked(removed_));
  total_bytes_.store(TotalBytes() - oldest.size, std::memory_order_release);
  ++removed_;
  count_.store(Count() - 1, std::memory_order_release);
  const Block& front = blocks_.front();
  if (removed_ - front.first_sequence < front.records) return;
  // Its last record has gone. The block that takes new records always holds
  // the newest one, so this is never it.
  ReleaseBlock(front.memory, front.capacity);
  blocks_.pop_front();
  if (hint_ > 0) --hint_;
}

// Overwriting frees a block about as often as it needs a new one: one
// emptied block is kept for that, so a full store does not allocate.
void PacketStore::ReleaseBlock(uint8_t* memory, uint32_t capacity) {
  if (capacity == kBlockBytes && spare_ == nullptr) {
    spare_ = memory;
    return;
  }
  delete[] memory;
}

void PacketStore::CountStoredLocked(uint32_t size) {
  total_bytes_.store(TotalBytes() + size, std::memory_order_release);
  uint32_t counter = PacketCounter() + 1;
  if (counter > kPacketCounterWrap) counter = 0;
  packet_counter_.store(counter, std::memory_order_release);
}

uint8_t PacketStore::Add(const uint8_t* bytes, uint32_t size, const SystemTime& time) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!FitsUpToLimit(TotalBytes(), size, LimitKbytes())) return kAddFull;
  if (!PushLocked(bytes, size, time)) return kAddAllocationFailed;
  CountStoredLocked(size);
  return kAddStored;
}

int32_t PacketStore::AddOverwriting(const uint8_t* bytes, uint32_t size, const SystemTime& time) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const int32_t limit_kbytes = LimitKbytes();

  // How many of the oldest records must go so that the total with the new
  // packet ends strictly below the limit. No limit: nothing has to go.
  uint32_t remove = 0;
  uint64_t remaining = TotalBytes();
  while (remove < Count() && !FitsBelowLimit(remaining, size, limit_kbytes)) {
    remaining -= PacketAt(RecordLocked(removed_ + remove)).size;
    ++remove;
  }
  if (!FitsBelowLimit(remaining, size, limit_kbytes)) return -1;

  // Store the new record before removing anything, so that running out of
  // memory leaves the store, and the list that mirrors it, as they were.
  if (!PushLocked(bytes, size, time)) return -1;
  for (uint32_t i = 0; i < remove; ++i) PopFrontLocked();
  CountStoredLocked(size);
  return static_cast<int32_t>(remove);
}

bool PacketStore::FitsUpToLimit(uint64_t total, uint32_t size, int32_t limit_kbytes) {
  const uint64_t limit = LimitBytes(limit_kbytes);
  return limit == 0 || total + size <= limit;
}

bool PacketStore::FitsBelowLimit(uint64_t total, uint32_t size, int32_t limit_kbytes) {
  const uint64_t limit = LimitBytes(limit_kbytes);
  return limit == 0 || total + size < limit;
}

int PacketStore::Get(int32_t index, CapturedPacket& out) const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (index < 0) return 0;
  const uint8_t* record = RecordLocked(removed_ + static_cast<uint64_t>(index));
  if (record == nullptr) return 0;
  out = PacketAt(record);
  return 1;
}

uint64_t PacketStore::BlockBytes() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  uint64_t bytes = spare_ != nullptr ? kBlockBytes : 0;
  for (const Block& b : blocks_) bytes += b.capacity;
  return bytes;
}

uint64_t PacketStore::FirstSequence() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return removed_;
}

int PacketStore::CopyPacketBySequence(uint64_t sequence, CapturedPacket& out,
                                      std::vector<uint8_t>& bytes) const {
  bool copied = false;
  ReadBySequence(sequence, [&](const CapturedPacket& packet) {
    try {
      bytes.assign(packet.data, packet.data + packet.size);
    } catch (const std::bad_alloc&) {
      return;
    }
    out = CapturedPacket{packet.size, packet.time, bytes.data()};
    copied = true;
  });
  return copied ? 1 : 0;
}

int PacketStore::Clear() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (const Block& b : blocks_) delete[] b.memory;
  delete[] spare_;
  spare_ = nullptr;
  blocks_.clear();
  hint_ = 0;
  removed_ += Count();
  count_.store(0, std::memory_order_release);
  total_bytes_.store(0, std::memory_order_release);
  packet_counter_.store(0, std::memory_order_release);
  return 1;
}

void PacketStore::Destroy() {
  Clear();
}
