// Unattended uninstalls for administrators: the switches QUIET, LOG,
// FORCERESTART, PLAN, BACKUP and UNDO, the exit codes of every run, and the
// quiet run itself.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/engine/RemovalRun.h"
#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// Exit codes, as deployment tools know them from installers; the same code
// means the same outcome whether the run was quiet or not.
enum ExitCode : int {
  kExitDone = 0,
  kExitBadCommandLine = 87,
  kExitBadBackup = 87,           // an undo found no backup, or one it cannot trust
  kExitCancelled = 1602,
  kExitStartupFailed = 1603,
  kExitFailed = 1603,            // a removal the run attempted failed (the log lists each)
  kExitNothingOffered = 1605,    // the filter switches match no installed printer, and the
                                 // scripts describe nothing to remove
  kExitAnotherInstance = 1618,
  kExitRestartStarted = 1641,    // done, and the tool started the restart
  kExitRestartNeeded = 3010,     // done, a restart finishes the job; not started
};

// The exit code of a run that reached its end: 1603 when a removal it
// attempted failed.
int ExitCodeOf(CRemovalRun::FinishResult result, bool removalFailed);

// How long a quiet run waits for the disguise tool to undo its disguises.
// Nobody can answer a window it may show, so the wait has an end; the tool
// runs before anything is removed, and when it is still running at the end
// of the wait the run stops there and removes nothing.
constexpr DWORD kDisguiseToolLimitMs = 5 * 60 * 1000;

struct UnattendedOptions {
  bool quiet = false;         // QUIET: no window, no message box waits for anyone
  bool forceRestart = false;  // FORCERESTART: a quiet run answers the restart question Yes
  std::string logPath;        // LOG:path; empty without the switch
  std::string planPath;       // PLAN:path: only plan, write the plan there (quiet)
  std::string backupRoot;     // BACKUP:path: the folder the run's backup folder is made in
  bool undo = false;          // UNDO: put a backup back instead of uninstalling
  std::string undoPath;       // UNDO:path; empty for the newest backup
};

// The path of switch BACKUP (the folder in which each run's backup folder is
// made instead of <Windows>\Qunz__02.bak\); empty without it.
std::string BackupRootSwitch(const CommandLineOptions& options);

// Reads the unattended switches; false when the switches are malformed: LOG,
// PLAN or BACKUP given more than once or without exactly one path, UNDO
// given more than once, with more than one path or an empty one ("/UNDO:"),
// or with MFG, PRN, UNVEZZ or NOPICK, QUIET or FORCERESTART with values, an
// empty value of MFG or PRN ("/PRN:", "/MFG:\"\"").
bool ParseUnattendedOptions(const CommandLineOptions& options, UnattendedOptions& out);

// Runs the start-up checks and the whole removal without any window the user
// sees. With the switches MFG, PRN or UNVEZZ it removes every printer they
// offer, and nothing at all when they offer none; without them only the
// package's own printers. Returns the exit code.
// Every action and message goes to the process's action log, if any. `os`
// is the Windows version to run as; tests give other limits of the disguise
// tool's wait.
int RunQuietly(const CommandLineOptions& options, const COsVersion& os,
               DWORD disguiseToolLimitMs = kDisguiseToolLimitMs);

}  // namespace vq
