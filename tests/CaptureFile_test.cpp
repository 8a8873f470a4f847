#include "capturefile/CaptureFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "views/FileProgress.h"
#include "views/TextReport.h"
#include "log/BufferedFileWriter.h"
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

using Op = FakeProgressBar::Op;

TEST(CaptureFile, SaveWritesHeaderAndRecords) {
  TempDir dir;
  PacketStore store;
  FakeProgressBar progress;
  ASSERT_EQ(SaveCaptureFile("empty.bin", store, progress), FileOutcome::Written);
  EXPECT_EQ(ReadFileBytes("empty.bin"), FileHeader(0));

  const std::string p60 = Filled(60, 1), p1500 = Filled(1500, 2);
  Add(store, p60, kT1);
  Add(store, p1500, kT2);
  progress = FakeProgressBar{};
  ASSERT_EQ(SaveCaptureFile("two.bin", store, progress), FileOutcome::Written);
  const std::string file = ReadFileBytes("two.bin");
  EXPECT_EQ(file.size(), 1668u);
  EXPECT_EQ(file, FileHeader(2) + Record(60, kT1, p60) + Record(1500, kT2, p1500));

  const std::vector<FakeProgressBar::Call> calls = {{Op::SetPosition, 0},
                                                    {Op::SetRange, 2},
                                                    {Op::SetPosition, 2},
                                                    {Op::SetPosition, 0}};
  EXPECT_EQ(progress.calls, calls);
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
  FakeProgressBar progress;
  ASSERT_EQ(SaveCaptureFile("round.bin", saved, progress), FileOutcome::Written);

  PacketStore loaded;
  ASSERT_EQ(LoadCaptureFile("round.bin", loaded, progress), FileOutcome::Loaded);
  ASSERT_EQ(loaded.Count(), packets.size());
  EXPECT_EQ(loaded.PacketCounter(), packets.size());
  for (size_t i = 0; i < packets.size(); ++i) {
    CapturedPacket p;
    ASSERT_TRUE(loaded.Get(static_cast<int32_t>(i), p));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data), p.size), packets[i]);
    EXPECT_EQ(p.time, i % 2 ? kT1 : kT2);
  }
}

struct LoadCase {
  const char* name;
  std::string contents;
  FileOutcome outcome;
  uint32_t packets;
};

