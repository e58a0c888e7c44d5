// The printer phase against the sample package installed for real: printers,
// their class keys and registry traces, the default printer and its messages;
// the seam stages jobs (Wine keeps none), connections and failing deletions.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include "tests/wine/removal/RemovalTestSupport.h"
#include "uninstall/engine/PrinterRemoval.h"

using namespace vq;
using namespace vq::fixture;
using namespace removal_test;

namespace {

const char kDevices[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
const char kPrinterPorts[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts";
const char* const kPerUserKeys[] = {"Printers\\DevModes2", "Printers\\Settings", kDevices,
                                    kPrinterPorts};

// Message 5014 as the user reads it, with the new default's name.
std::string NewDefaultText(const std::string& name) {
  return "A impressora padr\xE3o foi exclu\xED\x64\x61.\n A nova impressora padr\xE3o \xE9 '" +
         name + "'";
}
const char kNoPrinterLeftText[] =
    "Aviso: a impressora padr\xE3o foi exclu\xED\x64\x61.\nN\xE3o h\xE1 impressoras instaladas no "
    "seu "
    "computador.";

// A UniqueID short enough to be read, and its class key with nested subkeys.
const char kShortClassKey[] = "QV7310-Impressora-0001";
void SetUniqueId(const std::string& printer, const std::string& id) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterA(const_cast<char*>(printer.c_str()), &h, &defaults));
  EXPECT_EQ(SetPrinterDataA(h, const_cast<char*>("UniqueID"), REG_SZ,
                            reinterpret_cast<BYTE*>(const_cast<char*>(id.c_str())),
                            static_cast<DWORD>(id.size() + 1)),
            static_cast<DWORD>(ERROR_SUCCESS));
  ClosePrinter(h);
}

void GiveClassKey(const std::string& printer, const std::string& id) {
  SetUniqueId(printer, id);
  ASSERT_TRUE(SetRegistryText("HKCR", id, "Printer", printer));
  ASSERT_TRUE(SetRegistryText("HKCR", id + "\\Settings\\Trays", "Count", "3"));
  ASSERT_TRUE(SetRegistryText("HKCR", id + "\\Status", "Last", "ok"));
}

// The printer phase with every message box answered; returns the texts shown.
std::vector<std::string> RunPrinterPhase(CRun& run) {
  CMessageBoxAnswerer answerer;
  RemovePrinters(run.ctx);
  return answerer.Stop();
}

class PrinterRemoval : public testing::Test {
 protected:
  void SetUp() override { PrepareMachine(); }
};

}  // namespace

TEST_F(PrinterRemoval, ChosenPrintersGoWithTheirClassKeyAndTheLastKeptPrinterBecomesDefault) {
  GiveClassKey(kOffice, kShortClassKey);
  CRun run({kOffice, kPs});
  ASSERT_EQ(run.db.printers.size(), 6u);
  ASSERT_EQ(run.Find(kOffice)->isDefault, 1);
  // What the list order says: the last printer left untouched is the new
  // default, the last removed local printer names lastDriverName. (The
  // removal set also takes kXl, whose disguise name is kPs.)
  std::string lastKept, lastRemovedDriver;
  for (const CPrinterRecord& p : run.db.printers) {
    if (p.keep || p.isDisguise)
      lastKept = p.printerName;
    else
      lastRemovedDriver = p.driverName;
  }
  ASSERT_FALSE(lastKept.empty());

  std::vector<std::string> shown = RunPrinterPhase(run);

  for (const CPrinterRecord& p : run.db.printers) {
    const bool kept = p.keep || p.isDisguise;
    EXPECT_EQ(PrinterInstalled(p.printerName), kept) << p.printerName;
    EXPECT_EQ(p.removed, kept ? 0 : 1) << p.printerName;
  }
  EXPECT_FALSE(PrinterInstalled(kOffice));
  EXPECT_FALSE(PrinterInstalled(kPs));
  EXPECT_FALSE(RegistryKeyExists("HKCR", kShortClassKey));
  EXPECT_EQ(run.ctx.lastDriverName, lastRemovedDriver);

  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], NewDefaultText(lastKept));
  EXPECT_EQ(DefaultPrinter(), lastKept);
  for (const CPrinterRecord& p : run.db.printers)
    EXPECT_EQ(p.isDefault, p.printerName == lastKept ? 1 : 0) << p.printerName;

  // A second run in the same program run skips what the first one deleted.
  CRecordingLayer layer;
  CAccessLayerOverride seam(layer);
  EXPECT_TRUE(RunPrinterPhase(run).empty());
  EXPECT_TRUE(layer.Lines("open").empty());
}

