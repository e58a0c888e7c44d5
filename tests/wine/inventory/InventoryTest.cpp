#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/app/Startup.h"
#include "uninstall/profile/PrinterInventory.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/AccessLayer.h"

using namespace vq;
using namespace vq::fixture;

namespace {

const COsVersion kXP(COsVersion::kPlatformNT, COsVersion::kVersionXP);

class Inventory : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const std::string& p : InstallDriversAndPrinters(TheSamplePackage())) ADD_FAILURE() << p;
  }

  std::map<std::string, CPrinterRecord> Build(const char* commandLine, const COsVersion& os = kXP,
                                               InventoryResult* result = nullptr) {
    CommandLineOptions options;
    options.Parse(commandLine);
    std::vector<CPrinterRecord> list;
    InventoryResult r = BuildListOfInstalledPrinters(list, os, options);
    if (result) *result = r;
    std::map<std::string, CPrinterRecord> byName;
    for (const CPrinterRecord& p : list) byName[p.printerName] = p;
    EXPECT_EQ(static_cast<std::size_t>(r.count), list.size());
    return byName;
  }

  // Names of the sample printers that the command line offers.
  std::set<std::string> Listed(const std::map<std::string, CPrinterRecord>& printers) {
    std::set<std::string> names;
    for (const auto& [name, p] : printers) {
      EXPECT_EQ(p.keep, p.listed ? 0 : 1) << name;
      if (p.listed) names.insert(name);
    }
    return names;
  }
};

const std::string kOffice = kOfficePrinter;
const std::string kPs = kPsPrinter;
const std::string kPsFinance = kPsFinancePrinter;
const std::string kReception = kReceptionPrinter;
const std::string kXl = kXlPrinter;
const std::string kHall = kHallPrinter;

// A layer that changes chosen answers of the system's.
class CScriptedLayer : public CAccessLayer {
 public:
  std::function<bool(const char*)> failOpen;
  std::function<void(PRINTER_INFO_2A*)> editInfo;
  DWORD failGetPrinterAfter = 0xFFFFFFFF;  // fail the n-th level-2 read (0-based)
  DWORD enumLevel = 0;
  DWORD enumError = 0;          // answer the size request with 0 and this error
  bool failSecondEnum = false;

  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override {
    enumLevel = level;
    if (enumError) {
      *needed = 0;
      *returned = 0;
      SetLastError(enumError);
      return FALSE;
    }
    if (buffer && failSecondEnum) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return CAccessLayer::EnumPrintersA(flags, name, level, buffer, size, needed, returned);
  }
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override {
    if (failOpen && failOpen(name)) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    return CAccessLayer::OpenPrinterA(name, printer, defaults);
  }
  BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override {
    if (buffer && size && reads_++ == failGetPrinterAfter) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    BOOL ok = CAccessLayer::GetPrinterA(printer, level, buffer, size, needed);
    if (ok && editInfo && level == 2) editInfo(reinterpret_cast<PRINTER_INFO_2A*>(buffer));
    return ok;
  }

 private:
  DWORD reads_ = 0;
};

}  // namespace

TEST_F(Inventory, RecordsEveryPrinterWithItsMarks) {
  auto printers = Build("TORVAX02.exe");
  ASSERT_EQ(printers.size(), 6u);
  const CPrinterRecord& office = printers[kOffice];
  EXPECT_EQ(office.driverName, "VARDEN QUILLAN vintara 7310K");
  EXPECT_EQ(office.isMakerDriver, 1);
  EXPECT_EQ(office.isDefault, 1);
  EXPECT_EQ(office.isDisguise, 0);
  EXPECT_TRUE(office.serverName.empty());
  EXPECT_EQ(printers[kPs].isDefault, 0);
  // Disguised only: a disguise name without the maker's mark.
  EXPECT_EQ(printers[kReception].isMakerDriver, 0);
  EXPECT_EQ(printers[kReception].disguiseName, kOffice);
  EXPECT_EQ(printers[kReception].isDisguise, 1);
  // Maker and disguised: listed, shows its disguise name.
  EXPECT_EQ(printers[kXl].isMakerDriver, 1);
  EXPECT_EQ(printers[kXl].disguiseName, kPs);
  EXPECT_EQ(printers[kXl].isDisguise, 0);
  EXPECT_EQ(printers[kHall].isMakerDriver, 0);
  EXPECT_EQ(printers[kHall].isDisguise, 0);
  // Without switches every printer is offered.
  EXPECT_EQ(Listed(printers).size(), 6u);
}

