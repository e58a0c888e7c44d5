// Unattended uninstalls for administrators: the switches QUIET, LOG and
// FORCERESTART, the exit codes of every run, and the quiet run itself.
#pragma once

#include <string>

#include "uninstall/app/CommandLineOptions.h"
#include "uninstall/app/OsVersion.h"
#include "uninstall/engine/RemovalRun.h"

namespace vq {

// Exit codes, as deployment tools know them from installers; the same code
// means the same outcome whether the run was quiet or not.
enum ExitCode : int {
  kExitDone = 0,
  kExitBadCommandLine = 87,
  kExitCancelled = 1602,
  kExitStartupFailed = 1603,
  kExitAnotherInstance = 1618,
  kExitRestartStarted = 1641,    // done, and the tool started the restart
  kExitRestartNeeded = 3010,     // done, a restart finishes the job; not started
};

// The exit code of a run that reached its end.
int ExitCodeOf(CRemovalRun::FinishResult result);

struct UnattendedOptions {
  bool quiet = false;         // QUIET: no window, no message box waits for anyone
  bool forceRestart = false;  // FORCERESTART: a quiet run answers the restart question Yes
  std::string logPath;        // LOG:path; empty without the switch
};

// Reads the three switches; false when they are malformed (LOG without
// exactly one path, QUIET or FORCERESTART with values).
bool ParseUnattendedOptions(const CommandLineOptions& options, UnattendedOptions& out);

// Runs the start-up checks and the whole removal without any window, for
// every printer the switches MFG, PRN and UNVEZZ offer (all printers without
// them). Returns the exit code.
// Every action and message goes to the process's action log, if any.
int RunQuietly(const CommandLineOptions& options);
// The same as the Windows version `os` would run it (tests give another).
int RunQuietly(const CommandLineOptions& options, const COsVersion& os);

}  // namespace vq
