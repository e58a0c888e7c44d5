#include "uninstall/app/LoadingDlg.h"

#include <commctrl.h>

#include "uninstall/app/Companions.h"
#include "uninstall/app/Ui.h"
#include "uninstall/engine/Services.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/PrinterInventory.h"
#include "uninstall/profile/ScriptFinder.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

namespace vq {

bool CLoadingDlg::s_inTimer = false;
bool CLoadingDlg::s_pausedOnce = false;
int CLoadingDlg::s_inventoryRuns = 0;

namespace {
const UINT kFirstTickMs = 300;
const UINT kAfterDeclinedCancelMs = 200;
const int kLastStep = 11;
}  // namespace

CLoadingDlg::CLoadingDlg() : os(COsVersion::FromSystem()) { options.Parse(GetCommandLineA()); }

INT_PTR CLoadingDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  FontOverride(hwnd, message);
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_SHOWWINDOW:
      if (wParam) {
        CenterWindow(hwnd, nullptr);
        SetTimer(hwnd, IDT_LOADING, kFirstTickMs, nullptr);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        OnCancelRequest();
        return 1;
      }
      return 0;
    case WM_TIMER:
      if (wParam == IDT_LOADING) OnTimer();
      return 1;
  }
  return 0;
}

void CLoadingDlg::OnInitDialog() {
  strings.SetWindowTextFrom(hwnd, IDS_LOADINGTITLE);
  strings.SetItemTextFrom(hwnd, IDC_LOADTEXT, IDS_BUILDINGDATABASE);
  HWND bar = GetDlgItem(hwnd, IDC_LOADPROGRESS);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 99));
  SendMessageA(bar, PBM_SETPOS, 1, 0);
  SendMessageA(bar, PBM_SETSTEP, 2, 0);
  ShowWindow(GetDlgItem(hwnd, IDC_LOADICON), SW_HIDE);
}

void CLoadingDlg::OnCancelRequest() {
  KillTimer(hwnd, IDT_LOADING);
  if (ShowMessage(strings.Load(IDS_ASKSTOP), strings.Load(IDS_CAPTION), MB_YESNO | MB_DEFBUTTON2) ==
      IDYES) {
    EndDialog(hwnd, 0);
    return;
  }
  SetTimer(hwnd, IDT_LOADING, kAfterDeclinedCancelMs, nullptr);
}

void CLoadingDlg::OnTimer() {
  if (s_inTimer) return;  // a message box inside a step pumps further ticks
  s_inTimer = true;
  HWND bar = GetDlgItem(hwnd, IDC_LOADPROGRESS);
  SendMessageA(bar, PBM_STEPIT, 0, 0);
  if (RunStep()) {
    if (step >= kLastStep) EndDialog(hwnd, 1);
    else SendMessageA(bar, PBM_STEPIT, 0, 0);
  }
  s_inTimer = false;
}

bool CLoadingDlg::Fail(UINT messageId) {
  KillTimer(hwnd, IDT_LOADING);
  ShowMessage(strings.Load(messageId), strings.Load(IDS_CAPTION), MB_ICONHAND);
  EndDialog(hwnd, 0);
  return false;
}

bool CLoadingDlg::RunStep() {
  HWND bar = GetDlgItem(hwnd, IDC_LOADPROGRESS);
  switch (step) {
    case 0:
      if (!IsAdministrator(os)) return Fail(IDS_NOTADMIN);
      break;
    case 1:
      CloseCompanionPrograms();
      break;
    case 2:
      if (os.IsNT()) StopSpooler();  // a spooler that will not stop is restarted anyway
      break;
    case 3:
      if (!s_pausedOnce) {  // give the spooler one tick to stop
        s_pausedOnce = true;
        return true;
      }
      break;
    case 4:
      if (os.IsNT() && !StartSpooler()) return Fail(IDS_SPOOLERUNSTABLE);
      break;
    case 5: {
      CollectScripts();
      if (scripts.empty())
        ShowMessage(strings.Load(IDS_NOSCRIPTS), strings.Load(IDS_CAPTION), MB_ICONHAND);
      SendMessageA(bar, PBM_SETPOS, 20, 0);
      const int stepSize = scripts.empty() ? 10 : 10 / static_cast<int>(scripts.size());
      SendMessageA(bar, PBM_SETSTEP, stepSize, 0);
      break;
    }
    case 6:
      for (const std::string& path : scripts) database->ReadScript(path);
      break;
    case 7:
      database->PrepareEverythingProfile(options.Count("UNVEZZ") >= 0);
      break;
    case 8:
      return BuildInventory();
    case 9:
      CloseCompanionPrograms();
      SendMessageA(bar, PBM_SETSTEP, 1, 0);
      SendMessageA(bar, PBM_SETPOS, 95, 0);
      break;
    case 10:
      KillTimer(hwnd, IDT_LOADING);
      break;
  }
  ++step;
  return true;
}

void CLoadingDlg::CollectScripts() {
  CFileSpec spec(os);
  spec.SetFolder(kFolderPrinterDriver);
  const std::string driverFolder = spec.FolderPath();
  std::vector<std::string> folders = {driverFolder};
  if (!driverFolder.empty()) folders.push_back(spec.AppendSubfolder("3"));
  spec.SetFolder(kFolderProgram);
  folders.push_back(spec.FolderPath());
  spec.SetFolder(kFolderSystem);
  folders.push_back(spec.FolderPath());
  for (const std::string& path : CollectScriptPaths(folders)) scripts.push_back(path);
  NormaliseList(scripts);  // a repeated start-up finds the same scripts again
}

bool CLoadingDlg::BuildInventory() {
  const bool firstRun = (s_inventoryRuns++ == 0);
  InventoryResult result = BuildListOfInstalledPrinters(database->printers, os, options);
  if (result.spoolerNotAnswering) return Fail(IDS_SPOOLERNOTANSWERING);
  if (result.count == 0 && firstRun) {
    // Run the start-up once more from the companion shutdown. The list is
    // emptied first: the inventory only appends, and records of the first
    // attempt would otherwise be listed twice.
    database->printers.clear();
    SendMessageA(GetDlgItem(hwnd, IDC_LOADPROGRESS), PBM_SETPOS, 5, 0);
    step = 1;
    return true;
  }
  ++step;
  return true;
}

}  // namespace vq
