// The capture thread's one-shot commands (clear, save, export, open) with their
// dialogs, questions and messages, and the capture settings the page applies.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <filesystem>
#include <functional>
#include <vector>

#include "capture/CaptureSettings.h"
#include "capture/CaptureThread.h"
#include "capturefile/CaptureFile.h"
#include "views/TextReport.h"
#include "support/CaptureFakes.h"
#include "support/TempDir.h"

namespace {

constexpr int8_t kIdle = static_cast<int8_t>(CaptureRequest::Idle);
constexpr int8_t kCapture = static_cast<int8_t>(CaptureRequest::Capture);

using namespace std::string_literals;

class CaptureCommandsTest : public ::testing::Test, protected CaptureRig {
 protected:
  void SetUp() override {
    store.Init();
    control.capture_thread_running = 1;
    control.receive_interval_ms = 0;
    WriteConfigFile("[Common_config]\r\nCAP_FPS=0\r\n[Protocol_config]\r\nUDP=1\r\n");
  }

  // Captures two packets of 60 and 1,500 bytes and lists them.
  void CaptureTwoPackets() {
    control.capture_request = kCapture;
    source.PushDatagram(SizedDatagram(60));
    source.PushDatagram(SizedDatagram(1500));
    source.PushQuiet();
    thread.RunCapturePass();
    ASSERT_EQ(view.list.RowCount(), 2);
  }

  // Gives the command and runs the iteration that takes it.
  void Run(CaptureRequest request) {
    Give(request);
    thread.RunIteration();
  }

  void AnswerDialog(const std::string& path, std::function<void()> while_open = {}) {
    view.answers.push_back({1, path, std::move(while_open)});
  }
  void CancelDialog(std::function<void()> while_open = {}) {
    view.answers.push_back({0, "", std::move(while_open)});
  }

  void ExpectPanesEmpty() {
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.PacketCounter(), 0u);
    EXPECT_EQ(view.list.RowCount(), 0);
    EXPECT_EQ(view.tree.ItemCount(), 0u);
    EXPECT_GE(view.tree.delete_all_calls, 1);
    EXPECT_GE(view.hex.set_text_calls, 1);
    EXPECT_EQ(view.hex.text, "");
    EXPECT_EQ(thread.list().RowCount(), 0);
  }
};

TEST_F(CaptureCommandsTest, ClearEmptiesStoreAndPanesAndEndsCapturing) {
  CaptureTwoPackets();
  view.tree.InsertItem(0, "IP HEADER");
  view.hex.SetText("00 01");

  Run(CaptureRequest::Clear);

  ExpectPanesEmpty();
  EXPECT_EQ(control.capture_request.load(), kIdle);
  EXPECT_EQ(view.status.Part(1), "Packet:0　　Memory:0 byte");

  // After a clear, capturing starts a fresh list at row 0.
  CaptureTwoPackets();
  EXPECT_EQ(view.list.Cell(0, 0), "0");
  EXPECT_EQ(view.list.Cell(0, 12), "0 sec");
}

// Commands given while another is carried out (while the list is emptied, or
// a dialog is up) are carried out after it, in the order given.
TEST_F(CaptureCommandsTest, CommandsGivenDuringACommandFollowItInOrder) {
  CaptureTwoPackets();
  view.list.on_delete_all = [&] {
    view.list.on_delete_all = nullptr;
    Give(CaptureRequest::Capture);
    Give(CaptureRequest::SaveText);
  };
  CancelDialog([&] { Give(CaptureRequest::Clear); });
  Run(CaptureRequest::Clear);
  EXPECT_EQ(control.capture_request.load(), kIdle);
  thread.RunIteration();
  EXPECT_EQ(control.capture_request.load(), kCapture) << "the start given during the clear";
  thread.RunIteration();
  EXPECT_EQ(view.dialogs.size(), 1u);
  EXPECT_EQ(control.capture_request.load(), kIdle) << "the export ends capturing";
  EXPECT_TRUE(control.commands.Pending()) << "the clear given while its dialog was up";
  thread.RunIteration();
  EXPECT_FALSE(control.commands.Pending());
  EXPECT_EQ(view.hex.set_text_calls, 2) << "two clears";
}

