#include "uninstall/app/LoadingDlg.h"

#include <commctrl.h>

#include "uninstall/app/Ui.h"
#include "uninstall/res/resource.h"

namespace vq {

bool CLoadingDlg::s_inTimer = false;

namespace {
const UINT kFirstTickMs = 300;
const UINT kAfterDeclinedCancelMs = 200;
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
  startup_.reset(new CStartup(*database, os, options));
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
  CReentrancyGuard guard(s_inTimer);
  HWND bar = GetDlgItem(hwnd, IDC_LOADPROGRESS);
  SendMessageA(bar, PBM_STEPIT, 0, 0);
  if (RunStep()) {
    if (step >= CStartup::kDoneStep) EndDialog(hwnd, 1);
    else SendMessageA(bar, PBM_STEPIT, 0, 0);
  }
}

bool CLoadingDlg::Fail(UINT messageId) {
  KillTimer(hwnd, IDT_LOADING);
  failed = true;
  ShowMessage(strings.Load(messageId), strings.Load(IDS_CAPTION), MB_ICONHAND);
  EndDialog(hwnd, 0);
  return false;
}

// Runs one start-up step and moves the progress bar the way each step asks.
bool CLoadingDlg::RunStep() {
  HWND bar = GetDlgItem(hwnd, IDC_LOADPROGRESS);
  const CStartup::Outcome out = startup_->RunStep(step);
  if (out.failure) return Fail(out.failure);
  if (step == 5) {
    if (out.scriptsMissing)
      ShowMessage(strings.Load(IDS_NOSCRIPTS), strings.Load(IDS_CAPTION), MB_ICONHAND);
    SendMessageA(bar, PBM_SETPOS, 20, 0);
    const int count = static_cast<int>(startup_->Scripts().size());
    SendMessageA(bar, PBM_SETSTEP, count ? 10 / count : 10, 0);
  } else if (step == 9) {
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
    SendMessageA(bar, PBM_SETPOS, 95, 0);
  } else if (step == 10) {
    KillTimer(hwnd, IDT_LOADING);
  }
  if (out.repeated) SendMessageA(bar, PBM_SETPOS, 5, 0);
  step = out.next;
  return true;
}

}  // namespace vq
