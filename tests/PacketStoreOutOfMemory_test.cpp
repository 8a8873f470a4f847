// Packet store under allocation failure. This program replaces the global
// allocation functions with malloc-backed ones that a test can make fail:
// the nothrow array form (the store's blocks of records) or the throwing
// single-object form (the queue of blocks). A failed Add or AddOverwriting
// must leave the store exactly as it was and leak nothing (LeakSanitizer checks
// the native build at exit).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "packet/PacketStore.h"

namespace {

std::atomic<bool> fail_byte_blocks{false};
std::atomic<bool> fail_queue_storage{false};

void* Allocate(std::size_t n) {
  return std::malloc(n == 0 ? 1 : n);
}

}  // namespace

// None of these is inlined: GCC would otherwise see malloc() meet operator
// delete, or operator new meet free(), and warn about a mismatch.
[[gnu::noinline]] void* operator new(std::size_t n) {
  void* p = fail_queue_storage ? nullptr : Allocate(n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
[[gnu::noinline]] void* operator new[](std::size_t n) {
  void* p = Allocate(n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return Allocate(n);
}
[[gnu::noinline]] void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return fail_byte_blocks ? nullptr : Allocate(n);
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace {

// Everything observable about a store: its counters and each record's tag,
// size and first byte, oldest first.
struct Snapshot {
  uint32_t count;
  uint64_t total;
  uint32_t counter;
  std::vector<uint32_t> records;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(const PacketStore& store) {
  Snapshot s{store.Count(), store.TotalBytes(), store.PacketCounter(), {}};
  for (uint32_t i = 0; i < store.Count(); ++i) {
    CapturedPacket p;
    EXPECT_EQ(store.Get(static_cast<int32_t>(i), p), 1);
    s.records.push_back(p.time.milliseconds << 20 | p.size << 8 | (p.size ? p.data[0] : 0));
  }
  return s;
}

SystemTime Stamp(uint16_t tag) {
  SystemTime t;
  t.milliseconds = tag;
  return t;
}

// Makes one allocation kind fail for the duration of one store call.
class Failing {
 public:
  explicit Failing(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
  ~Failing() { flag_ = false; }

 private:
  std::atomic<bool>& flag_;
};

// Runs `store_one` (a store call; true when it stored) with one allocation
// kind failing until a call fails, which must leave the store as it was. The
// store allocates only when its last block is full or its queue of blocks
// grows, so most calls succeed. false when none failed within `calls`.
template <typename StoreOne>
bool FailsAndChangesNothing(const PacketStore& store, std::atomic<bool>& kind, int calls,
                            StoreOne store_one) {
  for (int i = 0; i < calls; ++i) {
    const Snapshot before = Take(store);
    bool stored;
    {
      Failing failing(kind);
      stored = store_one(static_cast<uint16_t>(i));
    }
    if (!stored) {
      EXPECT_EQ(Take(store), before);
      return true;
    }
  }
  return false;
}

// Records of this size fill a block with 17 and leave its tail unused.
constexpr uint32_t kLarge = 60000;

// Empties the store and fills it to a limit of 2,000 KB with large records, so
// that every further AddOverwriting removes old records.
void FillToLimit(PacketStore& store, const std::vector<uint8_t>& bytes) {
  store.Clear();
  store.SetLimitKbytes(2000);
  while (store.Add(bytes.data(), kLarge, Stamp(1)) == PacketStore::kAddStored) {
  }
}

TEST(PacketStoreOutOfMemory, ByteBlockFailureChangesNothing) {
  PacketStore store;
  store.Init();
  store.SetLimitKbytes(10);
  const std::vector<uint8_t> bytes(kLarge, 0x42);
  for (uint16_t i = 0; i < 10; ++i) ASSERT_EQ(store.Add(bytes.data(), 1000, Stamp(i)), 1);

  // The store is full, so a plain Add says so before it allocates anything.
  {
    Failing failing(fail_byte_blocks);
    EXPECT_EQ(store.Add(bytes.data(), 1, Stamp(99)), PacketStore::kAddFull);
  }

  store.SetLimitKbytes(0);
  EXPECT_TRUE(FailsAndChangesNothing(store, fail_byte_blocks, 40, [&](uint16_t tag) {
    const uint8_t result = store.Add(bytes.data(), kLarge, Stamp(tag));
    EXPECT_NE(result, PacketStore::kAddFull);
    return result == PacketStore::kAddStored;
  }));

  // Overwriting stores before it removes: when the new record needs a block
  // that cannot be had, every old record stays.
  FillToLimit(store, bytes);
  EXPECT_TRUE(FailsAndChangesNothing(store, fail_byte_blocks, 40, [&](uint16_t tag) {
    return store.AddOverwriting(bytes.data(), kLarge, Stamp(tag)) > 0;
  }));

  // Once memory is back, both work again.
  EXPECT_EQ(store.AddOverwriting(bytes.data(), kLarge, Stamp(102)), 1);
  store.SetLimitKbytes(0);
  EXPECT_EQ(store.Add(bytes.data(), kLarge, Stamp(103)), PacketStore::kAddStored);
}

TEST(PacketStoreOutOfMemory, QueueGrowthFailureIsAnAllocationFailure) {
  // The queue of blocks takes storage for a few blocks at a time.
  PacketStore store;
  store.Init();
  const std::vector<uint8_t> bytes(kLarge, 0x17);
  EXPECT_TRUE(FailsAndChangesNothing(store, fail_queue_storage, 1000, [&](uint16_t tag) {
    const uint8_t result = store.Add(bytes.data(), kLarge, Stamp(tag));
    EXPECT_NE(result, PacketStore::kAddFull);
    return result == PacketStore::kAddStored;
  }));

  // A full store in overwrite mode: one old record out per new one.
  FillToLimit(store, bytes);
  EXPECT_TRUE(FailsAndChangesNothing(store, fail_queue_storage, 1000, [&](uint16_t tag) {
    const int32_t result = store.AddOverwriting(bytes.data(), kLarge, Stamp(tag));
    EXPECT_NE(result, 0);
    return result > 0;
  }));
  EXPECT_EQ(store.AddOverwriting(bytes.data(), kLarge, Stamp(7)), 1);
}

}  // namespace
