// Packet store: limit arithmetic (1 Kbyte = 1000 bytes, Add up to the limit,
// AddOverwriting strictly below it), the packet counter and its wrap, Clear,
// Get, and a reader thread copying records while the writer changes the store.
#include "packet/PacketStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

SystemTime TimeWithMilliseconds(uint16_t ms) {
  SystemTime t;
  t.year = 2024;
  t.month = 1;
  t.day_of_week = 5;
  t.day = 5;
  t.hour = 9;
  t.minute = 3;
  t.second = 7;
  t.milliseconds = ms;
  return t;
}

// Adds a packet of `size` bytes, each byte `tag`, stamped with `tag` as milliseconds.
uint8_t AddTagged(PacketStore& store, uint32_t size, uint8_t tag) {
  const std::vector<uint8_t> bytes(size, tag);
  return store.Add(bytes.data(), size, TimeWithMilliseconds(tag));
}

int32_t AddOverwritingTagged(PacketStore& store, uint32_t size, uint8_t tag) {
  const std::vector<uint8_t> bytes(size, tag);
  return store.AddOverwriting(bytes.data(), size, TimeWithMilliseconds(tag));
}

// The tags of all stored records, oldest first; each record's bytes must all
// carry its tag.
std::vector<int> Tags(const PacketStore& store) {
  std::vector<int> tags;
  for (uint32_t i = 0; i < store.Count(); ++i) {
    CapturedPacket p;
    EXPECT_EQ(store.Get(static_cast<int32_t>(i), p), 1);
    const uint8_t tag = static_cast<uint8_t>(p.time.milliseconds);
    for (uint32_t b = 0; b < p.size; ++b) EXPECT_EQ(p.data[b], tag) << "record " << i;
    tags.push_back(tag);
  }
  return tags;
}

// A store holding twenty 1000-byte records tagged 0..19 under a 20 Kbyte limit.
void FillTwentyKbytes(PacketStore& store) {
  store.Init();
  store.SetLimitKbytes(20);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(AddTagged(store, 1000, static_cast<uint8_t>(i)), 1);
  ASSERT_EQ(store.TotalBytes(), 20000u);
}

TEST(PacketStore, AddCopiesBytesAndTime) {
  PacketStore store;
  store.Init();
  std::vector<uint8_t> bytes = {0x45, 0x00, 0x00, 0x14, 0xDE, 0xAD};
  const SystemTime time = TimeWithMilliseconds(999);
  ASSERT_EQ(store.Add(bytes.data(), static_cast<uint32_t>(bytes.size()), time), 1);
  bytes.assign(bytes.size(), 0);  // the caller's buffer is reused

  CapturedPacket p;
  ASSERT_EQ(store.Get(0, p), 1);
  EXPECT_EQ(p.size, 6u);
  EXPECT_EQ(p.time, time);
  ASSERT_NE(p.data, bytes.data());
  EXPECT_EQ(std::vector<uint8_t>(p.data, p.data + p.size),
            (std::vector<uint8_t>{0x45, 0x00, 0x00, 0x14, 0xDE, 0xAD}));

  // A zero-byte packet is a record too, with a valid data pointer.
  ASSERT_EQ(store.Add(bytes.data(), 0, time), 1);
  ASSERT_EQ(store.Get(1, p), 1);
  EXPECT_EQ(p.size, 0u);
  EXPECT_NE(p.data, nullptr);
  EXPECT_EQ(store.Count(), 2u);
  EXPECT_EQ(store.TotalBytes(), 6u);
  EXPECT_EQ(store.PacketCounter(), 2u);
}

TEST(PacketStore, AddStoresUpToTheLimitExactlyThenRefuses) {
  PacketStore store;
  store.Init();
  store.SetLimitKbytes(20);
  for (int i = 0; i < 19; ++i) ASSERT_EQ(AddTagged(store, 1000, 1), 1);
  EXPECT_EQ(AddTagged(store, 1001, 2), 255);  // one byte too many
  EXPECT_EQ(AddTagged(store, 1000, 3), 1);    // exactly 20,000
  EXPECT_EQ(store.TotalBytes(), 20000u);
  EXPECT_EQ(AddTagged(store, 1, 4), 255);
  EXPECT_EQ(AddTagged(store, 20, 5), 255);
  EXPECT_EQ(store.Count(), 20u);
  EXPECT_EQ(store.TotalBytes(), 20000u);
  EXPECT_EQ(store.PacketCounter(), 20u);
  EXPECT_EQ(Tags(store).back(), 3);
}

