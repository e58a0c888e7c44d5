#include <gtest/gtest.h>

#include "ScriptText.h"
#include "uninstall/profile/UninstallDatabase.h"

using namespace vq;

namespace {
CPrinterRecord Printer(const std::string& name, const std::string& driver, int keep = 0) {
  CPrinterRecord r;
  r.printerName = name;
  r.driverName = driver;
  r.isMakerDriver = 1;
  r.keep = keep;
  return r;
}

bool Contains(const ItemList& list, const std::string& item) {
  for (const std::string& x : list)
    if (x == item) return true;
  return false;
}

// Two drivers sharing COMMON.DLL, a manufacturer, a catch-all, an ignore
// entry and the disguise tool, in two scripts.
CUninstallDatabase SampleDatabase() {
  CUninstallDatabase db;
  db.osVersion = COsVersion(3, 8);
  db.ReadScript(ParseScript(
      "[UnPrinterMfgs]\nVARDEN QUILLAN,QM,0\n"
      "[UnPrinterDrivers]\nVARDEN QUILLAN vintara A,QA,1\nVARDEN QUILLAN vintara B,QB,2\n"
      "[Unz_CatchAll]\nShared,QS,3\n[Unx_Ignore]\nProfiles,QI,4\n"
      "[QM.Files]\nMFG.DLL\n"
      "[QA.Files]\nA.DLL\nCOMMON.DLL\nSHARED.DLL\n[QA.Services]\nSvcA\n"
      "[QB.Files]\nB.DLL\ncommon.dll\nCOLOR.ICM\n"
      "[QS.Files]\nSHARED.DLL\nCATCH.DLL\n[QI.Files]\nCOLOR.ICM\n",
      "C:\\drv\\Qunz__02.unm"));
  db.ReadScript(ParseScript("[UnPrinterDrivers]\nVezzaro,QV,5\n[QV.Files]\nVEZZAR32.EXE\nCOMMON.DLL\n",
                            "C:\\prog\\QUNZ__02.UNM"));
  db.PrepareEverythingProfile(false);
  return db;
}
}  // namespace

TEST(ProfileLists, NormaliseIsStableCaseInsensitiveAndUnique) {
  // Accented letters too: one file, whatever the case of its letters.
  ItemList list = {"b", "B", "a", "\xE7.ini", "C", "A", "b", "\xC7.INI"};
  NormaliseList(list);
  EXPECT_EQ(list, (ItemList{"a", "b", "C", "\xE7.ini"}));
}

TEST(ProfileLists, DifferenceKeepsOrderAndIgnoresCase) {
  ItemList list = {"z", "QDRV.DLL", "a", "Keep", "CONFIGURA\xC7\xC3O.INI"};
  DifferenceList(list, {"qdrv.dll", "KEEP", "other", "Configura\xE7\xE3o.ini"});
  EXPECT_EQ(list, (ItemList{"z", "a"}));
  ItemList unchanged = {"x"};
  DifferenceList(unchanged, {});
  EXPECT_EQ(unchanged, ItemList{"x"});
}

TEST(ProfileLists, UnionOnceEqualsAppendsThenNormalise) {
  CUninstallProfile a, b, c;
  a.List(kFiles) = {"x", "B"};
  b.List(kFiles) = {"b", "a"};
  c.List(kFiles) = {"A", "c"};
  CUninstallProfile stepwise;
  stepwise.Union(a);
  stepwise.Union(b);
  stepwise.Union(c);
  CUninstallProfile batched;
  batched.Append(a);
  batched.Append(b);
  batched.Append(c);
  batched.Normalise();
  EXPECT_EQ(stepwise.List(kFiles), batched.List(kFiles));
  EXPECT_EQ(stepwise.List(kFiles), (ItemList{"a", "B", "c", "x"}));
}

TEST(ProfileLists, AddRegistryItem) {
  CUninstallProfile p;
  EXPECT_TRUE(p.AddRegistryItem(RegistryRoot::kLocalMachine, "SOFTWARE\\VARDEN QUILLAN", "", false));
  EXPECT_TRUE(p.AddRegistryItem(RegistryRoot::kUsers, "S", "V", true));
  EXPECT_FALSE(p.AddRegistryItem(RegistryRoot::kOther, "S", "", true));
  EXPECT_FALSE(p.AddRegistryItem(RegistryRoot::kCurrentUser, "", "", true));
  EXPECT_FALSE(p.AddRegistryItem(RegistryRoot::kCurrentUser, std::string(250, 'k'), "", true));
  EXPECT_EQ(p.List(kRegistryKeys),
            (ItemList{"HKLM,\"SOFTWARE\\VARDEN QUILLAN\",\"\",0", "HKU,\"S\",\"V\",1"}));
}

