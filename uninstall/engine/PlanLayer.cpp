#include "uninstall/engine/PlanLayer.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "uninstall/profile/NameFolding.h"
#include "uninstall/system/Handles.h"
#include "uninstall/system/SpoolerQueries.h"
#include "uninstall/system/SystemFunctions.h"
#include "uninstall/system/WideText.h"

namespace vq {

namespace {

// A loop over what the system lists must end even if it keeps listing.
constexpr DWORD kMaxListed = 100000;

// What the plan remembers is told apart as the system tells names apart.
std::string Folded(const char* text) { return NameKey(text ? text : ""); }

// A wide name as the A functions give it, folded.
std::string FoldedAnsi(const wchar_t* text) { return NameKey(AnsiText(text)); }

std::string Join(const std::string& path, const char* name) {
  if (!name || !*name) return path;
  std::string joined = path;
  if (!joined.empty() && joined.back() != '\\') joined += '\\';
  joined += name;
  while (!joined.empty() && joined.back() == '\\') joined.pop_back();
  return NameKey(joined);
}

// Removes from the `count` records at the start of `buffer` those whose name
// `isGone` says were deleted, keeping the order; their texts stay where the
// system put them, so the kept records' pointers stay valid. The new count.
template <typename Record, typename Text, typename IsGone>
DWORD Compact(LPBYTE buffer, DWORD count, Text Record::*name, IsGone isGone) {
  Record* records = reinterpret_cast<Record*>(buffer);
  DWORD kept = 0;
  for (DWORD i = 0; i < count; ++i) {
    if (isGone(records[i].*name)) continue;
    if (kept != i) std::memmove(&records[kept], &records[i], sizeof(Record));
    ++kept;
  }
  return kept;
}

// The spooler's own keys, under which it keeps what it installed: deleting
// a printer, driver, monitor or print processor deletes its key too.
const char kPrintKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\";

// The environment whose keys hold what the spooler's own (null) stands for.
const char* SpoolerEnvironment(const char* environment) {
  if (environment && *environment) return environment;
  return sizeof(void*) == 8 ? "Windows x64" : "Windows NT x86";
}

// KEY_NAME_INFORMATION of NtQueryKey: the key's full name as the kernel has it.
struct KeyNameInformation {
  ULONG nameLength;  // in bytes
  WCHAR name[1];
};
constexpr int kKeyNameInformationClass = 3;

// The name of an open key as the kernel knows it ("\REGISTRY\MACHINE\..."),
// folded; empty where the system cannot tell (Windows 9x).
std::string KernelKeyName(HKEY key) {
  using Function = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  static const Function query = FindSystemFunction<Function>("ntdll.dll", "NtQueryKey");
  if (!query) return std::string();
  std::vector<BYTE> buffer(1024);
  ULONG needed = 0;
  if (query(key, kKeyNameInformationClass, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) {
    if (needed <= buffer.size() || needed > 65536) return std::string();
    buffer.resize(needed);
    if (query(key, kKeyNameInformationClass, buffer.data(), needed, &needed) != 0) return std::string();
  }
  const KeyNameInformation* info = reinterpret_cast<const KeyNameInformation*>(buffer.data());
  const int chars = static_cast<int>(std::min<ULONG>(info->nameLength, static_cast<ULONG>(buffer.size())) / sizeof(WCHAR));
  if (chars <= 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, info->name, chars, nullptr, 0, nullptr, nullptr);
  std::string name(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes <= 0 || !WideCharToMultiByte(CP_ACP, 0, info->name, chars, &name[0], bytes, nullptr, nullptr))
    return std::string();
  return NameKey(name);
}

}  // namespace

// ---- printers -------------------------------------------------------------

BOOL CPlanLayer::EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed, LPDWORD returned) {
  if (!CAccessLayer::EnumPrintersA(flags, name, level, buffer, size, needed, returned)) return FALSE;
  if (!buffer) return TRUE;
  auto gone = [&](const char* printer) { return printers_.count(Folded(printer)) != 0; };
  switch (level) {
    case 1:
      *returned = Compact(buffer, *returned, &PRINTER_INFO_1A::pName, gone);
      break;
    case 2:
      *returned = Compact(buffer, *returned, &PRINTER_INFO_2A::pPrinterName, gone);
      break;
    case 4:
      *returned = Compact(buffer, *returned, &PRINTER_INFO_4A::pPrinterName, gone);
      break;
    case 5:
      *returned = Compact(buffer, *returned, &PRINTER_INFO_5A::pPrinterName, gone);
      break;
  }
  return TRUE;
}

BOOL CPlanLayer::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  if (printers_.count(Folded(name))) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  if (!CAccessLayer::OpenPrinterA(name, printer, defaults)) return FALSE;
  openPrinters_[*printer] = name ? name : "";
  return TRUE;
}