TEST_F(PrinterRemoval, DefaultGoneWithNoPrinterLeftShowsMessage5013AndChoosesNoDefault) {
  for (const std::string& other : {kPs, kPsFinance, kReception, kXl, kHall})
    ASSERT_TRUE(DeletePrinterNamed(other));
  CRun run({kOffice});
  ASSERT_EQ(run.db.printers.size(), 1u);
  CRecordingLayer layer;
  CAccessLayerOverride seam(layer);

  std::vector<std::string> shown = RunPrinterPhase(run);

  EXPECT_FALSE(PrinterInstalled(kOffice));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], kNoPrinterLeftText);
  // No default was chosen: no printer record was read or rewritten.
  EXPECT_EQ(layer.printerReads, 0);
  EXPECT_EQ(layer.printerWrites, 0);
}

TEST_F(PrinterRemoval, QueuedJobsAreCancelledThenDeletedBeforeThePrinterGoes) {
  CRun run({kPs, kXl});
  CRecordingLayer layer;
  layer.jobs[kPs] = {7, 9};
  CAccessLayerOverride seam(layer);

  EXPECT_TRUE(RunPrinterPhase(run).empty());  // the default stays: nothing to say

  std::vector<std::string> order;
  for (const std::string& line : layer.log) {
    if (line.find(kPs + " ") != std::string::npos || line == "deleteprinter " + kPs)
      order.push_back(line);
  }
  const std::vector<std::string> expected = {"enumjobs " + kPs + " 0 100 1",  // the size
                                             "enumjobs " + kPs + " 0 100 1",  // the records
                                             "setjob " + kPs + " 7 level 0 command 3",
                                             "setjob " + kPs + " 7 level 0 command 5",
                                             "setjob " + kPs + " 9 level 0 command 3",
                                             "setjob " + kPs + " 9 level 0 command 5",
                                             "deleteprinter " + kPs};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(PrinterInstalled(kPs));
  EXPECT_FALSE(PrinterInstalled(kXl));
}

TEST_F(PrinterRemoval, ClassKeyWalkEndsWhenASubkeyCannotBeDeleted) {
  GiveClassKey(kOffice, kShortClassKey);
  CRun run({kOffice});
  const std::string key = kShortClassKey;
  CRecordingLayer layer;
  layer.failDeleteKey = {key + "\\Settings"};
  CAccessLayerOverride seam(layer);

  RunPrinterPhase(run);

  // The walk went below the stubborn subkey, gave up on it and on the key
  // that holds it, and the printer still went.
  EXPECT_FALSE(RegistryKeyExists("HKCR", key + "\\Settings\\Trays"));
  EXPECT_TRUE(RegistryKeyExists("HKCR", key + "\\Settings"));
  EXPECT_TRUE(RegistryKeyExists("HKCR", key));
  EXPECT_LT(layer.keyEnumerations, 20);
  EXPECT_FALSE(PrinterInstalled(kOffice));
  EXPECT_EQ(run.Find(kOffice)->removed, 1);
}

