// The output of kestrel-cli capture without a network: each format byte for
// byte, and rings of files by size and by time that lose and repeat nothing.
#include "cli/CaptureOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "capturefile/CaptureFileFormat.h"
#include "cli/LocalTimeConversion.h"
#include "cli/support/CaptureBuilders.h"
#include "support/Datagrams.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kStart = 1700000000;  // seconds since 1970

CaptureOptions Options(const fs::path& file, CaptureFormat format = CaptureFormat::Pcap) {
  CaptureOptions o;
  o.output = file.string();
  o.format = format;
  return o;
}

// A datagram that carries `number` in the four bytes after its UDP header.
Bytes Numbered(uint32_t number, uint32_t size) {
  Bytes d = SizedDatagram(size);
  for (int i = 0; i < 4; ++i) d[28 + i] = static_cast<uint8_t>(number >> (24 - 8 * i));
  return d;
}

// The numbers of a pcap or .bin file's records.
std::vector<uint32_t> NumbersIn(const fs::path& file, CaptureFormat format) {
  const std::string bytes = ReadFileBytes(file);
  const bool bin = format == CaptureFormat::Bin;
  const size_t file_header = bin ? kCaptureFileHeaderSize : 24;
  const size_t record_header = bin ? kCaptureRecordHeaderSize : 16;
  const size_t size_at = bin ? 0 : 8;
  std::vector<uint32_t> numbers;
  auto le32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
  };
  for (size_t at = file_header; at + record_header <= bytes.size();
       at += record_header + le32(at + size_at)) {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
      n = (n << 8) | static_cast<uint8_t>(bytes[at + record_header + 28 + i]);
    numbers.push_back(n);
  }
  return numbers;
}

TEST(CliCaptureOutput, WritesEachFormatByteForByte) {
  TempDir dir;
  const std::vector<TestRecord> records = {
      {uint32_t(kStart), 999999, UdpDatagram(1025, 5)},  // 33 bytes: pcapng pads to 36
      {uint32_t(kStart + 1), 1500, TcpSyn()},
      {uint32_t(kStart + 2), 0, SizedDatagram(1500)},
  };
  std::vector<BinRecord> bin;
  for (const TestRecord& r : records) {
    SystemTime t;
    ASSERT_TRUE(EpochToLocalTime(r.seconds, r.fraction, t));
    bin.push_back(
        {{t.year, t.month, t.day_of_week, t.day, t.hour, t.minute, t.second, t.milliseconds},
         r.bytes});
  }
  const struct {
    CaptureFormat format;
    std::string expected;
  } cases[] = {
      {CaptureFormat::Pcap, PcapFile(101, records, 65535)},
      {CaptureFormat::Pcapng, PcapngFile(101, records, 6, 65535)},
      {CaptureFormat::Bin, CaptureFileBytes(bin)},
  };
  for (const auto& c : cases) {
    const fs::path file = dir.path() / "out";
    CaptureOutput output(Options(file, c.format));
    std::string error;
    ASSERT_TRUE(output.Start(kStart * 1000000, error)) << error;
    for (const TestRecord& r : records) {
      ASSERT_TRUE(output.Write(int64_t{r.seconds} * 1000000 + r.fraction, r.bytes.data(),
                               static_cast<uint32_t>(r.bytes.size()), error));
    }
    ASSERT_TRUE(output.Close(error)) << error;
    EXPECT_EQ(ReadFileBytes(file), c.expected) << static_cast<int>(c.format);
  }
}

TEST(CliCaptureOutput, RingsOfFilesLoseAndRepeatNothing) {
  // 60 records of 50,000 bytes, one a second: 19 fit a file of 1 MB.
  const struct {
    uint32_t megabytes, seconds, files;
    size_t files_left;
    uint32_t first_kept;  // the oldest record still in a file
    CaptureFormat format = CaptureFormat::Pcap;
  } cases[] = {
      {1, 0, 0, 4, 0},    // r, r1, r2, r3
      {1, 0, 3, 3, 0},    // r0, r1, r2, r0 again: the oldest file overwritten
      {0, 10, 2, 2, 40},  // a file every 10 s, the two newest kept
      {0, 10, 0, 6, 0},
      // Each file closed before it is removed (Windows removes no open file).
      {0, 10, 2, 2, 40, CaptureFormat::Bin},
  };
  for (const auto& c : cases) {
    TempDir dir;
    CaptureOptions o = Options(dir.path() / (c.seconds != 0 ? "r-%H%M%S" : "r"), c.format);
    o.rotate_megabytes = c.megabytes;
    o.rotate_seconds = c.seconds;
    o.files = c.files;
    CaptureOutput output(o);
    std::string error;
    ASSERT_TRUE(output.Start(kStart * 1000000, error)) << error;
    for (uint32_t n = 0; n < 60; ++n) {
      const Bytes d = Numbered(n, 50000);
      ASSERT_TRUE(output.Write((kStart + n) * 1000000, d.data(), 50000, error)) << error;
    }
    ASSERT_TRUE(output.Close(error)) << error;

    std::map<uint32_t, std::vector<uint32_t>> by_first;  // each file's numbers by its first
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      EXPECT_LE(fs::file_size(entry.path()), 1000000u);
      const std::vector<uint32_t> numbers = NumbersIn(entry.path(), c.format);
      ASSERT_FALSE(numbers.empty()) << entry.path();
      by_first[numbers.front()] = numbers;
    }
    EXPECT_EQ(by_first.size(), c.files_left) << c.megabytes << "/" << c.seconds << "/" << c.files;
    // Read in order, the files hold one unbroken run up to the last record;
    // with a ring by size its oldest file is partly overwritten.
    uint32_t next = by_first.begin()->first;
    EXPECT_TRUE(next == c.first_kept || (c.files != 0 && c.seconds == 0)) << next;
    for (const auto& [first, numbers] : by_first) {
      for (uint32_t n : numbers) EXPECT_EQ(n, next++);
    }
    EXPECT_EQ(next, 60u);
  }
}

TEST(CliCaptureOutput, NamesFilesAsTheCaptureToolsDo) {
  const struct {
    uint32_t megabytes, seconds, files;
    uint64_t number;
    const char* name;
  } cases[] = {
      {1, 0, 0, 0, "cap"},    {1, 0, 0, 2, "cap2"}, {1, 0, 10, 0, "cap0"}, {1, 0, 10, 12, "cap2"},
      {1, 0, 11, 3, "cap03"}, {1, 0, 1, 5, "cap"},  {0, 60, 0, 3, "cap"},  {1, 60, 100, 7, "cap07"},
  };
  for (const auto& c : cases) {
    CaptureOptions o;
    o.output = "cap";
    o.rotate_megabytes = c.megabytes;
    o.rotate_seconds = c.seconds;
    o.files = c.files;
    EXPECT_EQ(RingFileName(o, kStart, c.number), c.name) << c.files << " " << c.number;
  }
  CaptureOptions dated;
  dated.output = "cap-%Y.pcap";
  dated.rotate_seconds = 60;
  EXPECT_EQ(RingFileName(dated, kStart, 0), "cap-2023.pcap");
}

}  // namespace