BOOL CPlanLayer::ClosePrinter(HANDLE printer) {
  openPrinters_.erase(printer);
  return CAccessLayer::ClosePrinter(printer);
}

BOOL CPlanLayer::SetPrinterA(HANDLE, DWORD, LPBYTE, DWORD) { return TRUE; }

BOOL CPlanLayer::DeletePrinter(HANDLE printer) {
  auto it = openPrinters_.find(printer);
  if (it == openPrinters_.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  printers_.insert(NameKey(it->second));
  NoteKeyDeleted(kPrintKey + std::string("Printers\\") + it->second);
  return TRUE;
}

BOOL CPlanLayer::DeletePrinterConnectionA(LPSTR name) {
  printers_.insert(Folded(name));
  return TRUE;
}

BOOL CPlanLayer::SetJobA(HANDLE, DWORD, DWORD, LPBYTE, DWORD) { return TRUE; }

// Printers go by their ANSI names: a wide name counts as deleted when its
// ANSI form was.
BOOL CPlanLayer::EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed, LPDWORD returned) {
  if (!CAccessLayer::EnumPrintersW(flags, name, level, buffer, size, needed, returned)) return FALSE;
  if (!buffer) return TRUE;
  auto gone = [&](const wchar_t* printer) { return printers_.count(FoldedAnsi(printer)) != 0; };
  switch (level) {
    case 2:
      *returned = Compact(buffer, *returned, &PRINTER_INFO_2W::pPrinterName, gone);
      break;
    case 4:
      *returned = Compact(buffer, *returned, &PRINTER_INFO_4W::pPrinterName, gone);
      break;
  }
  return TRUE;
}

BOOL CPlanLayer::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (printers_.count(FoldedAnsi(name))) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  return CAccessLayer::OpenPrinterW(name, printer, defaults);
}

BOOL CPlanLayer::SetPrinterW(HANDLE, DWORD, LPBYTE, DWORD) { return TRUE; }

BOOL CPlanLayer::WriteProfileStringA(LPCSTR, LPCSTR, LPCSTR) { return TRUE; }

// ---- drivers, monitors and print processors -------------------------------

// Environments are told apart by their driver folder: the spooler's own
// (null) is "Windows NT x86" for a 32-bit program on 32-bit Windows.
std::string CPlanLayer::EnvironmentId(LPSTR environment) {
  const std::string key = environment ? environment : "";
  auto it = environmentIds_.find(key);
  if (it != environmentIds_.end()) return it->second;
  char folder[MAX_PATH + 1] = "";
  DWORD needed = 0;
  const BOOL found = CAccessLayer::GetPrinterDriverDirectoryA(
      nullptr, environment, 1, reinterpret_cast<BYTE*>(folder), MAX_PATH, &needed);
  folder[MAX_PATH] = '\0';
  return environmentIds_[key] = NameKey(found ? std::string(folder) : key);
}

BOOL CPlanLayer::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed, LPDWORD returned) {
  if (!CAccessLayer::EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned))
    return FALSE;
  if (!buffer) return TRUE;
  const std::string id = EnvironmentId(environment) + "|";
  auto gone = [&](const char* driver) { return drivers_.count(id + Folded(driver)) != 0; };
  switch (level) {
    case 1:
      *returned = Compact(buffer, *returned, &DRIVER_INFO_1A::pName, gone);
      break;
    case 2:
      *returned = Compact(buffer, *returned, &DRIVER_INFO_2A::pName, gone);
      break;
    case 3:
      *returned = Compact(buffer, *returned, &DRIVER_INFO_3A::pName, gone);
      break;
    case 8:
      *returned = Compact(buffer, *returned, &DriverInfo8A::pName, gone);
      break;
  }
  return TRUE;
}