TEST_F(PrinterRemoval, UniqueIdValuesThatNameNoSingleKeyLeaveClassesRootAlone) {
  // A braced GUID is 38 characters: 32 characters and the zero do not fit the value's 32 bytes; an empty
  // value would name HKEY_CLASSES_ROOT itself; a path would reach another key.
  const std::string tooLong = "{6D1F3A7C-7310-4B0E-9C1D-0000000099}";
  ASSERT_GE(tooLong.size(), 32u);
  ASSERT_TRUE(SetRegistryText("HKCR", tooLong + "\\Settings", "Count", "1"));
  ASSERT_TRUE(SetRegistryText("HKCR", "VQ Test Parent\\Child", "Count", "1"));
  const std::pair<std::string, std::string> values[] = {
      {kPs, tooLong}, {kPsFinance, ""}, {kHall, "VQ Test Parent\\Child"}};
  for (const auto& [printer, id] : values) SetUniqueId(printer, id);
  CRun run({kOffice, kPs, kPsFinance, kHall});
  CRecordingLayer layer;
  CAccessLayerOverride seam(layer);

  ASSERT_EQ(RunPrinterPhase(run).size(), 1u);

  EXPECT_TRUE(RegistryKeyExists("HKCR", tooLong + "\\Settings"));
  EXPECT_TRUE(RegistryKeyExists("HKCR", "VQ Test Parent\\Child"));
  // The sample package's own short UniqueID is read: its class key goes.
  EXPECT_FALSE(
      RegistryKeyExists("HKCR", std::string(kPrinterClassKeyOfOffice) + "\\Settings\\Trays"));
  EXPECT_FALSE(PrinterInstalled(kPs));
  EXPECT_FALSE(PrinterInstalled(kHall));
}

TEST_F(PrinterRemoval, NtPerUserValuesGoWithThePrinterAndStayWhenItStays) {
  const std::string gone = "Impressora antiga";
  for (const char* key : kPerUserKeys) {
    for (const std::string& printer : {kPs, gone, kPsFinance})
      ASSERT_TRUE(SetRegistryText("HKCU", key, printer, "x"));
  }
  CRun run({kPs});
  const std::size_t queued = run.RegistryKeys().size();
  CPrinterRecord old;
  old.printerName = gone;
  old.driverName = kPclDriver;
  run.db.printers.push_back(old);  // listed, but no longer in the spooler
  CRecordingLayer layer;
  layer.failDeletePrinter = {kPs};
  CAccessLayerOverride seam(layer);

  EXPECT_TRUE(RunPrinterPhase(run).empty());

  // The printer whose deletion failed keeps its settings; the one the
  // spooler no longer knows loses them.
  for (const char* key : kPerUserKeys) {
    EXPECT_TRUE(RegistryValueExists("HKCU", key, kPs)) << key;
    EXPECT_FALSE(RegistryValueExists("HKCU", key, gone)) << key;
    EXPECT_TRUE(RegistryValueExists("HKCU", key, kPsFinance)) << key;
  }
  EXPECT_TRUE(PrinterInstalled(kPs));
  EXPECT_EQ(run.Find(kPs)->removed, 0);          // stays in the inventory
  EXPECT_EQ(run.Find(gone)->removed, 1);         // taken as already gone
  EXPECT_EQ(run.RegistryKeys().size(), queued);  // Windows 9x only
}

TEST_F(PrinterRemoval, Windows9xQueuesTheDriverDataKeyThenThePrinterKey) {
  ASSERT_TRUE(SetRegistryText("HKCU", "Printers\\Settings", kPs, "x"));
  CRun run({kPs, kPsFinance}, false,
           COsVersion(COsVersion::kPlatformWin9x, COsVersion::kVersion98));
  const std::size_t before = run.RegistryKeys().size();

  EXPECT_TRUE(RunPrinterPhase(run).empty());

  const ItemList& items = run.RegistryKeys();
  const std::string base = "HKLM,\"System\\CurrentControlSet\\control\\Print\\Printers\\";
  // Two items per removed printer, in list order (kXl goes too: its
  // disguise name is kPs).
  std::vector<std::string> expected;
  for (const CPrinterRecord& p : run.db.printers) {
    if (p.keep || p.isDisguise) continue;
    expected.push_back(base + p.printerName + "\\PrinterDriverData,\"\"");
    expected.push_back(base + p.printerName + ",\"\"");
  }
  ASSERT_EQ(expected.size(), 6u);
  ASSERT_EQ(items.size(), before + expected.size());
  EXPECT_EQ(
      std::vector<std::string>(items.begin() + static_cast<std::ptrdiff_t>(before), items.end()),
      expected);
  EXPECT_TRUE(RegistryValueExists("HKCU", "Printers\\Settings", kPs));  // an NT trace only
}

