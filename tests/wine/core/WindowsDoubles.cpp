#include "tests/wine/core/WindowsDoubles.h"

#include <cstring>

#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/SpoolerQueries.h"

namespace vq::doubles {

namespace {

// ERROR_PRINTER_DRIVER_PACKAGE_IN_USE; the oldest headers lack it.
constexpr DWORD kPackageInUse = 3015;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::string Text(const char* s) { return s ? s : ""; }

bool IsNativeEnvironment(const char* environment) {
  return !environment || !*environment || EqualNoCase(environment, "Windows NT x86");
}

// The records of an enumeration through `layer`, as `EnumerateRecords` reads them.
template <typename Record, typename Enumerate>
std::vector<Record> Records(std::vector<BYTE>& buffer, Enumerate enumerate) {
  const DWORD count = EnumerateRecords<Record>(buffer, enumerate);
  const Record* first = reinterpret_cast<const Record*>(buffer.data());
  return std::vector<Record>(first, first + count);
}

}  // namespace

// ---- functions a Windows does not have yet --------------------------------

CMissingFunctions::CMissingFunctions(CAccessLayer* below, int version, bool vista)
    : CAccessLayer(below),
      nt_(version == COsVersion::kVersionNT3 || version == COsVersion::kVersionNT4 ||
          version == COsVersion::kVersionNT5 || version == COsVersion::kVersionXP || vista),
      win2000_(version == COsVersion::kVersionNT5 || version == COsVersion::kVersionXP || vista),
      xp_(version == COsVersion::kVersionXP || vista),
      vista_(vista) {}

// win95, win98, me: the spooler's W functions are stubs.
BOOL CMissingFunctions::EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer,
                                      DWORD size, LPDWORD needed, LPDWORD returned) {
  if (!nt_) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  return CAccessLayer::EnumPrintersW(flags, name, level, buffer, size, needed, returned);
}
BOOL CMissingFunctions::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (!nt_) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  return CAccessLayer::OpenPrinterW(name, printer, defaults);
}
// GetDefaultPrinter: Windows 2000 and later.
BOOL CMissingFunctions::GetDefaultPrinterA(LPSTR buffer, LPDWORD size) {
  if (!win2000_) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  return CAccessLayer::GetDefaultPrinterA(buffer, size);
}
// DeletePrinterDriverPackage: Windows Vista and later.
HRESULT CMissingFunctions::DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath,
                                                       LPCSTR environment) {
  if (!vista_) return HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED);
  return CAccessLayer::DeletePrinterDriverPackageA(server, infPath, environment);
}
// SetupUninstallOEMInf: Windows XP and later.
BOOL CMissingFunctions::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) {
  if (!xp_) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  return CAccessLayer::SetupUninstallOEMInfA(infFileName, flags, reserved);
}
// SetupGetInfDriverStoreLocation: Windows Vista and later.
BOOL CMissingFunctions::SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                                        LPDWORD needed) {
  if (!vista_) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  return CAccessLayer::SetupGetInfDriverStoreLocationA(fileName, buffer, size, needed);
}
// Windows File Protection: Windows 2000 and later.
BOOL CMissingFunctions::SfcIsFileProtectedA(LPCSTR path) {
  if (!win2000_) return FALSE;
  return CAccessLayer::SfcIsFileProtectedA(path);
}
// InitiateSystemShutdownEx: Windows XP and later; InitiateSystemShutdown (the
// layer's stand-in there): the NT family. Wine would restart the prefix.
BOOL CMissingFunctions::InitiateSystemShutdownExA(LPSTR, LPSTR, DWORD, BOOL, BOOL, DWORD) {
  if (!nt_) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  ++restartsStarted;
  return TRUE;
}

// ---- Windows 9x -------------------------------------------------------------

LONG CWindows9xFiles::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) {
  HKEY opened;
  if (::RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS) {
    char child[260];
    while (::RegEnumKeyA(opened, 0, child, sizeof(child)) == ERROR_SUCCESS)
      if (RegDeleteKeyExA(opened, child, view, 0) != ERROR_SUCCESS) break;
    ::RegCloseKey(opened);
  }
  return CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
}

BOOL CWindows9xFiles::MoveFileExA(LPCSTR, LPCSTR, DWORD) {
  return Fail(ERROR_CALL_NOT_IMPLEMENTED);
}

