#include <gtest/gtest.h>

#include "ScriptText.h"

using namespace vq;

TEST(IniParse, LineRulesOfTheReader) {
  CIniFile f = ParseScript(
      "\r\n\r\nKey0=before any section\r\n[S]\r\n  Key=Indented\r\n;K=commented\r\n"
      "Key = Value ; comment\r\na=b=c\n\n\rNoValue\r\n\"Q\"=\"x;y\"\r\n[T] trailing text\r\n"
      "[Unclosed\r\nlast=line");
  ASSERT_EQ(f.Sections().size(), 2u);
  const CIniSection& s = f.Sections()[0];
  ASSERT_EQ(s.entries.size(), 4u);
  EXPECT_EQ(s.entries[0].key, "Key");
  EXPECT_EQ(s.entries[0].value, "Value");
  EXPECT_EQ(s.entries[1].key, "a");
  EXPECT_EQ(s.entries[1].value, "b=c");
  EXPECT_EQ(s.entries[2].key, "NoValue");
  EXPECT_EQ(s.entries[2].value, "");
  EXPECT_EQ(s.entries[3].key, "\"Q\"");  // quotes are ordinary; ';' ends the line
  EXPECT_EQ(s.entries[3].value, "\"x");
  EXPECT_EQ(f.Sections()[1].name, "T");
  ASSERT_EQ(f.Sections()[1].entries.size(), 1u);  // "[Unclosed" is ignored
  EXPECT_EQ(f.Sections()[1].entries[0].key, "last");
}

TEST(IniParse, SectionNamesAreUntrimmedAndLookupIgnoresCase) {
  CIniFile f = ParseScript("[ Spaced ]\nx\n[Dup]\na\n[dup]\nb\nc\n");
  EXPECT_EQ(f.CountEntries("Spaced"), 0);
  EXPECT_EQ(f.CountEntries(" spaced "), 1);
  EXPECT_EQ(f.CountEntries("DUP"), 1);  // the first of the name only
  EXPECT_EQ(f.CountEntries(""), 0);
  EXPECT_EQ(f.CountEntries("missing"), 0);
}

TEST(IniParse, OverlongFieldsAreDroppedNotCut) {
  std::string longKey(260, 'k');
  CIniFile f = ParseScript("[S]\n" + longKey + "\nok=" + std::string(259, 'v') + "\nx=" +
                           std::string(260, 'v') + "\n[" + std::string(260, 'n') + "]\ny\n");
  ASSERT_EQ(f.CountEntries("S"), 1);
  EXPECT_EQ(f.Sections()[0].entries[0].value.size(), 259u);
  EXPECT_EQ(f.FindSection(std::string(260, 'n')), nullptr);
  EXPECT_EQ(f.Notes().size(), 3u);
}

TEST(IniParse, ReadRefusesASecondFileAndEmptyText) {
  CIniFile f = ParseScript("[S]\na\n");
  EXPECT_FALSE(f.Parse("other", "[T]\n", 4));
  CIniFile g;
  EXPECT_FALSE(g.Parse("empty", "", 0));
}

TEST(IniLists, KeysAndEntriesAsZeroSeparatedList) {
  CIniFile f = ParseScript("[S]\nk1=v1\nk2\n");
  char buf[64];
  int n = f.GetKeys("s", buf, sizeof(buf));
  EXPECT_EQ(n, 6);
  EXPECT_EQ(ListText(buf, n), std::string("k1\0k2\0", 6));
  EXPECT_EQ(buf[6], '\0');
  n = f.GetEntries("S", buf, sizeof(buf));
  EXPECT_EQ(ListText(buf, n), std::string("k1=v1\0k2\0", 9));
  EXPECT_EQ(f.GetEntries("none", buf, sizeof(buf)), 0);
  EXPECT_EQ(f.GetEntries("S", nullptr, 10), 0);
}

TEST(IniLists, EntriesStopAtTheFirstThatDoesNotFit) {
  CIniFile f = ParseScript("[S]\naaaa\nbb\nc\n");
  char buf[16];
  // "aaaa\0bb\0" is 8 bytes; with "c\0" and the final zero it needs 11 < 16.
  EXPECT_EQ(f.GetKeys("S", buf, 16), 10);
  // 10 bytes: "aaaa\0bb\0" + final zero = 9 < 10 fits; "c" would need 11.
  EXPECT_EQ(f.GetKeys("S", buf, 10), -8);
  EXPECT_EQ(ListText(buf, -8), std::string("aaaa\0bb\0", 8));
  // 9 bytes: "aaaa\0bb\0" + final zero reaches 9: "bb" is dropped, and so is "c".
  EXPECT_EQ(f.GetKeys("S", buf, 9), -5);
}