// The driver's key is "Environments\<environment>\Drivers\Version-<n>\<name>"
// (on Windows 9x without the version), as the spooler lists the driver.
BOOL CPlanLayer::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  std::vector<BYTE> buffer;
  const DWORD count = EnumerateRecords<DRIVER_INFO_2A>(
      buffer, [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrinterDriversA(server, environment, 2, data, size, needed, returned);
      });
  const DRIVER_INFO_2A* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
  bool installed = false;
  for (DWORD i = 0; i < count; ++i) {
    if (!EqualNames(drivers[i].pName ? drivers[i].pName : "", driverName ? driverName : ""))
      continue;
    installed = true;
    const std::string driversKey = kPrintKey + std::string("Environments\\") +
                                   SpoolerEnvironment(drivers[i].pEnvironment) + "\\Drivers\\";
    NoteKeyDeleted(driversKey + driverName);
    NoteKeyDeleted(driversKey + "Version-" + std::to_string(drivers[i].cVersion) + "\\" + driverName);
  }
  if (!installed) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return FALSE;
  }
  drivers_.insert(EnvironmentId(environment) + "|" + Folded(driverName));
  return TRUE;
}

HRESULT CPlanLayer::DeletePrinterDriverPackageA(LPCSTR, LPCSTR, LPCSTR) { return S_OK; }

BOOL CPlanLayer::EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed, LPDWORD returned) {
  if (!CAccessLayer::EnumMonitorsA(server, level, buffer, size, needed, returned)) return FALSE;
  if (!buffer) return TRUE;
  auto gone = [&](const char* monitor) { return monitors_.count(Folded(monitor)) != 0; };
  if (level == 1)
    *returned = Compact(buffer, *returned, &MONITOR_INFO_1A::pName, gone);
  else if (level == 2)
    *returned = Compact(buffer, *returned, &MONITOR_INFO_2A::pName, gone);
  return TRUE;
}

// A monitor is one for every environment: the first deletion takes it, as
// the spooler's own does.
BOOL CPlanLayer::DeleteMonitorA(LPSTR, LPSTR, LPSTR monitorName) {
  const std::vector<std::string> monitors =
      EnumeratedNames<MONITOR_INFO_1A>([&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return EnumMonitorsA(nullptr, 1, data, size, needed, count);
      });
  const bool installed = std::any_of(monitors.begin(), monitors.end(), [&](const std::string& m) {
    return EqualNames(m, monitorName ? monitorName : "");
  });
  if (!installed) {
    SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
    return FALSE;
  }
  monitors_.insert(Folded(monitorName));
  NoteKeyDeleted(kPrintKey + std::string("Monitors\\") + monitorName);
  return TRUE;
}

BOOL CPlanLayer::EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                      DWORD size, LPDWORD needed, LPDWORD returned) {
  if (!CAccessLayer::EnumPrintProcessorsA(server, environment, level, buffer, size, needed, returned))
    return FALSE;
  if (!buffer || level != 1) return TRUE;
  const std::string id = EnvironmentId(environment) + "|";
  *returned = Compact(buffer, *returned, &PRINTPROCESSOR_INFO_1A::pName, [&](const char* processor) {
    return processors_.count(id + Folded(processor)) != 0;
  });
  return TRUE;
}

BOOL CPlanLayer::DeletePrintProcessorA(LPSTR, LPSTR environment, LPSTR processorName) {
  processors_.insert(EnvironmentId(environment) + "|" + Folded(processorName));
  NoteKeyDeleted(kPrintKey + std::string("Environments\\") + SpoolerEnvironment(environment) +
                 "\\Print Processors\\" + (processorName ? processorName : ""));
  return TRUE;
}

