#include "uninstall/engine/PrinterRemoval.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "uninstall/engine/RegistryRemoval.h"
#include "uninstall/engine/UserMessages.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/KeyNames.h"
#include "uninstall/system/SpoolerHandles.h"
#include "uninstall/system/SpoolerQueries.h"

namespace vq {

namespace {

constexpr DWORD kMaxJobs = 100;
// The longest "device" line read back whole.
constexpr std::size_t kProfileLineChars = 4096;
// Windows NT keeps a value named after each printer in these per-user keys.
const char* const kPerUserPrinterKeys[] = {
    "Printers\\DevModes2",
    "Printers\\Settings",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts",
};
const char kPrintersKey9x[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";

char* Text(const char* s) { return const_cast<char*>(s); }
const char* OrEmpty(const char* s) { return s ? s : ""; }

// Cancels, then deletes, each queued job (at most 100) without asking; the
// results are ignored, as a job that ends by itself is gone either way.
void CancelAndDeleteJobs(HANDLE printer, const std::string& printerName) {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
    return Access().EnumJobsA(printer, 0, kMaxJobs, 1, data, size, needed, &count);
  });
  if (!ok) return;
  count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size() / sizeof(JOB_INFO_1A)));
  if (count > 0)
    LogOutcome("not restorable", Quoted(printerName),
               (std::to_string(count) + " print jobs, which no undo brings back").c_str());
  const JOB_INFO_1A* jobs = reinterpret_cast<const JOB_INFO_1A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    Access().SetJobA(printer, jobs[i].JobId, 0, nullptr, JOB_CONTROL_CANCEL);
    Access().SetJobA(printer, jobs[i].JobId, 0, nullptr, JOB_CONTROL_DELETE);
  }
}

// The per-printer class key under HKEY_CLASSES_ROOT that the printer's
// "UniqueID" data names, with all its subkeys, depth first and never a key
// the guard or the keep set protects (the value comes from the printer, and
// a value such as "CLSID" must not take the system's classes with it). Only a
// value that fits 32 bytes with its zero is read.
void DeleteUniqueIdKey(const CRemovalContext& ctx, HANDLE printer, const CKeptKeys& kept) {
  char id[33] = {};  // one byte more than offered: always terminated
  DWORD needed = 0;
  if (Access().GetPrinterDataA(printer, Text("UniqueID"), nullptr, reinterpret_cast<BYTE*>(id), 32,
                               &needed) != ERROR_SUCCESS)
    return;
  // An empty value would name HKEY_CLASSES_ROOT itself.
  if (!IsSingleKeyName(id)) return;
  for (REGSAM view : RegistryViews(ctx.os))
    if (DeleteKeyTree(HKEY_CLASSES_ROOT, id, &kept, view) == 1)
      LogAction("delete key tree", KeyText(HKEY_CLASSES_ROOT, id, view));
}

void DeletePerUserValues(const std::string& printerName) {
  for (const char* path : kPerUserPrinterKeys) {
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, path) == ERROR_SUCCESS)
      Access().RegDeleteValueA(key.Get(), printerName.c_str());
  }
}

// Windows 9x: the printer's keys go in the registry phase, the driver data
// key first. An item that does not fit a field is left out rather than cut,
// as a cut key would name another one.
void QueuePrinterKeys9x(CUninstallProfile& removal, const std::string& printerName) {
  if (!IsSingleKeyName(printerName)) return;
  const std::string key = std::string("HKLM,\"") + kPrintersKey9x + printerName;
  for (const std::string& item : {key + "\\PrinterDriverData,\"\"", key + ",\"\""}) {
    if (item.size() <= kFieldChars) removal.List(kRegistryKeys).push_back(item);
  }
}