TEST(RemovalSet, KeptPrinterProtectsWhatItsProfileNames) {
  CUninstallDatabase db = SampleDatabase();
  db.printers = {Printer("pa", "VARDEN QUILLAN vintara A"), Printer("pb", "VARDEN QUILLAN vintara B", 1)};
  db.ComputeRemovalSet();
  const ItemList& files = db.removal.List(kFiles);
  EXPECT_TRUE(Contains(files, "A.DLL"));
  EXPECT_FALSE(Contains(files, "COMMON.DLL"));  // kept B names common.dll
  EXPECT_FALSE(Contains(files, "B.DLL"));
  EXPECT_FALSE(Contains(files, "SHARED.DLL"));  // catch-all
  EXPECT_FALSE(Contains(files, "COLOR.ICM"));   // ignore
  EXPECT_FALSE(Contains(files, "VEZZAR32.EXE"));  // disguise tool taken out while printers stay
  EXPECT_TRUE(Contains(db.removal.List(kServices), "SvcA"));
  EXPECT_EQ(db.keptCount, 1);
  EXPECT_EQ(db.removeCount, 1);
  EXPECT_EQ(db.disguiseToolKept, 1);
}

TEST(RemovalSet, APrinterThatCannotBeOpenedProtectsItsDriverOrEveryProfile) {
  // Its driver known from the spooler's list: that driver's profile stays.
  // Unknown: any profile may be its own, so nothing of the package goes.
  for (const bool driverKnown : {true, false}) {
    CUninstallDatabase db = SampleDatabase();
    CPrinterRecord unopened = Printer("Sala ? 7310", driverKnown ? "VARDEN QUILLAN vintara B" : "", 1);
    unopened.openError = 1801;
    db.printers = {Printer("pa", "VARDEN QUILLAN vintara A"), Printer("pb", "VARDEN QUILLAN vintara B"),
                   unopened};
    db.ComputeRemovalSet();
    EXPECT_EQ(db.keptCount, 1);
    EXPECT_FALSE(Contains(db.removal.List(kFiles), "B.DLL")) << driverKnown;
    EXPECT_EQ(Contains(db.removal.List(kFiles), "A.DLL"), driverKnown);
    EXPECT_EQ(Contains(db.removal.List(kServices), "SvcA"), driverKnown);
  }
}

TEST(RemovalSet, SameProfileKeptAndRemovedRemovesNothingOfIt) {
  CUninstallDatabase db = SampleDatabase();
  db.printers = {Printer("p1", "VARDEN QUILLAN vintara A"), Printer("p2", "VARDEN QUILLAN vintara A", 1)};
  db.ComputeRemovalSet();
  EXPECT_FALSE(Contains(db.removal.List(kFiles), "A.DLL"));
  EXPECT_TRUE(db.removal.List(kServices).empty());
}

TEST(RemovalSet, NoPrinterStaysRemovesWholePackage) {
  CUninstallDatabase db = SampleDatabase();
  db.printers = {Printer("pa", "VARDEN QUILLAN vintara A"), Printer("pb", "VARDEN QUILLAN vintara B")};
  db.ComputeRemovalSet();
  const ItemList& files = db.removal.List(kFiles);
  EXPECT_EQ(db.keptCount, 0);
  EXPECT_TRUE(Contains(files, "C:\\drv\\Qunz__02.unm"));
  EXPECT_TRUE(Contains(files, "C:\\prog\\QUNZ__02.UNM"));
  EXPECT_TRUE(Contains(files, "VEZZAR32.EXE"));
  EXPECT_TRUE(Contains(files, "COMMON.DLL"));
  EXPECT_FALSE(Contains(files, "COLOR.ICM"));   // ignore protects even now
  EXPECT_FALSE(Contains(files, "CATCH.DLL"));   // catch-all items never go
  EXPECT_EQ(db.disguiseToolKept, 0);
  const ItemList& keys = db.removal.List(kRegistryKeys);
  EXPECT_TRUE(Contains(keys, "HKLM,\"SOFTWARE\\VARDEN QUILLAN\\OEM02\",\"\",1"));
  EXPECT_TRUE(Contains(keys, "HKLM,\"SOFTWARE\\VARDEN QUILLAN\\QSR32_02\",\"\",1"));
  EXPECT_TRUE(Contains(keys, "HKLM,\"SOFTWARE\\VARDEN QUILLAN\\Filters\",\"\",1"));
  EXPECT_TRUE(Contains(keys, "HKLM,\"SOFTWARE\\VARDEN QUILLAN\",\"\",0"));
  // The everything profile keeps what step D added, registry items last.
  EXPECT_EQ(db.everything.List(kRegistryKeys).back(), "HKLM,\"SOFTWARE\\VARDEN QUILLAN\",\"\",0");
}

