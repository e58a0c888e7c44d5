#include "uninstall/app/Unattended.h"

#include <string>

#include "uninstall/app/Startup.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Ui.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/PrinterFilter.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/Handles.h"

namespace vq {

namespace {
// The loading dialog's pause of one timer tick, kept in a quiet run so the
// spooler has the same time to stop.
const DWORD kPauseMs = 300;
// How often a quiet run looks whether the disguise tool has ended.
const DWORD kDisguiseToolPollMs = 200;
// How long a wait sleeps between two looks at the window's messages.
const DWORD kMessageSliceMs = 20;

bool ValueCountIs(const CommandLineOptions& o, const char* name, int allowed) {
  const int n = o.Count(name);
  return n < 0 || n == allowed;
}

// The window that stands in for the progress page: hook exports receive it
// and may own their windows by it. Nobody sees it.
CWindow CreateHiddenWindow() {
  CStringTable strings;
  return CWindow(CreateWindowExA(0, "STATIC", strings.Load(IDS_CAPTION), WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
}

// A top-level window must answer what other programs send to every window
// (a broadcast waits for each), so the quiet run looks at its messages
// between its steps and while it waits.
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

void WaitPumpingMessages(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    PumpMessages();
    Sleep(kMessageSliceMs);
  } while (GetTickCount() - start < ms);
}

// Runs the phase of `step`; the disguise tool's phase is run again until the
// tool has ended. False when it still runs after `limitMs`.
bool RunPhaseWithin(CRemovalRun& run, int step, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (!run.RunPhase(step)) {
    if (GetTickCount() - start >= limitMs) return false;
    WaitPumpingMessages(kDisguiseToolPollMs);
  }
  PumpMessages();
  return true;
}

void LogChosenPrinters(const CUninstallDatabase& db, bool filtered) {
  for (const CPrinterRecord& p : db.printers) {
    if (p.isDisguise) continue;
    std::string outcome = "kept";
    if (p.openError)
      outcome = "kept: it cannot be opened (error " + std::to_string(p.openError) + "); driver " +
                (p.driverName.empty() ? std::string("unknown: every profile stays")
                                      : Quoted(p.driverName) + " stays");
    else if (!p.keep) outcome = "chosen for removal";
    else if (!p.listed) outcome = "kept: the switches do not offer it";
    else if (!filtered && !db.IsPackagePrinter(p)) outcome = "kept: not a printer of this package";
    LogOutcome("printer", Quoted(p.printerName), outcome.c_str());
  }
}
// The one path of switch `name` (quotes around it dropped) into `path`;
// false when the switch is given more than once or without exactly one
// non-empty path. A missing switch leaves `path` empty.
bool ReadPathSwitch(const CommandLineOptions& options, const char* name, std::string& path) {
  path.clear();
  const int count = options.Count(name);
  if (count < 0) return true;
  if (count != 1 || options.Occurrences(name) != 1) return false;
  char values[CommandLineOptions::kLineBufferSize];
  if (!options.Values(name, values, sizeof(values))) return false;
  path = values;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  if (path.empty()) return false;
  // A relative path means the folder the run was started in: the run later
  // works in its own folder.
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (length > 0 && length < MAX_PATH) path = full;
  return true;
}

// UNDO alone takes the newest backup; UNDO:path that backup, or the newest
// under that folder. An empty path ("/UNDO:", as a script with an unset
// variable writes it) is no request for the newest one, and a filter would
// promise an undo of some printers while the whole backup is put back.
bool ReadUndoSwitch(const CommandLineOptions& options, UnattendedOptions& out) {
  const int count = options.Count("UNDO");
  if (count < 0) return true;
  out.undo = true;
  if (options.Occurrences("UNDO") != 1 || options.HasEmptyValue("UNDO")) return false;
  if (HasPrinterFilters(options) || options.Count("NOPICK") >= 0) return false;
  return count == 0 || ReadPathSwitch(options, "UNDO", out.undoPath);
}

}  // namespace

std::string BackupRootSwitch(const CommandLineOptions& options) {
  std::string root;
  ReadPathSwitch(options, "BACKUP", root);
  return root;
}

int ExitCodeOf(CRemovalRun::FinishResult result, bool removalFailed) {
  // A removal that failed outweighs everything else: the log lists each.
  if (removalFailed) return kExitFailed;
  switch (result) {
    case CRemovalRun::kFinishedDone: return kExitDone;
    case CRemovalRun::kFinishedNotStarted: return kExitStartupFailed;
    case CRemovalRun::kFinishedRestarting: return kExitRestartStarted;
    default: return kExitRestartNeeded;  // declined, or the restart could not be started
  }
}

bool ParseUnattendedOptions(const CommandLineOptions& options, UnattendedOptions& out) {
  out = UnattendedOptions();
  // A plan is made without any window: it answers as a quiet run would, and
  // a malformed command line is not shown either.
  out.quiet = options.Count("QUIET") == 0 || options.Count("PLAN") >= 0;
  if (!ValueCountIs(options, "QUIET", 0) || !ValueCountIs(options, "FORCERESTART", 0)) return false;
  // An empty MFG value would be a prefix of every driver name.
  if (options.HasEmptyValue("MFG") || options.HasEmptyValue("PRN")) return false;
  out.forceRestart = options.Count("FORCERESTART") == 0;
  return ReadPathSwitch(options, "LOG", out.logPath) && ReadPathSwitch(options, "PLAN", out.planPath) &&
         ReadPathSwitch(options, "BACKUP", out.backupRoot) && ReadUndoSwitch(options, out);
}

int RunQuietly(const CommandLineOptions& options, const COsVersion& os, DWORD disguiseToolLimitMs) {
  CWindow window = CreateHiddenWindow();
  if (!window.IsValid()) {
    ReportNoWindow(GetLastError());
    return kExitStartupFailed;
  }
  CUninstallDatabase db;
  db.osVersion = os;
  CStartup startup(db, db.osVersion, options);
  for (int step = 0; step < CStartup::kDoneStep;) {
    const CStartup::Outcome out = startup.RunStep(step);
    if (out.failure) {
      ShowMessageFrom(out.failure, {}, MB_ICONHAND);
      return kExitStartupFailed;
    }
    if (out.scriptsMissing) ShowMessageFrom(IDS_NOSCRIPTS, {}, MB_ICONHAND);
    if (out.next == step) WaitPumpingMessages(kPauseMs);
    else PumpMessages();
    step = out.next;
  }

  // The switches choose as if every listed row had been selected: the
  // inventory already marked the printers they leave out as kept. Without
  // them, only the package's own printers are chosen.
  const bool filtered = HasPrinterFilters(options);
  if (filtered && db.CountListedPrinters() == 0) {
    // As the window with an empty list: what the scripts describe that no
    // printer that stays needs still goes (a run that ended part-way is
    // finished so); only when that is nothing either is there nothing to do.
    db.ComputeRemovalSet();
    if (db.RemovalSetIsEmpty()) {
      LogNote("switches MFG, PRN, UNVEZZ: no installed printer matches them and the scripts "
              "describe nothing to remove; nothing is removed");
      return kExitNothingOffered;
    }
    LogNote("switches MFG, PRN, UNVEZZ: no installed printer matches them; what the scripts "
            "describe that no printer that stays needs is removed");
  }
  if (!filtered) db.KeepOtherMakersPrinters();
  LogChosenPrinters(db, filtered);

  const int failuresBefore = LoggedFailures();
  CRemovalContext context;
  context.database = &db;
  context.os = db.osVersion;
  context.pageWindow = window.Get();
  CRemovalRun run(context);
  std::string reason;
  if (!run.Start(BackupRootSwitch(options), GetCommandLineA(), reason)) {
    // Never remove what could not be saved: the run stops before its first change.
    ShowMessageFrom(IDS_NOBACKUP, {run.BackupFolder()}, MB_ICONHAND);
    return kExitStartupFailed;
  }
  for (int step = 0; step < CRemovalRun::kFinishStep; ++step) {
    if (!RunPhaseWithin(run, step, disguiseToolLimitMs)) {
      LogOutcome("disguise tool", Quoted(run.DisguiseToolPath()),
                 ("still running after " + std::to_string(disguiseToolLimitMs / 1000) +
                  " s; the run ends and nothing is removed")
                     .c_str());
      return kExitStartupFailed;
    }
  }
  const CRemovalRun::FinishResult result = run.Finish();
  return ExitCodeOf(result, LoggedFailures() > failuresBefore);
}

}  // namespace vq
