#include "views/FontFaces.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FontFaces, TheAskedForFaceWhereItShowsJapaneseElseTheFirstUsualOne) {
  const InstalledFace gothic{L"ＭＳ ゴシック", true}, ms_gothic{L"MS Gothic", true},
      meiryo{L"Meiryo", false}, ui_gothic{L"MS UI Gothic", false}, vertical{L"@MS Gothic", true},
      other{L"Noto Sans CJK JP", false};
  struct Case {
    const wchar_t* wanted;
    bool fixed;
    std::vector<InstalledFace> faces;
    const wchar_t* chosen;
  };
  const Case cases[] = {
      // A Japanese system: unchanged, whatever else is there.
      {L"ＭＳ ゴシック", true, {meiryo, gothic, ms_gothic}, L"ＭＳ ゴシック"},
      {L"HG創英角ﾎﾟｯﾌﾟ体", false, {{L"HG創英角ﾎﾟｯﾌﾟ体", false}, meiryo}, L"HG創英角ﾎﾟｯﾌﾟ体"},
      {L"terminal", false, {{L"Terminal", true}}, L"terminal"},
      // A Western system with the Japanese fonts listed under English names.
      {L"ＭＳ ゴシック", true, {meiryo, ui_gothic, ms_gothic}, L"MS Gothic"},
      {L"HG創英角ﾎﾟｯﾌﾟ体", false, {ui_gothic, ms_gothic, meiryo}, L"Meiryo"},
      {L"Terminal", false, {ms_gothic, ui_gothic}, L"MS UI Gothic"},
      // Fixed pitch is kept where it can be, never a vertical face.
      {L"ＭＳ ゴシック", true, {vertical, meiryo, {L"Osaka-Mono", true}}, L"Osaka-Mono"},
      {L"ＭＳ ゴシック", true, {vertical, other}, L"Noto Sans CJK JP"},
      // Nothing shows Japanese: the font mapper gets the name asked for.
      {L"ＭＳ ゴシック", true, {vertical}, L"ＭＳ ゴシック"},
      {L"Terminal", false, {}, L"Terminal"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseFace(c.wanted, c.fixed, c.faces), c.chosen) << c.faces.size();
  }
}

// DIALOG "T" with FONT 10, "AB" and one control; the face block ends off a
// 4-byte boundary, so the control moves with the new face's length.
TEST(FontFaces, ADialogTemplateTakesAnotherFaceAndKeepsItsControls) {
  const std::vector<uint8_t> original = {
      0x40, 0x00, 0xC8, 0x80, 0, 0, 0, 0,  // style DS_SETFONT | ..., extended style
      1, 0, 0, 0, 0, 0, 100, 0, 50, 0,     // one control; x, y, cx, cy
      0, 0, 0, 0, 'T', 0, 0, 0,            // no menu, no class, title "T"
      10, 0, 'A', 0, 'B', 0, 0, 0, 0, 0,   // 10 points, "AB", padding
      0xAA, 0xBB, 0xCC, 0xDD};             // the control (its first bytes)
  EXPECT_EQ(DialogTemplateFace(original.data(), original.size()), u"AB");

  const std::vector<uint8_t> patched =
      DialogTemplateWithFace(original.data(), original.size(), u"Meiryo");
  EXPECT_EQ(DialogTemplateFace(patched.data(), patched.size()), u"Meiryo");
  ASSERT_EQ(patched.size(), 28u + 14u + 2u + 4u);
  EXPECT_EQ(std::vector<uint8_t>(patched.begin(), patched.begin() + 28),
            std::vector<uint8_t>(original.begin(), original.begin() + 28));
  EXPECT_EQ(std::vector<uint8_t>(patched.end() - 4, patched.end()),
            std::vector<uint8_t>(original.end() - 4, original.end()));

  std::vector<uint8_t> no_font = original;
  no_font[0] = 0;
  EXPECT_TRUE(DialogTemplateWithFace(no_font.data(), no_font.size(), u"Meiryo").empty());
  EXPECT_TRUE(DialogTemplateWithFace(original.data(), 30, u"Meiryo").empty());
}

}  // namespace
