#include "uninstall/system/AccessLayer.h"

#include <string>

#include "uninstall/system/Handles.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {
CAccessLayer g_systemLayer;
CAccessLayer* g_layer = &g_systemLayer;
}  // namespace

CAccessLayer& Access() { return *g_layer; }

CAccessLayerOverride::CAccessLayerOverride(CAccessLayer& layer) : previous_(g_layer) {
  g_layer = &layer;
}
CAccessLayerOverride::~CAccessLayerOverride() { g_layer = previous_; }

BOOL CAccessLayer::EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return ::EnumPrintersA(flags, name, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  return ::OpenPrinterA(name, printer, defaults);
}
BOOL CAccessLayer::ClosePrinter(HANDLE printer) { return ::ClosePrinter(printer); }
BOOL CAccessLayer::GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
  return ::GetPrinterA(printer, level, buffer, size, needed);
}
BOOL CAccessLayer::SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  return ::SetPrinterA(printer, level, buffer, command);
}
DWORD CAccessLayer::GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed) {
  return ::GetPrinterDataA(printer, valueName, type, data, size, needed);
}
BOOL CAccessLayer::DeletePrinter(HANDLE printer) { return ::DeletePrinter(printer); }
BOOL CAccessLayer::DeletePrinterConnectionA(LPSTR name) {
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
BOOL CAccessLayer::EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                             LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  return ::EnumJobsA(printer, firstJob, count, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
  return ::SetJobA(printer, jobId, level, job, command);
}
BOOL CAccessLayer::EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level,
                                       LPBYTE buffer, DWORD size, LPDWORD needed,
                                       LPDWORD returned) {
  return ::EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level,
                                     LPBYTE buffer, DWORD size, LPDWORD needed) {
  return ::GetPrinterDriverA(printer, environment, level, buffer, size, needed);
}
BOOL CAccessLayer::DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  return ::DeletePrinterDriverA(server, environment, driverName);
}
BOOL CAccessLayer::GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                              LPBYTE buffer, DWORD size, LPDWORD needed) {
  return ::GetPrinterDriverDirectoryA(server, environment, level, buffer, size, needed);
}
HRESULT CAccessLayer::DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath,
                                                  LPCSTR environment) {
  using Function = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPCSTR);
  static const Function function =
      FindSystemFunction<Function>("winspool.drv", "DeletePrinterDriverPackageA");
  if (!function) return HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED);
  return function(server, infPath, environment);
}
BOOL CAccessLayer::EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return ::EnumMonitorsA(server, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  return ::DeleteMonitorA(server, environment, monitorName);
}
BOOL CAccessLayer::EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level,
                                        LPBYTE buffer, DWORD size, LPDWORD needed,
                                        LPDWORD returned) {
  return ::EnumPrintProcessorsA(server, environment, level, buffer, size, needed, returned);
}
BOOL CAccessLayer::DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) {
  return ::DeletePrintProcessorA(server, environment, processorName);
}
BOOL CAccessLayer::GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                               LPBYTE buffer, DWORD size, LPDWORD needed) {
  return ::GetPrintProcessorDirectoryA(server, environment, level, buffer, size, needed);
}
LONG CAccessLayer::RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return ::RegOpenKeyA(key, subKey, result);
}
LONG CAccessLayer::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                 PHKEY result) {
  return ::RegOpenKeyExA(key, subKey, options, access, result);
}
LONG CAccessLayer::RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) {
  return ::RegEnumKeyA(key, index, name, size);
}
LONG CAccessLayer::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return ::RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
}
LONG CAccessLayer::RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize) {
  return ::RegQueryValueExA(key, valueName, reserved, type, data, dataSize);
}
LONG CAccessLayer::RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD size) {
  return ::RegSetValueExA(key, valueName, reserved, type, data, size);
}
LONG CAccessLayer::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) {
  if (!view) return ::RegDeleteKeyA(key, subKey);
  using Function = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  static const Function function = FindSystemFunction<Function>("advapi32.dll", "RegDeleteKeyExA");
  if (function) return function(key, subKey, view, reserved);
  const REGSAM own = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  if (view && !(view & own)) return ERROR_CALL_NOT_IMPLEMENTED;
  return ::RegDeleteKeyA(key, subKey);
}
LONG CAccessLayer::RegDeleteValueA(HKEY key, LPCSTR valueName) {
  return ::RegDeleteValueA(key, valueName);
}
LONG CAccessLayer::RegCloseKey(HKEY key) { return ::RegCloseKey(key); }
BOOL CAccessLayer::DeleteFileA(LPCSTR path) { return ::DeleteFileA(path); }
BOOL CAccessLayer::RemoveDirectoryA(LPCSTR path) { return ::RemoveDirectoryA(path); }
BOOL CAccessLayer::MoveFileA(LPCSTR from, LPCSTR to) { return ::MoveFileA(from, to); }
BOOL CAccessLayer::MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  return MoveFileExIfPresent(from, to, flags);
}
BOOL CAccessLayer::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  return ::SetFileAttributesA(path, attributes);
}
BOOL CAccessLayer::SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) {
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
BOOL CAccessLayer::SfcIsFileProtectedA(LPCSTR path) {
  using Function = BOOL(WINAPI*)(HANDLE, LPCWSTR);
  WCHAR wide[MAX_PATH];
  if (!path || !MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return FALSE;
  CModule sfc = LoadSystemLibrary("sfc.dll");
  const Function function = ExportOf<Function>(sfc, "SfcIsFileProtected");
  return function ? function(nullptr, wide) : FALSE;
}
SC_HANDLE CAccessLayer::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  return ::OpenSCManagerA(machine, database, access);
}
SC_HANDLE CAccessLayer::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  return ::OpenServiceA(manager, name, access);
}
BOOL CAccessLayer::QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  return ::QueryServiceStatus(service, status);
}
BOOL CAccessLayer::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  return ::ControlService(service, control, status);
}
BOOL CAccessLayer::StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) {
  return ::StartServiceA(service, argc, argv);
}
BOOL CAccessLayer::DeleteService(SC_HANDLE service) { return ::DeleteService(service); }
BOOL CAccessLayer::CloseServiceHandle(SC_HANDLE handle) { return ::CloseServiceHandle(handle); }

}  // namespace vq
