// The Windows the package runs on, where Wine is not them: one access-layer
// double per family of documented behaviour, each standing on the layer
// below it, stacked into a profile per target system. Each difference from
// Wine carries the documentation it follows.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/OsVersion.h"

namespace vq::doubles {

// Functions a Windows does not have yet answer ERROR_CALL_NOT_IMPLEMENTED,
// as the tool's run-time lookups do where the export is missing (Win32
// Programmer's Reference and MSDN "Requirements" of each function).
class CMissingFunctions : public CAccessLayer {
 public:
  // `version`: COsVersion's version code; `vista`: Windows Vista or later.
  CMissingFunctions(CAccessLayer* below, int version, bool vista);

  BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL GetDefaultPrinterA(LPSTR buffer, LPDWORD size) override;
  HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment) override;
  BOOL SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) override;
  BOOL SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                       LPDWORD needed) override;
  BOOL SfcIsFileProtectedA(LPCSTR path) override;
  BOOL InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout,
                                 BOOL forceAppsClosed, BOOL reboot, DWORD reason) override;

  // What the restart functions were asked to do.
  int restartsStarted = 0;

 private:
  bool nt_, win2000_, xp_, vista_;
};

// win95, win98, me: RegDeleteKeyA deletes a key with all its subkeys, where
// Windows NT's deletes only a key without any (Win32 Programmer's Reference,
// RegDeleteKey: "Windows 95: ... deletes the key and all its descendants");
// MoveFileExA is a stub ("Windows 95 General Limitations", MSDN 1998).
class CWindows9xFiles : public CAccessLayer {
 public:
  explicit CWindows9xFiles(CAccessLayer* below) : CAccessLayer(below) {}
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override;
  BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) override;
};

// win95, win98, me: a printer becomes the default through SetPrinter level 2
// with PRINTER_ATTRIBUTE_DEFAULT (KB 246772, its Windows 95/98/Me part); the
// spooler keeps one default, so the printer that was it loses the attribute,
// and WIN.INI's device line names the new one (KB 135387 reads the default
// from that line). Wine's SetPrinter only stores the attribute.
class CWindows9xDefaultPrinter : public CAccessLayer {
 public:
  explicit CWindows9xDefaultPrinter(CAccessLayer* below) : CAccessLayer(below) {}
  BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE info, DWORD command) override;

 private:
  void TakeDefaultFromOthers(const std::string& name);
};

// Windows NT 3.x and 4.0: the run stops the "Spooler" service at step 8 and
// starts it at step 16; from the stop to the start every spooler call fails
// with RPC_S_SERVER_UNAVAILABLE (1722), as the spooler's RPC server lives in
// the service ([MS-PRSOD] 2.7.1.1). Wine's spooler runs inside the caller
// and always answers, so the service itself is left running here.
class CStoppableSpooler : public CAccessLayer {
 public:
  explicit CStoppableSpooler(CAccessLayer* below) : CAccessLayer(below) {}

  bool stopped = false;
  int stops = 0;
  int refuseStart = 0;  // the n-th start from now fails (a damaged spooler); 0: none does

  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override;
  BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override;
  BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override;
  BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  DWORD GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data, DWORD size,
                        LPDWORD needed) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL DeletePrinterConnectionA(LPSTR name) override;
  BOOL EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, LPBYTE buffer,
                 DWORD size, LPDWORD needed, LPDWORD returned) override;
  BOOL SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) override;
  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override;
  BOOL GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                         LPDWORD needed) override;
  BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) override;
  BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                  DWORD size, LPDWORD needed) override;
  BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;
  BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) override;
  BOOL EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                            DWORD size, LPDWORD needed, LPDWORD returned) override;
  BOOL DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) override;
  BOOL GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                   DWORD size, LPDWORD needed) override;
  SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override;
  BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) override;
  BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;

 private:
  bool Refuse() const;  // true, with 1722 as the last error, while stopped
  bool IsSpooler(SC_HANDLE service) const { return spoolerHandles_.count(service) != 0; }
  std::set<SC_HANDLE> spoolerHandles_;
};

// The NT family refuses to delete a driver that a printer uses
// (ERROR_PRINTER_DRIVER_IN_USE, 3001: [MS-RPRN] 3.1.4.4.3
// RpcDeletePrinterDriver), and a port monitor while a printer's port or
// driver uses it (ERROR_PRINT_MONITOR_IN_USE, 3008: [MS-RPRN] 3.1.4.6.5
// RpcDeleteMonitor). Wine deletes both, even the system's "Local Port".
class CInUseRefusals : public CAccessLayer {
 public:
  explicit CInUseRefusals(CAccessLayer* below) : CAccessLayer(below) {}

