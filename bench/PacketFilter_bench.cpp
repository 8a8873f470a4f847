// Packet filter decisions per second with a config.ini of 10 rules of which
// only the 10th admits the packet, so every rule is examined:
//   BM_FilterAcceptTcp10Rules           the filter as the capture thread runs it
//                                       (file saved a while ago: per packet the
//                                       change count and the clock, a stat every 100 ms)
//   BM_FilterAcceptTcp10RulesJustSaved  the same within moments of a save, when the
//                                       check every 100 ms also reads and compares the bytes
//   BM_FilterAcceptTcp10RulesReparse    the naive way: the file opened and parsed
//                                       for every key read (52 reads per packet)
//   BM_ConfigFileStamp                  the system call of the stamp check, alone
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigFile.h"
#include "config/FileStamp.h"
#include "config/PacketFilter.h"
#include "log/SettingsPaths.h"
#include "support/PacketFilterReference.h"

namespace {

namespace fs = std::filesystem;

// A working directory of its own holding the 10-rule config.ini.
class BenchDirectory {
 public:
  BenchDirectory() : previous_(fs::current_path()) {
    path_ = fs::temp_directory_path() / ("kestrel-bench-filter-" + std::to_string(::getpid()));
    fs::create_directories(path_);
    fs::current_path(path_);
    FilterSettings s;
    s.tcp = true;
    for (int i = 1; i <= 9; ++i) {
      s.rules.push_back(
          {"172.16.0." + std::to_string(i), "*", "10.9.9." + std::to_string(i), "80", 0});
    }
    s.rules.push_back({"192.168.0.1", "*", "10.0.0.2", "80", 1});
    ConfigFile::Write(s);
  }
  ~BenchDirectory() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
  }

 private:
  fs::path path_;
  fs::path previous_;
};

// TCP from 192.168.0.1:40000 to 10.0.0.2:80, 40 bytes.
const std::vector<uint8_t> kPacket = {
    0x45, 0x00, 0x00, 0x28, 0x00, 0x01, 0x40, 0x00, 0x40, 0x06, 0x00, 0x00,
    192,  168,  0,    1,    10,   0,    0,    2,                             // addresses
    0x9C, 0x40, 0x00, 0x50, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,  // ports, seq, ack
    0x50, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};

// `accept(filter, bytes, size)` decides with the filter made for the file.
template <typename Accept>
void RunDecisions(benchmark::State& state, fs::file_time_type stamp, Accept accept) {
  BenchDirectory directory;
  fs::last_write_time(SettingsPaths::Config(), stamp);
  PacketFilter filter(SettingsPaths::Config());
  const int32_t size = static_cast<int32_t>(kPacket.size());
  if (accept(filter, kPacket.data(), size) != 1) {
    state.SkipWithError("the 10th rule did not admit the packet");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(accept(filter, kPacket.data(), size));
  state.SetItemsProcessed(state.iterations());
}

constexpr auto kFilterAccept = [](PacketFilter& filter, const uint8_t* bytes, int32_t size) {
  return filter.Accept(bytes, size);
};

constexpr auto kReferenceAccept = [](PacketFilter&, const uint8_t* bytes, int32_t size) {
  return PacketFilterReference::Accept(bytes, size);
};

fs::file_time_type HoursFromNow(int hours) {
  return fs::file_time_type::clock::now() + std::chrono::hours(hours);
}

void BM_FilterAcceptTcp10Rules(benchmark::State& state) {
  RunDecisions(state, HoursFromNow(-1), kFilterAccept);
}

// A stamp in the future stays as untrusted as one from a moment ago.
void BM_FilterAcceptTcp10RulesJustSaved(benchmark::State& state) {
  RunDecisions(state, HoursFromNow(1), kFilterAccept);
}

void BM_FilterAcceptTcp10RulesReparse(benchmark::State& state) {
  RunDecisions(state, HoursFromNow(-1), kReferenceAccept);
}

void BM_ConfigFileStamp(benchmark::State& state) {
  BenchDirectory directory;
  for (auto _ : state) benchmark::DoNotOptimize(StampFile(SettingsPaths::Config()));
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_FilterAcceptTcp10Rules)->UseRealTime();
BENCHMARK(BM_FilterAcceptTcp10RulesJustSaved)->UseRealTime();
BENCHMARK(BM_FilterAcceptTcp10RulesReparse);
BENCHMARK(BM_ConfigFileStamp);

}  // namespace
