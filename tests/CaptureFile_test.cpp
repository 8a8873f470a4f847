#include "capturefile/CaptureFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "views/FileProgress.h"
#include "views/TextReport.h"
#include "support/FakePanes.h"
#include "support/TempDir.h"

namespace {

std::string Le32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

std::string FileHeader(uint32_t count, std::string signature = "Kestrel_Scan") {
  signature.resize(64, '\0');
  return signature + Le32(count);
}

std::string Record(uint32_t size, const SystemTime& t, const std::string& bytes) {
  std::string r = Le32(size);
  for (uint16_t v :
       {t.year, t.month, t.day_of_week, t.day, t.hour, t.minute, t.second, t.milliseconds}) {
    r += static_cast<char>(v);
    r += static_cast<char>(v >> 8);
  }
  return r + bytes;
}

std::string Filled(size_t size, char seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 31);
  return bytes;
}

const SystemTime kT1{2024, 3, 0, 17, 9, 5, 7, 42};
const SystemTime kT2{2023, 12, 6, 31, 23, 59, 59, 999};

void Add(PacketStore& store, const std::string& bytes, const SystemTime& t) {
  ASSERT_EQ(store.Add(reinterpret_cast<const uint8_t*>(bytes.data()),
                      static_cast<uint32_t>(bytes.size()), t),
            PacketStore::kAddStored);
}

// The log holds exactly one time-stamped entry with this message.
void ExpectLogEntry(const std::string& message) {
  const std::string log = ReadFileBytes("error.log");
  ASSERT_GE(log.size(), 21u);
  EXPECT_TRUE(
      std::regex_match(log.substr(0, 21), std::regex(R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\])")));
  EXPECT_EQ(log.substr(21), message);
}

struct Ui {
  FakeProgressBar progress;
  FakeMessageBoxes boxes;
  FakeCaptureStops requests;
};

using Op = FakeProgressBar::Op;

TEST(CaptureFile, SaveWritesHeaderAndRecords) {
  TempDir dir;
  PacketStore store;
  Ui ui;
  ASSERT_EQ(SaveCaptureFile("empty.bin", store, ui.progress, ui.boxes), 1);
  EXPECT_EQ(ReadFileBytes("empty.bin"), FileHeader(0));

  const std::string p60 = Filled(60, 1), p1500 = Filled(1500, 2);
  Add(store, p60, kT1);
  Add(store, p1500, kT2);
  ui = Ui{};
  ASSERT_EQ(SaveCaptureFile("two.bin", store, ui.progress, ui.boxes), 1);
  const std::string file = ReadFileBytes("two.bin");
  EXPECT_EQ(file.size(), 1668u);
  EXPECT_EQ(file, FileHeader(2) + Record(60, kT1, p60) + Record(1500, kT2, p1500));

  ASSERT_EQ(ui.boxes.shown.size(), 1u);
  EXPECT_EQ(ui.boxes.shown[0].text, "保存が完了しました");
  EXPECT_EQ(ui.boxes.shown[0].title, "保存完了");
  EXPECT_EQ(ui.boxes.shown[0].type, kMbOk);
  const std::vector<FakeProgressBar::Call> calls = {{Op::SetPosition, 0},
                                                    {Op::SetRange, 2},
                                                    {Op::SetPosition, 2},
                                                    {Op::SetPosition, 0}};
  EXPECT_EQ(ui.progress.calls, calls);
  EXPECT_FALSE(std::filesystem::exists("error.log"));
}

TEST(CaptureFile, LoadGivesBackWhatWasSaved) {
  TempDir dir;
  PacketStore saved;
  // Enough large records that some straddle the boundaries of the loader's reads.
  std::vector<std::string> packets;
  for (char round = 0; round < 6; ++round) {
    for (const std::string& p :
         {Filled(40, round), std::string(), Filled(65535, round + 1), Filled(1, round + 2)}) {
      packets.push_back(p);
    }
  }
  for (size_t i = 0; i < packets.size(); ++i) Add(saved, packets[i], i % 2 ? kT1 : kT2);
  Ui ui;
  ASSERT_EQ(SaveCaptureFile("round.bin", saved, ui.progress, ui.boxes), 1);

  PacketStore loaded;
  ASSERT_EQ(LoadCaptureFile("round.bin", loaded, ui.progress, ui.boxes, ui.requests), 1);
  ASSERT_EQ(loaded.Count(), packets.size());
  EXPECT_EQ(loaded.PacketCounter(), packets.size());
  for (size_t i = 0; i < packets.size(); ++i) {
    CapturedPacket p;
    ASSERT_TRUE(loaded.Get(static_cast<int32_t>(i), p));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data), p.size), packets[i]);
    EXPECT_EQ(p.time, i % 2 ? kT1 : kT2);
  }
  EXPECT_EQ(ui.boxes.shown.size(), 1u);  // only the save's; the loader's outcome is the caller's
  EXPECT_EQ(ui.requests.stops, 0);
}