TEST_F(Inventory, CommandLineFilters) {
  using Names = std::set<std::string>;
  EXPECT_EQ(Listed(Build("t /MFG:\"varden\"")), (Names{kOffice, kPs, kPsFinance, kXl}));
  EXPECT_EQ(Listed(Build("t /PRN:\"VARDEN QUILLAN vintara 7310K PS\"")), (Names{kPs, kPsFinance}));
  // PRN compares with the driver name, not the printer name.
  EXPECT_EQ(Listed(Build("t /PRN:\"vintara 7310K PS\"")), Names{});
  EXPECT_EQ(Listed(Build("t /PRN:\"varden quillan vintara 7310K\",\"Generic Office Laser\"")),
            (Names{kOffice, kReception, kHall}));
  EXPECT_EQ(Listed(Build("t /MFG:Generic /PRN:\"VARDEN QUILLAN vintara 7310K XL\"")),
            (Names{kReception, kHall, kXl}));
  // UNVEZZ offers exactly the printers with a disguise name, whatever MFG says.
  EXPECT_EQ(Listed(Build("t /UNVEZZ")), (Names{kReception, kXl}));
  EXPECT_EQ(Listed(Build("t /MFG:Generic -unvezz")), (Names{kReception, kXl}));
  // A switch without values matches nothing; values too long for 256 bytes count as absent.
  EXPECT_EQ(Listed(Build("t /MFG")), Names{});
  EXPECT_EQ(Listed(Build(("t /MFG:VARDEN," + std::string(300, 'x')).c_str())), Names{});
  // NOPICK alone filters nothing.
  EXPECT_EQ(Listed(Build("t /NOPICK")).size(), 6u);
}

TEST_F(Inventory, LevelByPlatform) {
  CScriptedLayer layer;
  CAccessLayerOverride seam(layer);
  EXPECT_EQ(Build("t").size(), 6u);
  EXPECT_EQ(layer.enumLevel, 4u);
  auto win9x = Build("t", COsVersion(COsVersion::kPlatformWin9x, COsVersion::kVersion98));
  EXPECT_EQ(layer.enumLevel, 5u);
  EXPECT_EQ(win9x.size(), 6u);
  auto win32s = Build("t", COsVersion(COsVersion::kPlatformWin32s, COsVersion::kVersionWin32s));
  EXPECT_EQ(layer.enumLevel, 2u);
  EXPECT_EQ(win32s[kHall].isMakerDriver, 1);  // always a maker printer on Win32s
  EXPECT_EQ(win32s[kReception].isDisguise, 0);
}

