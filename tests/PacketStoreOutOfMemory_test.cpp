// Packet store under allocation failure. This program replaces the global
// allocation functions with malloc-backed ones that a test can make fail:
// the nothrow array form (the store's packet-byte blocks) or the throwing
// single-object form (the queue's own storage). A failed Add or AddOverwriting
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

TEST(PacketStoreOutOfMemory, ByteBlockFailureChangesNothing) {
  PacketStore store;
  store.Init();
  store.SetLimitKbytes(10);
  const std::vector<uint8_t> bytes(1000, 0x42);
  for (uint16_t i = 0; i < 10; ++i) ASSERT_EQ(store.Add(bytes.data(), 1000, Stamp(i)), 1);
  const Snapshot full = Take(store);

  // The store is full, so a plain Add says so before it allocates anything.
  {
    Failing failing(fail_byte_blocks);
    EXPECT_EQ(store.Add(bytes.data(), 1, Stamp(99)), PacketStore::kAddFull);
  }
  // Overwriting allocates before it removes: the failure leaves all ten records.
  {
    Failing failing(fail_byte_blocks);
    EXPECT_EQ(store.AddOverwriting(bytes.data(), 1000, Stamp(100)), -1);
  }
  EXPECT_EQ(Take(store), full);

  store.SetLimitKbytes(0);
  {
    Failing failing(fail_byte_blocks);
    EXPECT_EQ(store.Add(bytes.data(), 1000, Stamp(101)), PacketStore::kAddAllocationFailed);
  }
  EXPECT_EQ(Take(store), full);

  // Once memory is back, both work again.
  EXPECT_EQ(store.Add(bytes.data(), 1000, Stamp(102)), PacketStore::kAddStored);
  EXPECT_EQ(store.AddOverwriting(bytes.data(), 1000, Stamp(103)), 0);
  EXPECT_EQ(store.Count(), 12u);
}

TEST(PacketStoreOutOfMemory, QueueGrowthFailureIsAnAllocationFailure) {
  // The queue allocates storage only every so many records, so each call runs
  // with its growth failing until one call actually needed to grow.
  PacketStore store;
  store.Init();
  const std::vector<uint8_t> bytes(100, 0x17);
  bool add_failed = false;
  for (uint16_t i = 0; i < 1000 && !add_failed; ++i) {
    const Snapshot before = Take(store);
    uint8_t result;
    {
      Failing failing(fail_queue_storage);
      result = store.Add(bytes.data(), 100, Stamp(i));
    }
    if (result == PacketStore::kAddAllocationFailed) {
      add_failed = true;
      EXPECT_EQ(Take(store), before);
    } else {
      ASSERT_EQ(result, PacketStore::kAddStored);
    }
  }
  EXPECT_TRUE(add_failed);

  // A full store in overwrite mode: one old record out per new one.
  store.Clear();
  store.SetLimitKbytes(2);
  for (uint16_t i = 0; i < 19; ++i) ASSERT_EQ(store.Add(bytes.data(), 100, Stamp(i)), 1);
  bool overwrite_failed = false;
  for (uint16_t i = 0; i < 1000 && !overwrite_failed; ++i) {
    const Snapshot before = Take(store);
    int32_t result;
    {
      Failing failing(fail_queue_storage);
      result = store.AddOverwriting(bytes.data(), 100, Stamp(static_cast<uint16_t>(100 + i)));
    }
    if (result == -1) {
      overwrite_failed = true;
      EXPECT_EQ(Take(store), before);
    } else {
      ASSERT_EQ(result, 1);
    }
  }
  EXPECT_TRUE(overwrite_failed);
  EXPECT_EQ(store.Add(bytes.data(), 100, Stamp(7)), PacketStore::kAddStored);
}

}  // namespace
