#include <gtest/gtest.h>

#include "ScriptText.h"
#include "uninstall/profile/ScriptLint.h"

using namespace vq;

namespace {
std::vector<ScriptWarning> Lint(const std::string& text) {
  return LintScript(text, ParseScript(text));
}
bool Has(const std::vector<ScriptWarning>& w, int line, const std::string& part) {
  for (const ScriptWarning& x : w)
    if (x.line == line && x.message.find(part) != std::string::npos) return true;
  return false;
}
}  // namespace

TEST(ScriptLint, ReportsWhatTheReaderPassesOver) {
  const std::string text =
      "; a comment, in prose\n"             // 1: prose, no warning
      "[UnPrinterDrivers]\n"                // 2
      "A,QA,1\n"                            // 3
      "NoFields\n"                          // 4: too few fields
      "  B,QB,2\n"                          // 5: indented
      ";C,QC,3\n"                           // 6: commented-out entry
      "[QA.Files]\n"                        // 7
      "ONE.DLL\n"                           // 8
      "[QA.Directories]\n"                  // 9: misspelt category
      "X\n"                                 // 10
      "[QZ.Files]\n"                        // 11: no starter reaches QZ
      "Z.DLL\n"                             // 12
      "[QA.Files]\n"                        // 13: repeated section
      "TWO.DLL\n"                           // 14
      "[QA.RegistryKeys]\n"                 // 15
      "HKLM,\"SOFTWARE\\X\",\"\",1\n"       // 16: fine
      "HKEY_LOCAL_MACHINE,\"S\",\"\",1\n"   // 17: bad root
      "HKLM,\"A,B\",\"\",0\n";              // 18: comma in the sub key
  auto w = Lint(text);
  EXPECT_TRUE(Has(w, 4, "needs three fields"));
  EXPECT_TRUE(Has(w, 5, "indented"));
  EXPECT_TRUE(Has(w, 6, "commented-out"));
  EXPECT_TRUE(Has(w, 9, "did you mean \"Directorys\""));
  EXPECT_TRUE(Has(w, 11, "never read"));
  EXPECT_TRUE(Has(w, 13, "repeats the one at line 7"));
  EXPECT_TRUE(Has(w, 17, "registry item"));
  EXPECT_TRUE(Has(w, 18, "registry item"));
  EXPECT_FALSE(Has(w, 16, ""));
  EXPECT_FALSE(Has(w, 1, ""));
  EXPECT_EQ(w.size(), 8u);
}

TEST(ScriptLint, NamesEveryEntryTheReaderLosesAndTheSectionsLostWithIt) {
  std::string text = "[UnPrinterDrivers]\n";  // line 1
  for (int i = 0; i < 10; ++i)            // lines 2 to 11
    text += "VARDEN QUILLAN vintara model 0" + std::to_string(i) + ",Q" + std::to_string(i) + ",1\n";
  text += "[Unz_CatchAll]\nVARDEN QUILLAN vintara model 00,QD,2\n"  // 12, 13
          "[Q0.Files]\n" + std::string(250, 'f') + "\n=\nAFTER.DLL\n"  // 14 to 17
          "[Q8.Files]\nX.DLL\n[QD.Files]\nY.DLL\n";                   // 18 to 21
  auto w = Lint(text);
  // Entries of 36 bytes: six and the final zero fit; the seventh (line 8) is
  // named together with the lines after it.
  EXPECT_TRUE(Has(w, 8, "dropped"));
  EXPECT_TRUE(Has(w, 13, "repeats the name at line 2"));
  EXPECT_TRUE(Has(w, 16, "empty entry ends the list"));
  EXPECT_TRUE(Has(w, 18, "starter entry at line 10 is dropped"));
  EXPECT_TRUE(Has(w, 20, "starter entry at line 13 is dropped"));
  EXPECT_EQ(w.size(), 5u);  // 250 characters still fit an item
}

TEST(ScriptLint, RegistryItemForm) {
  EXPECT_TRUE(IsRegistryItemWellFormed("HKLM,\"SOFTWARE\\VARDEN QUILLAN\",\"\",0"));
  EXPECT_TRUE(IsRegistryItemWellFormed("HKU,\"S\",\"Value\",1"));
  EXPECT_FALSE(IsRegistryItemWellFormed("HKLM,\"\",\"\",0"));
  EXPECT_FALSE(IsRegistryItemWellFormed("HKLM,\"S\",\"\",2"));
  EXPECT_FALSE(IsRegistryItemWellFormed("HKLM,S,\"\",1"));
  EXPECT_FALSE(IsRegistryItemWellFormed("HKLM,\"S\",\"\""));
  EXPECT_TRUE(IsRegistryItemWellFormed("hklm,\"S\",\"\",1"));  // roots ignore case
}