// Once the user has confirmed the exit, file work stops at its next record
// and no message follows; a save or export cut short leaves no file behind,
// and a line in the log.
TEST_F(CaptureCommandsTest, ClosingStopsFileWorkAtTheNextRecord) {
  CaptureTwoPackets();
  for (CaptureRequest request : {CaptureRequest::SaveBinary, CaptureRequest::SaveText}) {
    AnswerDialog("out", [&] { control.capture_thread_running = 0; });
    Run(request);
    control.capture_thread_running = 1;
    EXPECT_FALSE(std::filesystem::exists("out"));
    EXPECT_EQ(view.progress.position, 0);
  }
  EXPECT_TRUE(view.boxes.shown.empty());
  const std::string log = ReadFileBytes("error.log");
  EXPECT_EQ(log.size(), 2 * (21 + std::string("保存に失敗\r\n").size())) << log;
  EXPECT_EQ(log.substr(21, 12), "保存に失敗\r\n");

  ASSERT_EQ(SaveCaptureFile("whole.bin", store, view.progress), FileOutcome::Written);
  AnswerDialog("whole.bin", [&] { control.capture_thread_running = 0; });
  Run(CaptureRequest::LoadBinary);
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_TRUE(view.boxes.shown.empty());
}

// What the user is told at the end of each file command: its boxes, a line in
// error.log for what failed, and a stop of the capture for a full store.
TEST_F(CaptureCommandsTest, EachOutcomeIsToldWithItsBoxesAndLogLine) {
  const auto box = [](const std::string& title, const std::string& text, unsigned type) {
    return title + "|" + text + "|" + std::to_string(type);
  };
  const std::string saved = box("保存完了", "保存が完了しました", kMbOk);
  const std::string save_failed =
      box("保存エラー", "ファイルの保存に失敗しました", kMbOk | kMbIconWarning);
  const std::string loaded = box("読み込み完了", "読み込みが完了しました", kMbOk);
  const std::string invalid =
      box("読み込みエラー", "指定ファイルが不正です", kMbOk | kMbIconWarning);
  struct Case {
    CaptureRequest command;
    const char* path;  // chosen in the dialog
    int32_t limit_kbytes;
    std::vector<std::string> boxes;
    const char* log;  // the log's one line; nullptr: no log
    int stops;
  };
  const Case cases[] = {
      {CaptureRequest::SaveBinary, "saved.bin", 0, {saved}, nullptr, 0},
      {CaptureRequest::SaveText, "no/such/r.txt", 0, {save_failed}, "保存に失敗\r\n", 0},
      {CaptureRequest::SaveBinary, "no/such/x.bin", 0, {save_failed}, "保存に失敗\r\n", 0},
      {CaptureRequest::LoadBinary, "saved.bin", 0, {loaded}, nullptr, 0},
      {CaptureRequest::LoadBinary, "other.bin", 0, {invalid}, "不正なファイルの読み込み\r\n", 0},
      {CaptureRequest::LoadBinary, "missing.bin", 0, {invalid}, nullptr, 0},
      {CaptureRequest::LoadBinary,
       "big.bin",
       1,
       {box("メモリオーバー", "最大受信サイズを超えました！緊急停止します", kMbOk | kMbIconWarning),
        loaded},
       "サイズオーバー\r\n",
       1},
  };
  WriteFileBytes("other.bin", std::string(100, 'x'));
  PacketStore big;
  for (int i = 0; i < 30; ++i) big.Add(SizedDatagram(100).data(), 100, SystemTime{});
  ASSERT_EQ(SaveCaptureFile("big.bin", big, view.progress), FileOutcome::Written);
  CaptureTwoPackets();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::remove("error.log");
    view.boxes.shown.clear();
    view.stops.stops = 0;
    store.SetLimitKbytes(c.limit_kbytes);
    AnswerDialog(c.path);
    Run(c.command);
    std::vector<std::string> shown;
    for (const auto& b : view.boxes.shown) shown.push_back(box(b.title, b.text, b.type));
    EXPECT_EQ(shown, c.boxes);
    const std::string log = ReadFileBytes("error.log");
    EXPECT_EQ(log.size() > 21 ? log.substr(21) : log, c.log ? c.log : "");
    EXPECT_EQ(view.stops.stops, c.stops);
  }
  EXPECT_EQ(store.Count(), 10u) << "the records before the full store stay";
}

