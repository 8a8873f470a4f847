// Throughput of the presentation paths: building list rows, saving and loading
// the capture file, exporting the text report, all for 100-byte packets. The
// files go to the system's temporary folder. The file benchmarks count items
// per second of wall-clock time, which includes the waits for the file system.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "capturefile/CaptureFile.h"
#include "views/ListRowTexts.h"
#include "views/QuietPanes.h"
#include "views/TextReport.h"

namespace {

constexpr int kPackets = 10000;

// A 100-byte TCP segment (PSH+ACK) with 60 bytes of payload.
std::vector<uint8_t> TcpPacket(int seed) {
  std::vector<uint8_t> p = {0x45, 0x00, 0x00, 100,  0x12, 0x34, 0x40, 0x00, 64, 6,
                            0xAB, 0xCD, 192,  168,  0,    1,    10,   0,    0,  2,
                            0x04, 0x01, 0x00, 0x50, 0,    0,    0,    1,    0,  0,
                            0,    2,    0x50, 0x18, 0x10, 0x00, 0,    0,    0,  0};
  while (p.size() < 100) p.push_back(static_cast<uint8_t>(seed + p.size()));
  return p;
}

SystemTime TimeOf(int i) {
  return SystemTime{2024,
                    5,
                    4,
                    9,
                    static_cast<uint16_t>(i / 3600000 % 24),
                    static_cast<uint16_t>(i / 60000 % 60),
                    static_cast<uint16_t>(i / 1000 % 60),
                    static_cast<uint16_t>(i % 1000)};
}

void Fill(PacketStore& store) {
  for (int i = 0; i < kPackets; ++i) {
    const auto p = TcpPacket(i);
    store.Add(p.data(), static_cast<uint32_t>(p.size()), TimeOf(i * 7));
  }
}

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("kestrel-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

void BM_ListRowTexts(benchmark::State& state) {
  const auto bytes = TcpPacket(1);
  CapturedPacket packet;
  packet.size = static_cast<uint32_t>(bytes.size());
  packet.data = bytes.data();
  packet.time = TimeOf(12345678);
  const SystemTime previous = TimeOf(12345000);
  ListRowTexts texts;
  int32_t row = 0;
  for (auto _ : state) {
    ListRowCells(packet, row++, previous, texts);
    benchmark::DoNotOptimize(texts);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListRowTexts);

// Each save goes to a new file, as a user saves a capture under a new name.
// Rewriting the previous round's file would make every round wait until the
// file system has written that file out (emptying a file waits for its pages
// under write-back), which measures the disk of the round before.
void RemoveUntimed(benchmark::State& state, const std::string& path) {
  state.PauseTiming();
  std::remove(path.c_str());
  state.ResumeTiming();
}

void BM_SaveCaptureFile(benchmark::State& state) {
  PacketStore store;
  Fill(store);
  const std::string path = TempPath("save.bin");
  SilentProgressBar progress;
  for (auto _ : state) {
    RemoveUntimed(state, path);
    if (SaveCaptureFile(path.c_str(), store, progress) != FileOutcome::Written) {
      state.SkipWithError("save");
    }
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kPackets);
}
BENCHMARK(BM_SaveCaptureFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadCaptureFile(benchmark::State& state) {
  const std::string path = TempPath("load.bin");
  SilentProgressBar progress;
  {
    PacketStore source;
    Fill(source);
    SaveCaptureFile(path.c_str(), source, progress);
  }
  PacketStore store;
  for (auto _ : state) {
    state.PauseTiming();
    store.Clear();
    state.ResumeTiming();
    if (LoadCaptureFile(path.c_str(), store, progress) != FileOutcome::Loaded ||
        store.Count() != kPackets) {
      state.SkipWithError("load");
    }
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kPackets);
}
BENCHMARK(BM_LoadCaptureFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportTextReport(benchmark::State& state) {
  PacketStore store;
  Fill(store);
  const std::string path = TempPath("report.txt");
  SilentProgressBar progress;
  for (auto _ : state) {
    RemoveUntimed(state, path);
    if (ExportTextReport(path.c_str(), store, progress) != FileOutcome::Written) {
      state.SkipWithError("export");
    }
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kPackets);
}
BENCHMARK(BM_ExportTextReport)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
