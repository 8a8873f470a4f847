// The capture thread's capture pass, its socket per start, emergency stops,
// overwrite mode and life cycle, with a scripted packet source, a recording view and real
// config.ini files in a temporary working directory.
#include "capture/CaptureThread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <string>

#include "capture/CaptureSettings.h"
#include "packet/HeaderDecoders.h"
#include "support/CaptureFakes.h"
#include "support/TempDir.h"

namespace {

constexpr int8_t kIdle = static_cast<int8_t>(CaptureRequest::Idle);
constexpr int8_t kCapture = static_cast<int8_t>(CaptureRequest::Capture);

void WriteConfig(const std::string& common, const std::string& protocols = "UDP=1\r\n") {
  WriteConfigFile("[Common_config]\r\n" + common + "[Protocol_config]\r\n" + protocols +
                  "[IP_config]\r\nLIST_NUM=0\r\n");
}

// The error log must hold exactly one time-stamped line with `text`.
void ExpectOneLogLine(const std::string& text) {
  const std::string log = ReadFileBytes("error.log");
  ASSERT_EQ(log.size(), 21 + text.size()) << log;
  EXPECT_EQ(log[0], '[');
  EXPECT_EQ(log[5], '/');
  EXPECT_EQ(log[11], ' ');
  EXPECT_EQ(log[20], ']');
  EXPECT_EQ(log.substr(21), text);
}

class CaptureThreadTest : public ::testing::Test, protected CaptureRig {
 protected:
  void SetUp() override {
    store.Init();
    control.capture_request = kCapture;
    control.capture_thread_running = 1;
    control.receive_interval_ms = 0;
    ASSERT_EQ(thread.Ready(), 1);
  }

