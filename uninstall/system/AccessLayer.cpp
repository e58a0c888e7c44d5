#include "uninstall/system/AccessLayer.h"

#include <string>

#include "uninstall/system/Handles.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {
CSystemAccess g_systemLayer;
CAccessLayer* g_layer = &g_systemLayer;

// The spooler's W functions (Windows NT family), looked up when called.
template <typename Function>
Function WideSpoolerFunction(const char* name) {
  return FindSystemFunction<Function>("winspool.drv", name);
}
}  // namespace

CAccessLayer& Access() { return *g_layer; }

CAccessLayer::CAccessLayer(CAccessLayer* below) : below_(below ? below : &Access()) {}
bool CAccessLayer::ChangesNothing() const { return below_->ChangesNothing(); }

CAccessLayerOverride::CAccessLayerOverride(CAccessLayer& layer) : previous_(g_layer) {
  g_layer = &layer;
}
CAccessLayerOverride::~CAccessLayerOverride() { g_layer = previous_; }

BOOL CSystemAccess::EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return ::EnumPrintersA(flags, name, level, buffer, size, needed, returned);
}
BOOL CSystemAccess::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  return ::OpenPrinterA(name, printer, defaults);
}
BOOL CSystemAccess::ClosePrinter(HANDLE printer) { return ::ClosePrinter(printer); }
BOOL CSystemAccess::GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
  return ::GetPrinterA(printer, level, buffer, size, needed);
}
BOOL CSystemAccess::SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  return ::SetPrinterA(printer, level, buffer, command);
}
DWORD CSystemAccess::GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed) {
  return ::GetPrinterDataA(printer, valueName, type, data, size, needed);
}
BOOL CSystemAccess::DeletePrinter(HANDLE printer) { return ::DeletePrinter(printer); }
BOOL CSystemAccess::DeletePrinterConnectionA(LPSTR name) {
  // Windows 95's WINSPOOL.DRV may lack it.
  using Function = BOOL(WINAPI*)(LPSTR);
  static const Function function =
      FindSystemFunction<Function>("winspool.drv", "DeletePrinterConnectionA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(name);
}
BOOL CSystemAccess::EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer,
                                  DWORD size, LPDWORD needed, LPDWORD returned) {
  using Function = BOOL(WINAPI*)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
  static const Function function = WideSpoolerFunction<Function>("EnumPrintersW");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(flags, name, level, buffer, size, needed, returned);
}
BOOL CSystemAccess::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  using Function = BOOL(WINAPI*)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
  static const Function function = WideSpoolerFunction<Function>("OpenPrinterW");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(name, printer, defaults);
}
BOOL CSystemAccess::GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                                LPDWORD needed) {
  using Function = BOOL(WINAPI*)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
  static const Function function = WideSpoolerFunction<Function>("GetPrinterW");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(printer, level, buffer, size, needed);
}
BOOL CSystemAccess::SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  using Function = BOOL(WINAPI*)(HANDLE, DWORD, LPBYTE, DWORD);
  static const Function function = WideSpoolerFunction<Function>("SetPrinterW");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(printer, level, buffer, command);
}
BOOL CSystemAccess::GetDefaultPrinterA(LPSTR buffer, LPDWORD size) {
  using Function = BOOL(WINAPI*)(LPSTR, LPDWORD);
  static const Function function = WideSpoolerFunction<Function>("GetDefaultPrinterA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(buffer, size);
}
DWORD CSystemAccess::GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                                       DWORD size) {
  return ::GetProfileStringA(section, key, fallback, buffer, size);
}
BOOL CSystemAccess::WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  return ::WriteProfileStringA(section, key, value);
}
BOOL CSystemAccess::EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                             LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  return ::EnumJobsA(printer, firstJob, count, level, buffer, size, needed, returned);
}
BOOL CSystemAccess::SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
  return ::SetJobA(printer, jobId, level, job, command);
}
BOOL CSystemAccess::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level,
                                       LPBYTE buffer, DWORD size, LPDWORD needed,
                                       LPDWORD returned) {
  return ::EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned);
}
BOOL CSystemAccess::GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level,
                                     LPBYTE buffer, DWORD size, LPDWORD needed) {
  return ::GetPrinterDriverA(printer, environment, level, buffer, size, needed);
}
BOOL CSystemAccess::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  return ::DeletePrinterDriverA(server, environment, driverName);
}
BOOL CSystemAccess::GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                              LPBYTE buffer, DWORD size, LPDWORD needed) {
  return ::GetPrinterDriverDirectoryA(server, environment, level, buffer, size, needed);
}
HRESULT CSystemAccess::DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath,
                                                  LPCSTR environment) {
  using Function = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPCSTR);
  static const Function function =
      FindSystemFunction<Function>("winspool.drv", "DeletePrinterDriverPackageA");
  if (!function) return HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED);
  return function(server, infPath, environment);
}
BOOL CSystemAccess::EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return ::EnumMonitorsA(server, level, buffer, size, needed, returned);
}
BOOL CSystemAccess::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  return ::DeleteMonitorA(server, environment, monitorName);
}
BOOL CSystemAccess::EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level,
                                        LPBYTE buffer, DWORD size, LPDWORD needed,
                                        LPDWORD returned) {
  return ::EnumPrintProcessorsA(server, environment, level, buffer, size, needed, returned);
}
BOOL CSystemAccess::DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) {
  return ::DeletePrintProcessorA(server, environment, processorName);
}
BOOL CSystemAccess::GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                               LPBYTE buffer, DWORD size, LPDWORD needed) {
  return ::GetPrintProcessorDirectoryA(server, environment, level, buffer, size, needed);
}
LONG CSystemAccess::RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return ::RegOpenKeyA(key, subKey, result);
}
LONG CSystemAccess::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                 PHKEY result) {
  return ::RegOpenKeyExA(key, subKey, options, access, result);
}
LONG CSystemAccess::RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) {
  return ::RegEnumKeyA(key, index, name, size);
}
LONG CSystemAccess::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return ::RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
}
LONG CSystemAccess::RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize) {
  return ::RegQueryValueExA(key, valueName, reserved, type, data, dataSize);
}
LONG CSystemAccess::RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD size) {
  return ::RegSetValueExA(key, valueName, reserved, type, data, size);
}
LONG CSystemAccess::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) {
  if (!view) return ::RegDeleteKeyA(key, subKey);
  using Function = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  static const Function function = FindSystemFunction<Function>("advapi32.dll", "RegDeleteKeyExA");
  if (function) return function(key, subKey, view, reserved);
  const REGSAM own = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  if (view && !(view & own)) return ERROR_CALL_NOT_IMPLEMENTED;
  return ::RegDeleteKeyA(key, subKey);
}
LONG CSystemAccess::RegDeleteValueA(HKEY key, LPCSTR valueName) {
  return ::RegDeleteValueA(key, valueName);
}
LONG CSystemAccess::RegCloseKey(HKEY key) { return ::RegCloseKey(key); }
BOOL CSystemAccess::DeleteFileA(LPCSTR path) { return ::DeleteFileA(path); }
BOOL CSystemAccess::RemoveDirectoryA(LPCSTR path) { return ::RemoveDirectoryA(path); }
BOOL CSystemAccess::MoveFileA(LPCSTR from, LPCSTR to) { return ::MoveFileA(from, to); }
BOOL CSystemAccess::MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  return MoveFileExIfPresent(from, to, flags);
}
BOOL CSystemAccess::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  return ::SetFileAttributesA(path, attributes);
}
DWORD CSystemAccess::GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
  return ::GetShortPathNameA(longPath, shortPath, size);
}
BOOL CSystemAccess::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) {
  using Function = BOOL(WINAPI*)(LPCSTR, DWORD, PVOID);
  CModule setupapi = LoadSystemLibrary("setupapi.dll");
  const Function function = ExportOf<Function>(setupapi, "SetupUninstallOEMInfA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  const BOOL done = function(infFileName, flags, reserved);
  const DWORD error = GetLastError();  // kept across the library's release
  setupapi.Close();
  SetLastError(error);
  return done;
}
BOOL CSystemAccess::SetupCopyOEMInfA(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType,
                                     DWORD copyStyle) {
  using Function = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD, DWORD, LPSTR, DWORD, PDWORD, LPSTR*);
  CModule setupapi = LoadSystemLibrary("setupapi.dll");
  const Function function = ExportOf<Function>(setupapi, "SetupCopyOEMInfA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  const BOOL done = function(source, mediaLocation, mediaType, copyStyle, nullptr, 0, nullptr, nullptr);
  const DWORD error = GetLastError();  // kept across the library's release
  setupapi.Close();
  SetLastError(error);
  return done;
}
BOOL CSystemAccess::SfcIsFileProtectedA(LPCSTR path) {
  using Function = BOOL(WINAPI*)(HANDLE, LPCWSTR);
  WCHAR wide[MAX_PATH];
  if (!path || !MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return FALSE;
  CModule sfc = LoadSystemLibrary("sfc.dll");
  const Function function = ExportOf<Function>(sfc, "SfcIsFileProtected");
  return function ? function(nullptr, wide) : FALSE;
}
BOOL CSystemAccess::SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                                    LPDWORD needed) {
  using Function = BOOL(WINAPI*)(LPCSTR, const void*, LPCSTR, LPSTR, DWORD, LPDWORD);
  CModule setupapi = LoadSystemLibrary("setupapi.dll");
  const Function function = ExportOf<Function>(setupapi, "SetupGetInfDriverStoreLocationA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  const BOOL found = function(fileName, nullptr, nullptr, buffer, size, needed);
  const DWORD error = GetLastError();  // kept across the library's release
  setupapi.Close();
  SetLastError(error);
  return found;
}
SC_HANDLE CSystemAccess::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  return ::OpenSCManagerA(machine, database, access);
}
SC_HANDLE CSystemAccess::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  return ::OpenServiceA(manager, name, access);
}
BOOL CSystemAccess::QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  return ::QueryServiceStatus(service, status);
}
BOOL CSystemAccess::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  return ::ControlService(service, control, status);
}
BOOL CSystemAccess::StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) {
  return ::StartServiceA(service, argc, argv);
}
BOOL CSystemAccess::DeleteService(SC_HANDLE service) { return ::DeleteService(service); }
BOOL CSystemAccess::CloseServiceHandle(SC_HANDLE handle) { return ::CloseServiceHandle(handle); }