// ---- registry -------------------------------------------------------------

// A key is known by its name as the kernel has it: one name for every way of
// opening it, and a different one for each view of a key that 64-bit Windows
// keeps twice. Where the system cannot tell (Windows 9x), by the path it was
// opened by.
std::string CPlanLayer::PathOf(HKEY key) const {
  if (key == HKEY_LOCAL_MACHINE) return "hklm";
  if (key == HKEY_CURRENT_USER) return "hkcu";
  if (key == HKEY_CLASSES_ROOT) return "hkcr";
  if (key == HKEY_USERS) return "hku";
  auto it = openKeys_.find(key);
  return it != openKeys_.end() ? it->second : "?";
}

std::string CPlanLayer::IdentityOf(HKEY opened, HKEY parent, LPCSTR subKey) const {
  const std::string name = KernelKeyName(opened);
  return name.empty() ? Join(PathOf(parent), subKey) : name;
}

bool CPlanLayer::KeyDeleted(const std::string& path) const {
  for (std::size_t end = path.size(); end != std::string::npos && end > 0;
       end = path.rfind('\\', end - 1)) {
    if (keys_.count(path.substr(0, end))) return true;
    if (end == 0) break;
  }
  return false;
}

void CPlanLayer::NoteKeyDeleted(const std::string& machinePath) {
  HKEY opened = nullptr;
  if (CAccessLayer::RegOpenKeyExA(HKEY_LOCAL_MACHINE, machinePath.c_str(), 0, KEY_READ, &opened) !=
      ERROR_SUCCESS)
    return;  // no key: nothing for the spooler to take with it
  keys_.insert(IdentityOf(opened, HKEY_LOCAL_MACHINE, machinePath.c_str()));
  CAccessLayer::RegCloseKey(opened);
}

LONG CPlanLayer::RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return Opened(key, subKey, CAccessLayer::RegOpenKeyA(key, subKey, result), result);
}

LONG CPlanLayer::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                               PHKEY result) {
  return Opened(key, subKey, CAccessLayer::RegOpenKeyExA(key, subKey, options, access, result),
                result);
}

// A key the system opened is not found when the plan deleted it or a key
// that holds it.
LONG CPlanLayer::Opened(HKEY parent, LPCSTR subKey, LONG rc, PHKEY result) {
  if (rc != ERROR_SUCCESS) return rc;
  const std::string identity = IdentityOf(*result, parent, subKey);
  if (KeyDeleted(identity)) {
    CAccessLayer::RegCloseKey(*result);
    *result = nullptr;
    return ERROR_FILE_NOT_FOUND;
  }
  openKeys_[*result] = identity;
  return rc;
}

LONG CPlanLayer::RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) {
  const std::string path = PathOf(key);
  DWORD seen = 0;
  for (DWORD real = 0; real < kMaxListed; ++real) {
    const LONG rc = CAccessLayer::RegEnumKeyA(key, real, name, size);
    if (rc != ERROR_SUCCESS) return rc;
    if (KeyDeleted(Join(path, name))) continue;
    if (seen++ == index) return ERROR_SUCCESS;
  }
  return ERROR_NO_MORE_ITEMS;
}

LONG CPlanLayer::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize,
                               LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  const std::string path = PathOf(key) + "|";
  const DWORD nameRoom = nameSize ? *nameSize : 0, dataRoom = dataSize ? *dataSize : 0;
  DWORD seen = 0;
  for (DWORD real = 0; real < kMaxListed; ++real) {
    if (nameSize) *nameSize = nameRoom;
    if (dataSize) *dataSize = dataRoom;
    const LONG rc = CAccessLayer::RegEnumValueA(key, real, name, nameSize, reserved, type, data, dataSize);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
    if (values_.count(path + Folded(name))) continue;
    if (seen++ == index) return rc;
  }
  return ERROR_NO_MORE_ITEMS;
}

LONG CPlanLayer::RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                  LPBYTE data, LPDWORD dataSize) {
  if (values_.count(PathOf(key) + "|" + Folded(valueName))) return ERROR_FILE_NOT_FOUND;
  return CAccessLayer::RegQueryValueExA(key, valueName, reserved, type, data, dataSize);
}

