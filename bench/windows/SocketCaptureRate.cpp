// Measures how many UDP datagrams per second the real capture path takes in
// without loss: the capture sockets of the socket layer, the capture thread
// with the real filter and store, and a view whose panes cost nothing. The
// datagrams come from bench/windows/udp-sender, a native program in the same
// network namespace, so that sending costs the Wine side nothing; paced rates
// and unpaced bursts are each measured with the platform's default receive
// buffer and with the capture's large one; last, what each socket call costs
// (SECONDS 0: only that). A measurement, not a test; run it with the sender
// listening on the namespace's first address, port 40200:
//   KESTREL_NETNS_HELPER="bench/windows/udp-sender 10.250.1.1 40200"
//   tests/windows/netns-run build/windows/bench/windows/SocketCaptureRate.exe [SECONDS]
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>  // std::chrono clocks without <chrono>

#include "capture/CaptureThread.h"
#include "capture/NullCaptureView.h"
#include "capture/RawSocketSourceWin32.h"

namespace {

// Silent like NullCaptureView, but an emergency stop is reported.
class MeasurementView : public NullCaptureView, MessageBoxes {
 public:
  MessageBoxes& Boxes() override { return *this; }
  int ShowMessageBox(const char*, const char*, unsigned) override {
    std::fprintf(stderr, "emergency stop\n");
    return kIdOk;
  }
};

struct Result {
  int sent = 0;
  double send_rate = 0;
  uint32_t captured = 0;
  double capture_rate = 0;  // stored packets per second, from the first send to the last store
};

constexpr uint16_t kTrafficPort = 40100;
constexpr uint16_t kControlPort = 40200;

// Asks the sender in the namespace for `count` datagrams at `rate` per second
// (0: unpaced) and waits for its answer.
bool RunSender(const in_addr& control_address, const sockaddr_in& target, double rate, int count,
               Result& result) {
  const SOCKET control = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in sender{};
  sender.sin_family = AF_INET;
  sender.sin_addr = control_address;
  sender.sin_port = htons(kControlPort);
  char request[128];
  char host[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &target.sin_addr, host, sizeof host);
  std::snprintf(request, sizeof request, "%.0f %d %s %d", rate, count, host, kTrafficPort);
  sendto(control, request, static_cast<int>(std::strlen(request)), 0,
         reinterpret_cast<const sockaddr*>(&sender), sizeof sender);
  fd_set read_set;
  FD_ZERO(&read_set);
  FD_SET(control, &read_set);
  timeval timeout{600, 0};
  char answer[128] = {};
  bool ok = select(0, &read_set, nullptr, nullptr, &timeout) == 1 &&
            recv(control, answer, sizeof answer - 1, 0) > 0;
  double seconds = 0;
  ok = ok && std::sscanf(answer, "%d %lf", &result.sent, &seconds) == 2 && seconds > 0;
  if (ok) result.send_rate = result.sent / seconds;
  closesocket(control);
  return ok;
}

// Runs the capture thread while the sender sends, then waits for the line to
// fall quiet and counts what was stored.
Result Measure(const in_addr& control_address, const sockaddr_in& capture_address,
               int32_t receive_buffer_bytes, double rate, int count) {
  CaptureControl control;
  PacketStore store;
  store.Init();
  RawSocketSource source(receive_buffer_bytes);
  MeasurementView view;
  PacketFilter filter("config.ini");  // the one main writes
  CaptureContext context{control, store, source, view, filter};
  control.receive_interval_ms = 10;
  control.capture_request = static_cast<int8_t>(CaptureRequest::Capture);
  control.capture_thread_running = 1;
  std::thread capture([&context] { CaptureThreadMain(context); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the sockets are open

  // A bound receiver keeps the stack from answering with ICMP errors.
  sockaddr_in target = capture_address;
  target.sin_port = htons(kTrafficPort);
  const SOCKET sink = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  bind(sink, reinterpret_cast<const sockaddr*>(&target), sizeof target);

  Result result;
  const auto start = std::chrono::steady_clock::now();
  if (!RunSender(control_address, target, rate, count, result)) {
    std::fprintf(stderr, "no answer from the sender (KESTREL_NETNS_HELPER)\n");
  }
  // Until a second and a half passes without a new packet.
  auto last_change = std::chrono::steady_clock::now();
  for (uint32_t seen = store.PacketCounter();
       std::chrono::steady_clock::now() - last_change < std::chrono::milliseconds(1500);) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (store.PacketCounter() != seen) {
      seen = store.PacketCounter();
      last_change = std::chrono::steady_clock::now();
    }
  }
  result.captured = store.Count();
  result.capture_rate =
      result.captured / std::chrono::duration<double>(last_change - start).count();
  control.capture_thread_running = 0;
  source.Wake();
  capture.join();
  closesocket(sink);
  return result;
}

void Print(const char* buffer, const char* traffic, const Result& r) {
  std::printf("%-9s %-16s %10.0f %10d %10u %8d %10.0f\n", buffer, traffic, r.send_rate, r.sent,
              r.captured, r.sent - static_cast<int>(r.captured), r.capture_rate);
  std::fflush(stdout);
}

void PrintRates(const in_addr& control_address, const sockaddr_in& capture_address,
                double seconds) {
  std::printf("%-9s %-16s %10s %10s %10s %8s %10s\n", "buffer", "traffic", "sent/s", "sent",
              "captured", "lost", "stored/s");
  for (const int32_t buffer : {0, kCaptureReceiveBufferBytes}) {
    const char* name = buffer == 0 ? "default" : "8 MiB";
    for (const int rate : {500, 1000, 2000, 5000, 8000, 10000, 12000, 15000, 20000}) {
      char traffic[32];
      std::snprintf(traffic, sizeof traffic, "paced %d/s", rate);
      Print(name, traffic,
            Measure(control_address, capture_address, buffer, rate,
                    static_cast<int>(rate * seconds)));
    }
    for (const int count : {1000, 5000, 20000}) {
      char traffic[32];
      std::snprintf(traffic, sizeof traffic, "burst of %d", count);
      Print(name, traffic, Measure(control_address, capture_address, buffer, 0, count));
    }
  }
}

// Microseconds per call of `call`, over `count` calls.
template <typename Call>
double MicrosecondsPerCall(int count, Call call) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) call();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
             .count() /
         count;
}

