// CBackupLayer: the access layer of an uninstall run that keeps a backup.
// Before each change an operation makes, it saves what the change destroys
// in the run's backup folder and adds an entry to the manifest, both flushed
// to disk, and only then lets the layer below make the change; when the
// backup cannot be written, the change is not made and the operation fails
// with the error that stopped the backup. It also keeps the run's journal of
// changes made outside the layer's operations.
//
// What an entry saves, by kind (the manifest's fields are in the README):
// a printer's level-2 record by its own (wide) texts, device mode, printer
// data, security and whether it was the default; a driver's record and every
// file it names; a monitor's or print processor's library; a service's
// configuration and program; a registry key with its whole subtree, or a
// value, types and bytes exact, in its view; a file with its attributes and
// times; a removed folder; a file's attributes before they changed; a file
// the run writes anew (INI lines); an INF copy with its .pnf; the settings of
// a printer that stays and a profile string, before the run changed them;
// what cannot come back (print jobs, hooks, the disguise tool's work).
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "uninstall/engine/BackupFolder.h"
#include "uninstall/engine/ChangeJournal.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CBackupLayer : public CAccessLayer, public CChangeJournal {
 public:
  CBackupLayer(CBackupFolder& folder, const COsVersion& os);

  // How many entries the backup holds.
  int Entries() const { return entries_; }

  // Printers
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override;
  BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL ClosePrinter(HANDLE printer) override;
  BOOL SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL DeletePrinterConnectionA(LPSTR name) override;
  BOOL SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command) override;
  BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) override;
  // Drivers, monitors and print processors
  BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) override;
  HRESULT DeletePrinterDriverPackageA(LPCSTR server, LPCSTR infPath, LPCSTR environment) override;
  BOOL DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) override;
  BOOL DeletePrintProcessorA(LPSTR server, LPSTR environment, LPSTR processorName) override;
  // Registry
  LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) override;
  LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override;
  LONG RegCloseKey(HKEY key) override;
  LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD size) override;
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override;
  LONG RegDeleteValueA(HKEY key, LPCSTR valueName) override;
  // Files and folders
  BOOL DeleteFileA(LPCSTR path) override;
  BOOL RemoveDirectoryA(LPCSTR path) override;
  BOOL MoveFileA(LPCSTR from, LPCSTR to) override;
  BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) override;
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override;
  BOOL SetupUninstallOEMInfA(LPCSTR infFileName, DWORD flags, PVOID reserved) override;
  // Services
  SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;
  BOOL DeleteService(SC_HANDLE service) override;

  // The journal
  bool BeforeFileRewritten(const std::string& path, const std::vector<std::string>& removedLines) override;
  bool BeforeFileScheduled(const std::string& path) override;
  bool BeforeFolderTreeGoes(const std::string& folder) override;
  void OwnFile(const std::string& path) override;
  void CannotRestore(const char* kind, const std::string& item) override;

 private:
  // A registry key as the layer opened it: its root's name, path and view.
  struct KeyPlace {
    std::string root;  // "HKLM", "HKCU", "HKCR", "HKU"
    std::string path;
    REGSAM view = 0;
  };
  bool PlaceOf(HKEY key, KeyPlace& place) const;
  void NotePlace(HKEY opened, HKEY parent, LPCSTR subKey, REGSAM view);

  // Writes the entry; false (with the last error set) when it cannot, so
  // that the caller does not make the change.
  bool Append(const BackupEntry& entry);
  bool SaveFileEntry(const std::string& path, bool scheduled);
  bool SaveKeyTree(HKEY key, LPCSTR subKey, REGSAM view);
  bool SavePrinter(HANDLE printer);
  bool SavePrinterSettings(HANDLE printer, LPBYTE buffer, bool wide);
  bool SaveDriver(LPSTR environment, LPSTR driverName);
  bool SaveFolderTree(const std::string& folder, int depth);
  bool IsOwnFile(const std::string& path) const;

  CBackupFolder& folder_;
  COsVersion os_;
  int entries_ = 0;
  std::map<HANDLE, std::wstring> printers_;  // open printers' names
  std::map<HKEY, KeyPlace> keys_;
  std::map<SC_HANDLE, std::string> services_;
  std::set<std::string> ownFiles_;   // name keys of the run's temporary files
  std::set<std::string> rewritten_;  // name keys of the files saved before being written anew
  std::set<std::string> savedPrinterSettings_;
  std::map<std::wstring, int> deletedJobs_;
};

}  // namespace vq