LONG CPlanLayer::RegSetValueExA(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) {
  return ERROR_SUCCESS;
}

LONG CPlanLayer::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD) {
  HKEY opened = nullptr;
  const LONG rc = RegOpenKeyExA(key, subKey, 0, KEY_READ | view, &opened);
  if (rc != ERROR_SUCCESS) return rc;
  keys_.insert(PathOf(opened));
  RegCloseKey(opened);
  return ERROR_SUCCESS;
}

LONG CPlanLayer::RegDeleteValueA(HKEY key, LPCSTR valueName) {
  const std::string value = PathOf(key) + "|" + Folded(valueName);
  if (values_.count(value)) return ERROR_FILE_NOT_FOUND;
  const LONG rc = CAccessLayer::RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  values_.insert(value);
  return ERROR_SUCCESS;
}

LONG CPlanLayer::RegCloseKey(HKEY key) {
  openKeys_.erase(key);
  return CAccessLayer::RegCloseKey(key);
}

// ---- files and folders ----------------------------------------------------

BOOL CPlanLayer::DeleteFileA(LPCSTR path) {
  const std::string folded = Folded(path);
  const DWORD attributes = GetFileAttributesA(path);
  if (files_.count(folded) || attributes == INVALID_FILE_ATTRIBUTES) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // Held open by a program that does not share its deletion: the real run
  // finds it in use and schedules it.
  CFileHandle probe(CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe.IsValid()) return FALSE;
  files_.insert(folded);
  return TRUE;
}

BOOL CPlanLayer::RemoveDirectoryA(LPCSTR path) {
  std::string folder = path ? path : "";
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (files_.count(NameKey(folder))) {  // removed before
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!find.IsValid()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (!files_.count(NameKey(folder + "\\" + name))) {
      SetLastError(ERROR_DIR_NOT_EMPTY);
      return FALSE;
    }
  } while (FindNextFileA(find.Get(), &found));
  files_.insert(NameKey(folder));
  return TRUE;
}

BOOL CPlanLayer::MoveFileA(LPCSTR, LPCSTR) { return TRUE; }
BOOL CPlanLayer::MoveFileExA(LPCSTR, LPCSTR, DWORD) { return TRUE; }
BOOL CPlanLayer::SetFileAttributesA(LPCSTR, DWORD) { return TRUE; }

BOOL CPlanLayer::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD, PVOID) {
  char windows[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (!length || length >= MAX_PATH) return TRUE;
  const std::string inf = Join(Join(windows, "inf"), infFileName);
  files_.insert(inf);
  const std::size_t dot = inf.rfind('.');
  if (dot != std::string::npos && inf.find('\\', dot) == std::string::npos)
    files_.insert(inf.substr(0, dot) + ".pnf");
  return TRUE;
}

// ---- services -------------------------------------------------------------

SC_HANDLE CPlanLayer::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  SC_HANDLE service = CAccessLayer::OpenServiceA(manager, name, access);
  if (service) openServices_[service] = Folded(name);
  return service;
}

BOOL CPlanLayer::ControlService(SC_HANDLE, DWORD, LPSERVICE_STATUS) { return TRUE; }

BOOL CPlanLayer::DeleteService(SC_HANDLE service) {
  const std::string name = openServices_.count(service) ? openServices_[service] : std::string();
  if (services_.count(name)) {
    SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE);
    return FALSE;
  }
  services_.insert(name);
  return TRUE;
}

BOOL CPlanLayer::CloseServiceHandle(SC_HANDLE handle) {
  openServices_.erase(handle);
  return CAccessLayer::CloseServiceHandle(handle);
}

// ---- restart ----------------------------------------------------------------

BOOL CPlanLayer::ExitWindowsEx(UINT, DWORD) { return TRUE; }

BOOL CPlanLayer::InitiateSystemShutdownExA(LPSTR, LPSTR, DWORD, BOOL, BOOL, DWORD) { return TRUE; }

}  // namespace vq
