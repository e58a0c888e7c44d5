// TORVAX02: the printer driver uninstall tool.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>

#include "uninstall/app/MainDlg.h"
#include "uninstall/app/Plan.h"
#include "uninstall/app/SingleInstance.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Ui.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/app/UndoRun.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/Settings.h"
#include "uninstall/res/resource.h"

namespace {

// Another run holds the instance lock: its main window, if it has one (a
// quiet run has none), comes to the front.
void ActivateRunningInstance() {
  HWND other = FindWindowA(vq::kMainWindowClass, nullptr);
  if (!other) return;
  ShowWindow(other, SW_SHOWDEFAULT);
  BringWindowToTop(other);
  SetForegroundWindow(other);
}

// The main dialog's class: the system dialog class under the tool's own
// name, so that a second start finds the first one's window.
bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA dialogClass = {};
  if (!GetClassInfoA(nullptr, "#32770", &dialogClass)) return false;
  dialogClass.hInstance = instance;
  dialogClass.lpszClassName = vq::kMainWindowClass;
  return RegisterClassA(&dialogClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// QUIET and PLAN: no window may appear, not even to say that the switches
// are wrong; the exit code says it.
bool WithoutWindows(const vq::CommandLineOptions& options) {
  return options.Count("QUIET") >= 0 || options.Count("PLAN") >= 0;
}

// Quiet runs, plans, NOPICK runs and undos act on the switches alone, with
// no selection page to show what they chose. There a mistyped filter
// ("/PNR:" for "/PRN:") would read as no filter and widen the removal to
// every printer of the package, and a mistyped switch of an undo would be
// taken for one it does not have, so a switch the tool does not know ends
// the run before anything is read. Other runs ignore it: the selection
// page shows what is offered.
bool RefusesUnknownSwitch(const vq::CommandLineOptions& options) {
  const bool actsAlone =
      WithoutWindows(options) || options.Count("NOPICK") >= 0 || options.Count("UNDO") >= 0;
  std::string unknown;
  if (!actsAlone || !options.FindUnknown(unknown)) return false;
  if (!WithoutWindows(options)) vq::ShowMessageFrom(IDS_UNKNOWNSWITCH, {unknown}, MB_ICONHAND);
  return true;
}

// Switch "?": the switches and the exit codes in one message box (two
// strings: each has to fit a string-table slot). A run that may show no
// window shows nothing. Either way nothing else is done.
int ShowHelp(const vq::CommandLineOptions& options) {
  if (WithoutWindows(options)) return vq::kExitDone;
  vq::CStringTable strings;
  std::string text = strings.Load(IDS_HELPSWITCHES);
  text += "\n\n";
  text += strings.Load(IDS_HELPEXITCODES);
  vq::ShowMessage(text.c_str(), strings.Load(IDS_CAPTION), MB_ICONINFORMATION);
  return vq::kExitDone;
}

// The switches (an unknown one, QUIET, LOG, FORCERESTART, PLAN, BACKUP and
// UNDO) and the instance lock; 0 when the run may go on, else the exit code.
// Opens the log and routes messages to it. The log is opened only by the run
// that holds the lock: it may be the file another run is writing.
int SetUpUnattended(const vq::CommandLineOptions& options, const vq::CInstanceLock& lock,
                    vq::UnattendedOptions& unattended, vq::CActionLog& log) {
  if (RefusesUnknownSwitch(options)) return vq::kExitBadCommandLine;
  if (!vq::ParseUnattendedOptions(options, unattended)) {
    if (!WithoutWindows(options)) vq::ShowMessageFrom(IDS_BADCOMMANDLINE, {}, MB_ICONHAND);
    return vq::kExitBadCommandLine;
  }
  if (lock.state() == vq::CInstanceLock::kHeldElsewhere) {
    if (!unattended.quiet) ActivateRunningInstance();
    return vq::kExitAnotherInstance;
  }
  if (!unattended.logPath.empty() && !log.Open(unattended.logPath)) {
    if (unattended.quiet) return vq::kExitBadCommandLine;
    const DWORD error = GetLastError();
    vq::ShowMessageFrom(IDS_NOLOGFILE, {unattended.logPath, std::to_string(error)},
                        MB_ICONEXCLAMATION);
  }
  vq::SetProcessActionLog(log.IsOpen() ? &log : nullptr);
  vq::SetQuietAnswers(unattended.quiet, unattended.forceRestart);
  if (lock.state() == vq::CInstanceLock::kFailed) {
    vq::ShowMessageFrom(IDS_NOINSTANCELOCK, {std::to_string(lock.error())}, MB_ICONHAND);
    return vq::kExitStartupFailed;
  }
  return 0;
}

int RunInteractively(HINSTANCE instance) {
  vq::CMainDlg mainDlg;
  // Without its class the main window could not be found by a second start,
  // and the dialog could not even be created with it.
  if (!RegisterMainWindowClass(instance) ||
      mainDlg.DoModal(instance, "IDD_MAIN_NOBMP", nullptr) == -1) {
    vq::ReportNoWindow(GetLastError());
    return vq::kExitStartupFailed;
  }
  return mainDlg.exitCode;
}

int Run(HINSTANCE instance, vq::CActionLog& log) {
  InitCommonControls();
  vq::CommandLineOptions options;
  options.Parse(GetCommandLineA());
  // Help is no run: it changes nothing and takes no lock, so it answers
  // while a run holds the machine and never holds off one that starts.
  if (options.Count("?") >= 0) return ShowHelp(options);
  // Taken before anything of the machine is read, by quiet and interactive
  // runs alike, and held until the program ends.
  const vq::COsVersion os = vq::COsVersion::FromSystem();
  const vq::CInstanceLock lock(os);
  vq::UnattendedOptions unattended;
  if (int code = SetUpUnattended(options, lock, unattended, log)) return code;
  vq::FormSettingsFileName();
  if (!unattended.planPath.empty())
    return vq::WritePlan(options, os, unattended.planPath);
  if (unattended.undo) return vq::RunUndo(options, os);
  return unattended.quiet ? vq::RunQuietly(options, os) : RunInteractively(instance);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The dialogs and phases catch their own failures; one that still arrives
  // here ends the program as a failed start-up, never as a crash. The log
  // lives here so that such a failure can still be written to it.
  vq::CActionLog log;
  // The removal phases tell the user through message boxes, or in a quiet
  // run through the log.
  vq::CMessageBoxes messageBoxes;
  vq::SetUserMessages(&messageBoxes);
  try {
    return Run(instance, log);
  } catch (const std::exception& e) {
    vq::LogOutcome("internal error", "program", e.what());
  } catch (...) {
    vq::LogOutcome("internal error", "program", "unknown exception");
  }
  return vq::kExitStartupFailed;
}
