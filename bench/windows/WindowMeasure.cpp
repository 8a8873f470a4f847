// Measures what a user waits for in the real main window, in-process: the
// capture page with its capture thread, panes and progress bar, driven by the
// menu commands and answered through the real file dialogs and boxes.
//   open FILE...  for each capture file: open it, show its last packet, save
//                 it as a capture file (checked byte for byte against the
//                 opened one), export it as text (not after --no-export:
//                 the report is five times the capture), delete all; then
//                 the process's peak memory against the file's packet bytes.
//   fill ROWS     the capture thread fills an empty list with ROWS packets of
//                 a TCP/UDP/ICMP mix; rows per second at every tenth.
// Times run from the press of a dialog's OK (noted by the thread that posts
// it) to the completion box's window existing (looked for every 5 ms) or to
// the list's row count, read on the GUI thread between its messages. Outputs
// go to the current directory and are removed afterwards. A measurement, not a
// test: scripts/measure-window runs it under Wine with a window manager.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>  // std::chrono clocks without <chrono>
#include <vector>

#include "app/CapturePageWin32.h"
#include "app/MainWindowWin32.h"
#include "app/resource.h"
#include "bench/windows/MeasureSupport.h"
#include "capturefile/CaptureFileReader.h"
#include "support/GuiHarness.h"

namespace {

constexpr DWORD kLongestWaitMs = 3 * 3600 * 1000;  // a slow open of a million packets

void Request(int command) {
  SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

int Rows() {
  return ListRowCount(capture_page.panes.list);
}

// Runs `command`, answers its file dialog with `path` and times OK to the box.
// Serves the window meanwhile, calling `also` between its messages to note
// more moments. The answer does not succeed after a failure or a time-out.
template <typename Also>
TimedAnswer RunDialogCommand(int command, const char* dialog, const std::string& path,
                             const char* box, Also also) {
  std::future<TimedAnswer> answer = AnswerDialogThenBox(dialog, path, box, kLongestWaitMs);
  Request(command);
  PumpUntil(
      [&] {
        also();
        return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
      },
      kLongestWaitMs);
  return answer.get();
}

struct FileFacts {
  uint32_t packets = 0;
  uint64_t packet_bytes = 0;
  bool readable = false;
};

// Counts the file's records with the program's own reader.
FileFacts ReadFacts(const std::string& path) {
  FileFacts facts;
  CaptureFileReader reader;
  if (!reader.Open(path.c_str()) || reader.ReadHeader() == CaptureReadResult::Invalid) {
    return facts;
  }
  CapturedPacket packet{};
  CaptureReadResult result;
  while ((result = reader.Next(packet)) == CaptureReadResult::Ok) {
    ++facts.packets;
    facts.packet_bytes += packet.size;
  }
  facts.readable = result == CaptureReadResult::End && reader.Close();
  return facts;
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  std::vector<char> x(1 << 20), y(1 << 20);
  while (first && second) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount() ||
        !std::equal(x.begin(), x.begin() + first.gcount(), y.begin())) {
      return false;
    }
  }
  return first.eof() && second.eof();
}

std::string InCurrentFolder(const char* name) {
  return (std::filesystem::current_path() / name).string();
}

void PrintStep(const char* what, double seconds, const std::string& note = "") {
  std::printf("  %-40s %9.3f s  %s\n", what, seconds, note.c_str());
  std::fflush(stdout);
}

// Saves or exports through `dialog` to `name` in the current folder and prints
// the time from OK to the completion box, with `note` of the file written;
// removes the file. False when it failed (said on the output).
template <typename Note>
bool TimedSave(const char* step, int command, const char* dialog, const char* name, Note note) {
  const std::string path = InCurrentFolder(name);
  std::filesystem::remove(path);
  const TimedAnswer answer = RunDialogCommand(command, dialog, path, "保存完了", [] {});
  if (!answer.Succeeded()) return Failed(step, answer);
  PrintStep(step, Seconds(answer.ok, answer.box_seen), note(path));
  std::filesystem::remove(path);
  return true;
}

// Open, last row, save, export and delete all of one file; false when a step
// failed (said on the output).
bool MeasureFile(const std::string& path, bool export_text) {
  const FileFacts facts = ReadFacts(path);
  if (!facts.readable || facts.packets == 0) {
    std::printf("%s: not a readable capture file with packets\n", path.c_str());
    return false;
  }
  const int packets = static_cast<int>(facts.packets);
  std::printf("%s: %u packets, %llu packet bytes, file %llu bytes\n", path.c_str(), facts.packets,
              static_cast<unsigned long long>(facts.packet_bytes),
              static_cast<unsigned long long>(std::filesystem::file_size(path)));

  Clock::time_point all_rows{};
  const TimedAnswer opened =
      RunDialogCommand(IDM_OPEN, "バイナリデータファイル読み込み", path, "読み込み完了", [&] {
        if (all_rows == Clock::time_point{} && packets > 0 && Rows() == packets) {
          all_rows = Clock::now();
        }
      });
  if (!opened.Succeeded()) return Failed("open", opened);
  PrintStep("open: OK to the completion box", Seconds(opened.ok, opened.box_seen));
  PumpUntil([&] { return Rows() == packets; }, kLongestWaitMs);
  if (all_rows == Clock::time_point{}) all_rows = Clock::now();
  PrintStep("open: OK to all rows listed", Seconds(opened.ok, all_rows),
            std::to_string(Rows()) + " rows, " + std::to_string(capture_page.store.Count()) + " stored");

  Clock::time_point start = Clock::now();
  SendMessageA(capture_page.panes.list, LVM_ENSUREVISIBLE, packets - 1, FALSE);
  ListSelectRow(capture_page.panes.list, packets - 1);
  const bool shown = PumpUntil(
      [&] { return capture_page.list.shown_row == packets - 1 && GetWindowTextLengthA(capture_page.panes.hex) > 0; },
      60000);
  PrintStep("last row: scroll, select to its hex dump", Seconds(start, Clock::now()),
            shown ? "" : "(not shown within 60 s)");

  auto same_as_opened = [&](const std::string& written) -> std::string {
    return SameBytes(path, written) ? "byte-identical to the opened file"
                                    : "DIFFERS from the opened file";
  };
  auto size_of = [](const std::string& written) {
    return std::to_string(std::filesystem::file_size(written)) + " bytes";
  };
  if (!TimedSave("save .bin: OK to the completion box", IDM_SAVE_BINARY,
                 "バイナリデータファイル保存", "window-saved.bin", same_as_opened) ||
      (export_text && !TimedSave("export text: OK to the completion box", IDM_SAVE_TEXT,
                                 "テキストデータファイル保存", "window-export.txt", size_of))) {
    return false;
  }

  start = Clock::now();
  Request(IDM_DELETE_ALL);
  PumpUntil([] { return Rows() == 0; }, kLongestWaitMs);
  PrintStep("delete all: command to an empty list", Seconds(start, Clock::now()));
  PrintMemory(facts.packet_bytes);
  return true;
}