TEST(PacketStore, LimitArithmeticNeitherWrapsNorTreatsNegativeAsTiny) {
  PacketStore store;
  store.Init();
  // 4,294,968 Kbyte is just above 2^32 bytes: in 32-bit arithmetic the limit
  // would wrap to 704 bytes and refuse a 1000-byte packet.
  store.SetLimitKbytes(4294968);
  EXPECT_EQ(AddTagged(store, 1000, 1), 1);
  store.SetLimitKbytes(INT32_MAX);
  EXPECT_EQ(AddTagged(store, 65535, 2), 1);

  // A negative limit means no limit, for both kinds of add.
  store.SetLimitKbytes(-1);
  EXPECT_EQ(AddTagged(store, 65535, 3), 1);
  EXPECT_EQ(AddOverwritingTagged(store, 65535, 4), 0);
  EXPECT_EQ(store.Count(), 4u);

  // No limit at all: AddOverwriting stores without removing anything.
  store.SetLimitKbytes(0);
  EXPECT_EQ(AddOverwritingTagged(store, 1000, 5), 0);
  EXPECT_EQ(store.Count(), 5u);
  EXPECT_EQ(store.TotalBytes(), 1000u + 65535u * 3 + 1000u);
  EXPECT_EQ(Tags(store), (std::vector<int>{1, 2, 3, 4, 5}));

  // Totals past 4 GB, as a limit above 4,294,967 Kbyte allows: a 32-bit total
  // would wrap to a few bytes and let the store grow past its limit.
  struct Case {
    uint64_t total;
    uint32_t size;
    int32_t limit_kbytes;
    bool up_to, below;
  };
  const Case cases[] = {
      {4'294'967'000, 1000, 4'294'968, true, false},    // exactly at the limit
      {4'294'967'296, 1, 4'294'968, true, true},        // 2^32 stored
      {4'999'999'000, 1001, 5'000'000, false, false},   // one byte over 5 GB
      {6'000'000'000, 0, 5'000'000, false, false},      // already over
      {2'147'483'647'000, 1, INT32_MAX, false, false},  // the largest limit, full
      {9'000'000'000, 65535, 0, true, true},            // no limit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PacketStore::FitsUpToLimit(c.total, c.size, c.limit_kbytes), c.up_to) << c.total;
    EXPECT_EQ(PacketStore::FitsBelowLimit(c.total, c.size, c.limit_kbytes), c.below) << c.total;
  }
}

TEST(PacketStore, OverwritingRemovesOldestUntilStrictlyBelowTheLimit) {
  PacketStore store;
  FillTwentyKbytes(store);
  EXPECT_EQ(AddOverwritingTagged(store, 1000, 100), 2);
  EXPECT_EQ(store.TotalBytes(), 19000u);
  EXPECT_EQ(store.Count(), 19u);
  EXPECT_EQ(store.PacketCounter(), 21u);  // dropping records never lowers it
  std::vector<int> expected;
  for (int i = 2; i < 20; ++i) expected.push_back(i);
  expected.push_back(100);
  EXPECT_EQ(Tags(store), expected);

  // 19,000 + 1000 reaches the limit exactly, which is not below it: one goes.
  EXPECT_EQ(AddOverwritingTagged(store, 1000, 101), 1);
  EXPECT_EQ(store.TotalBytes(), 19000u);
  // A big packet takes several; the scan stops at the first record it can keep.
  EXPECT_EQ(AddOverwritingTagged(store, 5500, 102), 5);
  EXPECT_EQ(store.TotalBytes(), 19500u);
  EXPECT_EQ(Tags(store).front(), 8);
  // A packet that already fits below the limit removes nothing.
  EXPECT_EQ(AddOverwritingTagged(store, 499, 103), 0);
  EXPECT_EQ(store.TotalBytes(), 19999u);
}

TEST(PacketStore, OverwritingAPacketThatCanNeverFitChangesNothing) {
  PacketStore store;
  FillTwentyKbytes(store);
  const std::vector<int> before = Tags(store);
  EXPECT_EQ(AddOverwritingTagged(store, 20000, 200), -1);
  EXPECT_EQ(AddOverwritingTagged(store, 65535, 201), -1);
  EXPECT_EQ(store.Count(), 20u);
  EXPECT_EQ(store.TotalBytes(), 20000u);
  EXPECT_EQ(store.PacketCounter(), 20u);
  EXPECT_EQ(Tags(store), before);

  // 19,999 bytes fit in an empty store: every record goes.
  EXPECT_EQ(AddOverwritingTagged(store, 19999, 202), 20);
  EXPECT_EQ(Tags(store), std::vector<int>{202});
  EXPECT_EQ(store.TotalBytes(), 19999u);
}

TEST(PacketStore, LoweredLimitDoesNotTrimButRefusesTheNextAdd) {
  PacketStore store;
  FillTwentyKbytes(store);
  store.SetLimitKbytes(5);
  EXPECT_EQ(store.Count(), 20u);
  EXPECT_EQ(store.TotalBytes(), 20000u);
  EXPECT_EQ(AddTagged(store, 1, 50), 255);
  // Overwriting now removes down to below the new limit.
  EXPECT_EQ(AddOverwritingTagged(store, 1000, 51), 17);
  EXPECT_EQ(store.TotalBytes(), 4000u);
  EXPECT_EQ(Tags(store), (std::vector<int>{17, 18, 19, 51}));
}

TEST(PacketStore, ClearEmptiesButKeepsTheLimitAndInitResetsIt) {
  PacketStore store;
  store.Init();
  EXPECT_EQ(store.Clear(), 1);  // empty store
  FillTwentyKbytes(store);
  EXPECT_EQ(store.Clear(), 1);
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(store.TotalBytes(), 0u);
  EXPECT_EQ(store.PacketCounter(), 0u);
  EXPECT_EQ(store.LimitKbytes(), 20);
  CapturedPacket p;
  EXPECT_EQ(store.Get(0, p), 0);
  // The kept limit still applies after Clear.
  for (int i = 0; i < 20; ++i) ASSERT_EQ(AddTagged(store, 1000, 7), 1);
  EXPECT_EQ(AddTagged(store, 1, 8), 255);
  EXPECT_EQ(store.PacketCounter(), 20u);

  EXPECT_EQ(store.Init(), 1);
  EXPECT_EQ(store.LimitKbytes(), 0);
  EXPECT_EQ(store.Count(), 0u);
  store.Destroy();
  EXPECT_EQ(store.Count(), 0u);
}

TEST(PacketStore, GetOutOfRangeLeavesTheOutputAlone) {
  PacketStore store;
  store.Init();
  ASSERT_EQ(AddTagged(store, 40, 9), 1);
  const uint8_t marker[1] = {0xEE};
  CapturedPacket p;
  p.size = 12345;
  p.time = TimeWithMilliseconds(321);
  p.data = marker;
  for (int32_t index : {1, 2, -1, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(store.Get(index, p), 0) << index;
    std::vector<uint8_t> copy;
    EXPECT_EQ(store.CopyPacketBySequence(static_cast<uint64_t>(index), p, copy), 0) << index;
    EXPECT_EQ(p.size, 12345u);
    EXPECT_EQ(p.time, TimeWithMilliseconds(321));
    EXPECT_EQ(p.data, marker);
  }
}

// Sequence numbers follow a record while older ones leave, and are never
// reused after a clear; a copy owns its bytes once the record is gone.
TEST(PacketStore, RecordsAreFoundByTheirSequenceNumber) {
  PacketStore store;
  store.Init();
  store.SetLimitKbytes(1);
  for (uint8_t tag = 0; tag < 3; ++tag) ASSERT_EQ(AddTagged(store, 300, tag), 1);
  const uint8_t bytes[300] = {};
  ASSERT_EQ(store.AddOverwriting(bytes, 300, TimeWithMilliseconds(3)), 1);
  EXPECT_EQ(store.FirstSequence(), 1u);
  CapturedPacket p;
  std::vector<uint8_t> copy;
  EXPECT_EQ(store.CopyPacketBySequence(0, p, copy), 0) << "dropped";
  for (uint64_t sequence = 1; sequence <= 3; ++sequence) {
    ASSERT_EQ(store.CopyPacketBySequence(sequence, p, copy), 1);
    EXPECT_EQ(p.time, TimeWithMilliseconds(static_cast<uint16_t>(sequence)));
  }
  EXPECT_EQ(store.CopyPacketBySequence(4, p, copy), 0) << "not stored yet";

  store.Clear();  // frees the store's copies; ASan would flag any use of them
  ASSERT_EQ(p.size, 300u);
  EXPECT_EQ(p.data, copy.data());
  EXPECT_EQ(copy, std::vector<uint8_t>(300, 0));
  EXPECT_EQ(store.FirstSequence(), 4u);
  ASSERT_EQ(AddTagged(store, 10, 7), 1);
  EXPECT_FALSE(store.ReadBySequence(3, [](const CapturedPacket&) {}));
  uint16_t read = 0;
  EXPECT_TRUE(store.ReadBySequence(4, [&](const CapturedPacket& r) { read = r.time.milliseconds; }));
  EXPECT_EQ(read, 7);
}

TEST(PacketStore, PacketCounterWrapsToZeroAfterFiveMillion) {
  // AddOverwriting counts every packet it stores, just as Add does, while it
  // keeps the store at one record: five million stored packets without five
  // million records in memory.
  PacketStore store;
  store.Init();
  store.SetLimitKbytes(1);
  const uint8_t bytes[600] = {};
  const SystemTime time = TimeWithMilliseconds(1);
  ASSERT_EQ(store.Add(bytes, sizeof bytes, time), 1);
  for (uint32_t stored = 1; stored < PacketStore::kPacketCounterWrap - 1; ++stored) {
    if (store.AddOverwriting(bytes, sizeof bytes, time) != 1) FAIL() << "at " << stored;
  }
  EXPECT_EQ(store.PacketCounter(), 4999999u);
  ASSERT_EQ(store.Add(bytes, 400, time), 1);  // 5,000,000th, through Add
  EXPECT_EQ(store.PacketCounter(), 5000000u);
  ASSERT_EQ(store.AddOverwriting(bytes, 400, time), 1);
  EXPECT_EQ(store.PacketCounter(), 0u);
  ASSERT_EQ(store.AddOverwriting(bytes, 400, time), 1);
  EXPECT_EQ(store.PacketCounter(), 1u);
  EXPECT_EQ(store.Count(), 2u);
}

// Records are kept in large blocks: every record stays whole and findable
// across block boundaries, also one that fills a block's room exactly or is
// larger than a block; overwriting frees the oldest blocks; Clear frees all.
TEST(PacketStore, RecordsInBlocks) {
  constexpr uint32_t kBlock = PacketStore::kBlockBytes;
  constexpr uint32_t kOwnRoom = kBlock - 24;  // a block's room for one record's bytes
  struct Case {
    const char* name;
    int32_t limit_kbytes;         // when set, a full store overwrites its oldest records
    std::vector<uint32_t> sizes;  // added in turn, `rounds` times
    int rounds;
    uint64_t most_block_bytes;  // what the blocks may hold at the end
  };
  const Case cases[] = {
      // 40 MB of records, a block's tail left free when the next does not fit.
      {"mixed sizes over many blocks", 0, {0, 1, 700, 1500, 65535, 65536}, 300, 41 * kBlock},
      // Per round: two blocks filled exactly, a record 4 bytes too large for
      // the room left beside a small one, and a block of its own for the
      // oversized record.
      {"exact fills and oversized records", 0,
       {kOwnRoom, 1, kOwnRoom - 25, 1, kOwnRoom - 21, 3 * kBlock, 7}, 3,
       3 * (8 * uint64_t{kBlock} + 24)},
      {"overwriting a 2 MB store", 2000, {60000, 1500, 40}, 300, 2000000 + 3 * kBlock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PacketStore store;
    store.Init();
    store.SetLimitKbytes(c.limit_kbytes);
    uint32_t added = 0;
    for (int round = 0; round < c.rounds; ++round) {
      for (uint32_t size : c.sizes) {
        const uint8_t tag = static_cast<uint8_t>(added++ % 251);
        if (AddTagged(store, size, tag) == PacketStore::kAddFull) {
          ASSERT_GT(AddOverwritingTagged(store, size, tag), 0);
        }
      }
    }
    ASSERT_EQ(store.FirstSequence() + store.Count(), added);
    const std::vector<int> tags = Tags(store);  // checks every byte of every record
    for (size_t i = 0; i < tags.size(); ++i) {
      const uint64_t sequence = store.FirstSequence() + i;
      ASSERT_EQ(tags[i], static_cast<int>(sequence % 251)) << "record " << i;
      uint32_t size = 0;
      ASSERT_TRUE(store.ReadBySequence(sequence, [&](const CapturedPacket& p) { size = p.size; }));
      EXPECT_EQ(size, c.sizes[sequence % c.sizes.size()]);
    }
    // The in-order walk sees the same records, also across blocks.
    std::vector<int> walked;
    const uint32_t read = store.ReadInOrder(1, store.Count(), [&](const CapturedPacket& p) {
      walked.push_back(p.size == 0 ? static_cast<int>(p.time.milliseconds) : p.data[p.size - 1]);
    });
    EXPECT_EQ(read, store.Count() - 1);
    EXPECT_EQ(walked, std::vector<int>(tags.begin() + 1, tags.end()));
    EXPECT_LE(store.BlockBytes(), c.most_block_bytes);
    store.Clear();
    EXPECT_EQ(store.BlockBytes(), 0u);
    ASSERT_EQ(AddTagged(store, 10, static_cast<uint8_t>(added % 251)), 1);
    EXPECT_EQ(Tags(store), std::vector<int>{static_cast<int>(added % 251)});
  }
}

// Blocks touched ahead on the helper thread hold the same records, across
// oversized records, a Clear while the helper runs and its stop part way.
TEST(PacketStore, BlocksTouchedAheadHoldTheSameRecords) {
  PacketStore store;
  store.Init();
  store.TouchBlocksAhead(true);
  std::vector<int> expected;
  const uint32_t sizes[] = {1500, 60, 65535, 9000, 65535, 700, 65535, PacketStore::kBlockBytes};
  for (int i = 0; i < 400; ++i) {
    if (i == 100) {
      store.Clear();
      expected.clear();
    }
    if (i == 300) store.TouchBlocksAhead(false);
    if (i == 350) store.TouchBlocksAhead(true);
    const uint8_t tag = static_cast<uint8_t>(i % 251);
    ASSERT_EQ(AddTagged(store, sizes[i % 8] + i % 3, tag), PacketStore::kAddStored);
    expected.push_back(tag);
  }
  EXPECT_EQ(Tags(store), expected);  // checks every byte of every record
}

TEST(PacketStore, ReaderCopiesWhileWriterAddsOverwritesAndClears) {
  // The writer stores packets whose bytes all equal their tag and whose size
  // follows from it; a torn or freed record shows as a mismatch (or to ASan).
  constexpr int kWriterRounds = 40;
  constexpr int kPacketsPerRound = 200;
  constexpr int kReaderPasses = 20000;
  auto size_of = [](uint8_t tag) { return 20u + 7u * tag; };

  PacketStore store;
  store.Init();
  store.SetLimitKbytes(30);
  std::atomic<bool> writer_done{false};
  std::atomic<int> copied{0};
  int mismatches = 0;

  std::thread writer([&] {
    for (int round = 0; round < kWriterRounds; ++round) {
      for (int i = 0; i < kPacketsPerRound; ++i) {
        const uint8_t tag = static_cast<uint8_t>(round * kPacketsPerRound + i);
        const std::vector<uint8_t> bytes(size_of(tag), tag);
        if (store.Add(bytes.data(), size_of(tag), TimeWithMilliseconds(tag)) == 255) {
          store.AddOverwriting(bytes.data(), size_of(tag), TimeWithMilliseconds(tag));
        }
      }
      // Wait for the reader to copy at least once per round, so the two truly
      // overlap however the threads get scheduled.
      const int seen = copied;
      while (copied == seen) std::this_thread::yield();
      if (round % 8 == 7) store.Clear();
    }
    writer_done = true;
  });

  // The reader keeps going until the writer is done, so the two overlap for
  // the writer's whole (bounded) run.
  std::vector<uint8_t> bytes;
  for (int pass = 0; pass < kReaderPasses || !writer_done; ++pass) {
    const uint32_t count = store.Count();
    const int32_t index = count == 0 ? 0 : static_cast<int32_t>(pass % count);
    // The record numbered `sequence` is the sequence-th packet the writer stored.
    const uint64_t sequence = store.FirstSequence() + static_cast<uint64_t>(index);
    CapturedPacket p;
    if (store.CopyPacketBySequence(sequence, p, bytes) == 1) {
      const uint8_t tag = static_cast<uint8_t>(p.time.milliseconds);
      bool whole = p.size == size_of(tag) && p.data == bytes.data() && bytes.size() == p.size &&
                   tag == static_cast<uint8_t>(sequence);
      for (uint8_t b : bytes) whole = whole && b == tag;
      if (!whole) ++mismatches;
      ++copied;
    }
    CapturedPacket shallow;
    if (store.Get(index, shallow) == 1) {
      // Only the record's own fields are safe to read without the lock held.
      if (shallow.size != size_of(static_cast<uint8_t>(shallow.time.milliseconds))) ++mismatches;
    }
    if (store.TotalBytes() > 30000u) ++mismatches;
  }
  writer.join();
  EXPECT_GE(copied, kWriterRounds);
  EXPECT_EQ(mismatches, 0);
  EXPECT_LE(store.TotalBytes(), 30000u);
}

}  // namespace
