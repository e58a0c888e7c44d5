// The font keyword tables: exact upper-case keywords, 0 for anything else.
#include <gtest/gtest.h>

#include "uninstall/profile/SettingsKeywords.h"

using namespace vq;

TEST(FontKeywords, CharSetKeywordsGiveTheGdiNumbers) {
  const struct { const char* text; int value; } cases[] = {
      {"ANSI", 0},        {"DEFAULT", 1},      {"SYMBOL", 2},       {"BALTIC", 186},
      {"CHINESEBIG5", 136}, {"EASTEUROPE", 238}, {"GB2312", 134},   {"GREEK", 161},
      {"HANGUL", 129},    {"MAC", 77},         {"OEM", 255},        {"RUSSIAN", 204},
      {"SHIFTJIS", 128},  {"TURKISH", 162},    {"VIETNAMESE", 163}, {"JOHAB", 130},
      {"ARABIC", 178},    {"HEBREW", 177},     {"THAI", 222},
  };
  for (const auto& c : cases) EXPECT_EQ(FontCharSetFromKeyword(c.text), c.value) << c.text;
}

TEST(FontKeywords, PitchAndFamilyKeywords) {
  EXPECT_EQ(FontPitchFromKeyword("DEFAULT"), 0);
  EXPECT_EQ(FontPitchFromKeyword("FIXED"), 1);
  EXPECT_EQ(FontPitchFromKeyword("VARIABLE"), 2);
  EXPECT_EQ(FontFamilyFromKeyword("DONTCARE"), 0);
  EXPECT_EQ(FontFamilyFromKeyword("ROMAN"), 16);
  EXPECT_EQ(FontFamilyFromKeyword("SWISS"), 32);
  EXPECT_EQ(FontFamilyFromKeyword("MODERN"), 48);
  EXPECT_EQ(FontFamilyFromKeyword("SCRIPT"), 64);
  EXPECT_EQ(FontFamilyFromKeyword("DECORATIVE"), 80);
}

TEST(FontKeywords, OnlyTheExactKeywordOfItsOwnTableCounts) {
  EXPECT_EQ(FontCharSetFromKeyword("shiftjis"), 0);  // lower case is no keyword
  EXPECT_EQ(FontCharSetFromKeyword("SHIFTJIS "), 0);
  EXPECT_EQ(FontCharSetFromKeyword(" SHIFTJIS"), 0);
  EXPECT_EQ(FontCharSetFromKeyword("SHIFT"), 0);
  EXPECT_EQ(FontCharSetFromKeyword(""), 0);
  EXPECT_EQ(FontCharSetFromKeyword(nullptr), 0);
  EXPECT_EQ(FontPitchFromKeyword("SWISS"), 0);  // another table's keyword
  EXPECT_EQ(FontFamilyFromKeyword("FIXED"), 0);
  EXPECT_EQ(FontPitchFromKeyword(nullptr), 0);
  EXPECT_EQ(FontFamilyFromKeyword("roman"), 0);
}