  // Source port of stored record `index`: tells the records apart.
  int RecordPort(int index) {
    CapturedPacket packet;
    if (store.Get(index, packet) != 1) return -1;
    IpHeader ip;
    UdpHeader udp;
    if (!DecodeIpHeader(ip, packet.data, static_cast<int32_t>(packet.size))) return -1;
    if (!DecodeUdpHeader(udp, packet.data, static_cast<int32_t>(packet.size))) return -1;
    return udp.source_port;
  }
};

TEST_F(CaptureThreadTest, ListFollowsEveryFifthAttemptAndAfterAQuietSecond) {
  WriteConfig("CAP_FPS=0\r\n");
  std::vector<size_t> rows_before_receive;
  for (int i = 0; i < 8; ++i) {
    source.PushDatagram(SizedDatagram(60), [&] {
      rows_before_receive.push_back(static_cast<size_t>(view.list.RowCount()));
    });
  }
  source.PushQuiet();
  source.PushDatagram(SizedDatagram(60));  // arrives after the quiet second: next pass

  thread.RunCapturePass();

  EXPECT_EQ(rows_before_receive, (std::vector<size_t>{0, 0, 0, 0, 0, 0, 6, 6}))
      << "six rows after the sixth datagram";
  EXPECT_EQ(view.list.RowCount(), 8) << "all eight after the quiet second";
  EXPECT_EQ(store.Count(), 8u);
  EXPECT_EQ(thread.list_update_counter(), 0);
  EXPECT_EQ(source.last_wait_seconds, 1);
  EXPECT_EQ(source.Remaining(), 1u);
  EXPECT_TRUE(view.list.MirrorsStore());
}

// Each start opens the source on the address config.ini names at that moment,
// and shows it; every other command closes it and clears the address.
TEST_F(CaptureThreadTest, EachStartOpensOnTheAddressOfTheMomentAndEveryOtherCommandCloses) {
  struct Case {
    const char* capture_section;  // appended to config.ini before the start
    CaptureRequest then;
    CaptureAddressChoice opened_on;
  };
  const Case cases[] = {
      {"", CaptureRequest::Idle, {}},
      {"[Capture_config]\r\nCAP_IP=127.0.0.1\r\n", CaptureRequest::Clear, {false, "127.0.0.1"}},
      {"[capture_config]\r\ncap_ip = AUTO\r\n", CaptureRequest::SaveBinary, {}},
      {"[Capture_config]\r\nCAP_IP=192.168.0.5\r\n",
       CaptureRequest::SaveText,
       {false, "192.168.0.5"}},
      {"[Capture_config]\r\n", CaptureRequest::LoadBinary, {}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capture_section);
    WriteConfig("CAP_FPS=0\r\n", std::string("UDP=1\r\n") + c.capture_section);
    Give(CaptureRequest::Capture);
    thread.RunIteration();
    ++n;
    ASSERT_EQ(source.open_calls, n);
    EXPECT_EQ(source.opened_on.back(), c.opened_on);
    EXPECT_EQ(control.capture_request.load(), kCapture);
    EXPECT_EQ(
        view.status.Part(kAddressStatusPart),
        std::string("アドレス：") + (c.opened_on.automatic ? "10.0.0.2" : c.opened_on.address));
    Give(c.then);
    thread.RunIteration();
    EXPECT_EQ(source.close_calls, n);
    EXPECT_EQ(source.cleanup_calls, n);
    EXPECT_EQ(view.status.Part(kAddressStatusPart), "");
    // Stopped, the thread asks nothing of the closed source.
    const int waits = source.wait_calls;
    thread.RunIteration();
    EXPECT_EQ(source.wait_calls, waits);
  }
  // A start while capturing opens afresh too.
  Give(CaptureRequest::Capture);
  Give(CaptureRequest::Capture);
  thread.RunIteration();
  thread.RunIteration();
  EXPECT_EQ(source.open_calls, n + 2);
  EXPECT_EQ(source.close_calls, n + 1);
}

// A failed opening says why: the missing rights, a missing address by name,
// or the step and its error number; error.log has the step and the number.
TEST_F(CaptureThreadTest, AFailedStartSaysWhichStepFailedAndWhy) {
  WriteConfig("CAP_FPS=0\r\n");
  struct Case {
    SourceOpening failure;
    const char* box;
    const char* log;
  };
  const Case cases[] = {
      {{false, "", OpenStep::kCreate, kErrorAccessDenied},
       "受信ソケットを作成できませんでした\n管理者として実行してください",
       "ソケット作成に失敗 (socket 10013)\r\n"},
      {{false, "192.168.0.5", OpenStep::kBind, kErrorAddressNotAvailable},
       "受信ソケットを作成できませんでした\nアドレス 192.168.0.5 がありません",
       "ソケット作成に失敗 (bind 10049) 192.168.0.5\r\n"},
      {{false, "192.168.0.x", OpenStep::kAddress, 0},
       "受信ソケットを作成できませんでした\nアドレス 192.168.0.x がありません",
       "ソケット作成に失敗 (address 0) 192.168.0.x\r\n"},
      {{false, "", OpenStep::kAddressList, 0},
       "受信ソケットを作成できませんでした\nネットワーク アドレスがありません",
       "ソケット作成に失敗 (アドレスなし)\r\n"},
      {{false, "10.0.0.2", OpenStep::kReceiveAll, 10022},
       "受信ソケットを作成できませんでした\nSIO_RCVALL に失敗しました (エラー 10022)",
       "ソケット作成に失敗 (SIO_RCVALL 10022) 10.0.0.2\r\n"},
  };
  source.open_result = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    std::remove("error.log");
    view.boxes.shown.clear();
    source.failure = c.failure;
    Give(CaptureRequest::Capture);
    thread.RunIteration();
    ASSERT_EQ(view.boxes.shown.size(), 1u);
    EXPECT_EQ(view.boxes.shown[0].title, "キャプチャーエラー");
    EXPECT_EQ(view.boxes.shown[0].text, c.box);
    EXPECT_EQ(view.boxes.shown[0].type, kMbOk | kMbIconWarning);
    ExpectOneLogLine(c.log);
    EXPECT_EQ(control.capture_request.load(), kIdle);
    EXPECT_EQ(view.status.Part(0), "状態：停止中");
  }
  EXPECT_EQ(source.close_calls, 0) << "a source that did not open is not closed";
}