  // Ports that Wine cannot have (their monitor has no library here), with
  // their monitor: the printers on them make that monitor in use.
  std::map<std::string, std::string> extraPorts;

  BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) override;
  BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) override;

 private:
  bool MonitorInUse(const std::string& monitor);
};

// Windows Vista and later keep each driver's package in the driver store
// (DRIVER_INFO_8 pszInfPath: "the path to the driver's .inf file in the
// driver store"). SetupUninstallOEMInf removes the package of a published
// oem<N>.inf whatever printer driver still uses it: it checks for devices
// only ("Using SetupAPI to Uninstall Devices and Driver Packages";
// SetupUninstallOEMInf: "... unless a device is still installed that uses
// the .inf file"). DeletePrinterDriverPackage refuses a package an installed
// driver uses (ERROR_PRINTER_DRIVER_PACKAGE_IN_USE, 3015). Wine has no driver
// store and lists level 8 without INF paths.
class CDriverStore : public CAccessLayer {
 public:
  explicit CDriverStore(CAccessLayer* below) : CAccessLayer(below) {}

  // The package of each driver, by driver name, and the published INF copy
  // (<Windows>\inf\oem<N>.inf, its file name) of each package.
  std::map<std::string, std::string> packageOfDriver;
  std::map<std::string, std::string> publishedAs;
  // Packages the store no longer has.
  std::set<std::string> removed;
  // A package is a folder holding its INF and files; removing a package
  // removes its folder, and SetupCopyOEMInf of a copy of its INF (files
  // beside it) stages it again into the same folder and publishes its INF
  // copy again (SetupCopyOEMInf: "copies a specified .inf file to the
  // %windir%/Inf directory"; from Windows Vista on "the driver store").

  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override;
  HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment) override;
  BOOL SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) override;
  BOOL SetupCopyOEMInfA(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType, DWORD copyStyle) override;
  BOOL SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                       LPDWORD needed) override;

  // Installed drivers (of every environment) whose package is gone.
  std::vector<std::string> DriversWithoutPackage();

 private:
  bool PackageInUse(const std::string& infPath);
  void Remove(const std::string& infPath);
};

// A deployment agent runs the tool as LocalSystem: it has no default printer
// of its own (GetDefaultPrinter: "the default printer for the current user";
// ERROR_FILE_NOT_FOUND when there is none), its profile strings are not the
// user's, and ExitWindowsEx ends only its own session, not the machine's
// (ExitWindowsEx remarks; a service restarts the machine with
// InitiateSystemShutdownEx). So a printer it deletes leaves the user's
// device line as it was, where Wine's DeletePrinter picks the caller's new
// default in the user's own key.
class CLocalSystem : public CAccessLayer {
 public:
  explicit CLocalSystem(CAccessLayer* below) : CAccessLayer(below) {}

  int sessionsEnded = 0;
  int restartsStarted = 0;
  std::vector<std::string> profileWrites;  // "section|key|value" written to its own profile

  BOOL GetDefaultPrinterA(LPSTR buffer, LPDWORD size) override;
  DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                          DWORD size) override;
  BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) override;
  BOOL ExitWindowsEx(UINT flags, DWORD reason) override;
  BOOL InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout,
                                 BOOL forceAppsClosed, BOOL reboot, DWORD reason) override;
  BOOL DeletePrinter(HANDLE printer) override;
  bool RunsAsLocalSystem() override { return true; }
};

// A target system: its version codes and its stack of doubles.
struct CProfile {
  std::string name;
  COsVersion os;
  std::vector<std::unique_ptr<CAccessLayer>> layers;  // bottom first
  CAccessLayer& Top() { return *layers.back(); }
  template <typename Layer>
  Layer* Find() {
    for (auto& l : layers)
      if (Layer* found = dynamic_cast<Layer*>(l.get())) return found;
    return nullptr;
  }
};

// The profiles of the systems the package names: "Windows 98", "Windows NT
// 4.0", "Windows 2000", "Windows XP", "Windows Vista and later", "LocalSystem
// (Windows XP)". Built on the layer in use now.
std::vector<std::string> ProfileNames();
std::unique_ptr<CProfile> MakeProfile(const std::string& name);

}  // namespace vq::doubles
