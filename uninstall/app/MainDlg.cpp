#include "uninstall/app/MainDlg.h"

#include "uninstall/app/AboutDlg.h"
#include "uninstall/app/Ui.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/app/UndoRun.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/PrinterFilter.h"
#include "uninstall/profile/Settings.h"
#include "uninstall/res/resource.h"

namespace vq {

const char kMainWindowClass[] = "QLNUninstallWindowClass02";

CMainDlg::CMainDlg() : os(COsVersion::FromSystem()) {
  database.osVersion = os;
}

INT_PTR CMainDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LoadSettings();  // reads only what is still unset
  FontOverride(hwnd, message);
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam)) ? 1 : 0;
    case WM_SYSCOMMAND:
      // The entry's own id arrives whole: only the system's SC_ commands use
      // the low four bits internally.
      if (wParam == IDS_ABOUTMENU) {
        CAboutDlg about;
        about.DoModal(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), hwnd);
        return 1;
      }
      if (wParam == IDS_UNDOMENU) {
        OnUndo();
        return 1;
      }
      return 0;
    case WM_ENTERMENULOOP:
      OnEnterMenuLoop();
      return 0;
    case WM_APP_ENABLE_UNINSTALL:
      EnableUninstall(wParam != 0);
      return 1;
    case WM_APP_START_UNINSTALL:
      if (!running_) StartRun();
      return 1;
    case WM_APP_RUN_FINISHED:
      OnRunFinished(static_cast<int>(wParam));
      return 1;
  }
  (void)lParam;
  return 0;
}

// Exit, Esc, Enter and the close entry (which the dialog manager turns into
// IDCANCEL) end the program at once, except while a run is in progress.
bool CMainDlg::OnCommand(WORD id) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
    case IDC_EXIT:
      if (!running_) EndDialog(hwnd, 1);
      return true;
    case IDC_UNINSTALL:
      if (running_) return true;
      if (selectPage.visible) selectPage.CollectSelection();
      StartRun();
      return true;
  }
  return false;
}

void CMainDlg::PlacePage(HWND page) {
  RECT area;
  GetWindowRect(GetDlgItem(hwnd, IDC_PAGEAREA), &area);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&area), 2);
  MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
}

void CMainDlg::OnInitDialog() {
  ShowWindow(GetDlgItem(hwnd, IDC_PAGEAREA), SW_HIDE);
  HMENU system = GetSystemMenu(hwnd, FALSE);
  if (system) {
    EnableMenuItem(system, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(system, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    AppendMenuA(system, MF_MENUBARBREAK, 0, nullptr);
    AppendMenuA(system, MF_STRING, IDS_ABOUTMENU, strings.Load(IDS_ABOUTMENU));
  }
  strings.SetWindowTextFrom(hwnd, IDS_CAPTION);
  strings.SetItemTextFrom(hwnd, IDC_UNINSTALL, IDS_UNINSTALL);
  strings.SetItemTextFrom(hwnd, IDC_EXIT, IDS_EXIT);

  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND select = selectPage.CreateModeless(instance, "IDD_SELECT", hwnd);
  HWND remove = removePage.CreateModeless(instance, "IDD_REMOVE", hwnd);
  PlacePage(select);
  PlacePage(remove);
  ShowWindow(select, SW_HIDE);
  ShowWindow(remove, SW_SHOW);

  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TORVAX));
  SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  CenterWindow(hwnd, nullptr);
  ShowWindow(hwnd, SW_HIDE);
  RunStartUp();
}

void CMainDlg::RunStartUp() {
  EnableUninstall(false);
  EnableExit(false);
  loading.database = &database;
  selectPage.database = &database;
  removePage.context.database = &database;
  const INT_PTR result = loading.DoModal(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LOADING), hwnd);
  if (result == -1) ReportNoWindow(GetLastError());
  if (result != 1) {
    exitCode = (loading.failed || result == -1) ? kExitStartupFailed : kExitCancelled;
    EndDialog(hwnd, 1);
    return;
  }
  ShowFirstPage();
}

