// CAccessLayer: the one route by which the tool reaches the print spooler,
// the registry, the service manager and the file operations that change the
// machine. Each operation has the arguments, structures and result
// convention of the Win32 function of the same name; the base class calls the
// operating system directly.
//
// Layers stack: a layer answers every operation it does not override by
// asking the layer below it, which is the one that was in use when it was
// made (in the end the system's, CSystemAccess). A test derives from it and
// overrides the operations whose outcome Wine cannot produce (a connection
// to another computer, a spooler that answers 1722, an enumeration that
// fails part-way, Windows 9x's RegDeleteKeyA that takes the subkeys with it,
// a system without MoveFileExA, a service that is still starting, a volume
// without 8.3 names, a window that holds a DDE broadcast), then installs its
// object with CAccessLayerOverride; a plan of the run (switch PLAN) then
// stands on that test's layer. Registry keys and service handles handed out
// are real ones.
#pragma once

#include <windows.h>
#include <ddeml.h>
#include <winspool.h>

namespace vq {

// The level-8 driver record of EnumPrinterDriversA (Windows Vista and later),
// laid out as the spooler writes it. The tool is built against the headers of
// the oldest systems it runs on, which do not declare it.
struct DriverInfo8A {
  DWORD cVersion;
  LPSTR pName;
  LPSTR pEnvironment;
  LPSTR pDriverPath;
  LPSTR pDataFile;
  LPSTR pConfigFile;
  LPSTR pHelpFile;
  LPSTR pDependentFiles;
  LPSTR pMonitorName;
  LPSTR pDefaultDataType;
  LPSTR pszzPreviousNames;
  FILETIME ftDriverDate;
  DWORDLONG dwlDriverVersion;
  LPSTR pszMfgName;
  LPSTR pszOEMUrl;
  LPSTR pszHardwareID;
  LPSTR pszProvider;
  LPSTR pszPrintProcessor;
  LPSTR pszVendorSetup;
  LPSTR pszzColorProfiles;
  LPSTR pszInfPath;  // the driver's package in the driver store
  DWORD dwPrinterDriverAttributes;
  LPSTR pszzCoreDriverDependencies;
  FILETIME ftMinInboxDriverVerDate;
  DWORDLONG dwlMinInboxDriverVerVersion;
};

class CAccessLayer {
 public:
  // Stands on `below`, or on the layer in use now when none is given.
  explicit CAccessLayer(CAccessLayer* below = nullptr);
  virtual ~CAccessLayer() = default;
  CAccessLayer(const CAccessLayer&) = delete;
  CAccessLayer& operator=(const CAccessLayer&) = delete;

  // True for a layer that only plans (switch PLAN): it answers as the system
  // would but changes nothing, and the few changes that do not go through a
  // layer (hook exports, INI files, profile strings, program-manager
  // commands, the disguise tool, reboot-time lists) are logged, not made.
  virtual bool ChangesNothing() const;