// An IPv4 datagram of `size` bytes from 192.168.0.1 to 10.0.0.2.
std::vector<uint8_t> Datagram(uint8_t protocol, size_t size) {
  std::vector<uint8_t> d(size);
  const uint8_t ip[20] = {0x45, 0, static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size),
                          0,    0, 0,  0, 64, protocol, 0, 0, 192, 168, 0, 1, 10, 0, 0, 2};
  std::copy(std::begin(ip), std::end(ip), d.begin());
  if (protocol != 1) d[20] = 0xC0, d[21] = 0x01, d[22] = 0, d[23] = 80;  // ports 49153, 80
  if (protocol == 6) d[32] = 0x50, d[33] = 0x18;      // 20-byte header, PSH ACK
  if (protocol == 17) d[24] = static_cast<uint8_t>((size - 20) >> 8), d[25] = uint8_t(size - 20);
  return d;
}

// A TCP segment with 512 bytes of data, a UDP datagram with 72, an ICMP echo request.
std::vector<std::vector<uint8_t>> MixedTraffic() {
  std::vector<std::vector<uint8_t>> mix = {Datagram(6, 40 + 512), Datagram(17, 28 + 72),
                                           Datagram(1, 28 + 32)};
  mix[2][20] = 8;
  return mix;
}

// The list grows in batches, so each line gives the rows seen when a tenth was
// passed; the rate since the line before is left out when both lines saw the
// same batch.
void MeasureFill(GrantedSource& source, int rows) {
  std::printf("fill: %d rows from the capture thread (TCP, UDP, ICMP in turn)\n", rows);
  std::printf("  %10s %10s %14s %20s\n", "rows seen", "seconds", "rows/s so far",
              "rows/s since the last");
  const Clock::time_point start = Clock::now();
  source.Grant(rows);
  Request(IDM_CAPTURE_START);
  Clock::time_point previous = start;
  int previous_rows = 0;
  for (int tenth = 1; tenth <= 10; ++tenth) {
    const int mark = static_cast<int>(static_cast<long long>(rows) * tenth / 10);
    if (previous_rows >= mark) continue;
    int seen = 0;
    if (!PumpUntil([&] { return (seen = Rows()) >= mark; }, kLongestWaitMs)) break;
    const Clock::time_point now = Clock::now();
    const double since = Seconds(previous, now);
    std::printf("  %10d %10.2f %14.0f", seen, Seconds(start, now), seen / Seconds(start, now));
    if (since >= 0.05) std::printf(" %20.0f", (seen - previous_rows) / since);
    std::printf("\n");
    std::fflush(stdout);
    previous = now;
    previous_rows = seen;
  }
  Request(IDM_CAPTURE_STOP);
  std::printf("  list rows %d, stored %u packets, %llu packet bytes\n", Rows(),
              capture_page.store.Count(), static_cast<unsigned long long>(capture_page.store.TotalBytes()));
  PrintMemory(capture_page.store.TotalBytes());
}

// Every protocol admitted, no store limit, no overwriting.
void WriteSettings() {
  std::ofstream("config.ini", std::ios::binary)
      << "[Common_config]\r\nRING_MAX=0\r\nRING_ROOP=0\r\nCAP_FPS=10\r\n[Protocol_config]\r\n"
         "TCP=1\r\nUDP=1\r\nICMP=1\r\nOTHER=1\r\n[IP_config]\r\nLIST_NUM=1\r\n"
         "0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n0_LIST_DEST_IP=0.0.0.0\r\n"
         "0_LIST_DEST_PORT=*\r\n0_LIST_VEC=0\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode != "open" && mode != "fill") {
    std::fprintf(stderr, "usage: WindowMeasure.exe open [--no-export] FILE.bin... | fill ROWS\n");
    return 2;
  }
  WriteSettings();
  // The capture thread serves the file commands only while it has a source;
  // for them the source stays quiet.
  GrantedSource source(MixedTraffic());
  MainWindowSession session(&source);
  if (mode == "fill") {
    MeasureFill(source, std::atoi(argv[2]));
    return 0;
  }
  bool all_measured = true;
  bool export_text = true;
  for (int i = 2; i < argc; ++i) {
    if (std::string(argv[i]) == "--no-export") {
      export_text = false;
      continue;
    }
    // The file dialogs refuse forward slashes.
    std::string path = argv[i];
    std::replace(path.begin(), path.end(), '/', '\\');
    all_measured = MeasureFile(path, export_text) && all_measured;
  }
  return all_measured ? 0 : 1;
}
