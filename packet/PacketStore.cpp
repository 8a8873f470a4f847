// The packet store. Records live by value in a std::deque (oldest at the
// front), each owning one exactly-sized block of packet bytes, so a stored
// packet costs one allocation besides its share of the queue. Every operation
// that changes or copies records holds the lock for its whole run; the three
// counters are atomics so that Count, PacketCounter and TotalBytes need none.
#include "packet/PacketStore.h"

#include <cstring>
#include <new>

namespace {

// The limit in bytes, or 0 for none. A negative limit means none as well.
uint64_t LimitBytes(int32_t kbytes) {
  return kbytes > 0 ? uint64_t(kbytes) * 1000u : 0;
}

}  // namespace

PacketStore::~PacketStore() {
  Clear();
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

// Every byte of the block is copied over, so it needs no zeroing first. A
// zero-byte packet still gets a (one-byte) block: a record's data is never null.
uint8_t* PacketStore::CopyBytes(const uint8_t* bytes, uint32_t size) {
  auto* block = new (std::nothrow) uint8_t[size == 0 ? 1 : size];
  if (block == nullptr) return nullptr;
  if (size == 0) {
    block[0] = 0;
  } else {
    std::memcpy(block, bytes, size);
  }
  return block;
}

void PacketStore::PushLocked(const Record& record) {
  records_.push_back(record);
  count_.store(static_cast<uint32_t>(records_.size()), std::memory_order_release);
}

void PacketStore::PopFrontLocked() {
  const Record& oldest = records_.front();
  total_bytes_.store(TotalBytes() - oldest.size, std::memory_order_release);
  delete[] oldest.data;
  records_.pop_front();
  ++removed_;
  count_.store(static_cast<uint32_t>(records_.size()), std::memory_order_release);
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

  uint8_t* data = CopyBytes(bytes, size);
  if (data == nullptr) return kAddAllocationFailed;
  try {
    PushLocked(Record{size, time, data});
  } catch (const std::bad_alloc&) {
    delete[] data;
    return kAddAllocationFailed;
  }
  CountStoredLocked(size);
  return kAddStored;
}

int32_t PacketStore::AddOverwriting(const uint8_t* bytes, uint32_t size, const SystemTime& time) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const int32_t limit_kbytes = LimitKbytes();

  // How many of the oldest records must go so that the total with the new
  // packet ends strictly below the limit. No limit: nothing has to go.
  size_t remove = 0;
  uint64_t remaining = TotalBytes();
  while (remove < records_.size() && !FitsBelowLimit(remaining, size, limit_kbytes)) {
    remaining -= records_[remove].size;
    ++remove;
  }
  if (!FitsBelowLimit(remaining, size, limit_kbytes)) return -1;

  // Store the new record before removing anything, so that running out of
  // memory leaves the store, and the list that mirrors it, as they were.
  uint8_t* data = CopyBytes(bytes, size);
  if (data == nullptr) return -1;
  try {
    PushLocked(Record{size, time, data});
  } catch (const std::bad_alloc&) {
    delete[] data;
    return -1;
  }
  for (size_t i = 0; i < remove; ++i) PopFrontLocked();
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
  if (index < 0 || static_cast<size_t>(index) >= records_.size()) return 0;
  const Record& r = records_[static_cast<size_t>(index)];
  out.size = r.size;
  out.time = r.time;
  out.data = r.data;
  return 1;
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
  for (Record& r : records_) delete[] r.data;
  removed_ += records_.size();
  records_.clear();
  count_.store(0, std::memory_order_release);
  total_bytes_.store(0, std::memory_order_release);
  packet_counter_.store(0, std::memory_order_release);
  return 1;
}

void PacketStore::Destroy() {
  Clear();
}
