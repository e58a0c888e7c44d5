// Entry points of BELDRA02 and its module initialisation. No exception may
// leave an export: each catches everything and answers as for a dialog that
// could not run.
#include <winsock.h>  // Windows Sockets 1.1 (wsock32): every target has it
#include <windows.h>
#include <objbase.h>
#include <string.h>

#include "statusdlg/HostContract.h"
#include "statusdlg/ResourceText.h"
#include "statusdlg/SettingDlgs.h"
#include "statusdlg/SuppliesStatusDlg.h"
#include "statusdlg/TonerReplaceDlg.h"
#include "statusdlg/WindowSearch.h"
#include "statusdlg/resource.h"

namespace {

// The single-instance rule: when a top-level window of any class and any
// process carries the dialog's caption, brings it (or the pop-up it shows)
// forward and answers true.
bool BringForwardOpenDialog(UINT captionId) {
  char caption[160];
  strncpy(caption, LoadResString(captionId), sizeof caption - 1);
  caption[sizeof caption - 1] = '\0';
  HWND found = FindWindowByTitle(caption);
  if (!found) return false;
  HWND popup = GetLastActivePopup(found);
  // Posted, as the restore command of its window menu: its thread may be
  // busy, and ShowWindow would wait for it.
  if (IsIconic(found)) PostMessageA(found, WM_SYSCOMMAND, SC_RESTORE, 0);
  SetForegroundWindow(popup);
  return true;
}

int RunSettingDialog(CPrinterSettingsDlg& dialog) {
  if (BringForwardOpenDialog(IDS_MODE_TITLE)) return 0;
  return static_cast<int>(dialog.DoModal());
}

}  // namespace

extern "C" {

int WINAPI ModeSettingDialogDoModal(int reserved, const LOGFONTA* font) {
  try {
    CModeSettingDlg dialog;
    dialog.m_reserved = reserved;
    if (font) dialog.m_font = *font;
    return RunSettingDialog(dialog);
  } catch (...) {
    return -1;
  }
}

int WINAPI TonerLevelDialogDoModal(const SuppliesStatusRecord* status, const LOGFONTA* font) {
  // Without a record there is nothing to show.
  if (!status) return 0;
  try {
    CSuppliesStatusDlg dialog;
    dialog.SetFromHost(*status, font);
    if (BringForwardOpenDialog(IDS_SUPPLIES_TITLE)) return 0;
    dialog.DoModal();
    return dialog.m_threshold;
  } catch (...) {
    return status->notifyThreshold;
  }
}

int WINAPI TonerReplaceDialogDoModal(HWND host) {
  try {
    if (BringForwardOpenDialog(IDS_REPLACE_TITLE)) return 0;
    RunTonerReplacement(host, kWaitPollPeriodMs);
  } catch (...) {
  }
  return 1;
}

int WINAPI VoltageBiasDialogDoModal(int duplexDensity) {
  try {
    CVoltageBiasDlg dialog;
    dialog.m_duplexDensity = duplexDensity;
    return RunSettingDialog(dialog);
  } catch (...) {
    return -1;
  }
}

// The library offers no COM classes; these three exist for hosts that treat
// every library as a COM server.
STDAPI DllCanUnloadNow() { return S_OK; }

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
  if (object) *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() { return S_OK; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: {
      SetResourceModule(module);
      WSADATA data;
      if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        MessageBoxA(nullptr, LoadResString(IDS_WINSOCK_FAILED), nullptr, MB_OK | MB_ICONSTOP);
        return FALSE;
      }
      return TRUE;
    }
    case DLL_PROCESS_DETACH:
      WSACleanup();
      return TRUE;
    default:
      return TRUE;
  }
}

}  // extern "C"