// A local printer: jobs, class key, the printer; then the registry traces
// once it is gone. A printer that cannot be opened is taken as gone only when
// the spooler says there is no such printer; any other failure (access
// denied, a spooler that does not answer) leaves it and its traces in place.
void RemoveLocalPrinter(CRemovalContext& ctx, CPrinterRecord& p, const CKeptKeys& kept,
                        bool& defaultDeleted) {
  bool deletedNow = false;
  {
    CPrinter printer;
    if (!printer.Open(p.printerName.c_str(), PRINTER_ALL_ACCESS)) {
      const DWORD error = GetLastError();
      if (error != ERROR_INVALID_PRINTER_NAME) {
        ctx.Log("open printer", Quoted(p.printerName), error);
        return;
      }
    } else {
      ctx.lastDriverName = p.driverName;
      CancelAndDeleteJobs(printer.Get(), p.printerName);
      DeleteUniqueIdKey(ctx, printer.Get(), kept);
      if (!Access().DeletePrinter(printer.Get())) {
        ctx.Log("delete printer", Quoted(p.printerName), GetLastError());
        return;
      }
      deletedNow = true;
    }
  }
  p.removed = 1;
  if (p.isDefault) defaultDeleted = true;
  // Its traces go with it, before it is logged as gone: a run ended after
  // the line leaves nothing of the printer that a later run could not know.
  if (ctx.os.IsNT()) DeletePerUserValues(p.printerName);
  if (ctx.os.IsWin9x()) QueuePrinterKeys9x(ctx.database->removal, p.printerName);
  if (deletedNow) ctx.Log("delete printer", Quoted(p.printerName));
  else ctx.LogOutcome("printer", Quoted(p.printerName), "not installed any more, taken as gone");
}

// Makes the candidate the default printer and marks the records; false when
// that could not be done (the flags then stay as they are).
bool MakeCandidateDefault(CUninstallDatabase& db, const std::string& candidate,
                          const COsVersion& os) {
  char name[260];
  CopyBounded(name, sizeof(name), candidate.c_str());
  if (!MakeDefaultPrinter(name, os)) {
    LogOutcome("make default printer", Quoted(candidate),
               ("not made the default (error " + std::to_string(GetLastError()) +
                "): Windows chooses one").c_str());
    return false;
  }
  LogAction("make default printer", Quoted(candidate));
  for (CPrinterRecord& p : db.printers) p.isDefault = EqualNoCase(p.printerName, candidate) ? 1 : 0;
  return true;
}

// After the default printer went: the candidate becomes the default and the
// user is told, or the user learns that no printer is left. When the
// candidate cannot be made default nothing is shown, as Windows then picks a
// default of its own.
void ReplaceDefaultPrinter(CUninstallDatabase& db, const std::string& candidate,
                           const COsVersion& os) {
  if (candidate.empty()) {
    TellUser(IDS_DEFAULTDELETED_NONE, {}, MB_OK);
    return;
  }
  if (!MakeCandidateDefault(db, candidate, os)) return;
  TellUser(IDS_DEFAULTDELETED_NEW, {candidate}, MB_OK);
}

// Win32s names the driver in the device line by its main file's name without
// folder and extension; when the driver cannot be read, by the printer's
// print processor.
std::string Win32sDriverField(const char* printerName, const PRINTER_INFO_2A& info) {
  CPrinter printer;
  if (printer.Open(printerName, PRINTER_ACCESS_USE)) {
    std::vector<BYTE> buffer;
    BOOL ok = QueryWithGrowingBuffer(buffer, [&](BYTE* data, DWORD size, DWORD* needed) {
      return Access().GetPrinterDriverA(printer.Get(), nullptr, 2, data, size, needed);
    });
    if (ok && buffer.size() >= sizeof(DRIVER_INFO_2A)) {
      const DRIVER_INFO_2A* driver = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
      CFileSpec driverFile;
      driverFile.SetPath(OrEmpty(driver->pDriverPath));
      return driverFile.Name();
    }
  }
  return OrEmpty(info.pPrintProcessor);
}

// Windows NT and Win32s take the default printer from win.ini's "windows"
// section, key "device": "name,driver,port" (the spooler's own "winspool" on NT).
BOOL WriteDefaultDevice(const char* name, const PRINTER_INFO_2A& info, const COsVersion& os) {
  const std::string driver = os.IsWin32s() ? Win32sDriverField(name, info) : "winspool";
  const std::string device = std::string(name) + "," + driver + "," + OrEmpty(info.pPortName);
  return Access().WriteProfileStringA("windows", "device", device.c_str());
}

