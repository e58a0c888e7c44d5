// Shared ground of the removal-phase tests: a machine with the sample
// package's drivers and printers installed afresh for each test, the
// database computed the way the run computes it, an access layer that
// records (and where Wine cannot, stages) spooler and registry answers, and
// a second thread that answers the phase's message boxes.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include "tests/support/TestThread.h"
#include <vector>

#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/RemovalContext.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/AccessLayer.h"

namespace removal_test {

extern const std::string kOffice;  // the default printer, with a UniqueID key
extern const std::string kPs;
extern const std::string kPsFinance;  // shares its driver with kPs
extern const std::string kReception;  // a disguise: never touched
extern const std::string kXl;         // its driver is used by no other printer
extern const std::string kHall;       // someone else's printer: never listed
extern const std::string kPclDriver, kPsDriver, kXlDriver, kGenericDriver;
extern const char kPrinterClassKeyOfOffice[];  // the office printer's UniqueID
extern const char kCaption[];                  // "Desinstalação"

// Deletes every printer of the prefix and installs the sample package's
// drivers, printers and registry entries again.
void PrepareMachine();
// Deletes one printer for real (setup only); true when it was there.
bool DeletePrinterNamed(const std::string& name);
bool PrinterInstalled(const std::string& name);
bool DriverInstalled(const char* environment, const std::string& driver);
// Adds `driver` of the sample package (or a bare one of that name) to `environment`.
bool InstallDriverFor(const char* environment, const std::string& driver);
// The level-2 print processor and data type of a printer, "" when unreadable.
std::pair<std::string, std::string> ProcessorOf(const std::string& printer);
bool SetProcessorOf(const std::string& printer, const std::string& processor);
// A printer's comment, by the wide functions (texts beyond the ANSI code page).
std::wstring CommentOf(const std::string& printer);
bool SetCommentOf(const std::string& printer, const std::wstring& comment);
std::string DefaultPrinter();

// The database as the run has it after step 0: scripts read, installed
// printers listed, the printers named in `remove` with keep = 0 and every
// other one with keep = 1, and the removal set computed.
struct CRun {
  vq::CUninstallDatabase db;
  vq::CRemovalContext ctx;
  explicit CRun(const std::set<std::string>& remove, bool unvezz = false,
                const vq::COsVersion& os = vq::COsVersion(vq::COsVersion::kPlatformNT,
                                                          vq::COsVersion::kVersionXP));
  vq::CPrinterRecord* Find(const std::string& name);
  const vq::ItemList& RegistryKeys() const { return db.removal.List(vq::kRegistryKeys); }
};

// The system's layer, with a log of the calls that change the machine and
// staged answers for what Wine cannot produce.
class CRecordingLayer : public vq::CAccessLayer {
 public:
  std::vector<std::string> log;
  std::map<std::string, std::vector<DWORD>> jobs;  // queued job ids per printer
  std::map<std::string, DWORD> failOpen;           // OpenPrinterA fails with this error
  std::set<std::string> failDeletePrinter;         // DeletePrinter fails for these
  std::set<std::string> failMoveToWinPrint;        // SetPrinterA to "WinPrint" fails
  std::set<std::string> failDeleteKey;             // RegDeleteKeyExA answers 5 for these names
  DWORD deleteDriverError = 0;                     // DeletePrinterDriverA fails with it
  std::vector<std::string> extraProcessors;        // listed after the system's, once
  // Level 8 (Windows Vista's, which Wine lists without INF paths) answered
  // from the system's level 2 with these INF paths by driver name; a
  // package deletion answers packageResult, or the system's when asked to.
  std::map<std::string, std::string> infPaths;
  HRESULT packageResult = S_OK;
  bool systemDeletesPackages = false;
  int infPathReads = 0;
  int keyEnumerations = 0;
  int printerReads = 0;
  int printerWrites = 0;

  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override;
  BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL ClosePrinter(HANDLE printer) override;
  BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override;
  BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL DeletePrinterConnectionA(LPSTR name) override;
  BOOL EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, LPBYTE buffer,
                 DWORD size, LPDWORD needed, LPDWORD returned) override;
  BOOL SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) override;
  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override;
  BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) override;
  HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment) override;
  BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) override;
  BOOL EnumPrintProcessorsA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                            LPDWORD needed, LPDWORD returned) override;
  BOOL DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) override;
  LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) override;
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override;

  // Log lines that start with `prefix`, in order.
  std::vector<std::string> Lines(const std::string& prefix) const;

 private:
  std::string NameOf(HANDLE printer) const;
  std::map<HANDLE, std::string> open_;
};

// Answers, from its own thread, every message box of this process with the
// caption "Desinstalação" by pressing OK, and keeps each box's text.
class CMessageBoxAnswerer {
 public:
  CMessageBoxAnswerer();
  ~CMessageBoxAnswerer();
  // Stops answering and returns the texts seen, in order.
  std::vector<std::string> Stop();

 private:
  void Run();
  std::atomic<bool> stop_{false};
  std::vector<std::string> texts_;
  vq::test::CTestThread thread_;  // last: starts once the members above exist
};

// Environment text for messages: "null" for the spooler's own.
inline std::string EnvironmentName(const char* environment) {
  return environment ? environment : "null";
}

}  // namespace removal_test
