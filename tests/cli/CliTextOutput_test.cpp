#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/ConsoleOutput.h"
#include "cli/Cp932ToUtf8.h"

namespace {

std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

// Narrow literals are compiled to code page 932, u8 literals stay UTF-8.
TEST(Cp932ToUtf8, ConvertsJapaneseTextOfTheCore) {
  EXPECT_EQ(Cp932ToUtf8("読み込み完了"), Utf8(u8"読み込み完了"));
  EXPECT_EQ(Cp932ToUtf8("Packet:5　　Memory:40 byte"), Utf8(u8"Packet:5　　Memory:40 byte"));
  EXPECT_EQ(Cp932ToUtf8("ｱ⇒\\~"), Utf8(u8"ｱ⇒\\~"));
  EXPECT_EQ(Cp932ToUtf8(""), "");

  // Longer than the conversion buffer: every character arrives.
  std::string long_text;
  std::string long_expected;
  for (int i = 0; i < 1000; ++i) {
    long_text += "あ";
    long_expected += Utf8(u8"あ");
  }
  EXPECT_EQ(Cp932ToUtf8(long_text), long_expected);
}

TEST(Cp932ToUtf8, ReplacesEachInvalidByteAndGoesOn) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Cp932ToUtf8(std::string("A\x80"
                                    "B",
                                    3)),
            "A" + replacement + "B");
  EXPECT_EQ(Cp932ToUtf8(std::string("\xFF\xFD", 2)), replacement + replacement);
  // A lead byte at the very end, and one followed by a byte that cannot trail.
  EXPECT_EQ(Cp932ToUtf8(std::string("x\x82", 2)), "x" + replacement);
  EXPECT_EQ(Cp932ToUtf8(std::string("\x82\x0D"
                                    "z",
                                    3)),
            replacement + "\rz");
  EXPECT_EQ(Cp932ToUtf8(std::string("\x82\xA0\x80", 3)), Utf8(u8"あ") + replacement);
}

TEST(MaskControlCharacters, MasksControlsButKeepsDoubleByteCharacters) {
  EXPECT_EQ(MaskControlCharacters(std::string("a\tb\x1B[31m\x7F\x01", 10)), "a.b.[31m..");
  EXPECT_EQ(MaskControlCharacters("ア｢|"), "ア｢|");
}

std::string Captured(FILE* file) {
  std::rewind(file);
  std::string text;
  int c;
  while ((c = std::fgetc(file)) != EOF) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

TEST(ConsoleOutput, WritesLinesInTheChosenEncodingWithLfEnds) {
  FILE* utf8_file = std::tmpfile();
  ASSERT_NE(utf8_file, nullptr);
  ConsoleOutput utf8(utf8_file, false);
  utf8.Line("RecvData");
  utf8.CrLfText("保存\r\n\x1B]0;x\x07\r\nlast", true);
  utf8.Line("\t", false);
  EXPECT_TRUE(utf8.Finish());
  EXPECT_EQ(Captured(utf8_file), "RecvData\n" + Utf8(u8"保存") + "\n.]0;x.\nlast\n\t\n");

  FILE* cp932_file = std::tmpfile();
  ASSERT_NE(cp932_file, nullptr);
  ConsoleOutput cp932(cp932_file, true);
  cp932.CrLfText("保存\r\n\r\n", false);
  EXPECT_TRUE(cp932.Finish());
  EXPECT_EQ(Captured(cp932_file), std::string("保存") + "\n\n");
}

}  // namespace