BOOL CWindows9xDefaultPrinter::SetPrinterA(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  if (!CAccessLayer::SetPrinterA(printer, level, info, command)) return FALSE;
  const auto* set = reinterpret_cast<const PRINTER_INFO_2A*>(info);
  if (level != 2 || !set || !(set->Attributes & PRINTER_ATTRIBUTE_DEFAULT) || !set->pPrinterName)
    return TRUE;
  TakeDefaultFromOthers(set->pPrinterName);
  char device[1024] = "";
  Below().GetProfileStringA("windows", "device", "", device, sizeof(device));
  const std::string name = set->pPrinterName;
  if (!(_strnicmp(device, name.c_str(), name.size()) == 0 && device[name.size()] == ','))
    Below().WriteProfileStringA("windows", "device",
                                (name + ",winspool," + Text(set->pPortName)).c_str());
  return TRUE;
}

void CWindows9xDefaultPrinter::TakeDefaultFromOthers(const std::string& name) {
  DWORD needed = 0, count = 0;
  Below().EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> list(needed ? needed : 1);
  if (!Below().EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, list.data(), needed, &needed, &count))
    return;
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(list.data());
  for (DWORD i = 0; i < count; ++i) {
    if (!(printers[i].Attributes & PRINTER_ATTRIBUTE_DEFAULT) ||
        _stricmp(Text(printers[i].pPrinterName).c_str(), name.c_str()) == 0)
      continue;
    HANDLE other = nullptr;
    PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!Below().OpenPrinterA(printers[i].pPrinterName, &other, &all)) continue;
    DWORD size = 0;
    Below().GetPrinterA(other, 2, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (Below().GetPrinterA(other, 2, buffer.data(), size, &size)) {
      reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->Attributes &= ~PRINTER_ATTRIBUTE_DEFAULT;
      Below().SetPrinterA(other, 2, buffer.data(), 0);
    }
    Below().ClosePrinter(other);
  }
}

// ---- the NT 4.0 spooler, stopped and started --------------------------------

bool CStoppableSpooler::Refuse() const {
  if (stopped) SetLastError(RPC_S_SERVER_UNAVAILABLE);
  return stopped;
}

#define VQ_SPOOLER_CALL(call) \
  if (Refuse()) return FALSE; \
  return CAccessLayer::call

BOOL CStoppableSpooler::EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer,
                                      DWORD size, LPDWORD needed, LPDWORD returned) {
  if (Refuse()) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
    return FALSE;
  }
  return CAccessLayer::EnumPrintersA(flags, name, level, buffer, size, needed, returned);
}
BOOL CStoppableSpooler::EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer,
                                      DWORD size, LPDWORD needed, LPDWORD returned) {
  if (Refuse()) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
    return FALSE;
  }
  return CAccessLayer::EnumPrintersW(flags, name, level, buffer, size, needed, returned);
}
BOOL CStoppableSpooler::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  VQ_SPOOLER_CALL(OpenPrinterA(name, printer, defaults));
}
BOOL CStoppableSpooler::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  VQ_SPOOLER_CALL(OpenPrinterW(name, printer, defaults));
}
BOOL CStoppableSpooler::GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                                    LPDWORD needed) {
  VQ_SPOOLER_CALL(GetPrinterA(printer, level, buffer, size, needed));
}
BOOL CStoppableSpooler::GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                                    LPDWORD needed) {
  VQ_SPOOLER_CALL(GetPrinterW(printer, level, buffer, size, needed));
}
BOOL CStoppableSpooler::SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  VQ_SPOOLER_CALL(SetPrinterA(printer, level, buffer, command));
}
BOOL CStoppableSpooler::SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  VQ_SPOOLER_CALL(SetPrinterW(printer, level, buffer, command));
}
DWORD CStoppableSpooler::GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type,
                                         LPBYTE data, DWORD size, LPDWORD needed) {
  if (stopped) return RPC_S_SERVER_UNAVAILABLE;
  return CAccessLayer::GetPrinterDataA(printer, valueName, type, data, size, needed);
}
BOOL CStoppableSpooler::DeletePrinter(HANDLE printer) { VQ_SPOOLER_CALL(DeletePrinter(printer)); }
BOOL CStoppableSpooler::DeletePrinterConnectionA(LPSTR name) {
  VQ_SPOOLER_CALL(DeletePrinterConnectionA(name));
}
BOOL CStoppableSpooler::EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                                  LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  VQ_SPOOLER_CALL(EnumJobsA(printer, firstJob, count, level, buffer, size, needed, returned));
}
BOOL CStoppableSpooler::SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job,
                                DWORD command) {
  VQ_SPOOLER_CALL(SetJobA(printer, jobId, level, job, command));
}
BOOL CStoppableSpooler::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level,
                                            LPBYTE buffer, DWORD size, LPDWORD needed,
                                            LPDWORD returned) {
  if (Refuse()) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
    return FALSE;
  }
  return CAccessLayer::EnumPrinterDriversA(server, environment, level, buffer, size, needed,
                                           returned);
}
BOOL CStoppableSpooler::GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level,
                                          LPBYTE buffer, DWORD size, LPDWORD needed) {
  VQ_SPOOLER_CALL(GetPrinterDriverA(printer, environment, level, buffer, size, needed));
}
BOOL CStoppableSpooler::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  VQ_SPOOLER_CALL(DeletePrinterDriverA(server, environment, driverName));
}
BOOL CStoppableSpooler::GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                                   LPBYTE buffer, DWORD size, LPDWORD needed) {
  VQ_SPOOLER_CALL(GetPrinterDriverDirectoryA(server, environment, level, buffer, size, needed));
}
BOOL CStoppableSpooler::EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                      LPDWORD needed, LPDWORD returned) {
  if (Refuse()) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
    return FALSE;
  }
  return CAccessLayer::EnumMonitorsA(server, level, buffer, size, needed, returned);
}
BOOL CStoppableSpooler::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  VQ_SPOOLER_CALL(DeleteMonitorA(server, environment, monitorName));
}
BOOL CStoppableSpooler::EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level,
                                             LPBYTE buffer, DWORD size, LPDWORD needed,
                                             LPDWORD returned) {
  if (Refuse()) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
    return FALSE;
  }
  return CAccessLayer::EnumPrintProcessorsA(server, environment, level, buffer, size, needed,
                                            returned);
}
BOOL CStoppableSpooler::DeletePrintProcessorA(LPSTR server, LPSTR environment,
                                              LPSTR processorName) {
  VQ_SPOOLER_CALL(DeletePrintProcessorA(server, environment, processorName));
}
BOOL CStoppableSpooler::GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                                    LPBYTE buffer, DWORD size, LPDWORD needed) {
  VQ_SPOOLER_CALL(GetPrintProcessorDirectoryA(server, environment, level, buffer, size, needed));
}
#undef VQ_SPOOLER_CALL

