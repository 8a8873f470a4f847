// The capture's platform side on Windows: the program's raw socket source,
// the sockets' address list, Winsock error texts and the console's control
// events.
#include <windows.h>
#include <winsock2.h>

#include <thread>  // std::chrono without <chrono>

#include "capture/RawSocketSourceWin32.h"
#include "capture/SocketLayerWin32.h"
#include "cli/LiveSource.h"

namespace {

class RawSocketLiveSource : public LiveSource {
 public:
  PacketSource& source() override { return socket_; }
  int64_t LastReceiveMicros() override {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
  bool KernelDrops(uint64_t&) override { return false; }

 private:
  RawSocketSource socket_;
};

std::atomic<bool>* stop_flag = nullptr;
PacketSource* stop_source = nullptr;
HANDLE capture_ended = nullptr;

// Runs on a thread of the system's. After a close, log-off or shut-down the
// process ends as soon as this returns, so it waits for the capture's end
// (the system allows a few seconds).
BOOL WINAPI OnControlEvent(DWORD event) {
  if (stop_flag != nullptr) stop_flag->store(true);
  if (stop_source != nullptr) stop_source->Wake();
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && capture_ended != nullptr)
    WaitForSingleObject(capture_ended, 10000);
  return TRUE;
}

}  // namespace

std::unique_ptr<LiveSource> MakeLiveSource() {
  return std::make_unique<RawSocketLiveSource>();
}

std::vector<std::string> CaptureAddressLines() {
  std::vector<std::string> lines = {"auto\t" + LastListedAddressNow()};
  for (const std::string& address : ListedAddressesNow()) lines.push_back(address);
  lines.push_back("127.0.0.1\tloopback");
  return lines;
}

std::string OpeningFailureText(const SourceOpening& o) {
  if (o.error == kErrorAccessDenied) return "no rights to capture: run as administrator";
  if (o.failed == OpenStep::kAddress ||
      (o.failed == OpenStep::kBind && o.error == kErrorAddressNotAvailable))
    return "the host has no address " + o.address + " (see kestrel-cli capture --list-addresses)";
  if (o.failed == OpenStep::kAddressList && o.error == 0)
    return "the host has no network address for the automatic choice (give -i)";
  return std::string("cannot open the capture socket: ") + OpenStepName(o.failed) +
         " failed (error " + std::to_string(o.error) + ")";
}

void CatchStopRequests(std::atomic<bool>& stop, PacketSource& source) {
  stop_flag = &stop;
  stop_source = &source;
  capture_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

void EndStopRequests() {
  if (capture_ended != nullptr) SetEvent(capture_ended);
}