// What each socket call of the capture costs here: a receive that finds a
// datagram queued, one on an empty socket, and a select that finds nothing.
void PrintCallCosts(const in_addr& control_address, const sockaddr_in& capture_address) {
  constexpr int kCalls = 5000;
  CaptureSockets sockets = OpenCaptureSockets();
  sockaddr_in target = capture_address;
  target.sin_port = htons(kTrafficPort);
  const SOCKET sink = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  bind(sink, reinterpret_cast<const sockaddr*>(&target), sizeof target);
  Result sent;
  RunSender(control_address, target, 0, kCalls, sent);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  static uint8_t buffer[65535];
  int received = 0;
  const SOCKET udp =
      sockets.endpoints[sockets.count - 1].socket;  // the UDP socket (or the only one)
  const double full = MicrosecondsPerCall(kCalls, [&] {
    if (recv(udp, reinterpret_cast<char*>(buffer), sizeof buffer, 0) > 0) ++received;
  });
  const double empty = MicrosecondsPerCall(
      kCalls, [&] { recv(udp, reinterpret_cast<char*>(buffer), sizeof buffer, 0); });
  const double quiet = MicrosecondsPerCall(kCalls, [&] {
    sockets.ready = 0;
    WaitReadable(sockets, 0);
  });
  std::printf(
      "\nper call: recv of a queued datagram %.1f us (%d of %d queued), recv on an empty "
      "socket %.1f us, select over the %d sockets %.1f us\n",
      full, received, sent.sent, empty, sockets.count, quiet);
  closesocket(sink);
  CloseSockets(sockets);
  SocketCleanup();
}

}  // namespace

int main(int argc, char** argv) {
  const char* addresses = std::getenv("KESTREL_NETNS_ADDRESSES");
  if (addresses == nullptr) {
    std::fprintf(stderr, "sends real traffic: run it with tests/windows/netns-run\n");
    return 2;
  }
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  in_addr control_address{};  // the sender listens on the namespace's first address
  inet_pton(AF_INET, std::string(addresses).substr(0, std::string(addresses).find(',')).c_str(),
            &control_address);
  WSADATA data;
  WSAStartup(0x0202, &data);
  const auto dir = std::filesystem::temp_directory_path() / "kestrel-capture-rate";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  std::FILE* config = std::fopen("config.ini", "wb");
  std::fputs(
      "[Common_config]\r\nRING_MAX=0\r\nCAP_FPS=10\r\n[Protocol_config]\r\nUDP=1\r\n"
      "[IP_config]\r\nLIST_NUM=0\r\n",
      config);
  std::fclose(config);

  // The address the capture sockets bind to, and a check that they open at all.
  CaptureSockets probe = OpenCaptureSockets(0);
  if (probe.count == 0) {
    std::fprintf(stderr, "the capture sockets do not open (root needed)\n");
    return 1;
  }
  const sockaddr_in capture_address = probe.endpoints[0].address;
  CloseSockets(probe);
  SocketCleanup();
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the sender starts beside us

  if (seconds > 0) PrintRates(control_address, capture_address, seconds);
  PrintCallCosts(control_address, capture_address);
  WSACleanup();
  return 0;
}
