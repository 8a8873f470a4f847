// Measures how fast the real packet list fills during a capture: the main
// window with its capture page, the capture thread with the real filter, store
// and list code, and a source that hands out small UDP datagrams as fast as it
// is asked. Each run captures a number of datagrams and waits until the list
// shows all of them; it prints the rows per second, from the start command to
// the last row. The overwrite run first fills a store of 10,000 packets, then
// measures while every new packet pushes the oldest row out of the list.
// A measurement, not a test: run it under Wine in a virtual display,
//   scripts/wine-run build/windows/bench/windows/PacketListRate.exe
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CapturePageWin32.h"
#include "app/MainWindowWin32.h"
#include "app/resource.h"
#include "bench/windows/MeasureSupport.h"
#include "support/GuiHarness.h"

namespace {

// Every protocol admitted; the store limit and overwrite mode vary per run.
std::string Settings(int ring_max, int ring_roop) {
  return "[Common_config]\r\nRING_MAX=" + std::to_string(ring_max) +
         "\r\nRING_ROOP=" + std::to_string(ring_roop) +
         "\r\nCAP_FPS=10\r\n[Protocol_config]\r\nTCP=1\r\nUDP=1\r\nICMP=1\r\nOTHER=1\r\n"
         "[IP_config]\r\nLIST_NUM=1\r\n0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n"
         "0_LIST_DEST_IP=0.0.0.0\r\n0_LIST_DEST_PORT=*\r\n0_LIST_VEC=0\r\n";
}

// 100-byte UDP datagrams.
GrantedSource UdpSource() {
  std::vector<uint8_t> d(100, 0);
  const uint8_t header[28] = {0x45, 0, 0,  100, 0, 0, 0,    0,    64, 17, 0, 0,  192, 168,
                              0,    1, 10, 0,   0, 2, 0x30, 0x39, 0,  53, 0, 80, 0,   0};
  std::copy(std::begin(header), std::end(header), d.begin());
  return GrantedSource({d});
}

int Rows() {
  return static_cast<int>(SendMessageA(capture_page.panes.list, LVM_GETITEMCOUNT, 0, 0));
}

// Captures `count` more datagrams; the list is up to date when the status bar
// counts `counter` packets. Returns the seconds from the start command on.
double Capture(GrantedSource& source, int count, uint32_t counter) {
  const std::string counted = "Packet:" + std::to_string(counter) + "　";
  const ULONGLONG start = GetTickCount64();
  source.Grant(count);
  SendMessageA(MainWindow, WM_COMMAND, IDM_CAPTURE_START, 0);
  PumpUntil([&] { return StatusPartText(StatusBar, 1).rfind(counted, 0) == 0; }, 600000);
  const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
  SendMessageA(MainWindow, WM_COMMAND, IDM_CAPTURE_STOP, 0);
  return seconds;
}

void Report(const char* what, int rows, double seconds) {
  std::printf("%-44s %7d rows %8.2f s %9.0f rows/s\n", what, rows, seconds, rows / seconds);
  std::fflush(stdout);
}

}  // namespace

int main() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("kestrel-list-rate-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);

  for (int count : {10000, 100000}) {
    FILE* file = std::fopen("config.ini", "wb");
    const std::string settings = Settings(0, 0);
    std::fwrite(settings.data(), 1, settings.size(), file);
    std::fclose(file);
    GrantedSource source = UdpSource();
    MainWindowSession session(&source);
    const double seconds = Capture(source, count, static_cast<uint32_t>(count));
    Report(count == 10000 ? "append 10,000 to an empty list" : "append 100,000 to an empty list",
           Rows(), seconds);
  }

  {
    FILE* file = std::fopen("config.ini", "wb");
    const std::string settings = Settings(1000, 1);  // 10,000 packets of 100 bytes
    std::fwrite(settings.data(), 1, settings.size(), file);
    std::fclose(file);
    GrantedSource source = UdpSource();
    MainWindowSession session(&source);
    Capture(source, 10000, 10000);
    const double seconds = Capture(source, 20000, 30000);
    std::printf("(list rows %d, stored %u)\n", Rows(), capture_page.store.Count());
    Report("overwrite 20,000 at a full list of 10,000", 20000, seconds);
  }
  std::filesystem::current_path(folder.parent_path());
  std::filesystem::remove_all(folder);
  return 0;
}
