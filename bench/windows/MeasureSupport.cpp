// Timed answering of dialogs and the memory read-out for the window
// measurements.
#include "bench/windows/MeasureSupport.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "support/GuiHarness.h"

int GrantedSource::WaitReadable(int seconds) {
  if (remaining_.load() > 0) return 1;
  if (seconds > 0) Sleep(5);
  return 0;
}

int32_t GrantedSource::Receive(uint8_t* buffer, int32_t capacity) {
  if (remaining_.fetch_sub(1) <= 0) return -1;
  const std::vector<uint8_t>& d = datagrams_[next_++ % datagrams_.size()];
  if (static_cast<int32_t>(d.size()) > capacity) return -1;
  std::copy(d.begin(), d.end(), buffer);
  return static_cast<int32_t>(d.size());
}

namespace {

// Boxes that end a file command other than by success.
const char* const kFailureBoxes[] = {"保存エラー", "読み込みエラー", "上書き確認", "メモリオーバー",
                                     "メモリ確保に失敗"};

struct BoxSearch {
  DWORD process_id;
  std::vector<std::string> titles;
  HWND found = nullptr;
  std::string title;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || WindowClass(window) != "#32770") return TRUE;
  char title[256] = {};
  GetWindowTextA(window, title, sizeof(title));
  if (std::find(search->titles.begin(), search->titles.end(), title) == search->titles.end()) {
    return TRUE;
  }
  search->found = window;
  search->title = title;
  return FALSE;
}

void Press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

double MiB(uint64_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

std::future<TimedAnswer> AnswerDialogThenBox(const char* dialog, const std::string& path,
                                             const char* box, DWORD timeout_ms,
                                             DWORD process_id) {
  return std::async(std::launch::async, [dialog = std::string(dialog), path,
                                         box = std::string(box), timeout_ms, process_id] {
    TimedAnswer answer;
    // The harness's answer is ready the moment its OK is posted; this thread
    // notes it a fraction of a millisecond later.
    answer.dialog_answered = AnswerFileDialog(dialog.c_str(), path, timeout_ms, process_id).get();
    answer.ok = Clock::now();
    if (!answer.dialog_answered) return answer;

    BoxSearch search{process_id != 0 ? process_id : GetCurrentProcessId(), {box}, nullptr, ""};
    search.titles.insert(search.titles.end(), std::begin(kFailureBoxes), std::end(kFailureBoxes));
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr || Clock::now() >= end) break;
      Sleep(5);
    }
    if (search.found == nullptr) return answer;
    answer.box_seen = Clock::now();
    answer.box_title = search.title;
    answer.expected_box = search.title == box;
    Sleep(20);  // posted before its modal loop runs, the press would still be taken
    Press(search.found, answer.expected_box ? IDOK : IDCANCEL);
    return answer;
  });
}

bool Failed(const char* step, const TimedAnswer& answer) {
  if (!answer.dialog_answered) {
    std::printf("  %s: its file dialog did not appear\n", step);
  } else if (answer.box_title.empty()) {
    std::printf("  %s: no box appeared after OK\n", step);
  } else {
    std::printf("  %s: the box \"%s\" appeared\n", step, answer.box_title.c_str());
  }
  std::fflush(stdout);
  return false;
}

void PrintMemory(uint64_t packet_bytes) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("  memory: peak working set %.1f MiB, working set %.1f MiB, pagefile usage %.1f MiB, "
              "peak pagefile usage %.1f MiB\n",
              MiB(counters.PeakWorkingSetSize), MiB(counters.WorkingSetSize),
              MiB(counters.PagefileUsage), MiB(counters.PeakPagefileUsage));
  const double limit = 1.15 * static_cast<double>(packet_bytes) + 100.0 * 1024 * 1024;
  std::printf("  peak working set %.1f MiB against 1.15 x %.1f MiB of packets + 100 MiB = %.1f MiB: "
              "%s\n",
              MiB(counters.PeakWorkingSetSize), MiB(packet_bytes), limit / (1024 * 1024),
              static_cast<double>(counters.PeakWorkingSetSize) <= limit ? "within" : "OVER");
  std::fflush(stdout);
}
