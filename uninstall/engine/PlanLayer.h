// CPlanLayer: the access layer of a run that only plans (switch PLAN). It
// reads the machine as the system's layer does, but every change is noted
// instead of made, and what was "changed" looks changed to the rest of the
// run: a deleted printer, driver, monitor or print processor is missing
// from enumerations and cannot be opened, a deleted key or value cannot be
// opened or read and is missing from enumerations, a deleted file is not
// found, and a folder counts as empty once everything in it was deleted. So
// the phases take the same decisions as in the real run that follows, and the
// plan is the list of what they did, from the action records.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "uninstall/system/AccessLayer.h"

namespace vq {

class CPlanLayer : public CAccessLayer {
 public:
  bool ChangesNothing() const override { return true; }

  // Printers
  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override;
  BOOL ClosePrinter(HANDLE printer) override;
  BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL DeletePrinterConnectionA(LPSTR name) override;
  BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) override;
  BOOL SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) override;
  // Drivers, monitors and print processors
  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override;
  BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) override;
  HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment) override;
  BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;
  BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) override;
  BOOL EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                            DWORD size, LPDWORD needed, LPDWORD returned) override;
  BOOL DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) override;
  // Registry
  LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) override;
  LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override;
  LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) override;
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                     LPDWORD type, LPBYTE data, LPDWORD dataSize) override;
  LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataSize) override;
  LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD size) override;
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override;
  LONG RegDeleteValueA(HKEY key, LPCSTR valueName) override;
  LONG RegCloseKey(HKEY key) override;
  // Files and folders
  BOOL DeleteFileA(LPCSTR path) override;
  BOOL RemoveDirectoryA(LPCSTR path) override;
  BOOL MoveFileA(LPCSTR from, LPCSTR to) override;
  BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) override;
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override;
  // The INF copy and its .pnf count as deleted.
  BOOL SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) override;
  // Services: the spooler is started when it is stopped (the run needs it and
  // the real run starts it too), never stopped; nothing is deleted.
  SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override;
  BOOL DeleteService(SC_HANDLE service) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;
  // A plan restarts nothing.
  BOOL ExitWindowsEx(UINT flags, DWORD reason) override;
  BOOL InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout,
                                 BOOL forceAppsClosed, BOOL reboot, DWORD reason) override;

 private:
  std::string PathOf(HKEY key) const;
  std::string IdentityOf(HKEY opened, HKEY parent, LPCSTR subKey) const;
  bool KeyDeleted(const std::string& path) const;
  // Notes the deletion of HKLM\`machinePath` when that key exists.
  void NoteKeyDeleted(const std::string& machinePath);
  LONG Opened(HKEY parent, LPCSTR subKey, LONG rc, PHKEY result);
  std::string EnvironmentId(LPSTR environment);

  std::set<std::string> printers_;   // folded names of deleted printers and connections
  std::set<std::string> drivers_;    // environment id + "|" + folded driver name
  std::set<std::string> monitors_;
  std::set<std::string> processors_;  // environment id + "|" + folded name
  std::set<std::string> keys_;       // identities of deleted keys (see PathOf)
  std::set<std::string> values_;     // folded key path + "|" + value name
  std::set<std::string> files_;      // folded paths of deleted files and folders
  std::set<std::string> services_;   // folded names of deleted services
  std::map<HANDLE, std::string> openPrinters_;
  std::map<HKEY, std::string> openKeys_;
  std::map<SC_HANDLE, std::string> openServices_;
  std::map<std::string, std::string> environmentIds_;
};

}  // namespace vq