  // Printers
  virtual BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                             LPDWORD needed, LPDWORD returned);
  virtual BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults);
  virtual BOOL ClosePrinter(HANDLE printer);
  virtual BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
  virtual BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command);
  virtual DWORD GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                DWORD size, LPDWORD needed);
  virtual BOOL DeletePrinter(HANDLE printer);
  virtual BOOL DeletePrinterConnectionA(LPSTR name);
  // The same by the printers' own (wide) names, which the A functions give
  // with "?" for every character the ANSI code page lacks. Windows NT family
  // only (looked up when called): win95, win98, me have only stubs of the
  // spooler's W functions, and their printer names are ANSI anyway.
  virtual BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                             LPDWORD needed, LPDWORD returned);
  virtual BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults);
  virtual BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
  virtual BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command);
  // The default printer: the user's, so none for LocalSystem. Windows 2000
  // and later (looked up when called; ERROR_CALL_NOT_IMPLEMENTED elsewhere).
  virtual BOOL GetDefaultPrinterA(LPSTR buffer, LPDWORD size);
  // win.ini's profile strings (on Windows NT the user's registry), where
  // every Windows keeps the default printer's "device" line.
  virtual DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                                  DWORD size);
  virtual BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value);
  // Jobs
  virtual BOOL EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, LPBYTE buffer,
                         DWORD size, LPDWORD needed, LPDWORD returned);
  virtual BOOL SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command);
  // Drivers
  virtual BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                   DWORD size, LPDWORD needed, LPDWORD returned);
  virtual BOOL GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer,
                                 DWORD size, LPDWORD needed);
  virtual BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName);
  virtual BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                          LPBYTE buffer, DWORD size, LPDWORD needed);
  // Windows Vista and later (looked up when called): removes a driver package
  // from the driver store. HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED)
  // where it is missing.
  virtual HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment);
  // Monitors and print processors
  virtual BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                             LPDWORD returned);
  virtual BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName);
  virtual BOOL EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                    DWORD size, LPDWORD needed, LPDWORD returned);
  virtual BOOL DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName);
  virtual BOOL GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                           LPBYTE buffer, DWORD size, LPDWORD needed);
  // Registry
  virtual LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
  virtual LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
  virtual LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size);
  virtual LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                             LPDWORD type, LPBYTE data, LPDWORD dataSize);
  virtual LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                LPBYTE data, LPDWORD dataSize);
  virtual LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                              const BYTE* data, DWORD size);
  // `view` 0 is RegDeleteKeyA, as every Windows has it; KEY_WOW64_64KEY or
  // KEY_WOW64_32KEY (64-bit Windows) the key of that view. Where the system
  // lacks RegDeleteKeyExA, only the program's own view is answered.
  virtual LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved);
  virtual LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
  virtual LONG RegCloseKey(HKEY key);
  // Files and folders
  virtual BOOL DeleteFileA(LPCSTR path);
  virtual BOOL RemoveDirectoryA(LPCSTR path);
  virtual BOOL MoveFileA(LPCSTR from, LPCSTR to);
  // win95, win98, me: missing or a stub; answers ERROR_CALL_NOT_IMPLEMENTED there.
  virtual BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
  virtual BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
  // A volume may keep no 8.3 aliases; the long path then comes back.
  virtual DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);
  // Windows XP and later (setupapi.dll, loaded when called): uninstalls the
  // INF copy `infFileName` of <Windows>\inf with its precompiled .pnf and
  // the device installer's records of it. ERROR_CALL_NOT_IMPLEMENTED where it
  // is missing.
  virtual BOOL SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved);
  // setupapi.dll, loaded when called: stages the INF at `source` (and the
  // files beside it) as a published INF copy, into the driver store where
  // the system has one. ERROR_CALL_NOT_IMPLEMENTED where it is missing.
  virtual BOOL SetupCopyOEMInfA(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType, DWORD copyStyle);
  // Windows 2000 and later (sfc.dll, loaded when called): whether Windows
  // File Protection guards the file at `path`. FALSE where there is none.
  virtual BOOL SfcIsFileProtectedA(LPCSTR path);
  // Windows Vista and later (setupapi.dll, loaded when called): the INF
  // file in the driver store whose copy in <Windows>\inf is `fileName`.
  // ERROR_CALL_NOT_IMPLEMENTED where it is missing.
  virtual BOOL SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                               LPDWORD needed);
  // Services (Windows NT)
  virtual SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access);
  virtual SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access);
  virtual BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);
  virtual BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
  virtual BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv);
  virtual BOOL DeleteService(SC_HANDLE service);
  virtual BOOL CloseServiceHandle(SC_HANDLE handle);
  // DDE (program-manager commands). Its broadcast waits, on Windows, for
  // every top-level window to answer: a hung one blocks it without limit.
  virtual HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context);
  // Restart. ExitWindowsEx ends the caller's session: for the interactive
  // user that is the machine's restart, for LocalSystem nothing of the kind.
  virtual BOOL ExitWindowsEx(UINT flags, DWORD reason);
  // Windows XP and later; on Windows NT 4.0 and 2000 InitiateSystemShutdownA
  // (no reason) stands in; ERROR_CALL_NOT_IMPLEMENTED on Windows 9x.
  virtual BOOL InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout,
                                         BOOL forceAppsClosed, BOOL reboot, DWORD reason);
  // Not a Win32 function: whether the process's user is LocalSystem
  // (S-1-5-18), as a deployment agent starts it.
  virtual bool RunsAsLocalSystem();

 protected:
  CAccessLayer& Below() const { return *below_; }

 private:
  CAccessLayer* below_;
};

// The operating system itself: the bottom of every stack of layers.
class CSystemAccess final : public CAccessLayer {
 public:
  CSystemAccess() : CAccessLayer(this) {}
  bool ChangesNothing() const override { return false; }
  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override;
  BOOL ClosePrinter(HANDLE printer) override;
  BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override;
  BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  DWORD GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data, DWORD size,
                        LPDWORD needed) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL DeletePrinterConnectionA(LPSTR name) override;
  BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned) override;
  BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override;
  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL GetDefaultPrinterA(LPSTR buffer, LPDWORD size) override;
  DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                          DWORD size) override;
  BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) override;
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
  HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment) override;
  BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;
  BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) override;
  BOOL EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                            LPDWORD needed, LPDWORD returned) override;
  BOOL DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) override;
  BOOL GetPrintProcessorDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                   DWORD size, LPDWORD needed) override;
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
  BOOL DeleteFileA(LPCSTR path) override;
  BOOL RemoveDirectoryA(LPCSTR path) override;
  BOOL MoveFileA(LPCSTR from, LPCSTR to) override;
  BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) override;
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override;
  DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) override;
  BOOL SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) override;
  BOOL SetupCopyOEMInfA(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType, DWORD copyStyle) override;
  BOOL SfcIsFileProtectedA(LPCSTR path) override;
  BOOL SetupGetInfDriverStoreLocationA(LPCSTR fileName, LPSTR buffer, DWORD size,
                                       LPDWORD needed) override;
  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override;
  SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) override;
  BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override;
  BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) override;
  BOOL DeleteService(SC_HANDLE service) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;
  HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context) override;
  BOOL ExitWindowsEx(UINT flags, DWORD reason) override;
  BOOL InitiateSystemShutdownExA(LPSTR machine, LPSTR message, DWORD timeout, BOOL forceAppsClosed,
                                 BOOL reboot, DWORD reason) override;
  bool RunsAsLocalSystem() override;
};

// The layer every caller uses: the system's, unless a test installed its own.
CAccessLayer& Access();

// Installs `layer` for the lifetime of this object (tests only; not nested
// across threads: Access() is read on the tool's main thread, and its one
// other thread, a program-manager conversation, is handed the layer).
class CAccessLayerOverride {
 public:
  explicit CAccessLayerOverride(CAccessLayer& layer);
  ~CAccessLayerOverride();
  CAccessLayerOverride(const CAccessLayerOverride&) = delete;
  CAccessLayerOverride& operator=(const CAccessLayerOverride&) = delete;

 private:
  CAccessLayer* previous_;
};

}  // namespace vq