TEST_F(CaptureThreadTest, RejectedAndFailedReceivesCountAsAttempts) {
  // They leave no trace, but the first update comes with the third stored packet.
  WriteConfig("CAP_FPS=0\r\n", "UDP=1\r\nTCP=0\r\n");
  std::vector<size_t> rows_before_receive;
  source.PushDatagram(SizedDatagram(1500, 6));
  source.PushReceiveResult(-1);
  source.PushReceiveResult(0);
  for (int i = 0; i < 4; ++i) {
    source.PushDatagram(SizedDatagram(60), [&] {
      rows_before_receive.push_back(static_cast<size_t>(view.list.RowCount()));
    });
  }
  source.PushQuiet();
  thread.RunCapturePass();
  EXPECT_EQ(rows_before_receive, (std::vector<size_t>{0, 0, 0, 3}));
  EXPECT_EQ(store.Count(), 4u);
  EXPECT_EQ(store.PacketCounter(), 4u);
  EXPECT_EQ(view.list.RowCount(), 4);
  EXPECT_EQ(source.stale_buffers, 0) << "the long datagram's bytes are cleared after it";
}

TEST_F(CaptureThreadTest, StopTakesEffectAfterTheDatagramBeingReceived) {
  WriteConfig("CAP_FPS=0\r\n");
  ASSERT_TRUE(thread.OpenSource().open);
  for (int i = 0; i < 10; ++i) {
    source.PushDatagram(SizedDatagram(60), [&, i] {
      if (i == 2) Give(CaptureRequest::Idle);
    });
  }
  thread.RunCapturePass();
  EXPECT_EQ(store.Count(), 3u) << "the datagram being received when the stop came is kept";
  EXPECT_EQ(view.list.RowCount(), 3) << "the list gets every stored packet";
  EXPECT_EQ(source.Remaining(), 7u);

  // The stop closes the socket: nothing is received while stopped.
  thread.RunIteration();  // takes the stop
  thread.RunIteration();
  EXPECT_EQ(source.close_calls, 1);
  EXPECT_EQ(source.Remaining(), 7u);
  EXPECT_EQ(store.Count(), 3u);
}

TEST_F(CaptureThreadTest, SizeOverStopsWithLogLineAndMessage) {
  WriteConfig("RING_MAX=20\r\nRING_ROOP=0\r\nCAP_FPS=0\r\n");
  ApplyCaptureSettings(control, store);
  for (int i = 0; i < 25; ++i) source.PushDatagram(SizedDatagram(1000, 17, static_cast<uint16_t>(i)));

  // What was gathered before the stop is on screen while its message is up.
  size_t rows_at_box = 0;
  std::string counts_at_box;
  view.boxes.while_shown = [&] {
    rows_at_box = static_cast<size_t>(view.list.RowCount());
    counts_at_box = view.status.Part(1);
  };

  thread.RunCapturePass();
  const std::string state_after_stop = view.status.Part(0);
  EXPECT_EQ(rows_at_box, 20u);
  EXPECT_EQ(counts_at_box, "Packet:20　　Memory:20000 byte");

  EXPECT_EQ(store.Count(), 20u) << "20,000 bytes fit exactly; the 21st datagram is lost";
  EXPECT_EQ(store.TotalBytes(), 20000u);
  EXPECT_EQ(source.Remaining(), 4u) << "capturing ends at the next check";
  EXPECT_EQ(view.list.RowCount(), 20);
  ExpectOneLogLine("サイズオーバー\r\n");
  ASSERT_EQ(view.boxes.shown.size(), 1u);
  EXPECT_EQ(view.boxes.shown[0].text, "最大受信サイズを超えました！緊急停止します");
  EXPECT_EQ(view.boxes.shown[0].title, "メモリオーバー");
  EXPECT_EQ(view.boxes.shown[0].type, kMbOk | kMbIconWarning);
  EXPECT_EQ(view.stops.stops, 1);
  EXPECT_EQ(control.capture_request.load(), kIdle);
  EXPECT_EQ(state_after_stop, "状態：停止中");

  // A command the user gives while the message is up outlives the stop, and
  // the state it showed stands.
  source.PushDatagram(SizedDatagram(1000, 17, 99));
  view.boxes.while_shown = [&] {
    Give(CaptureRequest::SaveText);
    Give(CaptureRequest::Capture);
  };
  control.capture_request = kCapture;
  thread.RunCapturePass();
  EXPECT_EQ(view.stops.stops, 2);
  EXPECT_EQ(view.status.Part(0), "状態：キャプチャー中");
  thread.RunIteration();
  thread.RunIteration();
  EXPECT_EQ(view.dialogs.size(), 1u) << "the export's dialog, cancelled";
  EXPECT_EQ(control.capture_request.load(), kCapture);
}

