#include <gtest/gtest.h>

#include "ScriptText.h"
#include "uninstall/profile/UninstallDatabase.h"

using namespace vq;

namespace {
bool Read(CUninstallDatabase& db, const std::string& text, const std::string& path,
          std::string* reason = nullptr) {
  return db.ReadScript(ParseScript(text, path), reason);
}
const ItemList& L(const CUninstallProfile& p, Category c) { return p.List(c); }
}  // namespace

TEST(ReadScript, RejectsScriptsWithoutStarterEntries) {
  CUninstallDatabase db;
  std::string reason;
  EXPECT_FALSE(Read(db, "[UnPrinterDrivers]\r\n", "a", &reason));
  EXPECT_EQ(reason, "no starter sections");
  EXPECT_FALSE(db.ReadScript(std::string("/nonexistent/Qunz__02.unm"), &reason));
  EXPECT_EQ(reason, "failed to open file");
  EXPECT_TRUE(db.profiles.empty());
}

TEST(ReadScript, OneDriverEntry) {
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db, "[unprinterdrivers]\nVARDEN vintara 7310K,QDRV,1\n[qdrv.FILES]\nQDRV.DLL\nA=B\n",
                   "C:\\x\\Qunz__02.unm"));
  ASSERT_EQ(db.profiles.size(), 1u);
  const CUninstallProfile& p = db.profiles[0];
  EXPECT_EQ(p.entryName, "VARDEN vintara 7310K");
  EXPECT_TRUE(p.IsDriverEntry());
  EXPECT_EQ(p.sectionBase, "QDRV");
  EXPECT_EQ(p.entryNumber, 1);
  EXPECT_EQ(p.scriptPath, "C:\\x\\Qunz__02.unm");
  EXPECT_EQ(L(p, kDrivers), ItemList{"VARDEN vintara 7310K"});
  EXPECT_EQ(L(p, kFiles), (ItemList{"QDRV.DLL", "A=B"}));  // file order, key=value kept
}

TEST(ReadScript, StarterKindsFieldsAndCategories) {
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db,
                   "[UnPrinterMfgs]\n\"VARDEN QUILLAN\",QMFG,0=x\n"
                   "[Unz_CatchAll]\nShared,SH,-7x=ignored\nNoFields=x,y,z\n"
                   "[Unx_Ignore]\nKeepMe,,abc\nTwoFields,BASE\n"
                   "[QMFG.DeleteIni]\nwin.ini,S,K\n[QMFG.Directorys]\nQV\n"
                   "[.Files]\nEMPTYBASE.DLL\n[QMFG.Files]\nM.DLL\n[QMFG.Files]\nSECOND.DLL\n",
                   "s"));
  ASSERT_EQ(db.profiles.size(), 3u);  // sorted: KeepMe, Shared, VARDEN QUILLAN
  const CUninstallProfile& ignore = db.profiles[0];
  EXPECT_EQ(ignore.entryName, "KeepMe");
  EXPECT_TRUE(ignore.isIgnore);
  EXPECT_EQ(ignore.sectionBase, "");
  EXPECT_EQ(ignore.entryNumber, 0);
  EXPECT_EQ(L(ignore, kFiles), ItemList{"EMPTYBASE.DLL"});  // ".Files"
  const CUninstallProfile& catchAll = db.profiles[1];
  EXPECT_EQ(catchAll.entryName, "Shared");  // GetKeys drops "=ignored"
  EXPECT_EQ(catchAll.entryNumber, -7);
  EXPECT_TRUE(catchAll.isCatchAll);
  const CUninstallProfile& mfg = db.profiles[2];
  EXPECT_EQ(mfg.entryName, "VARDEN QUILLAN");
  EXPECT_TRUE(mfg.isManufacturer);
  EXPECT_EQ(mfg.entryNumber, 0);
  EXPECT_TRUE(L(mfg, kDrivers).empty());
  EXPECT_EQ(L(mfg, kDeleteIni), ItemList{"win.ini,S,K"});
  EXPECT_EQ(L(mfg, kDirectorys), ItemList{"QV"});
  EXPECT_EQ(L(mfg, kFiles), ItemList{"M.DLL"});  // the second [QMFG.Files] is never read
}

