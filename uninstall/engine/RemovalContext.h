// What the removal phases of an uninstall run work with: the database (the
// removal set, the printers, the restart-needed flag), the Windows version,
// the folder lists built when the run starts, and the fields the phases set
// for later phases. The progress page owns one per program run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/FilesInUse.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CUninstallDatabase;

// A driver's package in the driver store (Windows Vista and later), as its
// INF path, with the print environment its driver was deleted from (empty:
// the spooler's own).
struct CDriverPackage {
  std::string infPath;
  std::string environment;
};

struct CRemovalContext {
  CUninstallDatabase* database = nullptr;  // not owned
  COsVersion os;
  HWND pageWindow = nullptr;  // the progress page; hook exports receive it

  // The print environments the driver, monitor and print-processor phases
  // handle, in order: the spooler's own (null), "Windows NT x86", "Windows 4.0";
  // the run's start adds "Windows x64" on 64-bit Windows.
  std::vector<const char*> environments = {nullptr, "Windows NT x86", "Windows 4.0"};

  // Built by the run's start, sorted and free of repeats; every folder text
  // ends with a backslash (an unresolved folder stays empty).
  std::vector<std::string> driverFolders;  // driver and print-processor folders
  std::vector<std::string> systemFolders;  // system, Windows and colour folders
  std::string driverDirectory;             // the printer driver folder

  // Set by the printer phase: the driver of the last local printer it opened.
  // Kept from one run to the next.
  std::string lastDriverName;

  // Set by the monitor phase: the monitors the spooler kept (in use) or a
  // guard refused, whose keys must stay in every environment.
  std::vector<std::string> keptMonitors;

  // Set by the driver phase: every driver it deleted, in any environment.
  std::vector<std::string> removedDrivers;
  // Windows Vista and later: the package of each of them, once per INF path.
  std::vector<CDriverPackage> removedDriverPackages;

  // Set by the file phase's preparation.
  std::string windowsPath;
  std::string driverPath;
  std::string driverSubPath;
  // The installation folders the OemFolders items stand for, as the file
  // system spells them, without those the guard refuses.
  std::vector<std::string> installationFolders;
  // What the drivers, monitors and print processors that stay need; read when
  // the file phase starts, after their own phases.
  CFilesInUse filesInUse;

  // The administrator's log (switch LOG): each action of the phases.
  void Log(const char* what, const std::string& target, DWORD error = ERROR_SUCCESS) const {
    LogAction(what, target, error);
  }
  void LogOutcome(const char* what, const std::string& target, const char* outcome) const {
    vq::LogOutcome(what, target, outcome);
  }
};

}  // namespace vq