TEST_F(CaptureCommandsTest, SaveDialogsEndCapturingAlsoWhenCancelled) {
  CaptureTwoPackets();
  for (CaptureRequest request : {CaptureRequest::SaveBinary, CaptureRequest::SaveText}) {
    control.capture_request = kCapture;
    CancelDialog();
    Run(request);
    EXPECT_EQ(control.capture_request.load(), kIdle);
  }
  ASSERT_EQ(view.dialogs.size(), 2u);
  const unsigned save_flags = kOfnHideReadOnly | kOfnNoChangeDir | kOfnPathMustExist;
  EXPECT_TRUE(view.dialogs[0].save);
  EXPECT_EQ(view.dialogs[0].filter, "Datafile(*.bin)\0*.bin\0すべて(*.*)\0*.*\0"s);
  EXPECT_EQ(view.dialogs[0].title, "バイナリデータファイル保存");
  EXPECT_EQ(view.dialogs[0].default_extension, "bin");
  EXPECT_EQ(view.dialogs[0].flags, save_flags);
  EXPECT_EQ(view.dialogs[0].flags & kOfnFileMustExist, 0u) << "saving under a new name works";
  EXPECT_TRUE(view.dialogs[1].save);
  EXPECT_EQ(view.dialogs[1].filter, "Datafile(*.txt)\0*.txt\0すべて(*.*)\0*.*\0"s);
  EXPECT_EQ(view.dialogs[1].title, "テキストデータファイル保存");
  EXPECT_EQ(view.dialogs[1].default_extension, "txt");
  EXPECT_EQ(view.dialogs[1].flags, save_flags);

  EXPECT_TRUE(view.boxes.shown.empty());
  EXPECT_EQ(store.Count(), 2u) << "saving leaves the store and the list alone";
  EXPECT_EQ(view.list.RowCount(), 2);
}

TEST_F(CaptureCommandsTest, SavingOverAnExistingFileAsksFirst) {
  CaptureTwoPackets();
  WriteFileBytes("old.bin", "keep");

  AnswerDialog("old.bin");
  view.boxes.answers.push_back(kIdCancel);
  Run(CaptureRequest::SaveBinary);
  EXPECT_EQ(ReadFileBytes("old.bin"), "keep") << "Cancel writes nothing";
  ASSERT_EQ(view.boxes.shown.size(), 1u);
  EXPECT_EQ(view.boxes.shown[0].text, "ファイルが既に存在しています\n上書きしますか？");
  EXPECT_EQ(view.boxes.shown[0].title, "上書き確認");
  EXPECT_EQ(view.boxes.shown[0].type, kMbOkCancel | kMbIconQuestion);

  AnswerDialog("old.bin");
  view.boxes.answers.push_back(kIdOk);
  Run(CaptureRequest::SaveBinary);
  EXPECT_EQ(ReadFileBytes("old.bin").size(), 68u + 20 + 60 + 20 + 1500);
  ASSERT_EQ(view.boxes.shown.size(), 3u);
  EXPECT_EQ(view.boxes.shown[2].text, "保存が完了しました");

  // A new file is written without a question.
  AnswerDialog("report.txt");
  Run(CaptureRequest::SaveText);
  ASSERT_EQ(view.boxes.shown.size(), 4u);
  EXPECT_EQ(view.boxes.shown[3].text, "保存が完了しました");
  EXPECT_NE(ReadFileBytes("report.txt").find("  Packet Count :2\r\n"), std::string::npos);
  EXPECT_EQ(control.capture_request.load(), kIdle);
}

