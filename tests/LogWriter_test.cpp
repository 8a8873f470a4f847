// File writers: exact bytes of the hex-dump block, the time-stamp prefix,
// binary modes (no CR LF translation on Windows), truncate/append, unopenable
// paths, and two threads logging at once.
#include "log/LogWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "log/SettingsPaths.h"
#include "log/SystemTime.h"
#include "support/TempDir.h"

namespace {

const char kHeading[] =
    "=================================================================\r\n"
    "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF\r\n"
    "------------------------------------------------+----------------\r\n";
const char kClosing[] = "=================================================================\r\n\r\n";

std::string Blanks(int n) {
  return std::string(static_cast<size_t>(n), ' ');
}

std::string Dump(const std::string& bytes, const char* title = "DATA") {
  const std::string path = "dump.txt";
  std::filesystem::remove(path);
  EXPECT_EQ(LogWriter::AppendHexDump(path.c_str(), 0, title,
                                     reinterpret_cast<const uint8_t*>(bytes.data()),
                                     static_cast<int32_t>(bytes.size())),
            1);
  return ReadFileBytes(path);
}

std::string StampOf(const SystemTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "[%04d/%02d/%02d %02d:%02d:%02d]", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return text;
}

// The shape of the prefix: '9' stands for any decimal digit. (std::regex
// would do, but GCC 12 warns inside its headers at -O2.)
constexpr char kStampShape[] = "[9999/99/99 99:99:99]";
constexpr size_t kStampLength = sizeof kStampShape - 1;

bool HasStampShape(const std::string& text) {
  if (text.size() < kStampLength) return false;
  for (size_t i = 0; i < kStampLength; ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kStampShape[i] == '9' ? !digit : text[i] != kStampShape[i]) return false;
  }
  return true;
}

// Checks that `text` starts with a time-stamp prefix of a moment between
// `before` and `after` (the two clock readings around the write) and returns
// what follows it.
std::string AfterStamp(const std::string& text, const SystemTime& before, const SystemTime& after) {
  if (!HasStampShape(text)) {
    ADD_FAILURE() << "no time-stamp prefix in: " << text;
    return text;
  }
  const std::string stamp = text.substr(0, kStampLength);
  EXPECT_TRUE(stamp == StampOf(before) || stamp == StampOf(after)) << stamp;
  return text.substr(kStampLength);
}

TEST(LogWriter, HexDumpOfNothingIsHeadingAndRulersOnly) {
  TempDir dir;
  EXPECT_EQ(Dump(""), std::string("DATA [size = 0]\r\n") + kHeading + kClosing);
  // A negative count gives no rows either.
  std::filesystem::remove("neg.txt");
  const uint8_t byte = 0x41;
  EXPECT_EQ(LogWriter::AppendHexDump("neg.txt", 0, "DATA", &byte, -5), 1);
  EXPECT_EQ(ReadFileBytes("neg.txt"), std::string("DATA [size = -5]\r\n") + kHeading + kClosing);
}

TEST(LogWriter, HexDumpRowsShowControlAndHighBytes) {
  TempDir dir;
  // CR and LF become ".", NUL a blank, DEL stays as it is.
  EXPECT_EQ(Dump(std::string("AB\r\n\0\x7F", 6), "受信データ"),
            std::string("受信データ [size = 6]\r\n") + kHeading + "41 42 0D 0A 00 7F " +
                Blanks(30) + "|AB.. \x7F" + Blanks(10) + "\r\n" + kClosing);

  // Tab, escape and 0x80-0xFF pass through unchanged.
  const std::string sixteen("\t\x1B\x80\xFF ~0A\r\n\0a\x82\xA0\xDF\xFE", 16);
  EXPECT_EQ(Dump(sixteen), std::string("DATA [size = 16]\r\n") + kHeading +
                               "09 1B 80 FF 20 7E 30 41 0D 0A 00 61 82 A0 DF FE |" +
                               "\t\x1B\x80\xFF ~0A.. a\x82\xA0\xDF\xFE\r\n" + kClosing);

  // The 17th byte opens a second row: one pair, fifteen empty groups.
  EXPECT_EQ(Dump("0123456789:;<=>?!"),
            std::string("DATA [size = 17]\r\n") + kHeading +
                "30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F |0123456789:;<=>?\r\n" + "21 " +
                Blanks(45) + "|!" + Blanks(15) + "\r\n" + kClosing);
}

TEST(LogWriter, HexDumpRowsLineUpForLargerBlocks) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 7));
  const std::string text = Dump(bytes);
  const size_t heading = std::string("DATA [size = 1000]\r\n").size() + sizeof kHeading - 1;
  const size_t rows = 63;  // 62 full rows and one of 8 bytes
  ASSERT_EQ(text.size(), heading + rows * 67 + sizeof kClosing - 1);
  for (size_t r = 0; r < rows; ++r) {
    const std::string row = text.substr(heading + r * 67, 67);
    EXPECT_EQ(row[48], '|') << "row " << r;
    EXPECT_EQ(row.substr(65), "\r\n") << "row " << r;
    char first[4];
    std::snprintf(first, sizeof first, "%02X ", static_cast<uint8_t>(bytes[r * 16]));
    EXPECT_EQ(row.substr(0, 3), first) << "row " << r;
  }
}