TEST_F(CaptureThreadTest, OverwriteModeDropsTheOldestRowsAndKeepsRowsInStepWithRecords) {
  WriteConfig("RING_MAX=20\r\nRING_ROOP=1\r\nCAP_FPS=0\r\n");
  ApplyCaptureSettings(control, store);
  for (int i = 0; i < 57; ++i) source.PushDatagram(SizedDatagram(1000, 17, static_cast<uint16_t>(i)));
  source.PushQuiet();

  thread.RunCapturePass();

  EXPECT_TRUE(view.boxes.shown.empty()) << "overwrite mode never stops for size";
  EXPECT_EQ(control.capture_request.load(), kCapture);
  EXPECT_EQ(store.PacketCounter(), 57u);
  ASSERT_EQ(store.Count(), 19u) << "the total stays strictly below the limit";
  ASSERT_EQ(view.list.RowCount(), 19);
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(RecordPort(i), 38 + i);
    EXPECT_EQ(view.list.Cell(i, 3), std::to_string(RecordPort(i))) << "row " << i;
  }
  EXPECT_TRUE(view.list.MirrorsStore());
  EXPECT_EQ(view.list.Cell(0, 0), "38") << "rows keep their running numbers";
  EXPECT_EQ(view.list.invalid_calls, 0);
  EXPECT_EQ(ReadFileBytes("error.log"), "");
}

TEST_F(CaptureThreadTest, OverwriteRemovingMoreRecordsThanRowsDeletesOnlyExistingRows) {
  WriteConfig("RING_MAX=20\r\nRING_ROOP=1\r\nCAP_FPS=0\r\n");
  ApplyCaptureSettings(control, store);
  // Four small packets, listed by a quiet second; then one that needs them all gone.
  for (int i = 0; i < 4; ++i) source.PushDatagram(SizedDatagram(100, 17, static_cast<uint16_t>(i)));
  source.PushQuiet();
  thread.RunCapturePass();
  ASSERT_EQ(view.list.RowCount(), 4);
  for (int i = 0; i < 3; ++i)
    source.PushDatagram(SizedDatagram(6000, 17, static_cast<uint16_t>(10 + i)));
  source.PushDatagram(SizedDatagram(19000, 17, 99));
  source.PushQuiet();
  thread.RunCapturePass();

  ASSERT_EQ(store.Count(), 1u);
  EXPECT_EQ(RecordPort(0), 99);
  ASSERT_EQ(view.list.RowCount(), 1);
  EXPECT_EQ(view.list.Cell(0, 3), "99");
  EXPECT_TRUE(view.list.MirrorsStore());
  EXPECT_EQ(view.list.invalid_calls, 0);
}

TEST_F(CaptureThreadTest, MemoryShortageWhenOnePacketExceedsTheWholeLimit) {
  WriteConfig("RING_MAX=1\r\nRING_ROOP=1\r\nCAP_FPS=0\r\n");
  ApplyCaptureSettings(control, store);
  source.PushDatagram(SizedDatagram(1500));
  source.PushDatagram(SizedDatagram(60));

  thread.RunCapturePass();

  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(source.Remaining(), 1u);
  ExpectOneLogLine("設定されたメモリサイズが不足しています\r\n");
  ASSERT_EQ(view.boxes.shown.size(), 1u);
  EXPECT_EQ(view.boxes.shown[0].text, "設定されたメモリサイズが不足しています");
  EXPECT_EQ(view.boxes.shown[0].title, "メモリ不足");
  EXPECT_EQ(view.boxes.shown[0].type, kMbOk | kMbIconWarning);
  EXPECT_EQ(control.capture_request.load(), kIdle);
}

TEST_F(CaptureThreadTest, OverwriteModeIsReadAgainEachTimeTheStoreIsFull) {
  WriteConfig("RING_MAX=20\r\nRING_ROOP=1\r\nCAP_FPS=0\r\n");
  ApplyCaptureSettings(control, store);
  for (int i = 0; i < 20; ++i) source.PushDatagram(SizedDatagram(1000, 17, static_cast<uint16_t>(i)));
  source.PushDatagram(SizedDatagram(1000, 17, 20));  // overwrites two
  source.PushDatagram(SizedDatagram(1000, 17, 21));  // fits again
  source.PushDatagram(SizedDatagram(1000, 17, 22),
                      [] { WriteConfig("RING_MAX=20\r\nRING_ROOP=0\r\nCAP_FPS=0\r\n"); });

  thread.RunCapturePass();

  EXPECT_EQ(store.PacketCounter(), 22u);
  EXPECT_EQ(RecordPort(0), 2);
  ExpectOneLogLine("サイズオーバー\r\n");
  ASSERT_EQ(view.boxes.shown.size(), 1u);
  EXPECT_EQ(view.boxes.shown[0].title, "メモリオーバー");
  EXPECT_EQ(control.capture_request.load(), kIdle);
}