TEST_F(PrinterRemoval, ConnectionGoesWithDeletePrinterConnectionOnly) {
  const std::string connection = "\\\\SERVIDOR\\vintara 7310K";
  ASSERT_TRUE(SetRegistryText("HKCU", "Printers\\Settings", connection, "x"));
  CRun run({});
  CPrinterRecord link;
  link.printerName = connection;
  link.driverName = kPclDriver;
  link.serverName = "\\\\SERVIDOR";
  run.db.printers.push_back(link);
  CRecordingLayer layer;
  CAccessLayerOverride seam(layer);

  EXPECT_TRUE(RunPrinterPhase(run).empty());

  EXPECT_EQ(layer.Lines("connection"), std::vector<std::string>{"connection " + connection});
  EXPECT_TRUE(layer.Lines("open").empty());
  EXPECT_EQ(run.Find(connection)->removed, 1);
  EXPECT_TRUE(RegistryValueExists("HKCU", "Printers\\Settings", connection));
}

TEST_F(PrinterRemoval, MakeDefaultPrinterWritesTheDeviceLineOrTakesTheFirstPrinter) {
  const COsVersion xp(COsVersion::kPlatformNT, COsVersion::kVersionXP);
  char name[260] = "vintara 7310K PS";
  EXPECT_EQ(MakeDefaultPrinter(name, xp), 1);
  char device[300] = "";
  GetProfileStringA("windows", "device", "", device, sizeof(device));
  EXPECT_STREQ(device, "vintara 7310K PS,winspool,FILE:");
  EXPECT_EQ(DefaultPrinter(), kPs);

  char empty[260] = "";
  EXPECT_EQ(MakeDefaultPrinter(empty, xp), 1);
  EXPECT_TRUE(PrinterInstalled(empty)) << empty;
  EXPECT_EQ(DefaultPrinter(), empty);

  char absent[260] = "Impressora que n\xE3o existe";
  EXPECT_EQ(MakeDefaultPrinter(absent, xp), 0);
  EXPECT_EQ(DefaultPrinter(), empty);
}

TEST_F(PrinterRemoval, APrinterThatCannotBeOpenedStaysUnlessTheSpoolerNoLongerKnowsIt) {
  // Access denied: the printer is there, it stays, and so does the default.
  CRun denied({kOffice});
  {
    CRecordingLayer layer;
    layer.failOpen[kOffice] = ERROR_ACCESS_DENIED;
    CAccessLayerOverride seam(layer);
    EXPECT_TRUE(RunPrinterPhase(denied).empty());
  }
  EXPECT_TRUE(PrinterInstalled(kOffice));
  EXPECT_EQ(denied.Find(kOffice)->removed, 0);
  EXPECT_EQ(DefaultPrinter(), kOffice);

  // No such printer: taken as gone, and the default moves on.
  CRun gone({kOffice});
  {
    CRecordingLayer layer;
    layer.failOpen[kOffice] = ERROR_INVALID_PRINTER_NAME;
    CAccessLayerOverride seam(layer);
    EXPECT_EQ(RunPrinterPhase(gone).size(), 1u);
  }
  EXPECT_EQ(gone.Find(kOffice)->removed, 1);
  EXPECT_NE(DefaultPrinter(), kOffice);
}

TEST_F(PrinterRemoval, ADefaultIsChosenOnlyWhenTheMachineHasNone) {
  // No record of the inventory is the default in either row: in the first
  // the machine has no default at all (an earlier run ended between deleting
  // the default and choosing the next), in the second its default is a
  // printer the inventory did not list, which nobody removed.
  for (const bool machineHasDefault : {false, true}) {
    PrepareMachine();
    if (!machineHasDefault) ASSERT_TRUE(WriteProfileStringA("windows", "device", nullptr));
    const std::string defaultBefore = DefaultPrinter();
    CRun run({kPs});
    for (CPrinterRecord& p : run.db.printers) p.isDefault = 0;
    std::string lastKept;
    for (const CPrinterRecord& p : run.db.printers)
      if (p.keep || p.isDisguise) lastKept = p.printerName;
    EXPECT_TRUE(RunPrinterPhase(run).empty());
    EXPECT_EQ(DefaultPrinter(), machineHasDefault ? defaultBefore : lastKept) << machineHasDefault;
    EXPECT_EQ(run.Find(lastKept)->isDefault, machineHasDefault ? 0 : 1);
  }
}