TEST(ReadScript, EntryNumberReadLikeAtoi) {
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db,
                   "[UnPrinterDrivers]\nA,B,  -12abc\nC,D,+5\nE,F,99999999999999\nG,H,x1\n", "s"));
  ASSERT_EQ(db.profiles.size(), 4u);
  EXPECT_EQ(db.profiles[0].entryNumber, -12);
  EXPECT_EQ(db.profiles[1].entryNumber, 5);
  EXPECT_EQ(db.profiles[2].entryNumber, 2147483647);
  EXPECT_EQ(db.profiles[3].entryNumber, 0);
}

TEST(ReadScript, StarterSectionLimitDropsLaterEntries) {
  // Ten entries of 40 bytes each: only what stays below 260 bytes is read.
  std::string text = "[UnPrinterDrivers]\n";
  for (int i = 0; i < 10; ++i) {
    char line[64];
    std::snprintf(line, sizeof(line), "VARDEN QUILLAN vintara model %02d,Q%02d,%d\n", i, i, i);
    text += line;
  }
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db, text, "s"));
  // Each entry is 37 bytes and its zero: six (228) plus a final zero stay below
  // 260; a seventh would reach 267.
  EXPECT_EQ(db.profiles.size(), 6u);
  EXPECT_EQ(db.profiles.back().entryName, "VARDEN QUILLAN vintara model 05");
}

TEST(ReadScript, EmptyEntryEndsTheList) {
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db,
                   "[UnPrinterDrivers]\nA,QA,1\n[QA.Files]\nONE.DLL\n=\nTWO.DLL\n"
                   "[QA.Services]\n=\nSVC\n",
                   "s"));
  EXPECT_EQ(db.profiles[0].List(kFiles), ItemList{"ONE.DLL"});
  EXPECT_EQ(db.profiles[0].List(kServices), ItemList{""});  // first line: one empty item
}

TEST(ReadScript, CategorySectionLimitAndLongItems) {
  std::string text = "[UnPrinterDrivers]\nA,QA,1\n[QA.Files]\n";
  for (int i = 0; i < 120; ++i) text += "FILE_WITH_A_RATHER_LONG_NAME_" + std::to_string(1000 + i) + ".DLL\n";
  text += "[QA.Monitors]\nK=" + std::string(200, 'v') + "\nM" + std::string(100, 'x') + "=" +
          std::string(200, 'y') + "\nShort\n";
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db, text, "s"));
  // 38 bytes each with the zero: 107 items and the final zero stay below 4096.
  EXPECT_EQ(db.profiles[0].List(kFiles).size(), 107u);
  // "K=" + 200 fits 259; the 302-character item is dropped rather than cut.
  EXPECT_EQ(db.profiles[0].List(kMonitors).size(), 2u);
  EXPECT_EQ(db.profiles[0].List(kMonitors)[1], "Short");
}

TEST(ReadScript, SameNameInTwoScriptsFirstReadSurvives) {
  CUninstallDatabase db;
  ASSERT_TRUE(Read(db, "[UnPrinterDrivers]\nVARDEN X,QA,1\n[QA.Files]\nA.DLL\n", "C:\\a\\Qunz__02.unm"));
  ASSERT_TRUE(Read(db, "[Unz_CatchAll]\nvarden x,QB,2\n[QB.Files]\nB.DLL\n", "C:\\b\\Qunz__02.unm"));
  ASSERT_EQ(db.profiles.size(), 1u);
  EXPECT_EQ(db.profiles[0].scriptPath, "C:\\a\\Qunz__02.unm");
  EXPECT_FALSE(db.profiles[0].isCatchAll);
  EXPECT_EQ(db.profiles[0].List(kFiles), ItemList{"A.DLL"});
}
