// TORVAX02: the printer driver uninstall tool.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>

#include "uninstall/app/MainDlg.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Ui.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/Settings.h"
#include "uninstall/res/resource.h"

namespace {

// Raised when another instance runs: it has been brought forward and this
// one leaves before creating anything.
struct AnotherInstance {
  int exitCode;
};

void ActivateRunningInstance() {
  HWND other = FindWindowA(vq::kMainWindowClass, nullptr);
  if (!other) return;
  ShowWindow(other, SW_SHOWDEFAULT);
  BringWindowToTop(other);
  SetForegroundWindow(other);
  throw AnotherInstance{0};
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

// The switches QUIET, LOG and FORCERESTART; 0 when the run may go on,
// else the exit code. Opens the log and routes messages to it.
int SetUpUnattended(HINSTANCE instance, const vq::CommandLineOptions& options,
                    vq::UnattendedOptions& unattended, vq::CActionLog& log) {
  vq::CStringTable strings(instance);
  if (!vq::ParseUnattendedOptions(options, unattended)) {
    if (!unattended.quiet && options.Count("QUIET") < 0)
      vq::ShowMessage(strings.Load(IDS_BADCOMMANDLINE), strings.Load(IDS_CAPTION), MB_ICONHAND);
    return vq::kExitBadCommandLine;
  }
  if (!unattended.logPath.empty() && !log.Open(unattended.logPath)) {
    if (unattended.quiet) return vq::kExitBadCommandLine;
    const DWORD error = GetLastError();
    vq::ShowMessageFrom(IDS_NOLOGFILE, {unattended.logPath, std::to_string(error)},
                        MB_ICONEXCLAMATION);
  }
  vq::SetProcessActionLog(log.IsOpen() ? &log : nullptr);
  vq::SetQuietAnswers(unattended.quiet, unattended.forceRestart);
  return 0;
}

int Run(HINSTANCE instance) {
  InitCommonControls();
  vq::CommandLineOptions options;
  options.Parse(GetCommandLineA());
  vq::UnattendedOptions unattended;
  vq::CActionLog log;
  if (int code = SetUpUnattended(instance, options, unattended, log)) return code;
  if (unattended.quiet) {
    // Another instance would share the spooler and the files: nothing is done.
    if (FindWindowA(vq::kMainWindowClass, nullptr)) return vq::kExitStartupFailed;
    vq::FormSettingsFileName();
    return vq::RunQuietly(options);
  }
  try {
    ActivateRunningInstance();
    vq::FormSettingsFileName();
    vq::CMainDlg mainDlg;
    if (!RegisterMainWindowClass(instance)) {
      // Without its class the main window could not be found by a second
      // start, and the dialog could not even be created with it.
      vq::ReportNoWindow(GetLastError());
      return vq::kExitStartupFailed;
    }
    mainDlg.DoModal(instance, "IDD_MAIN_NOBMP", nullptr);
    return mainDlg.exitCode;
  } catch (const AnotherInstance& e) {
    return e.exitCode;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The dialogs and phases catch their own failures; one that still arrives
  // here ends the program as a failed start-up, never as a crash.
  try {
    return Run(instance);
  } catch (const std::exception& e) {
    vq::LogOutcome("internal error", "program", e.what());
  } catch (...) {
    vq::LogOutcome("internal error", "program", "unknown exception");
  }
  return vq::kExitStartupFailed;
}
