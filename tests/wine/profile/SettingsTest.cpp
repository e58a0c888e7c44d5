// Language and font settings read from a real settings file with the
// private-profile functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/profile/Settings.h"

using namespace vq;

namespace {
const char kSettings[] =
    "[Strings]\r\n"
    "Language=1046\r\n"
    "FontType=Tahoma\r\n"
    "FontHeight=-11\r\n"
    "FontWidth=0\r\n"
    "FontCharSet=shiftjis\r\n"
    "FontPitch=VARIABLE\r\n"
    "FontFamily=SWISS\r\n";

void ExpectUnset(const CSettings& s) {
  EXPECT_STREQ(s.language, "");
  EXPECT_STREQ(s.fontType, "");
  EXPECT_EQ(s.fontHeight, 1);
  EXPECT_EQ(s.fontWidth, 1);
  EXPECT_EQ(s.fontCharSet, 0);
  EXPECT_EQ(s.fontPitch, 0);
  EXPECT_EQ(s.fontFamily, 0);
}
}  // namespace

TEST(Settings, ReadFromTheFileBesideTheProgram) {
  const std::string path = SiblingPath("Qunz__02.unm");
  ASSERT_TRUE(WriteFileText(path, kSettings));
  FormSettingsFileName();
  EXPECT_EQ(ProcessSettings().fileName, path);
  LoadSettings();
  const CSettings& s = ProcessSettings();
  EXPECT_STREQ(s.language, "1046");
  EXPECT_STREQ(s.fontType, "Tahoma");
  EXPECT_EQ(s.fontHeight, -11);
  EXPECT_EQ(s.fontWidth, 0);  // read again on the next call
  EXPECT_STREQ(s.fontCharSetText, "shiftjis");
  EXPECT_EQ(s.fontCharSet, 0);  // lower case is no keyword
  EXPECT_EQ(s.fontPitch, 2);
  EXPECT_EQ(s.fontFamily, 32);
  DeleteFileA(path.c_str());
}

TEST(Settings, OnlyUnsetValuesAreReadAgain) {
  const std::string path = MakeTempFolder("settings") + "Qunz__02.unm";
  ASSERT_TRUE(WriteFileText(path, kSettings));
  CSettings s;
  s.fileName = path;
  s.Load();
  ASSERT_EQ(s.fontCharSet, 0);
  ASSERT_TRUE(WriteFileText(path,
                            "[Strings]\r\nLanguage=1033\r\nFontType=Arial\r\nFontHeight=20\r\n"
                            "FontWidth=7\r\nFontCharSet=SHIFTJIS\r\nFontPitch=FIXED\r\n"
                            "FontFamily=ROMAN\r\n; changed\r\n"));
  s.Load();
  EXPECT_STREQ(s.language, "1046");  // set values stay
  EXPECT_STREQ(s.fontType, "Tahoma");
  EXPECT_EQ(s.fontHeight, -11);
  EXPECT_EQ(s.fontPitch, 2);
  EXPECT_EQ(s.fontFamily, 32);
  EXPECT_EQ(s.fontWidth, 7);  // 0 and the unconverted keyword are read again
  EXPECT_EQ(s.fontCharSet, 128);
}

TEST(Settings, MissingFileOrSectionLeavesTextsEmptyAndSizesOne) {
  const std::string dir = MakeTempFolder("nosettings");
  CSettings missing;
  missing.fileName = dir + "Qunz__02.unm";
  missing.Load();
  ExpectUnset(missing);
  missing.Load();  // asked again: still nothing
  ExpectUnset(missing);

  ASSERT_TRUE(WriteFileText(dir + "other.unm", "[Other]\r\nLanguage=1046\r\nFontHeight=9\r\n"));
  CSettings noSection;
  noSection.fileName = dir + "other.unm";
  noSection.Load();
  ExpectUnset(noSection);

  CSettings noName;  // the file name not formed
  noName.Load();
  ExpectUnset(noName);
}

TEST(Settings, LongValuesAreCutToTheField) {
  const std::string path = MakeTempFolder("longsettings") + "Qunz__02.unm";
  ASSERT_TRUE(WriteFileText(path, "[Strings]\r\nFontType=" + std::string(400, 'F') +
                                      "\r\nFontCharSet=" + std::string(400, 'S') + "\r\n"));
  CSettings s;
  s.fileName = path;
  s.Load();
  EXPECT_EQ(std::string(s.fontType), std::string(255, 'F'));
  EXPECT_EQ(std::string(s.fontCharSetText), std::string(255, 'S'));
  EXPECT_EQ(s.fontCharSet, 0);
}