TEST_F(CaptureCommandsTest, OpenEmptiesEverythingFirstThenLoadsAndLists) {
  CaptureTwoPackets();
  AnswerDialog("two.bin");
  Run(CaptureRequest::SaveBinary);
  view.boxes.shown.clear();

  // Cancelled: the store was emptied before the dialog and stays empty.
  control.capture_request = kCapture;
  CancelDialog();
  Run(CaptureRequest::LoadBinary);
  ExpectPanesEmpty();
  EXPECT_TRUE(view.boxes.shown.empty());
  EXPECT_EQ(control.capture_request.load(), kIdle);
  const RecordingView::Dialog& open = view.dialogs.back();
  EXPECT_FALSE(open.save);
  EXPECT_EQ(open.filter, "Datafile(*.bin)\0*.bin\0すべて(*.*)\0*.*\0"s);
  EXPECT_EQ(open.title, "バイナリデータファイル読み込み");
  EXPECT_EQ(open.default_extension, "bin");
  EXPECT_EQ(open.flags, 0x100Cu);

  // A capture file: loaded, reported, listed from row 0; capturing does not resume.
  CaptureTwoPackets();
  control.capture_request = kCapture;
  AnswerDialog("two.bin");
  Run(CaptureRequest::LoadBinary);
  EXPECT_EQ(store.Count(), 2u);
  ASSERT_EQ(view.list.RowCount(), 2);
  EXPECT_EQ(view.list.Cell(0, 0), "0");
  EXPECT_EQ(view.list.Cell(1, 7), "1500");
  ASSERT_EQ(view.boxes.shown.size(), 1u);
  EXPECT_EQ(view.boxes.shown[0].text, "読み込みが完了しました");
  EXPECT_EQ(view.boxes.shown[0].title, "読み込み完了");
  EXPECT_EQ(view.boxes.shown[0].type, kMbOk);
  EXPECT_EQ(control.capture_request.load(), kIdle);

  // Not a capture file: reported, and the panes stay empty.
  WriteFileBytes("other.bin", std::string(100, 'x'));
  AnswerDialog("other.bin");
  Run(CaptureRequest::LoadBinary);
  ExpectPanesEmpty();
  ASSERT_EQ(view.boxes.shown.size(), 2u);
  EXPECT_EQ(view.boxes.shown[1].text, "指定ファイルが不正です");
  EXPECT_EQ(view.boxes.shown[1].title, "読み込みエラー");
  EXPECT_EQ(view.boxes.shown[1].type, kMbOk | kMbIconWarning);
  EXPECT_EQ(view.status.Part(1), "Packet:0　　Memory:0 byte");
}

TEST_F(CaptureCommandsTest, SettingsAreClampedToWhatTheThreadCanUse) {
  struct Case {
    const char* file;  // nullptr: no config.ini
    int32_t limit;
    int32_t interval;
  };
  const Case cases[] = {
      {nullptr, 0, 10},
      {"[Common_config]\r\nRING_MAX=20\r\nCAP_FPS=50\r\n", 20, 50},
      {"[Common_config]\r\nRING_MAX=-5\r\nCAP_FPS=100000\r\n", 0, 9999},
      {"[Common_config]\r\nRING_MAX=0\r\nCAP_FPS=-3\r\n", 0, 0},
      {"[Common_config]\r\nCAP_FPS=9999\r\n", 0, 9999},
  };
  for (const Case& c : cases) {
    std::remove("config.ini");
    if (c.file != nullptr) WriteFileBytes("config.ini", c.file);
    store.SetLimitKbytes(77);
    control.receive_interval_ms = 77;
    ApplyCaptureSettings(control, store);
    EXPECT_EQ(store.LimitKbytes(), c.limit) << (c.file ? c.file : "no file");
    EXPECT_EQ(control.receive_interval_ms.load(), c.interval) << (c.file ? c.file : "no file");
  }
}

}  // namespace
