// statushost: a status-monitor host for BELDRA02. It loads the library from
// its own folder, answers the dialogs' messages from a simulated printer,
// logs each message and shows the printer pictures.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "tools/statushost/StatusHost.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  char* slash = strrchr(path, '\\');
  strcpy(slash ? slash + 1 : path, "BELDRA02.dll");

  CStatusHost host;
  if (!host.Create(instance, path)) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(host.Handle(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