SC_HANDLE CStoppableSpooler::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  SC_HANDLE service = CAccessLayer::OpenServiceA(manager, name, access);
  if (service && EqualNoCase(Text(name), "Spooler")) spoolerHandles_.insert(service);
  return service;
}
BOOL CStoppableSpooler::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  if (!IsSpooler(service) || control != SERVICE_CONTROL_STOP)
    return CAccessLayer::ControlService(service, control, status);
  if (stopped) return Fail(ERROR_SERVICE_NOT_ACTIVE);
  stopped = true;
  ++stops;
  return TRUE;
}
BOOL CStoppableSpooler::StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) {
  if (!IsSpooler(service)) return CAccessLayer::StartServiceA(service, argc, argv);
  if (!stopped) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  if (refuseStart > 0 && --refuseStart == 0) return Fail(ERROR_SERVICE_DISABLED);
  stopped = false;
  return TRUE;
}
BOOL CStoppableSpooler::QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  if (!IsSpooler(service)) return CAccessLayer::QueryServiceStatus(service, status);
  std::memset(status, 0, sizeof(*status));
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = stopped ? SERVICE_STOPPED : SERVICE_RUNNING;
  return TRUE;
}
BOOL CStoppableSpooler::CloseServiceHandle(SC_HANDLE handle) {
  spoolerHandles_.erase(handle);
  return CAccessLayer::CloseServiceHandle(handle);
}

// ---- drivers and monitors in use --------------------------------------------

BOOL CInUseRefusals::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  if (IsNativeEnvironment(environment)) {
    std::vector<BYTE> buffer;
    for (const PRINTER_INFO_2A& p : Records<PRINTER_INFO_2A>(buffer, [&](BYTE* d, DWORD s, DWORD* n, DWORD* c) {
           return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, d, s, n, c);
         }))
      if (EqualNoCase(Text(p.pDriverName), Text(driverName))) return Fail(ERROR_PRINTER_DRIVER_IN_USE);
  }
  return CAccessLayer::DeletePrinterDriverA(server, environment, driverName);
}