TEST(CaptureFile, LoadJudgesTheFileNotTheHeaderCount) {
  const std::string r = Record(5, kT1, "abcde");
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += r;
  const std::string full = Record(65536, kT1, std::string(65536, 'x'));
  constexpr FileOutcome kLoaded = FileOutcome::Loaded, kInvalid = FileOutcome::InvalidFile;
  const LoadCase cases[] = {
      {"empty file", "", kLoaded, 0},
      {"ends inside the header", "no header here", kLoaded, 0},
      {"more records than counted", FileHeader(10) + twelve, kLoaded, 12},
      {"last record short", FileHeader(3) + r + r + r.substr(0, r.size() - 1), kLoaded, 2},
      {"ends inside a record header", FileHeader(2) + r + r.substr(0, 10), kLoaded, 1},
      {"empty record", FileHeader(1) + Record(0, kT2, ""), kLoaded, 1},
      {"bytes after the signature's zero", FileHeader(1, std::string("Kestrel_Scan\0junk", 17)) + r,
       kLoaded, 1},
      {"largest record", FileHeader(1) + full, kLoaded, 1},
      {"record too large", FileHeader(2) + r + Record(65537, kT1, std::string(65537, 'y')),
       kInvalid, 1},
      {"huge size", FileHeader(2) + r + Le32(0xFFFFFFFF) + std::string(16, '\0'), kInvalid, 1},
      {"longer name", FileHeader(1, "Kestrel_ScanX") + r, kInvalid, 0},
      {"other name", FileHeader(1, "Kestrel_Scam") + r, kInvalid, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFileBytes("in.bin", c.contents);
    PacketStore store;
    FakeProgressBar progress;
    EXPECT_EQ(LoadCaptureFile("in.bin", store, progress), c.outcome);
    EXPECT_EQ(store.Count(), c.packets);
    EXPECT_EQ(progress.Reached(), static_cast<int>(c.packets));
    EXPECT_EQ(progress.position, 0);
  }
}

TEST(CaptureFile, LoadStopsOnceWhenTheStoreIsFull) {
  TempDir dir;
  std::string file = FileHeader(0x00012345);  // the bar's range is the count in full
  for (int i = 0; i < 30; ++i) file += Record(100, kT1, Filled(100, static_cast<char>(i)));
  WriteFileBytes("big.bin", file);
  PacketStore store;
  store.SetLimitKbytes(1);
  FakeProgressBar progress;
  EXPECT_EQ(LoadCaptureFile("big.bin", store, progress), FileOutcome::StoreFull);
  EXPECT_EQ(store.Count(), 10u);
  EXPECT_EQ(progress.calls.at(1), (FakeProgressBar::Call{Op::SetRange, 0x12345}));
  EXPECT_EQ(progress.Reached(), 10);
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
  const std::function<bool(FakeProgressBar&)> commands[] = {
      [&](FakeProgressBar& bar) {
        return SaveCaptureFile("out.bin", store, bar) == FileOutcome::Written;
      },
      [&](FakeProgressBar& bar) {
        return LoadCaptureFile("out.bin", loaded, bar) == FileOutcome::Loaded;
      },
      [&](FakeProgressBar& bar) {
        return ExportTextReport("out.txt", store, bar) == FileOutcome::Written;
      },
  };
  for (const auto& command : commands) {
    FakeProgressBar bar;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(command(bar));
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
  FakeProgressBar progress;
  EXPECT_EQ(LoadCaptureFile("missing.bin", store, progress), FileOutcome::Unreadable);
  EXPECT_TRUE(progress.calls.empty());
  EXPECT_EQ(LoadCaptureFile("folder", store, progress), FileOutcome::Unreadable);
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
    FakeProgressBar progress;
    EXPECT_EQ(SaveCaptureFile(path, store, progress), FileOutcome::WriteFailed);
    EXPECT_EQ(progress.position, 0);
  }
}

// The program's names are code page 932 bytes, which std::filesystem on
// Windows would read as UTF-8: these go through the narrow C calls.
const std::string kAbsent = "(no file)";

std::string ReadNarrow(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return kAbsent;
  std::string bytes;
  char chunk[65536];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

void WriteNarrow(const char* path, const std::string& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// A save or an export replaces the chosen file whole or not at all. A write
// that fails part way (a full disk at the start or after the first buffer, a
// file-size limit) or the program closing part way leaves the old file as it
// was, or no file, and no temporary file; a complete save gives the same bytes
// as ever.
TEST(CaptureFile, SaveAndExportReplaceTheFileWholeOrNotAtAll) {
  enum class End { Complete, FullDisk, SizeLimit, Closing };
  struct Case {
    const char* name;
    const char* path;  // "表" is 0x95 0x5C in code page 932: a '\' byte that is no separator
    bool report;       // the export; otherwise the save
    bool existing;     // a file of the name is there before
    End end;
    size_t amount;  // bytes the disk or the limit takes; records before the close
    FileOutcome outcome;
  };
  constexpr size_t kPastTheBuffer = 3 * BufferedFileWriter::kBufferBytes / 2;
  const FileOutcome kFailed = FileOutcome::WriteFailed, kCut = FileOutcome::CutShort;
  std::vector<Case> cases = {
      {"complete save", "out", false, false, End::Complete, 0, FileOutcome::Written},
      {"complete save over a file", "表.bin", false, true, End::Complete, 0, FileOutcome::Written},
      {"save, full disk at once", "out", false, true, End::FullDisk, 0, kFailed},
      {"new save, full disk at once", "out", false, false, End::FullDisk, 0, kFailed},
      {"save, full disk later", "表.bin", false, true, End::FullDisk, kPastTheBuffer, kFailed},
      {"report, full disk later", "out", true, true, End::FullDisk, kPastTheBuffer, kFailed},
      {"new report, full disk", "out", true, false, End::FullDisk, 100, kFailed},
      {"save, closing", "out", false, true, End::Closing, 10, kCut},
      {"new save, closing", "out", false, false, End::Closing, 10, kCut},
      {"report, closing", "out", true, true, End::Closing, 2000, kCut},
      {"new report, closing", "out", true, false, End::Closing, 0, kCut},
  };
#ifndef _WIN32
  cases.push_back({"save, size limit", "out", false, true, End::SizeLimit, kPastTheBuffer, kFailed});
  cases.push_back(
      {"new report, size limit", "out", true, false, End::SizeLimit, kPastTheBuffer, kFailed});
#endif
  constexpr uint32_t kPackets = 3000;
  PacketStore store;
  std::string packet = Filled(1000, 3);
  packet[0] = 0x45;  // an IPv4 header, so the report has a block for every packet
  std::string saved = FileHeader(kPackets);
  for (uint32_t i = 0; i < kPackets; ++i) {
    Add(store, packet, kT1);
    saved += Record(1000, kT1, packet);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.existing) WriteNarrow(c.path, "old contents");
    size_t records_left = c.amount;
    const KeepGoing keep_going = [&] {
      if (c.end != End::Closing) return true;
      if (records_left == 0) return false;
      --records_left;
      return true;
    };
    std::optional<BufferedFileWriter::FullDiskForTesting> full;
    if (c.end == End::FullDisk) full.emplace(c.amount);
#ifndef _WIN32
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    if (c.end == End::SizeLimit) limited.rlim_cur = c.amount;
    setrlimit(RLIMIT_FSIZE, &limited);
#endif
    FakeProgressBar progress;
    const FileOutcome outcome = c.report ? ExportTextReport(c.path, store, progress, keep_going)
                                         : SaveCaptureFile(c.path, store, progress, keep_going);
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);
#endif
    full.reset();

    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(progress.position, 0);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
      ++entries;
    }
    if (outcome == FileOutcome::Written) {
      EXPECT_TRUE(ReadNarrow(c.path) == saved) << "the bytes of a complete save";
    } else {
      EXPECT_EQ(ReadNarrow(c.path), c.existing ? "old contents" : kAbsent);
    }
    EXPECT_EQ(entries, c.existing || outcome == FileOutcome::Written ? 1u : 0u)
        << "no temporary file is left";
  }
}

}  // namespace
