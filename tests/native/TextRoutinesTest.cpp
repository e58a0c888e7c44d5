#include <gtest/gtest.h>

#include <cstring>

#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/SystemFolderPaths.h"
#include "uninstall/profile/TextRoutines.h"

using namespace vq;

TEST(SplitAt, CutsAtFirstOccurrenceAndReturnsRest) {
  char text[] = "a,b,c";
  char* rest = SplitAt(text, ',');
  EXPECT_STREQ(text, "a");
  ASSERT_NE(rest, nullptr);
  EXPECT_STREQ(rest, "b,c");
  EXPECT_EQ(SplitAt(rest + 2, ','), nullptr);  // "c": no comma
  EXPECT_EQ(SplitAt(nullptr, ','), nullptr);
}

TEST(SplitAt, ZeroStepsThroughListUntilEmptyText) {
  char list[] = "one\0two\0\0three\0";
  char* p = list;
  p = SplitAt(p, '\0');
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p, "two");
  EXPECT_EQ(SplitAt(p, '\0'), nullptr);  // the empty text ends the list
}

TEST(SplitAtUnquoted, CommaInsideQuotesDoesNotCount) {
  char text[] = "\"A,B\",C";
  char* rest = SplitAtUnquoted(text, ',');
  EXPECT_STREQ(text, "\"A,B\"");
  ASSERT_NE(rest, nullptr);
  EXPECT_STREQ(rest, "C");
  char unbalanced[] = "\"A,B";
  EXPECT_EQ(SplitAtUnquoted(unbalanced, ','), nullptr);
}

TEST(TrimChar, RemovesEveryLeadingAndTrailingOccurrence) {
  char text[] = "\"\"VARDEN \"Q\"\"";
  TrimChar(text, '"');
  EXPECT_STREQ(text, "VARDEN \"Q");
  char all[] = "\"\"\"";
  TrimChar(all, '"');
  EXPECT_STREQ(all, "");
  std::string s = "  x  ";
  TrimChar(s, ' ');
  EXPECT_EQ(s, "x");
}

TEST(CaseFolding, OnlyAsciiLettersFold) {
  EXPECT_TRUE(EqualNoCase("QDRV.DLL", "qdrv.dll"));
  EXPECT_FALSE(EqualNoCase("\xC9", "\xE9"));  // É and é are different bytes
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_LT(CompareNoCase("ab", "AB_"), 0);
  // Lower-case folding puts '_' (0x5F) before letters.
  EXPECT_LT(CompareNoCase("_", "a"), 0);
  EXPECT_LT(CompareNoCase("_", "A"), 0);
}

// Names of files, keys and INI entries compare as Windows compares them
// over its code page (Windows-1252 in the portable build); profile names
// keep the ASCII rule above.
TEST(CaseFolding, NamesFoldOverTheWholeCodePage) {
  const struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"CONFIGURA\xC7\xC3O.INI", "Configura\xE7\xE3o.ini", true},
      {"\xC0\xC9\xCD\xD3\xDA\xD1\xDC\xDE", "\xE0\xE9\xED\xF3\xFA\xF1\xFC\xFE", true},
      // Capitals whose small letters lie elsewhere in the code page: S, OE
      // and Z with caron, Y with diaeresis.
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", true},
      {"\xE9", "e", false},    // an accent makes another letter
      {"\xB5", "M", false},    // the micro sign's capital is Greek, outside the code page
      {"\xB5", "m", false},
      {"\xDF", "s", false},    // sharp s has no capital of its own
      {"\xD7", "\xF7", false},  // multiplication and division signs are no letters
  };
  for (const Case& c : cases) EXPECT_EQ(EqualNames(c.a, c.b), c.same) << c.a << " / " << c.b;
  // Plain ASCII names sort as the ASCII rule sorts them ('_' before letters).
  EXPECT_LT(NameKey("A_B"), NameKey("AB"));
}