HCONV CSystemAccess::DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context) {
  return ::DdeConnect(instance, service, topic, context);
}

BOOL CSystemAccess::ExitWindowsEx(UINT flags, DWORD reason) {
  return ::ExitWindowsEx(flags, reason);
}
BOOL CSystemAccess::InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout,
                                              BOOL forceAppsClosed, BOOL reboot, DWORD reason) {
  using FunctionEx = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, BOOL, BOOL, DWORD);
  using Function = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, BOOL, BOOL);
  static const FunctionEx functionEx =
      FindSystemFunction<FunctionEx>("advapi32.dll", "InitiateSystemShutdownExA");
  if (functionEx) return functionEx(machine, message, timeout, forceAppsClosed, reboot, reason);
  static const Function function =
      FindSystemFunction<Function>("advapi32.dll", "InitiateSystemShutdownA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(machine, message, timeout, forceAppsClosed, reboot);
}
bool CSystemAccess::RunsAsLocalSystem() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  alignas(TOKEN_USER) BYTE buffer[256];
  DWORD size = 0;
  const BOOL read = GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
  CloseHandle(token);
  if (!read) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID system = nullptr;
  if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system))
    return false;
  const bool same = EqualSid(reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid, system) != FALSE;
  FreeSid(system);
  return same;
}

