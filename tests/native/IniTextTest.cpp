// Which lines of an INI text hold an entry: its key (or, without "=", the
// whole line) equal to the one asked for, inside sections of that name only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uninstall/profile/IniText.h"

using namespace vq;

namespace {

// A literal's bytes, zeros included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string Deleted(const std::string& text, const char* section, const char* entry) {
  return WithoutLines(text, FindIniEntryLines(text, section, entry));
}

}  // namespace

TEST(IniText, AnEntryIsItsKeyOrItsWholeLineInsideItsSectionOnly) {
  // A kept printer's line that starts with the same words, another key that
  // holds the words in its value, a comment and the next section's line of
  // the same name all stay. Section and key names with accents are found
  // whatever the case of their letters, as Windows finds them.
  const std::string accented = "[Impress\xC3O]\r\nSA\xCD" "DA \xC9=LPT1:\r\n";
  const std::string win =
      "[Quillan]\r\n"
      "vintara 7310K PS=QV7310PS.DLL\r\n"
      "DefaultModel=vintara 7310K\r\n"
      ";vintara 7310K=old\r\n"
      "  VINTARA 7310k  = QV7310.DLL\r\n"
      "vintara 7310K\r\n"
      "[ Tremona ]\r\n"
      "vintara 7310K=TMEMUL.DLL\r\n" +
      accented;
  struct Case {
    const char* section;
    const char* entry;
    std::string expected;
  } cases[] = {
      {"Quillan", "vintara 7310K",
       "[Quillan]\r\nvintara 7310K PS=QV7310PS.DLL\r\nDefaultModel=vintara 7310K\r\n"
       ";vintara 7310K=old\r\n[ Tremona ]\r\nvintara 7310K=TMEMUL.DLL\r\n" + accented},
      {" quillan ", "DefaultModel",
       "[Quillan]\r\nvintara 7310K PS=QV7310PS.DLL\r\n;vintara 7310K=old\r\n"
       "  VINTARA 7310k  = QV7310.DLL\r\nvintara 7310K\r\n[ Tremona ]\r\nvintara 7310K=TMEMUL.DLL\r\n" +
           accented},
      {"Tremona", "vintara 7310K",
       "[Quillan]\r\nvintara 7310K PS=QV7310PS.DLL\r\nDefaultModel=vintara 7310K\r\n"
       ";vintara 7310K=old\r\n  VINTARA 7310k  = QV7310.DLL\r\nvintara 7310K\r\n[ Tremona ]\r\n" +
           accented},
      {"Quillan", "vintara", win},         // a part of a key is no key
      {"Quillan", "QV7310.DLL", win},      // nor is a value
      {"Quillan", "   ", win},             // nothing to look for
      {"Nowhere", "vintara 7310K", win},
      {"impress\xE3o", "sa\xED" "da \xE9", win.substr(0, win.size() - accented.size()) + "[Impress\xC3O]\r\n"},
      {"impressao", "saida e", win},  // letters without their accents are other letters
  };
  for (const Case& c : cases)
    EXPECT_EQ(Deleted(win, c.section, c.entry), c.expected) << c.section << "/" << c.entry;
}

TEST(IniText, EverySectionOfTheNameCountsAndEveryOtherByteIsKept) {
  EXPECT_EQ(Deleted("[A]\r\nkey=1\r\n[B]\r\nkey=2\r\n[a]\r\nKEY=3\r\n", "A", "key"),
            "[A]\r\n[B]\r\nkey=2\r\n[a]\r\n");
  // LF and lone CR line ends, bytes of every value, no line end at the end.
  EXPECT_EQ(Deleted(Bytes("pre\0fix\n[A] tail\r\n  key=1\rnext\x01\xff\nkey"), "A", "key"),
            Bytes("pre\0fix\n[A] tail\r\nnext\x01\xff\n"));
  const std::string text = "[A]\nx=1\n";
  const std::vector<TextLine> lines = FindIniEntryLines(text, "A", "x");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].start, 4u);
  EXPECT_EQ(lines[0].end, text.size());
}

// An undo's INI text: the lines the run took come back at their place, the
// rest of what changed since stays; with the run's own list, a line someone
// else removed since stays removed.
TEST(IniText, LostLinesComeBackAtTheirPlaceAndOnlyThoseTheRunTook) {
  const std::string before = "[Devices]\r\nvintara=winspool,FILE:\r\nTREMONA=winspool,LPT1:\r\n[Quillan]\r\nModel=1\r\n";
  const std::vector<std::string> runTook = {"vintara=winspool,FILE:\r\n", "Model=1\r\n"};
  const struct {
    std::string now;
    const std::vector<std::string>* only;
    std::string expected;
  } rows[] = {
      // The run's lines missing: back after the line before them.
      {"[Devices]\r\nTREMONA=winspool,LPT1:\r\n[Quillan]\r\n", &runTook, before},
      {"[Devices]\r\nTREMONA=winspool,LPT1:\r\n[Quillan]\r\n", nullptr, before},
      // Another maker's printer removed since: its line stays away.
      {"[Devices]\r\n[Quillan]\r\n", &runTook, "[Devices]\r\nvintara=winspool,FILE:\r\n[Quillan]\r\nModel=1\r\n"},
      // Without the list every lost line came back.
      {"[Devices]\r\n[Quillan]\r\n", nullptr, before},
      // A line added since stays; a last line without its line end gets one.
      {"[Devices]\r\nnew=x\r\nTREMONA=winspool,LPT1:\r\n[Quillan]", &runTook,
       "[Devices]\r\nvintara=winspool,FILE:\r\nnew=x\r\nTREMONA=winspool,LPT1:\r\n[Quillan]\r\nModel=1\r\n"},
      // Everything there already: nothing changes.
      {before, &runTook, before},
  };
  for (const auto& row : rows)
    EXPECT_EQ(WithLostLines(before, row.now, row.only), row.expected) << row.now;
}
