#include <gtest/gtest.h>

#include <string>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/system/OsVersion.h"

using namespace vq;

TEST(CommandLine, QuotedValuesAndLowerCaseSwitch) {
  CommandLineOptions o;
  o.Parse("\"C:\\Program Files\\TORVAX02.exe\" /PRN:\"VARDEN vintara, 7310K\",Other -nopick");
  ASSERT_EQ(o.Switches().size(), 2u);
  EXPECT_EQ(o.Switches()[0][0], "PRN");
  ASSERT_EQ(o.Switches()[0].size(), 3u);
  EXPECT_EQ(o.Switches()[0][1], "\"VARDEN vintara, 7310K\"");
  EXPECT_EQ(o.Switches()[0][2], "Other");
  EXPECT_EQ(o.Count("NOPICK"), 0);
  EXPECT_EQ(o.Count("prn"), 2);
  EXPECT_EQ(o.Count("MFG"), -1);
}

TEST(CommandLine, LastOccurrenceDecidesCountButValuesJoinAll) {
  CommandLineOptions o;
  o.Parse("tool /MFG:A,B  /MFG /mfg:C");
  EXPECT_EQ(o.Count("MFG"), 1);
  char buf[32];
  ASSERT_TRUE(o.Values("MFG", buf, sizeof(buf)));
  EXPECT_EQ(std::string(buf, 7), std::string("A\0B\0C\0\0", 7));
}

TEST(CommandLine, ValuesMustFitWithFinalZero) {
  CommandLineOptions o;
  o.Parse("/PRN:abc");
  char buf[5] = "zzzz";
  EXPECT_FALSE(o.Values("PRN", buf, 5));  // "abc\0\0" is 5 bytes: not shorter
  EXPECT_STREQ(buf, "zzzz");             // nothing copied
  EXPECT_TRUE(o.Values("PRN", buf, 6));
  EXPECT_FALSE(o.Values("UNVEZZ", buf, 6));
}

TEST(CommandLine, TokensAndColons) {
  CommandLineOptions o;
  o.Parse("prog plain  -UNVEZZ /PRN: /\"A:B\":C /");
  // plain is no switch; "/PRN:" has no values; the quoted colon does not
  // end the name; a bare "/" is a switch with an empty name.
  ASSERT_EQ(o.Switches().size(), 4u);
  EXPECT_EQ(o.Count("UNVEZZ"), 0);
  EXPECT_EQ(o.Count("PRN"), 0);
  EXPECT_EQ(o.Switches()[2][0], "\"A:B\"");
  EXPECT_EQ(o.Switches()[2][1], "C");
  EXPECT_EQ(o.Count(""), 0);
}

// What an unattended run refuses as malformed: a value part that is empty
// ("/PRN:" reads like a bare "/PRN", and an empty MFG value is a prefix of
// every driver name), and a switch given twice.
TEST(CommandLine, EmptyValuesAndRepeatedSwitchesAreTold) {
  const struct Case {
    const char* line;
    const char* name;
    int occurrences;
    bool emptyValue;
  } cases[] = {
      {"tool /PRN", "PRN", 1, false},
      {"tool /PRN:", "prn", 1, true},
      {"tool /MFG:\"\"", "MFG", 1, true},
      {"tool /MFG:\"\"\"", "MFG", 1, true},
      {"tool /PRN:a,,b", "PRN", 1, true},
      {"tool /PRN:a,", "PRN", 1, true},
      {"tool /PRN:\"a,\",b", "PRN", 1, false},
      {"tool /PRN:\" \"", "PRN", 1, false},
      {"tool /LOG:a.log -log:b.log", "LOG", 2, false},
      {"tool /LOG:a.log /LOG:", "LOG", 2, true},
      {"tool \"/LOG:\"", "LOG", 0, false},
      {"tool /MFG:A", "PRN", 0, false},
  };
  for (const Case& c : cases) {
    CommandLineOptions o;
    o.Parse(c.line);
    EXPECT_EQ(o.Occurrences(c.name), c.occurrences) << c.line;
    EXPECT_EQ(o.HasEmptyValue(c.name), c.emptyValue) << c.line;
  }
}

// The runs that act on the switches alone refuse a switch the tool does not
// read: the first such name, as given. Names are known without regard to
// case, whichever of "/" and "-" starts them; quotes make another name.
TEST(CommandLine, UnknownSwitchesAreFound) {
  const struct Case {
    const char* line;
    const char* unknown;  // null: every switch is known
  } cases[] = {
      {"tool /QUIET /PNR:\"vintara 7310K PS\" /MGF:x", "PNR"},
      {"\"C:\\Program Files\\TORVAX02.exe\" /mfg:A -Prn:B /unvezz /NoPick /quiet /forcerestart "
       "/log:x /plan:y /? -?", nullptr},
      {"tool /BACKUP:x /UNDO:x /Undo", nullptr},
      {"tool /\"PRN\":x", "\"PRN\""},
      {"tool /PRN:x /", ""},
  };
  for (const Case& c : cases) {
    CommandLineOptions o;
    o.Parse(c.line);
    std::string name = "(none)";
    EXPECT_EQ(o.FindUnknown(name), c.unknown != nullptr) << c.line;
    EXPECT_EQ(name, c.unknown ? c.unknown : "(none)") << c.line;
  }
}

TEST(CommandLine, LongLineIsCutAt4095Bytes) {
  std::string line = "/A:" + std::string(5000, 'x');
  CommandLineOptions o;
  o.Parse(line.c_str());
  ASSERT_EQ(o.Count("A"), 1);
  EXPECT_EQ(o.Switches()[0][1].size(), 4095u - 3u);
  o.Parse(nullptr);
  EXPECT_TRUE(o.Switches().empty());
  o.Parse("");
  EXPECT_TRUE(o.Switches().empty());
}

TEST(OsVersion, CodesFromVersionInfo) {
  struct Case { uint32_t id, major, minor; int32_t platform, version; } cases[] = {
      {0, 3, 10, 1, 1}, {1, 4, 0, 2, 2}, {1, 4, 10, 2, 3}, {1, 4, 90, 2, 7}, {1, 4, 3, 2, 0},
      {2, 3, 51, 3, 4}, {2, 4, 0, 3, 5}, {2, 5, 0, 3, 6}, {2, 5, 1, 3, 8}, {2, 5, 2, 3, 6},
      {2, 6, 1, 3, 0}, {3, 10, 0, 0, 0}};
  for (const Case& c : cases) {
    COsVersion v = COsVersion::FromVersionInfo(c.id, c.major, c.minor);
    EXPECT_EQ(v.PlatformCode(), c.platform) << c.id << " " << c.major << "." << c.minor;
    EXPECT_EQ(v.VersionCode(), c.version) << c.id << " " << c.major << "." << c.minor;
  }
  EXPECT_TRUE(COsVersion(3, 8).IsNT());
  EXPECT_FALSE(COsVersion().IsNT() || COsVersion().IsWin9x() || COsVersion().IsWin32s());
}
