// The shutdown sequence: the wait with message service, and the whole sequence
// with a real thread in the capture thread's place, watched from outside
// while it runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/AppTitleWin32.h"
#include "app/CapturePageWin32.h"
#include "app/IdleThreadWin32.h"
#include "app/MainWindowWin32.h"
#include "app/MessageServiceWaitWin32.h"
#include "app/ShutdownWin32.h"
#include "app/resource.h"
#include "log/SystemTime.h"
#include "support/GuiHarness.h"
#include "support/TempDir.h"

namespace {

constexpr UINT kSentByThread = WM_APP + 1;
constexpr UINT kPostedByThread = WM_APP + 2;

std::atomic<int> sent_handled{0};
std::atomic<int> posted_handled{0};

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kSentByThread) {
    ++sent_handled;
    return 42;
  }
  if (message == kPostedByThread) {
    ++posted_handled;
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND CreateRecordingWindow() {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = RecordingProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "KestrelWaitTestWindow";
  RegisterClassA(&window_class);
  return CreateWindowExA(0, "KestrelWaitTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

struct WorkerOrders {
  HWND target;
  LRESULT answer = 0;
};

DWORD WINAPI SendingWorker(void* parameter) {
  auto* orders = static_cast<WorkerOrders*>(parameter);
  Sleep(120);  // the wait is in its slices by now
  PostMessageA(orders->target, kPostedByThread, 0, 0);
  // Blocks until the waiting thread serves it: without message service the
  // two threads would wait for each other for ever.
  orders->answer = SendMessageA(orders->target, kSentByThread, 0, 0);
  return 0;
}

TEST(MessageServiceWait, ServesSentAndPostedMessagesUntilTheThreadEnds) {
  HWND window = CreateRecordingWindow();
  ASSERT_NE(window, nullptr);
  sent_handled = 0;
  posted_handled = 0;
  WorkerOrders orders{window};
  HANDLE worker = CreateThread(nullptr, 0, SendingWorker, &orders, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  EXPECT_EQ(WaitWithMessageService(worker), 1);
  EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0);
  EXPECT_EQ(sent_handled.load(), 1);
  EXPECT_EQ(orders.answer, 42);
  // The posted message was taken from the queue and dispatched exactly once.
  PumpMessages();
  EXPECT_EQ(posted_handled.load(), 1);
  CloseHandle(worker);
  DestroyWindow(window);
}

TEST(MessageServiceWait, EndsOnHandlesThatCannotBeWaitedOn) {
  EXPECT_EQ(WaitWithMessageService(nullptr), 0);
  HANDLE ended = CreateThread(
      nullptr, 0, [](void*) -> DWORD { return 0; }, nullptr, 0, nullptr);
  ASSERT_NE(ended, nullptr);
  WaitForSingleObject(ended, INFINITE);
  HANDLE copy = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), ended, GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  CloseHandle(copy);
  EXPECT_EQ(WaitWithMessageService(copy), 0);
  EXPECT_EQ(WaitWithMessageService(ended), 1);
  CloseHandle(ended);
}

// The shutdown dialog of this process: the #32770 window that has the stage line.
HWND FindShutdownDialog() {
  struct Search {
    HWND found = nullptr;
  } search;
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || WindowClass(window) != "#32770") return TRUE;
        if (GetDlgItem(window, IDC_SHUTDOWN_STAGE) == nullptr) return TRUE;
        reinterpret_cast<Search*>(context)->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Records every change of the dialog's texts while the sequence runs.
struct DialogWatch {
  std::mutex lock;
  std::vector<std::string> titles;
  std::vector<std::string> stages;
  std::vector<std::string> spinner;
  std::atomic<bool> stop{false};

  static void Note(std::vector<std::string>& seen, const std::string& text) {
    if (!text.empty() && (seen.empty() || seen.back() != text)) seen.push_back(text);
  }

  void Run() {
    while (!stop) {
      HWND dialog = FindShutdownDialog();
      if (dialog != nullptr) {
        const std::string title = WindowText(GetDlgItem(dialog, IDC_SHUTDOWN_TITLE));
        const std::string stage = WindowText(GetDlgItem(dialog, IDC_SHUTDOWN_STAGE));
        const std::string turn = WindowText(GetDlgItem(dialog, IDC_SHUTDOWN_SPINNER));
        std::lock_guard<std::mutex> guard(lock);
        Note(titles, title);
        Note(stages, stage);
        Note(spinner, turn);
      }
      Sleep(5);
    }
  }
};

// The stage line of the wait dialog as a worker thread reads it (the GUI
// thread serves the request only while it waits with message service).
std::string StageText() {
  HWND dialog = FindShutdownDialog();
  return dialog != nullptr ? WindowText(GetDlgItem(dialog, IDC_SHUTDOWN_STAGE)) : "<no dialog>";
}

// Stand in for the capture thread and the idle thread: each runs until its
// flag is cleared, then looks at what the sequence has and has not done yet,
// and lingers long enough for the spinner to turn.
struct StandIns {
  HANDLE capture_copy = nullptr;  // the capture thread's handle, for the idle stand-in
  std::atomic<bool> command_waiting_at_capture_stop{true};
  std::string stage_at_capture_stop;
  std::string title_at_capture_stop;
  std::atomic<bool> status_text_delivered{false};
  std::atomic<uint32_t> packets_after_capture_stop{0};
  std::string stage_at_idle_stop;
  std::atomic<bool> capture_ended_before_idle_stop{false};

  static DWORD WINAPI Capture(void* parameter) {
    auto* self = static_cast<StandIns*>(parameter);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    capture_page.store.Add(bytes, sizeof(bytes), SystemTime{});
    WaitUntil([] { return capture_page.control.capture_thread_running.load() == 0; }, 30000);
    self->command_waiting_at_capture_stop = capture_page.control.commands.Pending();
    self->stage_at_capture_stop = StageText();
    HWND dialog = FindShutdownDialog();
    if (dialog != nullptr) {
      self->title_at_capture_stop = WindowText(GetDlgItem(dialog, IDC_SHUTDOWN_TITLE));
    }
    SetStatusText(1, "Packet:%u　　Memory:%u byte", 1u, 4u);
    self->status_text_delivered = StatusPartText(StatusBar, 1) == "Packet:1　　Memory:4 byte";
    Sleep(700);
    self->packets_after_capture_stop = capture_page.store.Count();
    return 0;
  }

  static DWORD WINAPI Idle(void* parameter) {
    auto* self = static_cast<StandIns*>(parameter);
    WaitUntil([] { return IdleThreadRunning.load() == 0; }, 30000);
    self->capture_ended_before_idle_stop =
        WaitForSingleObject(self->capture_copy, 0) == WAIT_OBJECT_0;
    self->stage_at_idle_stop = StageText();
    Sleep(700);
    return 0;
  }
};

TEST(Shutdown, IdleThreadEndsOnceItsFlagIsCleared) {
  ASSERT_EQ(StartIdleThread(nullptr), 1);
  EXPECT_EQ(IdleThreadRunning.load(), 1);
  EXPECT_EQ(WaitForSingleObject(IdleThreadHandle, 200), WAIT_TIMEOUT);
  IdleThreadRunning = 0;
  WakeIdleThread();
  EXPECT_EQ(WaitForSingleObject(IdleThreadHandle, 500), WAIT_OBJECT_0)
      << "woken, it does not sleep out its second";
  DWORD status = 1;
  GetExitCodeThread(IdleThreadHandle, &status);
  EXPECT_EQ(status, 0u);
  CloseHandle(IdleThreadHandle);
  IdleThreadHandle = nullptr;
}

TEST(Shutdown, StopsCaptureThreadThenIdleThreadBehindTheWaitDialog) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(capture_page.store.Init(), 1);

  // The idle stand-in takes the real idle thread's place.
  ASSERT_EQ(IdleThreadRunning.load(), 1);
  IdleThreadRunning = 0;
  ASSERT_EQ(WaitForSingleObject(IdleThreadHandle, 5000), WAIT_OBJECT_0);
  CloseHandle(IdleThreadHandle);
  StandIns stand_ins;
  IdleThreadRunning = 1;
  IdleThreadHandle = CreateThread(nullptr, 0, StandIns::Idle, &stand_ins, 0, nullptr);
  ASSERT_NE(IdleThreadHandle, nullptr);
  HANDLE idle_copy = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), IdleThreadHandle, GetCurrentProcess(),
                              &idle_copy, 0, FALSE, DUPLICATE_SAME_ACCESS));

  // So does the capture stand-in: the page's own thread, which found no socket
  // and waits for commands, is ended first.
  capture_page.control.capture_thread_running = 0;
  ASSERT_EQ(WaitForSingleObject(capture_page.thread, 5000), WAIT_OBJECT_0);
  CloseHandle(capture_page.thread);
  capture_page.control.capture_thread_running = 1;
  capture_page.thread = CreateThread(nullptr, 0, StandIns::Capture, &stand_ins, 0, nullptr);
  ASSERT_NE(capture_page.thread, nullptr);
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), capture_page.thread, GetCurrentProcess(),
                              &stand_ins.capture_copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
  ASSERT_TRUE(WaitUntil([] { return capture_page.store.Count() == 1; }, 5000));

  // A command given just before the close is dropped, not carried out.
  capture_page.control.commands.Push(CaptureRequest::SaveBinary);
  DialogWatch watch;
  std::thread watcher([&] { watch.Run(); });
  DestroyWindow(main);
  watch.stop = true;
  watcher.join();

  // Stage 1 while the capture thread is waited for: no command waited for it,
  // it was served, and it ended before the store was released.
  EXPECT_FALSE(stand_ins.command_waiting_at_capture_stop.load());
  EXPECT_EQ(stand_ins.stage_at_capture_stop, "キャプチャースレッド終了処理中･･･");
  EXPECT_EQ(stand_ins.title_at_capture_stop, "Kestrel_Scan Ver 1.0.1.0");
  EXPECT_TRUE(stand_ins.status_text_delivered.load());
  EXPECT_EQ(stand_ins.packets_after_capture_stop.load(), 1u);
  EXPECT_EQ(capture_page.store.Count(), 0u);
  EXPECT_EQ(capture_page.thread, nullptr);
  EXPECT_EQ(capture_page.control.capture_thread_running.load(), 0);
  // Stage 2 while the idle thread is waited for, after the capture thread ended.
  EXPECT_TRUE(stand_ins.capture_ended_before_idle_stop.load());
  EXPECT_EQ(stand_ins.stage_at_idle_stop, "メインスレッド終了処理中･･･");
  EXPECT_EQ(WaitForSingleObject(idle_copy, 0), WAIT_OBJECT_0);
  EXPECT_EQ(IdleThreadHandle, nullptr);
  EXPECT_EQ(IdleThreadRunning.load(), 0);
  CloseHandle(idle_copy);
  CloseHandle(stand_ins.capture_copy);
  EXPECT_EQ(FindShutdownDialog(), nullptr);

  // The template's placeholder may show for a moment before the first stage.
  if (!watch.stages.empty() && watch.stages.front() == "文字列") {
    watch.stages.erase(watch.stages.begin());
  }
  const std::vector<std::string> stages = {"キャプチャースレッド終了処理中･･･",
                                           "メインスレッド終了処理中･･･"};
  EXPECT_EQ(watch.stages, stages);
  EXPECT_EQ(watch.titles, std::vector<std::string>{"Kestrel_Scan Ver 1.0.1.0"});
  // The spinner turns through its four pictures in order, wherever it began.
  const std::vector<std::string> pictures = {"―", "＼", "｜", "／"};
  EXPECT_EQ(pictures, (std::vector<std::string>{"\x81\x5C", "\x81\x5F", "\x81\x62", "\x81\x5E"}));
  ASSERT_GE(watch.spinner.size(), 4u);
  auto position = [&](const std::string& text) {
    for (size_t i = 0; i < pictures.size(); ++i) {
      if (pictures[i] == text) return static_cast<int>(i);
    }
    return -1;
  };
  for (size_t i = 0; i < watch.spinner.size(); ++i) {
    ASSERT_NE(position(watch.spinner[i]), -1) << watch.spinner[i];
    if (i > 0) {
      EXPECT_EQ(position(watch.spinner[i]), (position(watch.spinner[i - 1]) + 1) % 4);
    }
  }
}

}  // namespace