// Runs CaptureThreadMain on a real thread and ends it the way shutdown does.
class RunningThread {
 public:
  explicit RunningThread(CaptureContext& context) : context_(context) {
    context.control.capture_thread_running = 1;
    std::packaged_task<int()> task([&context] { return CaptureThreadMain(context); });
    result_ = task.get_future();
    thread_ = std::thread(std::move(task));
  }
  ~RunningThread() {
    if (thread_.joinable()) Shutdown();
  }
  // Drops waiting commands, sets the run flag to 0 and wakes the thread; true
  // when it has returned 0 within the bound.
  bool Shutdown() {
    context_.control.commands.Clear();
    context_.control.capture_thread_running = 0;
    context_.source.Wake();
    return Join();
  }
  bool Join() {
    if (result_.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "the capture thread did not end";
      std::abort();  // it still uses this test's objects: nothing safe is left to do
    }
    thread_.join();
    return result_.get() == 0;
  }

 private:
  CaptureContext& context_;
  std::future<int> result_;
  std::thread thread_;
};

// Polls `done` for up to five seconds.
template <typename Done>
bool Eventually(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

TEST_F(CaptureThreadTest, ThreadEndsOnShutdownInEveryState) {
  WriteConfig("CAP_FPS=0\r\n");
  source.quiet_wait = std::chrono::milliseconds(5);

  control.capture_request = kIdle;
  {
    RunningThread running(context);
    EXPECT_TRUE(running.Shutdown());
  }
  EXPECT_EQ(source.open_calls, 0) << "only a start opens the source";

  // Under endless traffic: the pass never sleeps and ends at its next check.
  source.endless = true;
  source.endless_bytes = SizedDatagram(60);
  control.capture_request = kCapture;
  {
    RunningThread running(context);
    EXPECT_TRUE(Eventually([&] { return store.Count() > 100; }));
    EXPECT_TRUE(running.Shutdown());
  }
  source.endless = false;

  // In the longest pause after a pass: it is sliced.
  control.receive_interval_ms = kMaxReceiveIntervalMs;
  control.capture_request = kCapture;
  {
    const int waits_before = source.wait_calls;
    RunningThread running(context);
    EXPECT_TRUE(Eventually([&] { return source.wait_calls > waits_before; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int waits = source.wait_calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(source.wait_calls, waits) << "the thread should be pausing";
    EXPECT_TRUE(running.Shutdown());
  }

  // With a value no command sends.
  control.capture_request = 3;
  {
    RunningThread running(context);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(running.Shutdown());
  }
  EXPECT_EQ(source.close_calls, 0);
}

// A command is taken at once wherever the thread waits: in the longest pause
// after a pass, in a quiet second's wait for datagrams (which it wakes), and
// in the pause while stopped, where the closed source is not asked at all.
TEST_F(CaptureThreadTest, ACommandEndsEveryWait) {
  using std::chrono::milliseconds;
  WriteConfig("CAP_FPS=0\r\n");
  struct Wait {
    const char* where;
    int8_t mode;
    int32_t interval_ms;
    milliseconds quiet;
  };
  const Wait waits[] = {{"pause after a pass", kCapture, kMaxReceiveIntervalMs, milliseconds(5)},
                        {"wait while capturing", kCapture, 0, milliseconds(30000)},
                        {"wait while stopped", kIdle, 0, milliseconds(30000)}};
  for (const Wait& w : waits) {
    SCOPED_TRACE(w.where);
    control.capture_request = w.mode;
    control.receive_interval_ms = w.interval_ms;
    source.quiet_wait = w.quiet;
    source.PushDatagram(SizedDatagram(60));
    source.PushQuiet();
    RunningThread running(context);
    const bool capturing = w.mode == kCapture;
    if (capturing) {
      ASSERT_TRUE(Eventually([&] { return source.Remaining() == 0; }));
    }
    GiveCaptureCommand(context, CaptureRequest::Clear);
    EXPECT_TRUE(Eventually([&] { return !control.commands.Pending() && store.Count() == 0; }));
    EXPECT_TRUE(running.Shutdown());
    EXPECT_EQ(view.list.RowCount(), 0);
    EXPECT_EQ(source.Remaining(), capturing ? 0u : 2u);
    source.DropScript();
  }
}

// Without the rights to capture the thread still carries out every store
// command, in the order given, however quickly they come; a start tries the
// socket again and, while it cannot be opened, says so and stops.
TEST_F(CaptureThreadTest, WithoutASocketEveryCommandIsCarriedOutInOrder) {
  WriteConfig("CAP_FPS=0\r\n");
  source.open_result = 0;
  source.quiet_wait = std::chrono::seconds(1);
  view.answers.push_back({1, "saved.bin", {}});
  view.answers.push_back({1, "saved.bin", {}});
  RunningThread running(context);
  for (CaptureRequest command : {CaptureRequest::Capture, CaptureRequest::SaveBinary,
                                 CaptureRequest::LoadBinary, CaptureRequest::Clear}) {
    GiveCaptureCommand(context, command);
  }
  ASSERT_TRUE(Eventually([&] { return !control.commands.Pending(); }));
  source.open_result = 1;  // the rights came
  GiveCaptureCommand(context, CaptureRequest::Capture);
  ASSERT_TRUE(Eventually([&] { return control.capture_request.load() == kCapture; }));
  EXPECT_TRUE(running.Shutdown());

  ASSERT_EQ(view.boxes.shown.size(), 3u);
  EXPECT_EQ(view.boxes.shown[0].title, "キャプチャーエラー");
  EXPECT_EQ(view.boxes.shown[0].text,
            "受信ソケットを作成できませんでした\n管理者として実行してください");
  EXPECT_EQ(view.boxes.shown[0].type, kMbOk | kMbIconWarning);
  EXPECT_EQ(view.boxes.shown[1].title, "保存完了");
  EXPECT_EQ(view.boxes.shown[2].title, "読み込み完了");
  ASSERT_EQ(view.dialogs.size(), 2u);
  EXPECT_TRUE(view.dialogs[0].save);
  EXPECT_FALSE(view.dialogs[1].save);
  EXPECT_EQ(ReadFileBytes("saved.bin").size(), 68u);
  EXPECT_EQ(view.stops.stops, 1);
  ExpectOneLogLine("ソケット作成に失敗 (socket 10013)\r\n");
  EXPECT_EQ(source.open_calls, 2) << "at each start";
  EXPECT_EQ(source.close_calls, 1) << "the open one, at the end of the thread";
  EXPECT_EQ(source.cleanup_calls, 1);
}

// A socket that keeps saying a datagram is there while every receive fails
// would spin the thread: capturing stops instead, the socket is closed, and
// the next start opens a new one.
TEST_F(CaptureThreadTest, ASocketWhoseReceivesKeepFailingStopsTheCapture) {
  WriteConfig("CAP_FPS=0\r\n");
  ASSERT_TRUE(thread.OpenSource().open);
  for (int i = 0; i < CaptureThread::kFailedReceivesToStop + 5; ++i) source.PushReceiveResult(-1);
  thread.RunCapturePass();
  EXPECT_EQ(source.Remaining(), 5u);
  ExpectOneLogLine("受信エラー\r\n");
  ASSERT_EQ(view.boxes.shown.size(), 1u);
  EXPECT_EQ(view.boxes.shown[0].title, "受信エラー");
  EXPECT_EQ(view.boxes.shown[0].text, "受信エラーが発生しました！キャプチャーを停止します");
  EXPECT_EQ(control.capture_request.load(), kIdle);
  EXPECT_EQ(source.close_calls, 1);
  EXPECT_EQ(view.status.Part(0), "状態：停止中");

  Give(CaptureRequest::Capture);
  thread.RunIteration();
  EXPECT_EQ(source.open_calls, 2);
  EXPECT_EQ(control.capture_request.load(), kCapture);
}

}  // namespace
