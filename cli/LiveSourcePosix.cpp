// The capture's platform side on Linux: the packet socket, getifaddrs, errno
// texts and the signals.
#include <signal.h>

#include <cerrno>
#include <cstring>

#include "capture/PacketSocketSourcePosix.h"
#include "cli/LiveSource.h"

namespace {

class PacketSocketLiveSource : public LiveSource {
 public:
  PacketSource& source() override { return socket_; }
  int64_t LastReceiveMicros() override { return socket_.LastReceiveMicros(); }
  bool KernelDrops(uint64_t& drops) override {
    drops = socket_.KernelDrops();
    return true;
  }

 private:
  PacketSocketSource socket_;
};

std::atomic<bool>* stop_flag = nullptr;
PacketSource* stop_source = nullptr;

// Only an atomic store and an eventfd write: both async-signal-safe.
void OnStopSignal(int) {
  if (stop_flag != nullptr) stop_flag->store(true);
  if (stop_source != nullptr) stop_source->Wake();
}

}  // namespace

std::unique_ptr<LiveSource> MakeLiveSource() {
  return std::make_unique<PacketSocketLiveSource>();
}

std::vector<std::string> CaptureAddressLines() {
  std::vector<std::string> lines = {"auto\t" + AutomaticAddressNow()};
  for (const HostAddress& host : HostAddressesNow()) {
    if (!host.loopback) lines.push_back(host.address + "\t" + host.interface_name);
  }
  lines.push_back("127.0.0.1\tloopback");
  return lines;
}

std::string OpeningFailureText(const SourceOpening& o) {
  if (o.failed == OpenStep::kCreate && (o.error == EPERM || o.error == EACCES))
    return "no rights to capture: run as root (or with the capability CAP_NET_RAW)";
  if (o.failed == OpenStep::kAddress || (o.failed == OpenStep::kBind && o.error == EADDRNOTAVAIL))
    return "the host has no address " + o.address + " (see kestrel-cli capture --list-addresses)";
  if (o.failed == OpenStep::kAddressList && o.error == 0)
    return "the host has no network address for the automatic choice (give -i)";
  return std::string("cannot open the capture socket: ") + OpenStepName(o.failed) + ": " +
         std::strerror(o.error);
}

void CatchStopRequests(std::atomic<bool>& stop, PacketSource& source) {
  stop_flag = &stop;
  stop_source = &source;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Writes to the output restart instead of failing with EINTR; the wait
  // ends through the wake.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  // A reader that went away is a failed write, not the end of the process:
  // the files are closed and the summary printed.
  signal(SIGPIPE, SIG_IGN);
}

void EndStopRequests() {
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  signal(SIGHUP, SIG_DFL);
  stop_source = nullptr;
  stop_flag = nullptr;
}