bool CInUseRefusals::MonitorInUse(const std::string& monitor) {
  std::set<std::string> ports;
  std::vector<BYTE> buffer;
  for (const PORT_INFO_2A& port : Records<PORT_INFO_2A>(buffer, [&](BYTE* d, DWORD s, DWORD* n, DWORD* c) {
         return ::EnumPortsA(nullptr, 2, d, s, n, c);
       }))
    if (EqualNoCase(Text(port.pMonitorName), monitor)) ports.insert(FoldedCopy(Text(port.pPortName)));
  for (const auto& extra : extraPorts)
    if (EqualNoCase(extra.second, monitor)) ports.insert(FoldedCopy(extra.first));
  std::vector<BYTE> printers;
  for (const PRINTER_INFO_2A& p : Records<PRINTER_INFO_2A>(printers, [&](BYTE* d, DWORD s, DWORD* n, DWORD* c) {
         return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, d, s, n, c);
       })) {
    // A printer may have several ports, separated by commas.
    std::string list = FoldedCopy(Text(p.pPortName));
    for (std::size_t start = 0; start <= list.size();) {
      std::size_t comma = list.find(',', start);
      if (comma == std::string::npos) comma = list.size();
      if (ports.count(list.substr(start, comma - start))) return true;
      start = comma + 1;
    }
  }
  return false;
}

BOOL CInUseRefusals::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  if (MonitorInUse(Text(monitorName))) return Fail(ERROR_PRINT_MONITOR_IN_USE);
  return CAccessLayer::DeleteMonitorA(server, environment, monitorName);
}

// ---- the driver store --------------------------------------------------------

BOOL CDriverStore::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed, LPDWORD returned) {
  const BOOL ok =
      CAccessLayer::EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned);
  if (!ok || level != 8 || !buffer) return ok;
  // The INF paths point into a string table of the double's own, which
  // lives as long as the double.
  DriverInfo8A* drivers = reinterpret_cast<DriverInfo8A*>(buffer);
  for (DWORD i = 0; i < *returned; ++i) {
    auto it = packageOfDriver.find(Text(drivers[i].pName));
    drivers[i].pszInfPath = nullptr;
    if (it == packageOfDriver.end() || removed.count(FoldedCopy(it->second))) continue;
    drivers[i].pszInfPath = const_cast<char*>(it->second.c_str());
  }
  return TRUE;
}

bool CDriverStore::PackageInUse(const std::string& infPath) {
  for (const char* environment : {static_cast<const char*>(nullptr), "Windows 4.0"}) {
    std::vector<BYTE> buffer;
    for (const DRIVER_INFO_2A& d : Records<DRIVER_INFO_2A>(buffer, [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
           return CAccessLayer::EnumPrinterDriversA(nullptr, const_cast<char*>(environment), 2, b,
                                                    s, n, c);
         })) {
      auto it = packageOfDriver.find(Text(d.pName));
      if (it != packageOfDriver.end() && EqualNoCase(it->second, infPath)) return true;
    }
  }
  return false;
}