struct LoadCase {
  const char* name;
  std::string contents;
  int result;
  uint32_t packets;
  const char* log;  // the one time-stamped log entry, or nullptr for no log
};

TEST(CaptureFile, LoadJudgesTheFileNotTheHeaderCount) {
  const std::string r = Record(5, kT1, "abcde");
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += r;
  const std::string full = Record(65536, kT1, std::string(65536, 'x'));
  const LoadCase cases[] = {
      {"empty file", "", 1, 0, nullptr},
      {"ends inside the header", "no header here", 1, 0, nullptr},
      {"more records than counted", FileHeader(10) + twelve, 1, 12, nullptr},
      {"last record short", FileHeader(3) + r + r + r.substr(0, r.size() - 1), 1, 2, nullptr},
      {"ends inside a record header", FileHeader(2) + r + r.substr(0, 10), 1, 1, nullptr},
      {"empty record", FileHeader(1) + Record(0, kT2, ""), 1, 1, nullptr},
      {"bytes after the signature's zero", FileHeader(1, std::string("Kestrel_Scan\0junk", 17)) + r,
       1, 1, nullptr},
      {"largest record", FileHeader(1) + full, 1, 1, nullptr},
      {"record too large", FileHeader(2) + r + Record(65537, kT1, std::string(65537, 'y')), 0, 1,
       "不正なファイルの読み込み\r\n"},
      {"huge size", FileHeader(2) + r + Le32(0xFFFFFFFF) + std::string(16, '\0'), 0, 1,
       "不正なファイルの読み込み\r\n"},
      {"longer name", FileHeader(1, "Kestrel_ScanX") + r, 0, 0, "不正なファイルの読み込み\r\n"},
      {"other name", FileHeader(1, "Kestrel_Scam") + r, 0, 0, "不正なファイルの読み込み\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFileBytes("in.bin", c.contents);
    PacketStore store;
    Ui ui;
    EXPECT_EQ(LoadCaptureFile("in.bin", store, ui.progress, ui.boxes, ui.requests), c.result);
    EXPECT_EQ(store.Count(), c.packets);
    EXPECT_EQ(ui.progress.Reached(), static_cast<int>(c.packets));
    EXPECT_EQ(ui.progress.position, 0);
    EXPECT_TRUE(ui.boxes.shown.empty());
    if (c.log != nullptr) {
      ExpectLogEntry(c.log);
    } else {
      EXPECT_FALSE(std::filesystem::exists("error.log"));
    }
  }
}

TEST(CaptureFile, LoadStopsOnceWhenTheStoreIsFull) {
  TempDir dir;
  std::string file = FileHeader(0x00012345);  // the bar's range is the count in full
  for (int i = 0; i < 30; ++i) file += Record(100, kT1, Filled(100, static_cast<char>(i)));
  WriteFileBytes("big.bin", file);
  PacketStore store;
  store.SetLimitKbytes(1);
  Ui ui;
  EXPECT_EQ(LoadCaptureFile("big.bin", store, ui.progress, ui.boxes, ui.requests), 1);
  EXPECT_EQ(store.Count(), 10u);
  ASSERT_EQ(ui.boxes.shown.size(), 1u);
  EXPECT_EQ(ui.boxes.shown[0].text, "最大受信サイズを超えました！緊急停止します");
  EXPECT_EQ(ui.boxes.shown[0].title, "メモリオーバー");
  EXPECT_EQ(ui.boxes.shown[0].type, kMbOk | kMbIconWarning);
  EXPECT_EQ(ui.requests.stops, 1);
  EXPECT_EQ(ui.progress.calls.at(1), (FakeProgressBar::Call{Op::SetRange, 0x12345}));
  EXPECT_EQ(ui.progress.Reached(), 10);
  ExpectLogEntry("サイズオーバー\r\n");
}

// A message to the bar costs up to a millisecond under Wine: save, load and
// export move it by time, not once per record, over a range that holds any
// count, and leave it at 0.
TEST(CaptureFile, TheBarMovesByTimeOverTheWholeCount) {
  TempDir dir;
  constexpr uint32_t kPackets = 70000;  // beyond a 16-bit range
  PacketStore store;
  std::string packet = Filled(40, 5);
  packet[0] = 0x45;
  for (uint32_t i = 0; i < kPackets; ++i) Add(store, packet, kT1);
  PacketStore loaded;
  const std::function<int(Ui&)> commands[] = {
      [&](Ui& ui) { return SaveCaptureFile("out.bin", store, ui.progress, ui.boxes); },
      [&](Ui& ui) { return LoadCaptureFile("out.bin", loaded, ui.progress, ui.boxes, ui.requests); },
      [&](Ui& ui) { return ExportTextReport("out.txt", store, ui.progress, ui.boxes); },
  };
  for (const auto& command : commands) {
    Ui ui;
    const FakeProgressBar& bar = ui.progress;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(command(ui), 1);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_EQ(bar.calls.at(1), (FakeProgressBar::Call{Op::SetRange, int{kPackets}}));
    EXPECT_EQ(bar.Reached(), int{kPackets});
    EXPECT_EQ(bar.position, 0);
    // Start, end and reset, and one change per interval at most in between.
    EXPECT_LE(bar.PositionChanges(), 3 + ms / kFileProgressIntervalMs) << ms << " ms";
  }
}

TEST(CaptureFile, LoadRefusesWhatItCannotRead) {
  TempDir dir;
  std::filesystem::create_directory("folder");
  PacketStore store;
  Ui ui;
  EXPECT_EQ(LoadCaptureFile("missing.bin", store, ui.progress, ui.boxes, ui.requests), 0);
  EXPECT_TRUE(ui.progress.calls.empty());
  EXPECT_EQ(LoadCaptureFile("folder", store, ui.progress, ui.boxes, ui.requests), 0);
  EXPECT_EQ(store.Count(), 0u);
}

TEST(CaptureFile, SaveThatCannotWriteIsAFailure) {
  std::vector<const char*> paths = {"no/such/folder/x.bin", "folder"};
#ifndef _WIN32
  paths.push_back("/dev/full");  // opens, but every write fails
#endif
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    TempDir dir;
    std::filesystem::create_directory("folder");
    PacketStore store;
    Add(store, Filled(60, 7), kT1);
    Ui ui;
    EXPECT_EQ(SaveCaptureFile(path, store, ui.progress, ui.boxes), 0);
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_EQ(ui.boxes.shown[0].text, "ファイルの保存に失敗しました");
    EXPECT_EQ(ui.boxes.shown[0].title, "保存エラー");
    EXPECT_EQ(ui.boxes.shown[0].type, kMbOk | kMbIconWarning);
    EXPECT_EQ(ui.progress.position, 0);
    ExpectLogEntry("保存に失敗\r\n");
  }
}

