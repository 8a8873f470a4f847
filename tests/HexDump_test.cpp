#include "views/HexDump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/HexDumpBlock.h"
#include "log/LogWriter.h"
#include "support/FakePanes.h"
#include "support/TempDir.h"

namespace {

const std::string kFrame(74, '=');
const std::string kRuler =
    "       | 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF";
const std::string kSeparator = std::string(48, '-') + "+" + std::string(25, '-');

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

std::vector<std::string> TreeLines(const std::vector<uint8_t>& bytes, int32_t count) {
  FakeTreePane tree;
  const auto parent = tree.InsertItem(0, "DATA");
  AddHexDumpToTree(tree, parent, bytes.data(), count);
  std::vector<std::string> lines;
  for (auto item : tree.Children(parent)) lines.push_back(tree.Text(item));
  return lines;
}

TEST(HexDump, PaneTextOfShortDumps) {
  std::vector<uint8_t> letters;
  for (int b = 0x41; b <= 0x51; ++b) letters.push_back(static_cast<uint8_t>(b));  // A ... Q

  FakeHexPane hex;
  ShowHexDump(hex, letters.data(), 17);
  EXPECT_EQ(hex.text,
            kFrame + "\r\n" + kRuler + "\r\n" + kSeparator + "\r\n" +
                "000000 | 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 |ABCDEFGHIJKLMNOP\r\n"
                "000001 | 51                                              |Q               \r\n" +
                kFrame + "\r\n");
  EXPECT_EQ(hex.show_dump_calls, 1);

  ShowHexDump(hex, nullptr, 0);
  EXPECT_EQ(hex.text, kFrame + "\r\n" + kRuler + "\r\n" + kSeparator + "\r\n" + kFrame + "\r\n");

  // Line breaks (vertical tab included) as ".", NUL as a blank, the rest as is.
  const auto controls = Bytes({0x0D, 0x0A, 0x0B, 0x00, 0x09, 0x1B, 0x7F, 0x82, 0xA0, 0xFF});
  char row[kHexDumpRowCapacity];
  FormatHexDumpRow(row, controls.data(), 10, 0);
  EXPECT_EQ(
      std::string(row),
      "000000 | 0D 0A 0B 00 09 1B 7F 82 A0 FF                   |... \t\x1B\x7F\x82\xA0\xFF      ");
}

TEST(HexDump, TreeLinesMatchThePaneLines) {
  std::vector<uint8_t> bytes(1500);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  const auto lines = TreeLines(bytes, 1500);
  ASSERT_EQ(lines.size(), 4u + 94u);  // 1,500 = 93 rows of 16 and one of 12
  EXPECT_EQ(lines[96].substr(0, 9), "000093 | ");
  EXPECT_EQ(lines[96].substr(9 + 12 * 3, 12), std::string(12, ' '));

  FakeHexPane hex;
  ShowHexDump(hex, bytes.data(), 1500);
  std::string joined;
  for (const auto& line : lines) {
    EXPECT_EQ(line.size(), kHexDumpLineLength);
    joined += line + "\r\n";
  }
  EXPECT_EQ(hex.text, joined);
}

TEST(HexDump, RowCountsAndTheLargestDatagram) {
  EXPECT_EQ(HexDumpRowCount(0), 0);
  EXPECT_EQ(HexDumpRowCount(16), 1);
  EXPECT_EQ(HexDumpRowCount(17), 2);
  EXPECT_EQ(HexDumpRowCount(-5), 1);  // truncating division: one row of blanks
  EXPECT_EQ(HexDumpRowCount(-16), -1);
  EXPECT_EQ(TreeLines({}, -20).size(), 4u);

  // The whole datagram is shown, also past the 858 rows of a 64 KB text.
  std::vector<uint8_t> big(70000, 0x30);
  FakeHexPane hex;
  ShowHexDump(hex, big.data(), 65535);
  EXPECT_EQ(hex.text.size(), (4 + 4096) * 76u);
  std::string last_row = "004095 | ";
  for (int i = 0; i < 15; ++i) last_row += "30 ";
  last_row += "   |" + std::string(15, '0') + " \r\n" + kFrame + "\r\n";
  EXPECT_EQ(hex.text.substr(hex.text.size() - last_row.size()), last_row);

  // Beyond the largest record a file can hold, the rows are left out.
  ShowHexDump(hex, big.data(), 70000);
  EXPECT_EQ(hex.text.size(), (4 + 4096) * 76u);
}

// The text report builds its blocks in memory; they must be the bytes the log
// writer appends for the same input.
TEST(HexDump, FileBlockMatchesTheLogWriter) {
  TempDir dir;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 40; ++i) bytes.push_back(static_cast<uint8_t>(i * 13));
  std::string block;
  for (int32_t count : {0, 6, 16, 40, -3}) {
    ASSERT_EQ(LogWriter::AppendHexDump("dump.txt", 0, "Data", bytes.data(), count), 1);
    ASSERT_TRUE(AppendHexDumpBlock(block, "Data", bytes.data(), count));
  }
  EXPECT_EQ(block, ReadFileBytes("dump.txt"));

  block.clear();
  const auto six = Bytes({0x41, 0x42, 0x0D, 0x0A, 0x00, 0x7F});
  ASSERT_TRUE(AppendHexDumpBlock(block, "Data", six.data(), 6));
  EXPECT_EQ(block, "Data [size = 6]\r\n" + std::string(65, '=') + "\r\n" +
                       "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |0123456789ABCDEF\r\n" +
                       std::string(48, '-') + "+" + std::string(16, '-') + "\r\n" +
                       "41 42 0D 0A 00 7F                               |AB.. \x7F          \r\n" +
                       std::string(65, '=') + "\r\n\r\n");
}

}  // namespace
