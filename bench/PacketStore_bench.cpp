// Packet store speed and memory: plain adds, overwriting in a full store, and
// the store's own memory per packet beyond the packet bytes (measured with
// glibc's allocator statistics).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <vector>

#include "packet/PacketStore.h"

namespace {

SystemTime SomeTime() {
  SystemTime t;
  t.year = 2024;
  t.month = 1;
  t.day = 5;
  return t;
}

void BM_StoreAdd64(benchmark::State& state) {
  // No limit; the store is emptied outside the timed region every so often
  // so that memory stays bounded.
  constexpr int64_t kClearEvery = 1 << 16;
  const std::vector<uint8_t> packet(64, 0x45);
  const SystemTime time = SomeTime();
  PacketStore store;
  store.Init();
  int64_t since_clear = 0;
  for (auto _ : state) {
    if (store.Add(packet.data(), 64, time) != PacketStore::kAddStored) {
      state.SkipWithError("Add did not store");
      break;
    }
    if (++since_clear == kClearEvery) {
      state.PauseTiming();
      store.Clear();
      since_clear = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreAdd64);

void BM_StoreAddOverwritingSteadyState(benchmark::State& state) {
  // 1001 Kbyte is no multiple of the packet sizes used, so a full store sits
  // just below the limit and each new packet pushes exactly one old one out.
  const auto size = static_cast<uint32_t>(state.range(0));
  const std::vector<uint8_t> packet(size, 0x45);
  const SystemTime time = SomeTime();
  PacketStore store;
  store.Init();
  store.SetLimitKbytes(1001);
  while (store.Add(packet.data(), size, time) == PacketStore::kAddStored) {
  }
  for (auto _ : state) {
    if (store.AddOverwriting(packet.data(), size, time) != 1) {
      state.SkipWithError("AddOverwriting did not replace exactly one record");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["records"] = store.Count();
}
BENCHMARK(BM_StoreAddOverwritingSteadyState)->Arg(64)->Arg(1500);

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_StoreOverheadBytesPerPacket(benchmark::State& state) {
  // Heap growth while N packets are stored, minus the N packet sizes: the
  // records, the queue and the allocator's own headers and rounding.
  const auto size = static_cast<uint32_t>(state.range(0));
  constexpr size_t kPackets = 100000;
  const std::vector<uint8_t> packet(size, 0x45);
  const SystemTime time = SomeTime();
  PacketStore store;
  store.Init();
  double overhead = 0;
  for (auto _ : state) {
    const size_t before = HeapInUse();
    for (size_t i = 0; i < kPackets; ++i) store.Add(packet.data(), size, time);
    const size_t after = HeapInUse();
    if (store.Count() != kPackets) {
      state.SkipWithError("not every packet was stored");
      break;
    }
    overhead = (static_cast<double>(after) - static_cast<double>(before) -
                static_cast<double>(kPackets) * size) /
               kPackets;
    state.PauseTiming();
    store.Clear();
    state.ResumeTiming();
  }
  state.counters["overhead_bytes_per_packet"] = overhead;
}
BENCHMARK(BM_StoreOverheadBytesPerPacket)->Arg(64)->Arg(1500)->Iterations(5);

}  // namespace