HRESULT CDriverStore::DeletePrinterDriverPackageA(LPCSTR, LPCSTR infPath, LPCSTR) {
  const std::string path = Text(infPath);
  if (removed.count(FoldedCopy(path))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (PackageInUse(path)) return HRESULT_FROM_WIN32(kPackageInUse);
  Remove(path);
  return S_OK;
}

void CDriverStore::Remove(const std::string& infPath) {
  removed.insert(FoldedCopy(infPath));
  const std::string folder = infPath.substr(0, infPath.find_last_of('\\') + 1);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

BOOL CDriverStore::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) {
  for (const auto& entry : publishedAs)
    if (EqualNoCase(entry.second, Text(infFileName))) Remove(entry.first);
  return CAccessLayer::SetupUninstallOEMInfA(infFileName, flags, reserved);
}

BOOL CDriverStore::SetupCopyOEMInfA(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType,
                                    DWORD copyStyle) {
  const std::string from = Text(source);
  const std::string name = from.substr(from.find_last_of('\\') + 1);
  for (const auto& [driver, package] : packageOfDriver) {
    if (!EqualNoCase(package.substr(package.find_last_of('\\') + 1), name) ||
        !removed.count(FoldedCopy(package)))
      continue;
    const std::string fromFolder = from.substr(0, from.size() - name.size());
    const std::string folder = package.substr(0, package.size() - name.size());
    CreateDirectoryA(folder.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((fromFolder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return Fail(ERROR_FILE_NOT_FOUND);
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        CopyFileA((fromFolder + found.cFileName).c_str(), (folder + found.cFileName).c_str(), FALSE);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    removed.erase(FoldedCopy(package));
    auto published = publishedAs.find(package);
    if (published != publishedAs.end()) {
      char windows[MAX_PATH] = "";
      GetWindowsDirectoryA(windows, MAX_PATH);
      CopyFileA(from.c_str(), (std::string(windows) + "\\inf\\" + published->second).c_str(), TRUE);
    }
    return TRUE;
  }
  return CAccessLayer::SetupCopyOEMInfA(source, mediaLocation, mediaType, copyStyle);
}

BOOL CDriverStore::SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                                   LPDWORD needed) {
  std::string name = Text(fileName);
  name = name.substr(name.find_last_of("\\/") + 1);
  for (const auto& entry : publishedAs) {
    if (!EqualNoCase(entry.second, name) || removed.count(FoldedCopy(entry.first))) continue;
    if (needed) *needed = static_cast<DWORD>(entry.first.size() + 1);
    if (!buffer || size <= entry.first.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, entry.first.c_str(), entry.first.size() + 1);
    return TRUE;
  }
  return Fail(ERROR_FILE_NOT_FOUND);
}

std::vector<std::string> CDriverStore::DriversWithoutPackage() {
  std::vector<std::string> orphans;
  std::vector<BYTE> buffer;
  for (const DRIVER_INFO_2A& d : Records<DRIVER_INFO_2A>(buffer, [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
         return CAccessLayer::EnumPrinterDriversA(nullptr, nullptr, 2, b, s, n, c);
       })) {
    auto it = packageOfDriver.find(Text(d.pName));
    if (it != packageOfDriver.end() && removed.count(FoldedCopy(it->second)))
      orphans.push_back(Text(d.pName));
  }
  return orphans;
}

// ---- LocalSystem ------------------------------------------------------------

BOOL CLocalSystem::GetDefaultPrinterA(LPSTR, LPDWORD) { return Fail(ERROR_FILE_NOT_FOUND); }

BOOL CLocalSystem::DeletePrinter(HANDLE printer) {
  char userLine[1024] = "";
  Below().GetProfileStringA("windows", "device", "", userLine, sizeof(userLine));
  if (!CAccessLayer::DeletePrinter(printer)) return FALSE;
  Below().WriteProfileStringA("windows", "device", *userLine ? userLine : nullptr);
  return TRUE;
}

DWORD CLocalSystem::GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                                      DWORD size) {
  // Its own profile holds only what it wrote itself.
  const std::string prefix = Text(section) + "|" + Text(key) + "|";
  std::string value = Text(fallback);
  for (const std::string& written : profileWrites)
    if (written.compare(0, prefix.size(), prefix) == 0) value = written.substr(prefix.size());
  if (!buffer || size == 0) return 0;
  const std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

BOOL CLocalSystem::WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  profileWrites.push_back(Text(section) + "|" + Text(key) + "|" + Text(value));
  return TRUE;
}

BOOL CLocalSystem::ExitWindowsEx(UINT, DWORD) {
  ++sessionsEnded;
  return TRUE;
}

BOOL CLocalSystem::InitiateSystemShutdownExA(LPSTR, LPSTR, DWORD, BOOL, BOOL, DWORD) {
  ++restartsStarted;
  return TRUE;
}

// ---- profiles -----------------------------------------------------------------

std::vector<std::string> ProfileNames() {
  return {"Windows 98",  "Windows NT 4.0",          "Windows 2000",
          "Windows XP",  "Windows Vista and later", "LocalSystem (Windows XP)"};
}

std::unique_ptr<CProfile> MakeProfile(const std::string& name) {
  auto profile = std::make_unique<CProfile>();
  auto add = [&](CAccessLayer* layer) { profile->layers.emplace_back(layer); };
  auto top = [&]() -> CAccessLayer* { return profile->layers.empty() ? nullptr : &profile->Top(); };
  using V = COsVersion;
  const bool vista = name == "Windows Vista and later";
  int version = V::kVersionXP;
  if (name == "Windows 98") version = V::kVersion98;
  else if (name == "Windows NT 4.0") version = V::kVersionNT4;
  else if (name == "Windows 2000") version = V::kVersionNT5;
  else if (vista) version = V::kVersionOther;
  const bool nt = version != V::kVersion98;
  bool known = false;
  for (const std::string& n : ProfileNames()) known |= n == name;
  if (!known) return nullptr;
  profile->name = name;
  profile->os = COsVersion(nt ? V::kPlatformNT : V::kPlatformWin9x, version)
                    .WithMajorVersion(vista ? 6 : (nt ? 5 : 4));
  add(new CMissingFunctions(top(), version, vista));
  if (!nt) add(new CWindows9xFiles(top()));
  if (!nt) add(new CWindows9xDefaultPrinter(top()));
  if (nt) add(new CInUseRefusals(top()));
  if (version == V::kVersionNT4) add(new CStoppableSpooler(top()));
  if (vista) add(new CDriverStore(top()));
  if (name == "LocalSystem (Windows XP)") add(new CLocalSystem(top()));
  return profile;
}

}  // namespace vq::doubles