TEST(RemovalSet, DisguiseToolOnWin32sIsVezzaroExe) {
  CUninstallDatabase db = SampleDatabase();
  db.osVersion = COsVersion(1, 1);
  db.printers = {Printer("pa", "VARDEN QUILLAN vintara A")};
  db.ComputeRemovalSet();
  EXPECT_EQ(db.disguiseToolKept, 1);  // VEZZAR32.EXE is listed, VEZZARO.EXE is not
}

TEST(RemovalSet, UnvezzTakesTheDisguiseProfileAlone) {
  CUninstallDatabase db = SampleDatabase();
  db.PrepareEverythingProfile(true);
  EXPECT_EQ(db.everything.entryName, "Vezzaro");
  EXPECT_EQ(db.everything.List(kFiles), (ItemList{"VEZZAR32.EXE", "COMMON.DLL"}));  // as read
}

TEST(RemovalSet, ManufacturerFallbackLastMatchWins) {
  CUninstallDatabase db;
  db.ReadScript(ParseScript("[UnPrinterMfgs]\nVARDEN A,QA,0\nvarden B,QB,0\nOTHER,QO,0\n"
                            "[QA.Files]\nA\n[QB.Files]\nB\n",
                            "s"));
  CUninstallProfile p;
  ASSERT_TRUE(db.FindManufacturerProfile("VARDEN unknown model", p));
  EXPECT_EQ(p.entryName, "varden B");
  EXPECT_FALSE(db.FindManufacturerProfile("Nobody", p));
  EXPECT_TRUE(p.entryName.empty());
  db.printers = {Printer("x", "VARDEN unknown model", 1), Printer("y", "Other model")};
  db.PrepareEverythingProfile(false);
  db.ComputeRemovalSet();
  EXPECT_EQ(db.keep.List(kFiles), ItemList{"B"});
  EXPECT_EQ(db.removal.List(kFiles), ItemList{"A"});
}

TEST(RemovalSet, DisguisePropagatesInListOrder) {
  CUninstallDatabase db = SampleDatabase();
  auto disguised = [](const std::string& name, const std::string& of) {
    CPrinterRecord r = Printer(name, "VARDEN QUILLAN vintara B", 1);
    r.disguiseName = of;
    return r;
  };
  // X is removed, so its disguise Y goes. Y clears its own disguise Z only
  // when Y's turn comes after X cleared it.
  const CPrinterRecord x = Printer("X", "VARDEN QUILLAN vintara A");
  db.printers = {x, disguised("Y", "x"), disguised("Z", "Y")};
  db.ComputeRemovalSet();
  EXPECT_EQ(db.printers[1].keep, 0);
  EXPECT_EQ(db.printers[2].keep, 0);
  EXPECT_EQ(db.keptCount, 0);
  EXPECT_EQ(db.removeCount, 3);

  db.printers = {disguised("Y", "X"), x, disguised("Z", "Y")};
  db.ComputeRemovalSet();
  EXPECT_EQ(db.printers[0].keep, 0);
  EXPECT_EQ(db.printers[2].keep, 1);  // Y's turn had passed
  EXPECT_EQ(db.keptCount, 1);
  EXPECT_EQ(db.removeCount, 2);
}

TEST(RemovalSet, DisguisedAndRemovedPrintersAreNotCounted) {
  CUninstallDatabase db = SampleDatabase();
  CPrinterRecord d = Printer("D", "VARDEN QUILLAN vintara A", 1);
  d.isDisguise = 1;
  CPrinterRecord r = Printer("R", "VARDEN QUILLAN vintara B", 1);
  r.removed = 1;
  CPrinterRecord unlisted = Printer("U", "VARDEN QUILLAN vintara B", 1);
  unlisted.listed = 0;
  db.printers = {d, r, unlisted, Printer("A", "VARDEN QUILLAN vintara A")};
  db.ComputeRemovalSet();
  EXPECT_EQ(db.keptCount, 1);
  EXPECT_EQ(db.removeCount, 1);
  EXPECT_EQ(db.CountListedPrinters(), 1);
  db.printers.clear();
  EXPECT_EQ(db.CountListedPrinters(), 0);
}

TEST(RemovalSet, FindProfileByNameCopiesAndClears) {
  CUninstallDatabase db = SampleDatabase();
  CUninstallProfile p;
  ASSERT_TRUE(db.FindProfileByName("varden quillan VINTARA a", p));
  p.List(kFiles).clear();
  for (const CUninstallProfile& stored : db.profiles)  // the database's copy is untouched
    if (stored.entryName == "VARDEN QUILLAN vintara A") EXPECT_EQ(stored.List(kFiles).size(), 3u);
  EXPECT_FALSE(db.FindProfileByName("nobody", p));
  EXPECT_TRUE(p.entryName.empty());
}