// Whether the user has a default printer now, listed or not: asked with
// GetDefaultPrinterA where the system has it, else read from the "device"
// setting whole (its name may be longer than the inventory reads). When the
// system cannot tell, a default is taken to exist, so that none is replaced.
bool HasDefaultPrinter() {
  char name[4] = "";
  DWORD size = sizeof(name);
  if (Access().GetDefaultPrinterA(name, &size)) return name[0] != '\0';
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return false;
  if (error != ERROR_CALL_NOT_IMPLEMENTED) return true;  // ERROR_INSUFFICIENT_BUFFER: one exists
  std::vector<char> device(kProfileLineChars);
  Access().GetProfileStringA("windows", "device", "", device.data(),
                             static_cast<DWORD>(device.size()));
  return device[0] != '\0';
}

void AnnounceDefaultChange(const COsVersion& os) {
  if (Access().ChangesNothing()) return;
  DWORD_PTR answer = 0;
  if (os.IsWin32s()) {
    SendMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
  } else if (os.IsWin9x()) {
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("windows"),
                        SMTO_NORMAL, 1000, &answer);
  } else {
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, 0, SMTO_NORMAL, 1000, &answer);
  }
}

}  // namespace

void RemovePrinters(CRemovalContext& ctx) {
  CUninstallDatabase& db = *ctx.database;
  const CKeptKeys kept(db.keep.List(kRegistryKeys));
  bool defaultDeleted = false;
  std::string candidate;  // the last printer kept so far: the next default
  for (CPrinterRecord& p : db.printers) {
    if (p.keep || p.isDisguise || p.removed) {
      // A printer that cannot be opened cannot be made the default either.
      if (!p.removed && !p.openError) candidate = p.printerName;
      continue;
    }
    // No record of the inventory has an empty name; with one, the calls
    // below would reach the print server instead of a printer.
    if (p.printerName.empty()) continue;
    if (!p.serverName.empty()) {
      // A connection: only the link goes; the printer and its traces are
      // the server's.
      if (Access().DeletePrinterConnectionA(Text(p.printerName.c_str()))) {
        p.removed = 1;
        if (p.isDefault) defaultDeleted = true;
        ctx.Log("delete printer connection", Quoted(p.printerName));
      } else {
        ctx.Log("delete printer connection", Quoted(p.printerName), GetLastError());
      }
      continue;
    }
    RemoveLocalPrinter(ctx, p, kept, defaultDeleted);
  }
  if (Access().RunsAsLocalSystem()) {
    // A deployment agent's account has no default printer of its own, and
    // the user's is not its to change.
    if (defaultDeleted || !candidate.empty())
      LogOutcome("default printer", "of the user", "left alone: LocalSystem has no default printer of its own");
    return;
  }
  if (defaultDeleted) {
    ReplaceDefaultPrinter(db, candidate, ctx.os);
  } else if (!candidate.empty() && !HasDefaultPrinter()) {
    // Printers remain but the user has no default at all (an earlier run
    // ended between deleting the default and choosing the next): choose one
    // now. A default the inventory did not list is still a default.
    MakeCandidateDefault(db, candidate, ctx.os);
  }
}

int MakeDefaultPrinter(char name[260], const COsVersion& os) {
  if (!name[0]) {
    std::vector<BYTE> buffer;
    if (EnumPrinterInfo2(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, buffer) > 0)
      CopyBounded(name, 260,
                  OrEmpty(reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->pPrinterName));
    if (!name[0]) return 0;  // no printer at all
  }
  CPrinter printer;
  if (!printer.Open(name, PRINTER_ALL_ACCESS)) return 0;
  std::vector<BYTE> buffer;
  if (!GetPrinterInfo2(printer.Get(), buffer)) return 0;
  PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  // Windows 9x takes the default from the printer's attribute, set through
  // its whole record; Windows NT from the user's device line alone, which is
  // how it sets one itself: the record, read back through the ANSI
  // functions, would spell every character of its texts that the code page
  // lacks as "?" and rename or re-share the printer. Win32s has both.
  BOOL set = TRUE;
  if (!os.IsNT()) {
    info->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
    set = Access().SetPrinterA(printer.Get(), 2, buffer.data(), 0);
  }
  if (!os.IsWin9x()) set = WriteDefaultDevice(name, *info, os);
  if (!set) return 0;
  AnnounceDefaultChange(os);
  return 1;
}

}  // namespace vq
