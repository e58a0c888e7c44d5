#include "uninstall/engine/DriverRemoval.h"

#include <winspool.h>

#include <algorithm>
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
#include "uninstall/system/WideText.h"

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

// The port monitors and print processors Windows itself installs (Windows
// 95 to 11, and Wine's): whatever a script says, they stay.
const char* const kWindowsMonitors[] = {
    "Local Port",          "Standard TCP/IP Port", "USB Monitor",
    "WSD Port",            "LPR Port",             "Hewlett-Packard Network Port",
    "Digital Network Port", "AppleTalk Printing Devices", "PJL Language Monitor",
    "Microsoft Shared Fax Monitor", "Windows NT Fax Monitor", "Microsoft Document Imaging Writer Monitor",
    "Send To Microsoft OneNote Monitor", "Microsoft XPS Document Writer Monitor", "IPP Port",
    "Local Monitor",
};
const char* const kWindowsPrintProcessors[] = {"WinPrint", "wineps"};

template <std::size_t N>
bool InNames(const char* const (&names)[N], const std::string& name) {
  for (const char* n : names)
    if (EqualNoCase(name, n)) return true;
  return false;
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
    if (error == ERROR_PRINTER_DRIVER_IN_USE) {
      ctx.LogOutcome("delete driver", logged, "kept: a printer uses it");
      return false;
    }
    if (error == ERROR_UNKNOWN_PRINTER_DRIVER) ctx.LogOutcome("delete driver", logged, "not installed");
    else ctx.Log("delete driver", logged, error);
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

}  // namespace

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

namespace {

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

// The same through the wide functions (Windows NT family): the record is
// written back exactly as it was read but for the one field, so names,
// comments, locations and share names beyond the ANSI code page survive.
BOOL SetPrinterFieldW(const std::wstring& printerName, LPWSTR PRINTER_INFO_2W::*field,
                      const char* text) {
  CPrinter printer;
  if (!printer.OpenWide(printerName.c_str(), PRINTER_ALL_ACCESS)) return FALSE;
  std::vector<BYTE> buffer;
  BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return Access().GetPrinterW(printer.Get(), 2, data, size, needed);
  });
  if (!ok || buffer.size() < sizeof(PRINTER_INFO_2W)) return FALSE;
  std::wstring wide = WideText(text);
  reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->*field = &wide[0];
  return Access().SetPrinterW(printer.Get(), 2, buffer.data(), 0);
}

// The local printers that use print processor `name`: by the wide names of
// the wide list where the system has it (the NT family), else by the ANSI
// names. False when the spooler cannot list them, as then nobody can tell
// that no printer uses it.
bool PrintersUsing(const char* name, std::vector<std::wstring>& wide,
                   std::vector<std::string>& ansi) {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  const BOOL listed = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return Access().EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, &count);
  });
  if (listed) {
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(PRINTER_INFO_2W)));
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
      if (printers[i].pPrinterName && printers[i].pPrintProcessor &&
          EqualNoCase(AnsiText(printers[i].pPrintProcessor), name))
        wide.push_back(printers[i].pPrinterName);
    return true;
  }
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  buffer.clear();
  count = 0;
  if (!QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
        return Access().EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, &count);
      }))
    return false;
  count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(PRINTER_INFO_2A)));
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (printers[i].pPrinterName && printers[i].pPrintProcessor &&
        EqualNoCase(printers[i].pPrintProcessor, name))
      ansi.push_back(printers[i].pPrinterName);
  return true;
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
    if (monitor.empty() || InList(ctx.keptMonitors, monitor.c_str())) continue;
    if (IsWindowsMonitor(monitor)) {
      ctx.LogOutcome("delete monitor", Quoted(monitor), "refused: a monitor of Windows");
      ctx.keptMonitors.push_back(monitor);
      continue;
    }
    const BOOL deleted = Access().DeleteMonitorA(nullptr, Text(environment), Text(monitor.c_str()));
    const DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
    if (!deleted && error != ERROR_UNKNOWN_PRINT_MONITOR) {
      // In use (ERROR_PRINT_MONITOR_IN_USE) or refused: the spooler keeps it,
      // and so must its key, or the next start of the spooler loses it for
      // the printers that print through it.
      if (error == ERROR_PRINT_MONITOR_IN_USE)
        ctx.LogOutcome("delete monitor", Quoted(monitor), "kept: a printer that stays uses it");
      else
        ctx.Log("delete monitor", Quoted(monitor), error);
      ctx.keptMonitors.push_back(monitor);
      continue;
    }
    // Deleted, or unknown to the spooler: its key goes (Win32s has none),
    // once per environment, before the line.
    if (!ctx.os.IsWin32s() && IsSingleKeyName(monitor))
      DeleteLocalMachineKey(kMonitorsKey + monitor, kFieldChars);
    if (deleted) ctx.Log("delete monitor", Quoted(monitor));
    else ctx.LogOutcome("delete monitor", Quoted(monitor), "not installed");
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
    // Printers are moved to the system's processor: it never goes, nor any
    // other of Windows'.
    if (IsWindowsPrintProcessor(processor)) continue;
    if (!ReleasePrintProcessor(processor.c_str())) {  // still in use: left in place
      ctx.LogOutcome("print processor", Quoted(processor), "kept: a printer could not be moved off it");
      continue;
    }
    const BOOL deleted =
        Access().DeletePrintProcessorA(nullptr, Text(environment), Text(processor.c_str()));
    const DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
    if (!deleted && error != ERROR_UNKNOWN_PRINTPROCESSOR) {
      // The spooler keeps it, and so must its key.
      ctx.Log("delete print processor", Quoted(processor), error);
      continue;
    }
    // The key first, then the line: a run ended after the line leaves no key.
    const std::string key = PrintProcessorKey(ctx.os, environment, processor);
    if (!key.empty()) DeleteLocalMachineKey(key, kKeyChars);
    if (deleted) ctx.Log("delete print processor", Quoted(processor));
    else ctx.LogOutcome("delete print processor", Quoted(processor), "not installed");
  }
}

bool IsWindowsMonitor(const std::string& name) { return InNames(kWindowsMonitors, name); }

bool IsWindowsPrintProcessor(const std::string& name) {
  return InNames(kWindowsPrintProcessors, name);
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
  std::vector<std::wstring> wide;
  std::vector<std::string> ansi;
  if (!PrintersUsing(name, wide, ansi)) return 0;
  int result = 1;
  for (const std::wstring& printer : wide) {
    if (SetPrinterFieldW(printer, &PRINTER_INFO_2W::pPrintProcessor, kSystemProcessor))
      SetPrinterFieldW(printer, &PRINTER_INFO_2W::pDatatype, kRawDatatype);  // result ignored
    else
      result = 0;
  }
  for (const std::string& printer : ansi) {
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
