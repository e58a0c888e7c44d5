// The driver, monitor and print-processor phases against the sample package
// installed for real in three environments; the seam stages what Wine does
// not do (a driver in use, a printer that refuses to move, a third-party
// print processor).
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/wine/removal/RemovalTestSupport.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/DriverRemoval.h"

using namespace vq;
using namespace vq::fixture;
using namespace removal_test;

namespace {

const char* const kEnvironments[] = {nullptr, "Windows NT x86", "Windows 4.0"};
const char kMonitor[] = "Quillan Network Port";
const char kMonitorKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Monitors\\Quillan Network Port";
const char kProcessor[] = "QV7310PP";
const char kProcessorKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Print "
    "Processors\\QV7310PP";

// The four driver keys the registry phase is to delete, in queue order.
std::vector<std::string> VersionKeys(const std::string& environment, const std::string& driver) {
  std::vector<std::string> items;
  for (int v = 0; v < 4; ++v)
    items.push_back("HKLM,\"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" +
                    environment + "\\Drivers\\Version-" + std::to_string(v) + "\\" + driver +
                    "\",\"\",0");
  return items;
}

std::vector<std::string> QueuedSince(const CRun& run, std::size_t from) {
  const ItemList& items = run.RegistryKeys();
  return std::vector<std::string>(items.begin() + static_cast<std::ptrdiff_t>(from), items.end());
}

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

bool AddPrinterWithDriver(const std::string& name, const std::string& driver) {
  PRINTER_INFO_2A info = {};
  info.pPrinterName = const_cast<char*>(name.c_str());
  info.pPortName = const_cast<char*>("FILE:");
  info.pDriverName = const_cast<char*>(driver.c_str());
  info.pPrintProcessor = const_cast<char*>("winprint");
  info.pDatatype = const_cast<char*>("RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (h) ClosePrinter(h);
  return h != nullptr;
}

class DriverRemoval : public testing::Test {
 protected:
  void SetUp() override { PrepareMachine(); }
};

}  // namespace

TEST_F(DriverRemoval, DriverUsedOnlyByRemovedPrintersGoesFromEachEnvironmentWithItsKeysQueued) {
  for (const char* environment : {"Windows NT x86", "Windows 4.0"}) {
    ASSERT_TRUE(InstallDriverFor(environment, kXlDriver)) << environment;
    ASSERT_TRUE(InstallDriverFor(environment, kPsDriver)) << environment;
  }
  // The PS driver is shared with a kept printer; the XL driver is not.
  CRun run({kPs, kXl});
  const std::size_t before = run.RegistryKeys().size();

  RemoveDrivers(run.ctx, nullptr);
  // The spooler's own environment queues its keys under "Windows NT x86".
  EXPECT_EQ(QueuedSince(run, before), VersionKeys("Windows NT x86", kXlDriver));
  RemoveDrivers(run.ctx, "Windows NT x86");
  RemoveDrivers(run.ctx, "Windows 4.0");

  // For a 32-bit program the spooler's own environment is "Windows NT x86":
  // the driver is gone from it after the first call.
  std::vector<std::string> expected = VersionKeys("Windows NT x86", kXlDriver);
  if (sizeof(void*) == 8)
    for (const std::string& item : VersionKeys("Windows NT x86", kXlDriver)) expected.push_back(item);
  for (const std::string& item : VersionKeys("Windows 4.0", kXlDriver)) expected.push_back(item);
  EXPECT_EQ(QueuedSince(run, before), expected);
  for (const char* environment : kEnvironments) {
    EXPECT_FALSE(DriverInstalled(environment, kXlDriver)) << EnvironmentName(environment);
    EXPECT_TRUE(DriverInstalled(environment, kPsDriver)) << EnvironmentName(environment);
  }
  EXPECT_TRUE(DriverInstalled(nullptr, kPclDriver));
  EXPECT_TRUE(DriverInstalled(nullptr, kGenericDriver));
}

TEST_F(DriverRemoval, DriverStillInUseKeepsItsKeysOtherFailuresDoNot) {
  CRun run({kXl});
  CRecordingLayer layer;
  CAccessLayerOverride seam(layer);
  const std::size_t before = run.RegistryKeys().size();

  layer.deleteDriverError = ERROR_PRINTER_DRIVER_IN_USE;
  RemoveDrivers(run.ctx, nullptr);
  EXPECT_EQ(layer.Lines("deletedriver"),
            std::vector<std::string>{"deletedriver null " + kXlDriver});
  EXPECT_EQ(run.RegistryKeys().size(), before);

  // Any other failure is ignored, as for a driver the spooler no longer
  // knows: its keys still go in the registry phase.
  layer.deleteDriverError = ERROR_ACCESS_DENIED;
  RemoveDrivers(run.ctx, nullptr);
  EXPECT_EQ(QueuedSince(run, before), VersionKeys("Windows NT x86", kXlDriver));
  EXPECT_TRUE(DriverInstalled(nullptr, kXlDriver));
}

TEST_F(DriverRemoval, PackageGoesOnceAfterItsLastDriverOnVistaAndLater) {
  const std::string xlInf = "C:\\Windows\\System32\\DriverStore\\FileRepository\\qvxl.inf";
  const std::string psInf = "C:\\Windows\\System32\\DriverStore\\FileRepository\\qvps.inf";
  // Published under its own name in <Windows>\inf, as every Wine prefix has it.
  const std::string windowsInf = "C:\\Windows\\System32\\DriverStore\\FileRepository\\input.inf";
  const HRESULT kPackageInUse = HRESULT_FROM_WIN32(3013);  // ERROR_PRINTER_DRIVER_PACKAGE_IN_USE
  auto deleted = [](const std::string& inf, const char* outcome) {
    return "delete driver package \"" + inf + "\" (current): " + outcome;
  };
  struct Case {
    const char* what;
    uint32_t majorVersion;
    std::set<std::string> remove;
    std::map<std::string, std::string> infPaths;
    HRESULT result;
    bool systemDeletes;  // Wine has no such function
    std::vector<std::string> logged;  // the package records, sorted
  };
  const Case cases[] = {
      {"the XL driver of every environment shares one package", 6, {kXl},
       {{kXlDriver, xlInf}}, S_OK, false, {deleted(xlInf, "ok")}},
      {"the PS driver of a kept printer names it", 6, {kXl},
       {{kXlDriver, psInf}, {kPsDriver, psInf}}, S_OK, false,
       {"driver package \"" + psInf + "\" (current): kept: a driver that stays uses it"}},
      {"Windows XP has no driver store", 5, {kXl}, {{kXlDriver, xlInf}}, S_OK, false, {}},
      {"a package of Windows stays", 6, {kXl}, {{kXlDriver, windowsInf}}, S_OK, false,
       {"driver package \"" + windowsInf + "\" (current): kept: a package of Windows"}},
      {"a package in use is a failure", 6, {kXl}, {{kXlDriver, xlInf}}, kPackageInUse, false,
       {deleted(xlInf, "failed (error 3013)")}},
      {"without the function each package fails alone", 6, {kXl, kPs, kPsFinance},
       {{kXlDriver, xlInf}, {kPsDriver, psInf}}, S_OK, true,
       {deleted(psInf, "failed (error 120)"), deleted(xlInf, "failed (error 120)")}},
  };
  for (const Case& c : cases) {
    PrepareMachine();
    for (const char* environment : {"Windows NT x86", "Windows 4.0"})
      ASSERT_TRUE(InstallDriverFor(environment, kXlDriver)) << environment;
    CRun run(c.remove, false,
             COsVersion(COsVersion::kPlatformNT, COsVersion::kVersionOther)
                 .WithMajorVersion(c.majorVersion));
    CRecordingLayer layer;
    layer.infPaths = c.infPaths;
    layer.packageResult = c.result;
    layer.systemDeletesPackages = c.systemDeletes;
    std::vector<ActionRecord> records;
    {
      CAccessLayerOverride seam(layer);
      SetProcessActionRecords(&records);
      for (const char* environment : run.ctx.environments) RemoveDrivers(run.ctx, environment);
      RemoveDriverPackages(run.ctx);
      SetProcessActionRecords(nullptr);
    }
    std::vector<std::string> logged;
    for (const ActionRecord& r : records)
      if (r.what.find("driver package") != std::string::npos)
        logged.push_back(r.what + " " + r.target + ": " + r.outcome);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(logged, c.logged) << c.what;
    // Every package call comes after the last driver of every environment.
    const auto firstPackage =
        std::find_if(layer.log.begin(), layer.log.end(),
                     [](const std::string& l) { return l.compare(0, 13, "deletepackage") == 0; });
    EXPECT_FALSE(Mentions(std::vector<std::string>(firstPackage, layer.log.end()), "deletedriver "))
        << c.what;
    EXPECT_GE(layer.Lines("deletedriver ").size(), 2u) << c.what;
    if (c.majorVersion < 6) {
      EXPECT_EQ(layer.infPathReads, 0) << c.what;
    }
  }
}

TEST_F(DriverRemoval, Windows9xQueuesOneDriverKeyAndWin32sNone) {
  CRun run({kXl}, false, COsVersion(COsVersion::kPlatformWin9x, COsVersion::kVersion98));
  const std::size_t before = run.RegistryKeys().size();
  RemoveDrivers(run.ctx, nullptr);
  EXPECT_EQ(
      QueuedSince(run, before),
      std::vector<std::string>{"HKLM,\"System\\CurrentControlSet\\control\\Print\\Environments\\"
                               "Windows 4.0\\Drivers\\" +
                               kXlDriver + "\",\"\",0"});

  PrepareMachine();
  CRun win32s({kXl}, false, COsVersion(COsVersion::kPlatformWin32s, COsVersion::kVersionWin32s));
  const std::size_t none = win32s.RegistryKeys().size();
  RemoveDrivers(win32s.ctx, nullptr);
  EXPECT_FALSE(DriverInstalled(nullptr, kXlDriver));
  EXPECT_EQ(win32s.RegistryKeys().size(), none);
}

TEST_F(DriverRemoval, PscriptDriversGoWithTheDisguiseToolUnlessAPrinterHasTheirName) {
  const std::string lone = "Vezzaro Color (PSCRIPT)", named = "Sala (PSCRIPT)",
                    lowerCase = "Vezzaro Mono (pscript)";
  for (const std::string& d : {lone, named, lowerCase}) ASSERT_TRUE(InstallDriverFor(nullptr, d));
  ASSERT_TRUE(AddPrinterWithDriver(named, kGenericDriver));

  CRun toolKept({});
  ASSERT_EQ(toolKept.db.disguiseToolKept, 1);
  RemoveDrivers(toolKept.ctx, nullptr);
  for (const std::string& d : {lone, named, lowerCase})
    EXPECT_TRUE(DriverInstalled(nullptr, d)) << d;

  CRun toolGoes({}, /*unvezz=*/true);
  ASSERT_EQ(toolGoes.db.disguiseToolKept, 0);
  RemoveDrivers(toolGoes.ctx, nullptr);
  EXPECT_FALSE(DriverInstalled(nullptr, lone));
  EXPECT_TRUE(DriverInstalled(nullptr, named));
  EXPECT_TRUE(DriverInstalled(nullptr, lowerCase));
  for (const std::string& d : {kPclDriver, kPsDriver, kXlDriver, kGenericDriver})
    EXPECT_TRUE(DriverInstalled(nullptr, d)) << d;
}

TEST_F(DriverRemoval, MonitorAndItsKeyGoOncePerEnvironmentButWin32sKeepsTheKey) {
  CRun run({kOffice, kXl});
  ASSERT_EQ(run.db.removal.List(kMonitors), ItemList{kMonitor});
  ASSERT_TRUE(RegistryKeyExists("HKLM", kMonitorKey));
  CRecordingLayer layer;
  CAccessLayerOverride seam(layer);

  for (const char* environment : kEnvironments) RemoveMonitors(run.ctx, environment);

  const std::string m = kMonitor;
  EXPECT_EQ(
      layer.Lines("deletemonitor"),
      (std::vector<std::string>{"deletemonitor null " + m, "deletemonitor Windows NT x86 " + m,
                                "deletemonitor Windows 4.0 " + m}));
  // Tried for each environment, deleted once: a key that is gone is not
  // asked for again.
  EXPECT_EQ(layer.Lines("deletekey").size(), 1u);
  EXPECT_FALSE(RegistryKeyExists("HKLM", kMonitorKey));

  ASSERT_TRUE(SetRegistryText("HKLM", kMonitorKey, "Driver", "QVPORT02.DLL"));
  layer.log.clear();
  run.ctx.os = COsVersion(COsVersion::kPlatformWin32s, COsVersion::kVersionWin32s);
  RemoveMonitors(run.ctx, nullptr);
  EXPECT_EQ(layer.Lines("deletemonitor").size(), 1u);
  EXPECT_TRUE(layer.Lines("deletekey").empty());
  EXPECT_TRUE(RegistryKeyExists("HKLM", kMonitorKey));
}

TEST_F(DriverRemoval, PrintProcessorIsDeletedAfterItsPrintersMoveToWinPrint) {
  ASSERT_TRUE(SetProcessorOf(kPs, kProcessor));
  ASSERT_TRUE(SetProcessorOf(kHall, kProcessor));
  // A printer that moves keeps every text the ANSI code page cannot spell.
  ASSERT_TRUE(SetCommentOf(kHall, L"Caixa \x263A"));
  CRun run({kOffice});
  ASSERT_EQ(run.db.removal.List(kPrintProcessors), ItemList{kProcessor});
  // A script that names the system's processor must not take it away from
  // the printers just moved to it.
  run.db.removal.List(kPrintProcessors).push_back("WinPrint");
  ASSERT_TRUE(RegistryKeyExists("HKLM", kProcessorKey));
  CRecordingLayer layer;
  layer.extraProcessors = {kProcessor};
  CAccessLayerOverride seam(layer);

  RemovePrintProcessors(run.ctx, nullptr);

  for (const std::string& printer : {kPs, kHall})
    EXPECT_EQ(ProcessorOf(printer), std::make_pair(std::string("WinPrint"), std::string("RAW")))
        << printer;
  EXPECT_EQ(ProcessorOf(kPsFinance).first, "winprint");
  EXPECT_EQ(CommentOf(kHall), L"Caixa \x263A");
  EXPECT_EQ(layer.Lines("deleteprocessor"),
            std::vector<std::string>{"deleteprocessor null " + std::string(kProcessor)});
  // The moves come first.
  const auto deletion = std::find(layer.log.begin(), layer.log.end(),
                                  "deleteprocessor null " + std::string(kProcessor));
  EXPECT_FALSE(Mentions(std::vector<std::string>(deletion, layer.log.end()), "set "));
  EXPECT_FALSE(RegistryKeyExists("HKLM", kProcessorKey));
}

TEST_F(DriverRemoval, PrintProcessorStaysWhenOneOfItsPrintersCannotMove) {
  ASSERT_TRUE(SetProcessorOf(kPs, kProcessor));
  ASSERT_TRUE(SetProcessorOf(kHall, kProcessor));
  CRun run({kOffice});
  CRecordingLayer layer;
  layer.extraProcessors = {kProcessor};
  layer.failMoveToWinPrint = {kHall};
  CAccessLayerOverride seam(layer);

  RemovePrintProcessors(run.ctx, nullptr);

  EXPECT_TRUE(layer.Lines("deleteprocessor").empty());
  EXPECT_TRUE(RegistryKeyExists("HKLM", kProcessorKey));
  EXPECT_EQ(ProcessorOf(kHall).first, kProcessor);
  // Every user is tried: the one that could move did.
  EXPECT_EQ(ProcessorOf(kPs), std::make_pair(std::string("WinPrint"), std::string("RAW")));
  EXPECT_EQ(ReleasePrintProcessor("qv7310pp"), 0);
  EXPECT_EQ(ReleasePrintProcessor("Nobody Uses This"), 1);
}
