// TORVAX02: the printer driver uninstall tool.
#include <windows.h>
#include <commctrl.h>

#include "uninstall/app/MainDlg.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Ui.h"
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  try {
    ActivateRunningInstance();
    vq::FormSettingsFileName();
    vq::CMainDlg mainDlg;
    if (!RegisterMainWindowClass(instance)) {
      // Without its class the main window could not be found by a second
      // start, and the dialog could not even be created with it.
      const DWORD error = GetLastError();
      vq::CStringTable strings(instance);
      char text[vq::CStringTable::kSlotSize + 16];
      wsprintfA(text, strings.Load(IDS_NOWINDOWCLASS), error);
      vq::ShowMessage(text, strings.Load(IDS_CAPTION), MB_ICONHAND);
      return 1;
    }
    return static_cast<int>(mainDlg.DoModal(instance, "IDD_MAIN_NOBMP", nullptr));
  } catch (const AnotherInstance& e) {
    return e.exitCode;
  }
}