// Without MFG, PRN and UNVEZZ the selection page comes first. With one of
// them and NOPICK, the printers the switches offer are the choice: the
// progress page stays, Uninstall removes them without a selection.
void CMainDlg::ShowFirstPage() {
  const CommandLineOptions& o = loading.Options();
  const bool filtered = HasPrinterFilters(o);
  const bool noPick = filtered && o.Count("NOPICK") >= 0;
  selectPage.Refresh();
  if (noPick) {
    ShowWindow(selectPage.hwnd, SW_HIDE);
    ShowWindow(removePage.hwnd, SW_SHOW);
  } else {
    ShowWindow(removePage.hwnd, SW_HIDE);
    ShowWindow(selectPage.hwnd, SW_SHOW);
  }
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  EnableUninstall(noPick || database.CountListedPrinters() == 0);
  EnableExit(true);
}

void CMainDlg::StartRun() {
  ShowWindow(selectPage.hwnd, SW_HIDE);
  ShowWindow(removePage.hwnd, SW_SHOW);
  HMENU system = GetSystemMenu(hwnd, FALSE);
  if (system) EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  EnableExit(false);
  running_ = true;
  removePage.Start(BackupRootSwitch(loading.Options()));
}

// After a restart question the program ends, whatever the answer; otherwise
// the selection page returns while printers remain.
void CMainDlg::OnRunFinished(int finishResult) {
  running_ = false;
  const auto result = static_cast<CRemovalRun::FinishResult>(finishResult);
  // Every run of this program counts: one that failed somewhere says so.
  exitCode = ExitCodeOf(result, LoggedFailures() > 0);
  if (result != CRemovalRun::kFinishedDone) {
    EndDialog(hwnd, 1);
    return;
  }
  if (database.CountListedPrinters() > 0) {
    ShowWindow(removePage.hwnd, SW_HIDE);
    ShowWindow(selectPage.hwnd, SW_SHOW);
    selectPage.Refresh();
  } else {
    ShowWindow(selectPage.hwnd, SW_HIDE);
    ShowWindow(removePage.hwnd, SW_SHOW);
  }
  HMENU system = GetSystemMenu(hwnd, FALSE);
  if (system) EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  EnableExit(true);
}

void CMainDlg::OnEnterMenuLoop() {
  HMENU system = GetSystemMenu(hwnd, FALSE);
  if (!system) return;
  const bool minimized = IsIconic(hwnd) != FALSE;
  EnableMenuItem(system, SC_RESTORE, MF_BYCOMMAND | (minimized ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(system, SC_MINIMIZE, MF_BYCOMMAND | (minimized ? MF_GRAYED : MF_ENABLED));
  UpdateUndoEntry(system);
}

// The undo entry is in the menu while a backup is there to undo (every run
// writes one, a run of this window too), looked for each time the menu
// opens; grayed during a run.
void CMainDlg::UpdateUndoEntry(HMENU system) {
  DeleteMenu(system, IDS_UNDOMENU, MF_BYCOMMAND);  // fails, harmlessly, when it is not there
  if (UndoBackupFolder("", BackupRootSwitch(loading.Options())).empty()) return;
  AppendMenuA(system, MF_STRING | (running_ ? MF_GRAYED : MF_ENABLED), IDS_UNDOMENU,
              strings.Load(IDS_UNDOMENU));
}

// The undo of the last uninstall, confirmed and shown as the switch UNDO
// does. The tool's picture of the machine (scripts, profiles, printers) was
// read at start-up and no longer holds once an undo has put things back;
// reading it again means the whole start-up once more (the companion
// programs closed, the spooler stopped and started), so after an undo that
// went ahead the program ends with its exit code, and the next start shows
// the printers that are back. Declined, or a backup it cannot use: nothing
// changed, the window stays.
void CMainDlg::OnUndo() {
  if (running_) return;
  running_ = true;  // Uninstall, Exit and the close entry wait for the undo
  const int code = RunUndo(loading.Options(), os, hwnd);
  running_ = false;
  if (code == kExitCancelled || code == kExitBadBackup) return;
  exitCode = code;
  EndDialog(hwnd, 1);
}

void CMainDlg::EnableUninstall(bool enable) { EnableWindow(GetDlgItem(hwnd, IDC_UNINSTALL), enable); }
void CMainDlg::EnableExit(bool enable) { EnableWindow(GetDlgItem(hwnd, IDC_EXIT), enable); }

}  // namespace vq