#ifndef _WIN32
// A file-size limit makes the writes fail once the file reaches it, well after
// the first buffer went out: the save and the export stop there, keep what was
// written and report the failure.
TEST(CaptureFile, SaveAndExportStopAtTheFirstFailedWrite) {
  using Writer = std::function<int(const char*, const PacketStore&, ProgressBar&, MessageBoxes&)>;
  const Writer writers[] = {
      [](const char* path, const PacketStore& store, ProgressBar& bar, MessageBoxes& boxes) {
        return SaveCaptureFile(path, store, bar, boxes);
      },
      [](const char* path, const PacketStore& store, ProgressBar& bar, MessageBoxes& boxes) {
        return ExportTextReport(path, store, bar, boxes);
      }};
  constexpr uint32_t kPackets = 3000;
  constexpr rlim_t kLimit = 3 * BufferedFileWriter::kBufferBytes / 2;
  for (const Writer& write : writers) {
    TempDir dir;
    PacketStore store;
    std::string packet = Filled(1000, 3);
    packet[0] = 0x45;  // an IPv4 header, so the report has a block for every packet
    for (uint32_t i = 0; i < kPackets; ++i) Add(store, packet, kT1);
    Ui ui;

    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = kLimit;
    setrlimit(RLIMIT_FSIZE, &limited);
    const int result = write("out", store, ui.progress, ui.boxes);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::filesystem::file_size("out"), kLimit);
    EXPECT_LT(ui.progress.Reached(), static_cast<int>(kPackets));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_EQ(ui.boxes.shown[0].text, "ファイルの保存に失敗しました");
    ExpectLogEntry("保存に失敗\r\n");
  }
}
#endif

}  // namespace