TEST(CopyBounded, NeverWritesPastTheField) {
  char field[8];
  std::memset(field, 'x', sizeof(field));
  EXPECT_FALSE(CopyBounded(field, sizeof(field), "0123456789"));
  EXPECT_STREQ(field, "0123456");
  EXPECT_TRUE(CopyBounded(field, sizeof(field), "abc"));
  EXPECT_STREQ(field, "abc");
  EXPECT_TRUE(CopyBounded(field, sizeof(field), nullptr));
  EXPECT_STREQ(field, "");
}

TEST(NativeSystemPath, NamesTheFolderA32BitProgramReachesAsWindowsX64SpellsIt) {
  const std::string windows = "C:\\WINDOWS\\";
  const struct {
    const char* path;
    const char* native;
  } cases[] = {
      {"C:\\WINDOWS\\Sysnative\\qdrv.dll", "C:\\WINDOWS\\System32\\qdrv.dll"},
      {"c:\\windows\\sysnative\\sub\\x.dll", "C:\\WINDOWS\\System32\\sub\\x.dll"},
      {"C:\\WINDOWS\\system32\\qdrv.dll", "C:\\WINDOWS\\SysWOW64\\qdrv.dll"},
      {"C:\\WINDOWS\\system32\\Color\\q.icm", "C:\\WINDOWS\\SysWOW64\\Color\\q.icm"},
      // Exempt from redirection: the same folder for both bitnesses.
      {"C:\\WINDOWS\\system32\\spool\\drivers\\x64\\3\\q.dll", "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\3\\q.dll"},
      {"C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "C:\\WINDOWS\\system32\\drivers\\etc\\hosts"},
      {"C:\\WINDOWS\\system32\\drivers\\q.sys", "C:\\WINDOWS\\SysWOW64\\drivers\\q.sys"},
      {"C:\\WINDOWS\\system32\\spooler.dll", "C:\\WINDOWS\\SysWOW64\\spooler.dll"},
      {"C:\\WINDOWS\\SysWOW64\\q.dll", "C:\\WINDOWS\\SysWOW64\\q.dll"},
      {"C:\\WINDOWS\\System32x\\q.dll", "C:\\WINDOWS\\System32x\\q.dll"},
      {"D:\\Program Files\\VARDEN QUILLAN\\q.dll", "D:\\Program Files\\VARDEN QUILLAN\\q.dll"},
  };
  for (const auto& c : cases) EXPECT_EQ(NativeSystemPath(c.path, windows), c.native) << c.path;
  EXPECT_EQ(NativeSystemPath("C:\\WINDOWS\\Sysnative\\q.dll", ""), "C:\\WINDOWS\\Sysnative\\q.dll");
}

// String-table texts can be redirected to an INI file: whatever a pattern
// holds, only the values given are read.
TEST(FillPlaceholders, ReplacesInOrderAndNeverReadsBeyondTheValues) {
  const struct Case {
    const char* pattern;
    std::vector<std::string> values;
    const char* expected;
  } cases[] = {
      {"file '%s' (error %lu).", {"C:\\x.log", "5"}, "file 'C:\\x.log' (error 5)."},
      {"%s%s%s%n%x", {"a"}, "a%s%s%n%x"},
      {"100%% %d%u%ld", {"1", "2", "3"}, "100% 123"},
      {"%l %", {"x"}, "%l %"},
      {"%", {}, "%"},
      {"%l", {"x"}, "%l"},
  };
  for (const Case& c : cases) EXPECT_EQ(FillPlaceholders(c.pattern, c.values), c.expected) << c.pattern;
  EXPECT_EQ(FillPlaceholders(nullptr, {"x"}), "");
}

TEST(ElideMiddle, KeepsBothEndsWithinTheLimit) {
  const struct Case {
    const char* text;
    std::size_t max;
    const char* expected;
  } cases[] = {{"C:\\logs\\x.log", 13, "C:\\logs\\x.log"},
               {"C:\\logs\\x.log", 12, "C:\\l...x.log"},
               {"abcdefgh", 6, "a...gh"},
               {"abcdefgh", 3, "abc"},
               {"", 0, ""}};
  for (const Case& c : cases) EXPECT_EQ(ElideMiddle(c.text, c.max), c.expected) << c.text;
}
