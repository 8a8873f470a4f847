// Drives the soak run of scripts/soak-window inside the network namespace of
// tests/windows/netns-run: starts the real Kestrel_Scan.exe (KESTREL_APP_EXE)
// in the current folder with overwrite mode on, presses Start, and has the
// native udp-sender beside it (KESTREL_NETNS_HELPER, listening on the
// namespace's first address) send 100-byte UDP datagrams at RATE a second for
// SECONDS to the address the program captures on, which is the namespace's
// own. Then it stops the capture and compares the list's row count with the
// number of records the store holds, counted in a capture file saved through
// the program's own save dialog (with overwrite mode the status bar counts
// packets captured, not records kept). The files soak-started and
// soak-finished tell the script when to sample the program's memory.
// Usage: WindowSoak.exe SECONDS RATE RING_MAX_KBYTES
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "app/resource.h"
#include "bench/windows/MeasureSupport.h"
#include "capturefile/CaptureFileReader.h"
#include "support/GuiHarness.h"
#include "support/NamespaceNetwork.h"
#include "support/ProgramProcess.h"

namespace {

constexpr uint16_t kTrafficPort = 40100;
constexpr uint16_t kSenderPort = 40200;

// The program captures on the last address the host lists; nothing is sent
// unless every listed address belongs to the namespace.
bool CaptureTarget(in_addr& target) {
  const std::vector<in_addr> own = NamespaceAddresses();
  bool found = false;
  for (const in_addr& listed : ListedAddresses()) {
    if (listed.s_addr == INADDR_ANY) continue;
    if (std::none_of(own.begin(), own.end(), [&](const in_addr& a) { return Same(a, listed); })) {
      return false;
    }
    target = listed;
    found = true;
  }
  return found;
}

// Has the sender send `count` datagrams to `target` at `rate` a second and
// waits for its report: the datagrams sent and the seconds it took.
bool Send(const in_addr& sender, const in_addr& target, int rate, long count,
          std::string& report) {
  char host[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &target, host, sizeof host);
  const std::string request = std::to_string(rate) + " " + std::to_string(count) + " " + host +
                              " " + std::to_string(kTrafficPort);
  const SOCKET control = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  const DWORD wait_ms = static_cast<DWORD>(count / std::max(rate, 1) + 120) * 1000;
  setsockopt(control, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait_ms),
             sizeof wait_ms);
  const sockaddr_in to = At(sender, kSenderPort);
  sendto(control, request.data(), static_cast<int>(request.size()), 0,
         reinterpret_cast<const sockaddr*>(&to), sizeof to);
  char answer[128] = {};
  const int got = recv(control, answer, sizeof answer - 1, 0);
  closesocket(control);
  if (got <= 0) return false;
  report = answer;
  return true;
}

// Kestrel_Scan's window and the controls read from it.
struct ProgramWindows {
  HWND main = nullptr, list = nullptr, status = nullptr;

