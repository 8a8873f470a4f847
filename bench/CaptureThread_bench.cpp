// Throughput of the capture pass: receive, filter, time stamp, store and the
// batched list update, with a source that always has a datagram ready, a
// config.ini with TCP and UDP on and ten address/port rules, and a view whose
// panes cost nothing (the list texts are still formatted). The capture thread
// keeps the receive buffer zero after each datagram, as it always does.
//
// BM_CapturePassThroughput/0 receives 60-byte datagrams only; /1 makes every
// fourth one 1,500 bytes, so the store copies more and the thread clears what
// each long datagram left behind.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>  // std::chrono
#include <vector>

#include "capture/CaptureThread.h"
#include "capture/NullCaptureView.h"

namespace {

constexpr int kPacketsPerPass = 10000;
constexpr int kRules = 10;

// TCP and UDP datagrams of 60 bytes (every fourth of 1,500 when `mixed`), each
// matching one of the rules in turn.
std::vector<std::vector<uint8_t>> Traffic(bool mixed) {
  std::vector<std::vector<uint8_t>> traffic;
  for (int i = 0; i < 2 * kRules; ++i) {
    const size_t size = mixed && i % 4 == 3 ? 1500 : 60;
    std::vector<uint8_t> d(size, 0);
    d[0] = 0x45;
    d[2] = static_cast<uint8_t>(size >> 8);
    d[3] = static_cast<uint8_t>(size);
    d[8] = 64;
    d[9] = i % 2 == 0 ? 6 : 17;
    const uint8_t addresses[8] = {192, 168, 1, static_cast<uint8_t>(1 + i / 2), 10, 0, 0, 2};
    std::memcpy(&d[12], addresses, 8);
    d[20] = 0x13;  // source port 5000
    d[21] = 0x88;
    d[22] = 0;
    d[23] = 80;  // destination port 80
    if (d[9] == 6) d[32] = 0x50;
    if (d[9] == 17) {
      d[24] = static_cast<uint8_t>((size - 20) >> 8);
      d[25] = static_cast<uint8_t>(size - 20);
    }
    traffic.push_back(d);
  }
  return traffic;
}

class ReadySource : public PacketSource {
 public:
  explicit ReadySource(bool mixed) : traffic_(Traffic(mixed)) {}
  SourceOpening Open(const CaptureAddressChoice&) override { return {true, "10.0.0.2"}; }
  int WaitReadable(int) override { return remaining_ > 0 ? 1 : 0; }
  void Wake() override {}
  int32_t Receive(uint8_t* buffer, int32_t) override {
    const std::vector<uint8_t>& d = traffic_[next_++ % traffic_.size()];
    std::memcpy(buffer, d.data(), d.size());
    --remaining_;
    return static_cast<int32_t>(d.size());
  }
  void Close() override {}
  void Cleanup() override {}

  int remaining_ = 0;

 private:
  std::vector<std::vector<uint8_t>> traffic_;
  size_t next_ = 0;
};

void WriteConfig() {
  std::string text =
      "[Common_config]\r\nRING_MAX=0\r\nRING_ROOP=0\r\nCAP_FPS=0\r\n"
      "[Protocol_config]\r\nTCP=1\r\nUDP=1\r\nICMP=0\r\nOTHER=0\r\n[IP_config]\r\n";
  text += "LIST_NUM=" + std::to_string(kRules) + "\r\n";
  for (int i = 0; i < kRules; ++i) {
    const std::string n = std::to_string(i);
    text += n + "_LIST_SRC_IP=192.168.1." + std::to_string(1 + i) + "\r\n";
    text += n + "_LIST_SRC_PORT=*\r\n" + n + "_LIST_VEC=1\r\n";
    text += n + "_LIST_DEST_IP=10.0.0.2\r\n" + n + "_LIST_DEST_PORT=80\r\n";
  }
  std::FILE* file = std::fopen("config.ini", "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  // A file saved a while ago, as during a real capture: the filter re-reads a
  // freshly written file for every packet for a few seconds, which is not the
  // steady state this measures.
  std::filesystem::last_write_time(
      "config.ini", std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
}

void BM_CapturePassThroughput(benchmark::State& state) {
  const auto previous = std::filesystem::current_path();
  const auto dir = std::filesystem::temp_directory_path() / "kestrel-capture-bench";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  WriteConfig();

  CaptureControl control;
  control.capture_request = static_cast<int8_t>(CaptureRequest::Capture);
  control.capture_thread_running = 1;
  control.receive_interval_ms = 0;
  PacketStore store;
  store.Init();
  ReadySource source(state.range(0) != 0);
  NullCaptureView view;
  PacketFilter filter((dir / "config.ini").string());
  CaptureContext context{control, store, source, view, filter};
  CaptureThread thread(context);

  for (auto _ : state) {
    source.remaining_ = kPacketsPerPass;
    thread.RunCapturePass();
    state.PauseTiming();
    if (store.Count() != kPacketsPerPass) state.SkipWithError("the filter dropped packets");
    thread.ClearAll();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kPacketsPerPass);
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CapturePassThroughput)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