TEST(LogWriter, TimeStampPrefixIsFollowedDirectlyByTheMessage) {
  TempDir dir;
  const SystemTime before = CurrentLocalTime();
  ASSERT_EQ(LogWriter::AppendText(SettingsPaths::ErrorLog(), 1, "確保に失敗\r\n"), 1);
  ASSERT_EQ(LogWriter::AppendText(SettingsPaths::ErrorLog(), 1, "%s\r\n", "サイズオーバー"), 1);
  const SystemTime after = CurrentLocalTime();

  const std::string log = ReadFileBytes(SettingsPaths::ErrorLog());
  const size_t split = log.find("\r\n") + 2;
  EXPECT_EQ(AfterStamp(log.substr(0, split), before, after), "確保に失敗\r\n");
  EXPECT_EQ(AfterStamp(log.substr(split), before, after), "サイズオーバー\r\n");

  // Only the flag value 1 asks for the prefix.
  ASSERT_EQ(LogWriter::AppendText("plain.txt", 0, "a%d\r\n", 1), 1);
  ASSERT_EQ(LogWriter::AppendText("plain.txt", 2, "b%zu\r\n", size_t{2}), 1);
  EXPECT_EQ(ReadFileBytes("plain.txt"), "a1\r\nb2\r\n");

  ASSERT_EQ(LogWriter::AppendHexDump("stamped.txt", 1, "DATA", nullptr, 0), 1);
  EXPECT_EQ(AfterStamp(ReadFileBytes("stamped.txt"), before, CurrentLocalTime()),
            std::string("DATA [size = 0]\r\n") + kHeading + kClosing);
}

TEST(LogWriter, WriteBytesTruncatesOrAppendsInBinary) {
  TempDir dir;
  WriteFileBytes("capture.bin", "older contents");
  EXPECT_EQ(LogWriter::WriteBytes("capture.bin", 1, nullptr, 0), 1);
  EXPECT_TRUE(std::filesystem::exists("capture.bin"));
  EXPECT_EQ(ReadFileBytes("capture.bin"), "");

  EXPECT_EQ(LogWriter::WriteBytes("new.bin", 1, nullptr, 0), 1);
  EXPECT_TRUE(std::filesystem::exists("new.bin"));
  EXPECT_EQ(std::filesystem::file_size("new.bin"), 0u);

  // Bytes go through untouched: NUL, a lone LF, CR LF, 0x1A (end of file to
  // a text-mode reader on Windows).
  const std::string first("\0\n\r\n\x1A\xFF", 6);
  EXPECT_EQ(LogWriter::WriteBytes("capture.bin", 1, first.data(), first.size()), 1);
  EXPECT_EQ(LogWriter::WriteBytes("capture.bin", 0, "xy", 2), 1);
  EXPECT_EQ(LogWriter::WriteBytes("capture.bin", 2, "z", 1), 1);  // not 1: append
  EXPECT_EQ(ReadFileBytes("capture.bin"), first + "xyz");

  EXPECT_EQ(LogWriter::WriteBytes("capture.bin", 1, "new", 3), 1);
  EXPECT_EQ(ReadFileBytes("capture.bin"), "new");

  // AppendText and AppendHexDump append as well.
  EXPECT_EQ(LogWriter::AppendText("capture.bin", 0, "\r\n"), 1);
  EXPECT_EQ(ReadFileBytes("capture.bin"), "new\r\n");
}

TEST(LogWriter, UnopenablePathReturnsZeroAndWritesNothing) {
  TempDir dir;
  const char* path = "missing-folder/error.log";
  EXPECT_EQ(LogWriter::AppendText(path, 1, "確保に失敗\r\n"), 0);
  EXPECT_EQ(LogWriter::AppendHexDump(path, 0, "DATA", nullptr, 0), 0);
  EXPECT_EQ(LogWriter::WriteBytes(path, 1, "x", 1), 0);
  EXPECT_EQ(LogWriter::WriteBytes(path, 0, "x", 1), 0);
  EXPECT_FALSE(std::filesystem::exists("missing-folder"));

  // A folder where the file should be.
  std::filesystem::create_directory("taken");
  EXPECT_EQ(LogWriter::WriteBytes("taken", 1, "x", 1), 0);
  EXPECT_EQ(LogWriter::AppendText("taken", 0, "x"), 0);
}

TEST(LogWriter, ConcurrentWritersNeverMixTheirLines) {
  TempDir dir;
  constexpr int kLinesPerThread = 300;
  const std::string a(200, 'A');
  const std::string b(200, 'B');
  auto writer = [](const std::string* body) {
    for (int i = 0; i < kLinesPerThread; ++i) {
      LogWriter::AppendText(SettingsPaths::ErrorLog(), 1, "%s\r\n", body->c_str());
    }
  };
  std::thread first(writer, &a);
  std::thread second(writer, &b);
  first.join();
  second.join();

  const std::string log = ReadFileBytes(SettingsPaths::ErrorLog());
  int a_lines = 0;
  int b_lines = 0;
  size_t at = 0;
  while (at < log.size()) {
    const size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "unterminated line at " << at;
    const std::string line = log.substr(at, end - at);
    ASSERT_TRUE(HasStampShape(line)) << line;
    const std::string body = line.substr(kStampLength);
    if (body == a) {
      ++a_lines;
    } else if (body == b) {
      ++b_lines;
    } else {
      ADD_FAILURE() << "mixed line: " << line;
    }
    at = end + 2;
  }
  EXPECT_EQ(a_lines, kLinesPerThread);
  EXPECT_EQ(b_lines, kLinesPerThread);
}

}  // namespace