  bool Find(const Program& program) {
    main = program.WaitForMainWindow();
    return WaitUntil(
        [&] {
          HWND page = FindWindowExA(GetDlgItem(main, IDC_TAB), nullptr, "#32770", nullptr);
          list = GetDlgItem(page, IDC_PACKET_LIST);
          status = GetDlgItem(main, IDC_STATUS_BAR);
          return list != nullptr && status != nullptr && IsWindowVisible(main);
        },
        kStartTimeoutMs);
  }
  void Command(int id) const { PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  bool StateBecomes(const char* state) const {
    return WaitUntil([&] { return StatusPartText(status, 0) == state; }, 10000);
  }
  // The state text changes at the stop request; the capture thread's last
  // rows and counts follow when it ends its pass. Waits until the row count
  // and the counts have held for a second and a half.
  void WaitUntilSettled() const {
    std::string last;
    ULONGLONG since = GetTickCount64();
    WaitUntil(
        [&] {
          const std::string now =
              std::to_string(ListRowCount(list)) + " " + StatusPartText(status, 1);
          if (now != last) last = now, since = GetTickCount64();
          return GetTickCount64() - since >= 1500;
        },
        120000);
  }
};

long CountRecords(const std::string& path) {
  CaptureFileReader reader;
  if (!reader.Open(path.c_str()) || reader.ReadHeader() == CaptureReadResult::Invalid) return -1;
  CapturedPacket packet{};
  long records = 0;
  while (reader.Next(packet) == CaptureReadResult::Ok) ++records;
  return records;
}

void WriteSettings(int ring_max) {
  std::ofstream("config.ini", std::ios::binary)
      << "[Common_config]\r\nRING_MAX=" << ring_max
      << "\r\nRING_ROOP=1\r\nCAP_FPS=10\r\n[Protocol_config]\r\nTCP=1\r\nUDP=1\r\nICMP=1\r\n"
         "OTHER=1\r\n[IP_config]\r\nLIST_NUM=1\r\n0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n"
         "0_LIST_DEST_IP=0.0.0.0\r\n0_LIST_DEST_PORT=*\r\n0_LIST_VEC=0\r\n";
}

int Fail(const char* why) {
  std::printf("soak: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || ProgramPath().empty()) {
    std::fprintf(stderr, "usage (through scripts/soak-window): WindowSoak.exe SECONDS RATE "
                         "RING_MAX_KBYTES, with KESTREL_APP_EXE set\n");
    return 2;
  }
  const long seconds = std::atol(argv[1]);
  const int rate = std::atoi(argv[2]);
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  in_addr target{};
  if (NamespaceAddresses().empty() || !CaptureTarget(target)) {
    return Fail("not inside a namespace of the runner's own: nothing sent");
  }
  // A bound socket keeps the stack from answering every datagram with an ICMP error.
  const SOCKET sink = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  const sockaddr_in sink_address = At(target, kTrafficPort);
  bind(sink, reinterpret_cast<const sockaddr*>(&sink_address), sizeof sink_address);

  WriteSettings(std::atoi(argv[3]));
  Program program;
  ProgramWindows windows;
  if (!program.started() || !windows.Find(program)) return Fail("the program did not start");
  windows.Command(IDM_CAPTURE_START);
  if (!windows.StateBecomes("状態：キャプチャー中")) return Fail("the capture did not start");
  std::ofstream("soak-started").close();

  std::string report;
  if (!Send(NamespaceAddresses().front(), target, rate, seconds * rate, report)) {
    return Fail("no answer from the sender (KESTREL_NETNS_HELPER)");
  }
  long sent = 0;
  double sending = 0;
  std::sscanf(report.c_str(), "%ld %lf", &sent, &sending);
  std::printf("sender: %ld datagrams in %.1f s\n", sent, sending);
  Sleep(2000);  // what is still in the sockets
  windows.Command(IDM_CAPTURE_STOP);
  if (!windows.StateBecomes("状態：停止中")) return Fail("the capture did not stop");
  std::ofstream("soak-finished").close();
  windows.WaitUntilSettled();
  const int rows = ListRowCount(windows.list);
  // "Packet:%u　　Memory:%u byte": the numbers only (the text is code page 932).
  const std::string counts = StatusPartText(windows.status, 1);
  const size_t memory_at = counts.find("Memory:");
  const unsigned long counter = std::strtoul(counts.c_str() + std::strlen("Packet:"), nullptr, 10);
  std::printf("status bar: packet counter %lu (%.1f %% of those sent), store memory %lu bytes\n",
              counter, sent > 0 ? 100.0 * static_cast<double>(counter) / sent : 0.0,
              memory_at == std::string::npos
                  ? 0ul
                  : std::strtoul(counts.c_str() + memory_at + std::strlen("Memory:"), nullptr, 10));

  const std::string saved = (std::filesystem::current_path() / "soak-saved.bin").string();
  std::filesystem::remove(saved);
  std::future<TimedAnswer> answer = AnswerDialogThenBox(
      "バイナリデータファイル保存", saved, "保存完了", 600000, program.id());
  windows.Command(IDM_SAVE_BINARY);
  const TimedAnswer save = answer.get();
  if (!save.Succeeded()) {
    Failed("save", save);
    std::printf("program exit status %ld (-1: still running)\n", program.ExitStatus(0));
    return 1;
  }
  const long records = CountRecords(saved);
  std::filesystem::remove(saved);
  std::printf("list rows %d, store records (saved) %ld: %s\n", rows, records,
              rows == records ? "equal" : "DIFFERENT");

  std::future<AnsweredBox> question = AnswerBox("終了確認", IDOK, kStartTimeoutMs, program.id());
  PostMessageA(windows.main, WM_CLOSE, 0, 0);
  question.get();
  std::printf("program exit status %ld\n", program.ExitStatus(60000));
  closesocket(sink);
  WSACleanup();
  return rows == records ? 0 : 1;
}