TEST(RemovalSet, AKeptFileProtectsEverySpellingOfTheSameFile) {
  CUninstallDatabase db;
  db.osVersion = COsVersion(3, 8);
  // Accented names are one name whatever the case of their letters: a file,
  // a registry key, an INI section and key.
  db.ReadScript(ParseScript(
      "[UnPrinterDrivers]\nVARDEN QUILLAN vintara A,QA,1\nVARDEN QUILLAN vintara B,QB,2\n"
      "[QA.Files]\nX.DLL\nY.DLL\nZ.DLL=1\nConfigura\xE7\xE3o.ini\n"
      "[QA.RegistryKeys]\nHKLM,\"SOFTWARE\\VQ A\xE7\xFA" "car\",\"\",1\n"
      "[QA.DeleteIni]\nvq.ini,Se\xE7\xE3o,Chave \xC9\n"
      "[QB.Files]\nx.dll=1\nC:\\Drivers\\Y.DLL\nW.DLL\nZ.DLL.OLD\nC:\\X\\CONFIGURA\xC7\xC3O.INI\n"
      "[QB.RegistryKeys]\nHKLM,\"software\\vq a\xC7\xDA" "car\",\"\",1\n"
      "[QB.DeleteIni]\nVQ.INI,SE\xC7\xC3O,chave \xE9\n",
      "C:\\drv\\Qunz__02.unm"));
  db.PrepareEverythingProfile(false);
  db.printers = {Printer("A", "VARDEN QUILLAN vintara A", /*keep=*/1),
                 Printer("B", "VARDEN QUILLAN vintara B")};
  db.ComputeRemovalSet();
  // B's X.DLL and Y.DLL are A's files under other spellings; Z.DLL.OLD and
  // W.DLL are files of their own.
  EXPECT_EQ(db.removal.List(kFiles), (ItemList{"W.DLL", "Z.DLL.OLD"}));
  EXPECT_EQ(db.removal.List(kRegistryKeys), ItemList{});
  EXPECT_EQ(db.removal.List(kDeleteIni), ItemList{});
  for (const auto& [item, name] : std::vector<std::pair<std::string, std::string>>{
           {"X.DLL", "x.dll"}, {"x.dll=1", "x.dll"}, {"C:\\A\\B/X.Dll=2", "x.dll"},
           {"D:X.DLL", "x.dll"}, {"", ""}, {"=1", ""}})
    EXPECT_EQ(FileItemName(item), name) << item;
}

TEST(RemovalSet, AKeptPrinterKeepsWhatItsMakersDriversShare) {
  // The kept printer is tied to its driver's profile; its maker's profile
  // stays as well, while the other driver's own items go.
  CUninstallDatabase db = SampleDatabase();
  db.printers = {Printer("A", "VARDEN QUILLAN vintara A", /*keep=*/1),
                 Printer("B", "VARDEN QUILLAN vintara B")};
  db.ComputeRemovalSet();
  EXPECT_FALSE(Contains(db.removal.List(kFiles), "MFG.DLL"));
  EXPECT_TRUE(Contains(db.removal.List(kFiles), "B.DLL"));
  // Once no printer of the maker stays, its shared items go too.
  db.printers[0].keep = 0;
  db.ComputeRemovalSet();
  EXPECT_TRUE(Contains(db.removal.List(kFiles), "MFG.DLL"));
}

// An unattended run without filter switches removes only the package's
// printers: the maker's mark or a driver entry makes one; a manufacturer,
// catch-all or ignore entry of the same name does not.
TEST(RemovalSet, OnlyThePackagesPrintersAreLeftChosenWithoutFilters) {
  CUninstallDatabase db = SampleDatabase();
  auto unmarked = [](const std::string& name, const std::string& driver) {
    CPrinterRecord r = Printer(name, driver);
    r.isMakerDriver = 0;
    return r;
  };
  CPrinterRecord withheld = Printer("withheld", "Other PS");
  withheld.listed = 0;
  withheld.keep = 1;
  db.printers = {Printer("marked", "Other PS"),      unmarked("entry", "varden quillan VINTARA a"),
                 unmarked("ps", "Other PS"),         unmarked("maker only", "VARDEN QUILLAN new"),
                 unmarked("catch-all", "Shared"),    unmarked("ignore", "Profiles"),
                 Printer("chosen-kept", "x", 1),     withheld};
  db.KeepOtherMakersPrinters();
  std::vector<int> keep;
  for (const CPrinterRecord& p : db.printers) keep.push_back(p.keep);
  EXPECT_EQ(keep, (std::vector<int>{0, 0, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(db.CountListedPrinters(), 7);  // still listed, as unselected rows are
}
