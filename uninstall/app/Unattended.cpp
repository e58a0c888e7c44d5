#include "uninstall/app/Unattended.h"

#include <windows.h>

#include "uninstall/app/Startup.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Ui.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

namespace vq {

namespace {
// The loading dialog's pause of one timer tick, kept in a quiet run so the
// spooler has the same time to stop.
const DWORD kPauseMs = 300;
// How often a quiet run looks whether the disguise tool has ended.
const DWORD kDisguiseToolPollMs = 200;

bool ValueCountIs(const CommandLineOptions& o, const char* name, int allowed) {
  const int n = o.Count(name);
  return n < 0 || n == allowed;
}

void Show(CStringTable& strings, UINT id, UINT style) {
  ShowMessage(strings.Load(id), strings.Load(IDS_CAPTION), style);
}

void LogChosenPrinters(const CUninstallDatabase& db) {
  for (const CPrinterRecord& p : db.printers) {
    if (!p.isDisguise) LogOutcome("printer", Quoted(p.printerName), p.keep ? "kept" : "chosen for removal");
  }
}
}  // namespace

int ExitCodeOf(CRemovalRun::FinishResult result) {
  switch (result) {
    case CRemovalRun::kFinishedDone: return kExitDone;
    case CRemovalRun::kFinishedRestarting: return kExitRestartStarted;
    default: return kExitRestartNeeded;  // declined, or the restart could not be started
  }
}

bool ParseUnattendedOptions(const CommandLineOptions& options, UnattendedOptions& out) {
  out = UnattendedOptions();
  if (!ValueCountIs(options, "QUIET", 0) || !ValueCountIs(options, "FORCERESTART", 0)) return false;
  out.quiet = options.Count("QUIET") == 0;
  out.forceRestart = options.Count("FORCERESTART") == 0;
  const int logValues = options.Count("LOG");
  if (logValues < 0) return true;
  if (logValues != 1) return false;
  char values[CommandLineOptions::kLineBufferSize];
  if (!options.Values("LOG", values, sizeof(values))) return false;
  std::string path = values;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  if (path.empty()) return false;
  out.logPath = path;
  return true;
}

int RunQuietly(const CommandLineOptions& options) {
  return RunQuietly(options, COsVersion::FromSystem());
}

int RunQuietly(const CommandLineOptions& options, const COsVersion& os) {
  CStringTable strings;
  CUninstallDatabase db;
  db.osVersion = os;
  CStartup startup(db, db.osVersion, options);
  for (int step = 0; step < CStartup::kDoneStep;) {
    const CStartup::Outcome out = startup.RunStep(step);
    if (out.failure) {
      Show(strings, out.failure, MB_ICONHAND);
      return kExitStartupFailed;
    }
    if (out.scriptsMissing) Show(strings, IDS_NOSCRIPTS, MB_ICONHAND);
    if (out.next == step) Sleep(kPauseMs);
    step = out.next;
  }

  // As if every listed row had been selected: the inventory already marked
  // the printers the switches leave out as kept.
  CRemovalContext context;
  context.database = &db;
  context.os = db.osVersion;
  LogChosenPrinters(db);
  CRemovalRun run(context);
  run.Start();
  for (int step = 0; step < CRemovalRun::kFinishStep; ++step) {
    while (!run.RunPhase(step)) Sleep(kDisguiseToolPollMs);
  }
  return ExitCodeOf(run.Finish(strings));
}

}  // namespace vq
