#include "uninstall/engine/DriverRemoval.h"

#include <winspool.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "uninstall/engine/RegistryRemoval.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/KeyNames.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SpoolerQueries.h"

namespace vq {

namespace {

// The environment whose keys stand for "the spooler's own" (the tool ships
// as a 32-bit program).
const char kDefaultEnvironment[] = "Windows NT x86";
const char kEnvironmentsKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\";
const char kDriversKey9x[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\";
const char kProcessorsKey9x[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Print Processors\\";
const char kMonitorsKey[] = "System\\CurrentControlSet\\control\\Print\\Monitors\\";
const char* const kDriverVersions[] = {"Version-0\\", "Version-1\\", "Version-2\\", "Version-3\\"};
const char kSystemProcessor[] = "WinPrint";
const char kRawDatatype[] = "RAW";
const char kDisguiseDriverMark[] = "(PSCRIPT)";
// Driver and print-processor key texts are built in 256-character buffers,
// the monitor key in 260; a longer key is not touched.
constexpr std::size_t kKeyChars = 255;

char* Text(const char* s) { return const_cast<char*>(s); }

const char* EnvironmentKeyPart(const char* environment) {
  return environment && *environment ? environment : kDefaultEnvironment;
}

const char* EnvironmentLogName(const char* environment) {
  return environment ? environment : "current";
}

bool InList(const ItemList& list, const char* name) {
  for (const std::string& item : list) {
    if (EqualNoCase(item, name)) return true;
  }
  return false;
}

// Used by a printer being removed and by no printer that stays: a kept one,
// or one that only ever was a disguise, which no run removes.
bool UsedOnlyByRemovedPrinters(const std::vector<CPrinterRecord>& printers, const char* driver) {
  bool used = false;
  for (const CPrinterRecord& p : printers) {
    if (!EqualNoCase(p.driverName, driver)) continue;
    if (p.keep || (p.isDisguise && !p.removed)) return false;
    used = true;
  }
  return used;
}

bool PrinterExists(const char* name) {
  CPrinter printer;
  return printer.Open(name, PRINTER_ACCESS_USE);
}

bool IsDriverToRemove(const CUninstallDatabase& db, const char* driver) {
  if (InList(db.removal.List(kDrivers), driver)) return true;
  if (UsedOnlyByRemovedPrinters(db.printers, driver)) return true;
  // The disguise tool's PostScript drivers: gone with the tool, unless a
  // printer of the same name shows that the name is a printer's.
  return !db.disguiseToolKept && std::strstr(driver, kDisguiseDriverMark) && !PrinterExists(driver);
}

void QueueLocalMachineKey(CUninstallProfile& removal, const std::string& key) {
  if (key.size() <= kKeyChars) removal.AddRegistryItem(RegistryRoot::kLocalMachine, key, "", false);
}

// True when the spooler deleted the driver.
bool DeleteDriver(CRemovalContext& ctx, const char* environment, const char* driver) {
  // A driver still in use stays, and so must its keys: the registry phase
  // would otherwise take them from under the printer that uses it.
  const std::string logged = Quoted(driver) + " (" + EnvironmentLogName(environment) + ")";
  const bool deleted = Access().DeletePrinterDriverA(nullptr, Text(environment), Text(driver));
  if (!deleted) {
    const DWORD error = GetLastError();
    ctx.Log("delete driver", logged, error);
    if (error == ERROR_PRINTER_DRIVER_IN_USE) return false;
  } else {
    ctx.Log("delete driver", logged);
    ctx.removedDrivers.push_back(driver);
  }
  if (!IsSingleKeyName(driver)) return deleted;
  CUninstallProfile& removal = ctx.database->removal;
  if (ctx.os.IsWin9x()) {
    QueueLocalMachineKey(removal, std::string(kDriversKey9x) + driver);
  } else if (ctx.os.IsNT()) {
    const std::string base =
        std::string(kEnvironmentsKey) + EnvironmentKeyPart(environment) + "\\Drivers\\";
    for (const char* version : kDriverVersions)
      QueueLocalMachineKey(removal, base + version + driver);
  }
  return deleted;
}

// Each installed driver of `environment` with the INF path of its package in
// the driver store (level 8: Windows Vista and later).
using DriverInfPaths = std::vector<std::pair<std::string, std::string>>;
DriverInfPaths InfPathsOfDrivers(const char* environment) {
  std::vector<BYTE> buffer;
  const DWORD count = EnumerateRecords<DriverInfo8A>(
      buffer, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return Access().EnumPrinterDriversA(nullptr, Text(environment), 8, data, size, needed,
                                            returned);
      });
  const DriverInfo8A* records = reinterpret_cast<const DriverInfo8A*>(buffer.data());
  DriverInfPaths paths;
  for (DWORD i = 0; i < count; ++i) {
    if (records[i].pName && records[i].pszInfPath && records[i].pszInfPath[0])
      paths.emplace_back(records[i].pName, records[i].pszInfPath);
  }
  return paths;
}

// Notes the package of `driver`, just deleted from `environment`, unless a
// driver deleted before named the same one.
void NotePackage(CRemovalContext& ctx, const char* environment, const DriverInfPaths& infPaths,
                 const std::string& driver) {
  for (const auto& entry : infPaths) {
    if (!EqualNoCase(entry.first, driver)) continue;
    for (const CDriverPackage& noted : ctx.removedDriverPackages)
      if (EqualNoCase(noted.infPath, entry.second)) return;
    ctx.removedDriverPackages.push_back({entry.second, environment ? environment : ""});
    return;
  }
}

// The Win32 error an HRESULT carries, itself when it carries none.
DWORD ErrorOf(HRESULT result) {
  if (SUCCEEDED(result)) return ERROR_SUCCESS;
  if (HRESULT_FACILITY(result) == FACILITY_WIN32) return HRESULT_CODE(result);
  return static_cast<DWORD>(result);
}

// A package of Windows itself: its INF is in <Windows>\inf under its own
// name, where a package of a maker's is published as oem<N>.inf.
bool IsPackageOfWindows(const CRemovalContext& ctx, const std::string& infPath) {
  const std::string name = infPath.substr(infPath.find_last_of("\\/") + 1);
  CFileSpec place(ctx.os);
  place.SetFolder(kFolderWindows);
  const std::string windows = place.FolderPath();
  if (name.empty() || windows.empty()) return true;  // nothing to tell it by: keep it
  return GetFileAttributesA((windows + "inf\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DeleteLocalMachineKey(const std::string& key, std::size_t maxChars) {
  if (key.size() <= maxChars) DeleteKeyIfLeaf(HKEY_LOCAL_MACHINE, key.c_str());
}

BOOL SetPrinterField(const char* printerName, LPSTR PRINTER_INFO_2A::*field, const char* text) {
  CPrinter printer;
  if (!printer.Open(printerName, PRINTER_ALL_ACCESS)) return FALSE;
  std::vector<BYTE> buffer;
  if (!GetPrinterInfo2(printer.Get(), buffer)) return FALSE;
  PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  info->*field = Text(text);
  return Access().SetPrinterA(printer.Get(), 2, buffer.data(), 0);
}

}  // namespace

void RemoveDrivers(CRemovalContext& ctx, const char* environment) {
  const std::vector<std::string> drivers =
      EnumeratedNames<DRIVER_INFO_2A>([&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return Access().EnumPrinterDriversA(nullptr, Text(environment), 2, data, size, needed,
                                            count);
      });
  // Read before the drivers go: a deleted driver is no longer listed with its package.
  const DriverInfPaths infPaths =
      ctx.os.IsVistaOrLater() ? InfPathsOfDrivers(environment) : DriverInfPaths();
  for (const std::string& driver : drivers) {
    if (IsDriverToRemove(*ctx.database, driver.c_str()) &&
        DeleteDriver(ctx, environment, driver.c_str()))
      NotePackage(ctx, environment, infPaths, driver);
  }
}

void RemoveDriverPackages(CRemovalContext& ctx) {
  if (ctx.removedDriverPackages.empty()) return;
  std::vector<std::string> inUse;
  for (const char* environment : ctx.environments)
    for (const auto& entry : InfPathsOfDrivers(environment)) inUse.push_back(entry.second);
  for (const CDriverPackage& package : ctx.removedDriverPackages) {
    const char* environment = package.environment.empty() ? nullptr : package.environment.c_str();
    const std::string logged =
        Quoted(package.infPath) + " (" + EnvironmentLogName(environment) + ")";
    if (IsPackageOfWindows(ctx, package.infPath)) {
      ctx.LogOutcome("driver package", logged, "kept: a package of Windows");
      continue;
    }
    if (InList(inUse, package.infPath.c_str())) {
      ctx.LogOutcome("driver package", logged, "kept: a driver that stays uses it");
      continue;
    }
    const HRESULT result =
        Access().DeletePrinterDriverPackageA(nullptr, package.infPath.c_str(), environment);
    ctx.Log("delete driver package", logged, ErrorOf(result));
  }
}

void RemoveMonitors(CRemovalContext& ctx, const char* environment) {
  for (const std::string& monitor : ctx.database->removal.List(kMonitors)) {
    if (monitor.empty()) continue;
    const BOOL deleted = Access().DeleteMonitorA(nullptr, Text(environment), Text(monitor.c_str()));
    ctx.Log("delete monitor", Quoted(monitor), deleted ? ERROR_SUCCESS : GetLastError());
    // Win32s has no monitor keys. The key is tried once per environment.
    if (!ctx.os.IsWin32s() && IsSingleKeyName(monitor))
      DeleteLocalMachineKey(kMonitorsKey + monitor, kFieldChars);
  }
}

void RemovePrintProcessors(CRemovalContext& ctx, const char* environment) {
  const std::vector<std::string> processors = EnumeratedNames<PRINTPROCESSOR_INFO_1A>(
      [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return Access().EnumPrintProcessorsA(nullptr, Text(environment), 1, data, size, needed,
                                             count);
      });
  for (const std::string& processor : processors) {
    if (!InList(ctx.database->removal.List(kPrintProcessors), processor.c_str())) continue;
    // Printers are moved to the system's processor: it never goes.
    if (EqualNoCase(processor, kSystemProcessor)) continue;
    if (!ReleasePrintProcessor(processor.c_str())) {  // still in use: left in place
      ctx.LogOutcome("print processor", Quoted(processor), "kept: a printer could not be moved off it");
      continue;
    }
    const BOOL deleted =
        Access().DeletePrintProcessorA(nullptr, Text(environment), Text(processor.c_str()));
    ctx.Log("delete print processor", Quoted(processor), deleted ? ERROR_SUCCESS : GetLastError());
    const std::string key = PrintProcessorKey(ctx.os, environment, processor);
    if (!key.empty()) DeleteLocalMachineKey(key, kKeyChars);
  }
}

std::string PrintProcessorKey(const COsVersion& os, const char* environment,
                              const std::string& processor) {
  if (!IsSingleKeyName(processor)) return std::string();
  if (os.IsWin9x()) return kProcessorsKey9x + processor;
  if (os.IsNT())
    return std::string(kEnvironmentsKey) + EnvironmentKeyPart(environment) + "\\Print Processors\\" +
           processor;
  return std::string();
}

int ReleasePrintProcessor(const char* name) {
  std::vector<std::string> users;
  {
    std::vector<BYTE> buffer;
    const DWORD count = EnumPrinterInfo2(PRINTER_ENUM_LOCAL, buffer);
    const PRINTER_INFO_2A* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      if (printers[i].pPrinterName && printers[i].pPrintProcessor &&
          EqualNoCase(printers[i].pPrintProcessor, name))
        users.push_back(printers[i].pPrinterName);
    }
  }
  int result = 1;
  for (const std::string& printer : users) {
    if (SetPrinterProcessor(printer.c_str(), kSystemProcessor))
      SetPrinterDatatype(printer.c_str(), kRawDatatype);  // result ignored
    else
      result = 0;
  }
  return result;
}

BOOL SetPrinterProcessor(const char* printer, const char* processor) {
  return SetPrinterField(printer, &PRINTER_INFO_2A::pPrintProcessor, processor);
}

BOOL SetPrinterDatatype(const char* printer, const char* datatype) {
  return SetPrinterField(printer, &PRINTER_INFO_2A::pDatatype, datatype);
}

}  // namespace vq
