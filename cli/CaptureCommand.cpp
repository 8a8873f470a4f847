// kestrel-cli capture: the program's packet source and filter, written to
// pcap, pcapng or capture files as the datagrams come.
//
// The loop waits once per burst and then receives until the source has
// nothing more (or kBurst datagrams, so that a flood cannot hold the output
// back), and hands the output to its file or pipe whenever a burst ends and
// at least every kFlushEveryMs: a reader at the other end of a pipe gets each
// packet within that time of the source handing it over (on Linux the
// receive ring adds at most its block timeout). Memory is the receive
// buffer, the source's ring or buffers and the writer's buffer, whatever the
// duration.
#include <atomic>
#include <memory>
#include <thread>  // std::chrono without <chrono>

#include "capture/CaptureThread.h"
#include "cli/CaptureOutput.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/LiveSource.h"
#include "cli/StandardStreams.h"
#include "config/CaptureAddressSetting.h"
#include "config/PacketFilter.h"
#include "packet/CapturedPacket.h"

namespace {

constexpr int kBurst = 1024;
constexpr int kFlushEveryMs = 50;
constexpr int kWaitSeconds = 1;

struct CaptureCounts {
  uint64_t seen = 0;
  uint64_t kept = 0;
  uint64_t written = 0;
};

int ListAddresses(const CliStreams& streams) {
  std::string text;
  for (const std::string& line : CaptureAddressLines()) text += line + "\n";
  const bool written = WriteStreamText(streams.out, text);
  return written && std::fflush(streams.out) == 0 ? 0 : 1;
}

void PrintSummary(const CliStreams& streams, const CaptureCounts& counts, LiveSource& live) {
  std::string text = std::to_string(counts.seen) + " packets seen\n" + std::to_string(counts.kept) +
                     " packets kept by the filter\n" + std::to_string(counts.written) +
                     " packets written\n";
  uint64_t drops = 0;
  if (live.KernelDrops(drops)) text += std::to_string(drops) + " packets dropped by the kernel\n";
  WriteStreamText(streams.err, text);
}

}  // namespace

int RunCapture(const CliArguments& args, const CliStreams& streams) {
  const CaptureOptions& options = args.capture;
  if (options.list_addresses) return ListAddresses(streams);

  std::unique_ptr<PacketFilter> filter;
  if (!options.config.empty()) {
    if (LookUpCliPath(options.config) != CliPathKind::Other)
      return ReportFailure(streams, "cannot read '" + options.config + "'");
    filter = std::make_unique<PacketFilter>(options.config);
    filter->WatchForChanges();
  }

  // The source first: without rights or with a wrong address nothing is created.
  std::unique_ptr<LiveSource> live = MakeLiveSource();
  PacketSource& source = live->source();
  const SourceOpening opening = source.Open(
      options.address.empty() ? CaptureAddressChoice{} : CaptureAddressFromValue(options.address));
  if (!opening.open) return ReportFailure(streams, OpeningFailureText(opening));

  std::atomic<bool> stop{false};
  CatchStopRequests(stop, source);
  CaptureOutput output(options);
  std::string error;
  if (!output.Start(live->LastReceiveMicros(), error)) {
    source.Close();
    source.Cleanup();
    EndStopRequests();
    return ReportFailure(streams, error);
  }
  WriteStreamText(streams.err, "kestrel-cli: capturing on " + opening.address + "\n");

  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kMaxDatagramSize]);
  CaptureCounts counts;
  int failed_receives = 0;
  bool failed = false;
  auto last_flush = std::chrono::steady_clock::now();
  while (!stop.load() && !failed) {
    bool drained = source.WaitReadable(kWaitSeconds) != 1;
    for (int n = 0; !drained && n < kBurst && !stop.load(); ++n) {
      const int32_t size = source.Receive(buffer.get(), static_cast<int32_t>(kMaxDatagramSize));
      if (size == 0) {
        drained = true;
      } else if (size < 0) {
        drained = true;
        // Gives up after as many failures in a row as the program's capture thread.
        if (++failed_receives >= CaptureThread::kFailedReceivesToStop) {
          error = "the capture socket keeps failing";
          failed = true;
        }
      } else {
        failed_receives = 0;
        ++counts.seen;
        if (filter != nullptr && filter->Accept(buffer.get(), size) != 1) continue;
        ++counts.kept;
        if (!output.Write(live->LastReceiveMicros(), buffer.get(), static_cast<uint32_t>(size),
                          error)) {
          failed = true;
          break;
        }
        if (++counts.written == options.count) stop.store(true);
      }
    }
    const auto now = std::chrono::steady_clock::now();
    if (drained || now - last_flush >= std::chrono::milliseconds(kFlushEveryMs)) {
      if (!output.Flush(error)) failed = true;
      last_flush = now;
    }
  }

  std::string close_error;
  const bool closed = output.Close(close_error);
  source.Close();
  source.Cleanup();
  PrintSummary(streams, counts, *live);
  EndStopRequests();
  if (failed) return ReportFailure(streams, error);
  if (!closed) return ReportFailure(streams, close_error);
  return 0;
}