// Every layer above the system asks the one below for what it does not answer itself.
BOOL CAccessLayer::EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return below_->EnumPrintersA(flags, name, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  return below_->OpenPrinterA(name, printer, defaults);
}
BOOL CAccessLayer::ClosePrinter(HANDLE printer) { return below_->ClosePrinter(printer); }
BOOL CAccessLayer::GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
  return below_->GetPrinterA(printer, level, buffer, size, needed);
}
BOOL CAccessLayer::SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  return below_->SetPrinterA(printer, level, buffer, command);
}
DWORD CAccessLayer::GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed) {
  return below_->GetPrinterDataA(printer, valueName, type, data, size, needed);
}
BOOL CAccessLayer::DeletePrinter(HANDLE printer) { return below_->DeletePrinter(printer); }
BOOL CAccessLayer::DeletePrinterConnectionA(LPSTR name) {
  return below_->DeletePrinterConnectionA(name);
}
BOOL CAccessLayer::EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return below_->EnumPrintersW(flags, name, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  return below_->OpenPrinterW(name, printer, defaults);
}
BOOL CAccessLayer::GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
  return below_->GetPrinterW(printer, level, buffer, size, needed);
}
BOOL CAccessLayer::SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  return below_->SetPrinterW(printer, level, buffer, command);
}
BOOL CAccessLayer::GetDefaultPrinterA(LPSTR buffer, LPDWORD size) {
  return below_->GetDefaultPrinterA(buffer, size);
}
DWORD CAccessLayer::GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                                      DWORD size) {
  return below_->GetProfileStringA(section, key, fallback, buffer, size);
}
BOOL CAccessLayer::WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  return below_->WriteProfileStringA(section, key, value);
}
BOOL CAccessLayer::EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                             LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  return below_->EnumJobsA(printer, firstJob, count, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
  return below_->SetJobA(printer, jobId, level, job, command);
}
BOOL CAccessLayer::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed, LPDWORD returned) {
  return below_->EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed) {
  return below_->GetPrinterDriverA(printer, environment, level, buffer, size, needed);
}
BOOL CAccessLayer::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  return below_->DeletePrinterDriverA(server, environment, driverName);
}
BOOL CAccessLayer::GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                              LPBYTE buffer, DWORD size, LPDWORD needed) {
  return below_->GetPrinterDriverDirectoryA(server, environment, level, buffer, size, needed);
}
HRESULT CAccessLayer::DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath,
                                                  LPCSTR environment) {
  return below_->DeletePrinterDriverPackageA(server, infPath, environment);
}
BOOL CAccessLayer::EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return below_->EnumMonitorsA(server, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  return below_->DeleteMonitorA(server, environment, monitorName);
}
BOOL CAccessLayer::EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                        DWORD size, LPDWORD needed, LPDWORD returned) {
  return below_->EnumPrintProcessorsA(server, environment, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) {
  return below_->DeletePrintProcessorA(server, environment, processorName);
}
BOOL CAccessLayer::GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                               LPBYTE buffer, DWORD size, LPDWORD needed) {
  return below_->GetPrintProcessorDirectoryA(server, environment, level, buffer, size, needed);
}
LONG CAccessLayer::RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return below_->RegOpenKeyA(key, subKey, result);
}
LONG CAccessLayer::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                 PHKEY result) {
  return below_->RegOpenKeyExA(key, subKey, options, access, result);
}
LONG CAccessLayer::RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) {
  return below_->RegEnumKeyA(key, index, name, size);
}
LONG CAccessLayer::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return below_->RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
}
LONG CAccessLayer::RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize) {
  return below_->RegQueryValueExA(key, valueName, reserved, type, data, dataSize);
}
LONG CAccessLayer::RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD size) {
  return below_->RegSetValueExA(key, valueName, reserved, type, data, size);
}
LONG CAccessLayer::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) {
  return below_->RegDeleteKeyExA(key, subKey, view, reserved);
}
LONG CAccessLayer::RegDeleteValueA(HKEY key, LPCSTR valueName) {
  return below_->RegDeleteValueA(key, valueName);
}
LONG CAccessLayer::RegCloseKey(HKEY key) { return below_->RegCloseKey(key); }
BOOL CAccessLayer::DeleteFileA(LPCSTR path) { return below_->DeleteFileA(path); }
BOOL CAccessLayer::RemoveDirectoryA(LPCSTR path) { return below_->RemoveDirectoryA(path); }
BOOL CAccessLayer::MoveFileA(LPCSTR from, LPCSTR to) { return below_->MoveFileA(from, to); }
BOOL CAccessLayer::MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  return below_->MoveFileExA(from, to, flags);
}
BOOL CAccessLayer::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  return below_->SetFileAttributesA(path, attributes);
}
DWORD CAccessLayer::GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
  return below_->GetShortPathNameA(longPath, shortPath, size);
}
BOOL CAccessLayer::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) {
  return below_->SetupUninstallOEMInfA(infFileName, flags, reserved);
}
BOOL CAccessLayer::SetupCopyOEMInfA(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType,
                                    DWORD copyStyle) {
  return below_->SetupCopyOEMInfA(source, mediaLocation, mediaType, copyStyle);
}
BOOL CAccessLayer::SfcIsFileProtectedA(LPCSTR path) { return below_->SfcIsFileProtectedA(path); }
BOOL CAccessLayer::SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                                   LPDWORD needed) {
  return below_->SetupGetInfDriverStoreLocationA(fileName, buffer, size, needed);
}
SC_HANDLE CAccessLayer::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  return below_->OpenSCManagerA(machine, database, access);
}
SC_HANDLE CAccessLayer::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  return below_->OpenServiceA(manager, name, access);
}
BOOL CAccessLayer::QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  return below_->QueryServiceStatus(service, status);
}
BOOL CAccessLayer::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  return below_->ControlService(service, control, status);
}
BOOL CAccessLayer::StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) {
  return below_->StartServiceA(service, argc, argv);
}
BOOL CAccessLayer::DeleteService(SC_HANDLE service) { return below_->DeleteService(service); }
BOOL CAccessLayer::CloseServiceHandle(SC_HANDLE handle) {
  return below_->CloseServiceHandle(handle);
}
HCONV CAccessLayer::DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context) {
  return below_->DdeConnect(instance, service, topic, context);
}
BOOL CAccessLayer::ExitWindowsEx(UINT flags, DWORD reason) {
  return below_->ExitWindowsEx(flags, reason);
}
BOOL CAccessLayer::InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout,
                                             BOOL forceAppsClosed, BOOL reboot, DWORD reason) {
  return below_->InitiateSystemShutdownExA(machine, message, timeout, forceAppsClosed, reboot,
                                           reason);
}
bool CAccessLayer::RunsAsLocalSystem() { return below_->RunsAsLocalSystem(); }

}  // namespace vq