TEST_F(Inventory, PrinterThatCannotBeOpenedIsKeptWithTheDriverTheSpoolerListsForIt) {
  // On the NT family (its wide list) and on Windows 98 (the ANSI one), even
  // when the switches offer it.
  for (const COsVersion& os : {kXP, COsVersion(COsVersion::kPlatformWin9x, COsVersion::kVersion98)}) {
    CScriptedLayer layer;
    layer.failOpen = [](const char* name) { return kPs == name; };
    CAccessLayerOverride seam(layer);
    auto printers = Build("t /PRN:\"VARDEN QUILLAN vintara 7310K PS\"", os);
    ASSERT_EQ(printers.size(), 6u);
    const CPrinterRecord& ps = printers[kPs];
    EXPECT_EQ(ps.openError, static_cast<uint32_t>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(ps.driverName, kSamplePsDriver);
    EXPECT_EQ(ps.keep, 1);
    EXPECT_EQ(ps.listed, 0);
    EXPECT_EQ(printers[kPsFinance].listed, 1);
  }
}

TEST_F(Inventory, ConnectionsKeepTheirServerName) {
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD size = sizeof(computer);
  GetComputerNameA(computer, &size);
  static std::string other = "\\\\PRINTSERVER", self;
  self = computer;
  CScriptedLayer layer;
  layer.editInfo = [](PRINTER_INFO_2A* info) {
    if (kHall == info->pPrinterName) info->pServerName = &other[0];
    if (kPs == info->pPrinterName) info->pServerName = &self[0];  // this machine: local
  };
  CAccessLayerOverride seam(layer);
  auto printers = Build("t");
  EXPECT_EQ(printers[kHall].serverName, "\\\\PRINTSERVER");
  EXPECT_TRUE(printers[kPs].serverName.empty());
  auto win32s = Build("t", COsVersion(COsVersion::kPlatformWin32s, COsVersion::kVersionWin32s));
  EXPECT_TRUE(win32s[kHall].serverName.empty());
}

TEST_F(Inventory, SpoolerNotAnswering) {
  CScriptedLayer layer;
  layer.enumError = RPC_S_SERVER_UNAVAILABLE;
  CAccessLayerOverride seam(layer);
  InventoryResult r;
  EXPECT_TRUE(Build("t", kXP, &r).empty());
  EXPECT_TRUE(r.spoolerNotAnswering);
  EXPECT_EQ(r.count, 0);
  layer.enumError = ERROR_FILE_NOT_FOUND;  // no printers: no message either
  Build("t", kXP, &r);
  EXPECT_FALSE(r.spoolerNotAnswering);
  EXPECT_FALSE(r.failed);
}

TEST_F(Inventory, FailurePartWayKeepsEarlierRecords) {
  CScriptedLayer layer;
  layer.failGetPrinterAfter = 2;  // the third printer's level-2 read fails
  CAccessLayerOverride seam(layer);
  CommandLineOptions options;
  std::vector<CPrinterRecord> list(1);  // appends, never empties
  InventoryResult r = BuildListOfInstalledPrinters(list, kXP, options);
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(r.count, 0);
  EXPECT_STREQ(r.failure.function, "GetPrinter");
  EXPECT_STREQ(r.failure.firstLabel, "hPrinter");
  EXPECT_EQ(r.failure.lastError, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(list.size(), 3u);

  CScriptedLayer enumFails;
  enumFails.failSecondEnum = true;
  CAccessLayerOverride seam2(enumFails);
  list.clear();
  r = BuildListOfInstalledPrinters(list, kXP, options);
  EXPECT_TRUE(r.failed);
  EXPECT_STREQ(r.failure.function, "EnumPrinters");
  EXPECT_STREQ(r.failure.description, "failed to enum printers");
  EXPECT_GT(r.failure.firstValue, 0u);  // bytes needed
  EXPECT_TRUE(list.empty());

  // The start-up ends there with the spooler's message: the printers after
  // the failure are unknown, and an unknown printer protects nothing.
  CUninstallDatabase db;
  CStartup startup(db, kXP, options);
  EXPECT_EQ(startup.RunStep(8).failure, static_cast<UINT>(IDS_SPOOLERNOTANSWERING));
}

TEST_F(Inventory, OverlongNamesAreCutNeverOffered) {
  static std::string longName(400, 'P');
  CScriptedLayer layer;
  layer.editInfo = [](PRINTER_INFO_2A* info) {
    if (kPs == info->pPrinterName) info->pPrinterName = &longName[0];
  };
  CAccessLayerOverride seam(layer);
  auto printers = Build("t");
  ASSERT_EQ(printers.count(std::string(259, 'P')), 1u);
  const CPrinterRecord& cut = printers[std::string(259, 'P')];
  EXPECT_EQ(cut.listed, 0);
  EXPECT_EQ(cut.keep, 1);
}

TEST_F(Inventory, DefaultFromWinIniComparesExactly) {
  // Mark another printer default in WIN.INI only, in different case: the
  // spooler's attribute still marks the real default, the case-changed entry
  // marks nothing.
  char saved[256] = "";
  GetProfileStringA("windows", "device", "", saved, sizeof(saved));
  WriteProfileStringA("windows", "device", "VINTARA 7310K PS,winspool,FILE:");
  auto printers = Build("t");
  EXPECT_EQ(printers[kPs].isDefault, 0);
  WriteProfileStringA("windows", "device", "vintara 7310K PS,winspool,FILE:");
  printers = Build("t");
  EXPECT_EQ(printers[kPs].isDefault, 1);
  WriteProfileStringA("windows", "device", saved);
}
