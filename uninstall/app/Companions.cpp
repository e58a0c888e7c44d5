#include "uninstall/app/Companions.h"

#include <windows.h>

#include "uninstall/system/AccessLayer.h"

namespace vq {

const char kUninstallCloseMessage[] = "QUninstClose02";

namespace {
struct CompanionClass {
  const char* name;
  LPARAM lParam;
};
// In the order they are closed.
const CompanionClass kCompanions[] = {
    {"SdStatusWindowClass02", 0}, {"QLNStatusClass02", 0},  {"QLNInstallClass02", 0},
    {"ZbridgeWClass02", 0},       {"QSPL3202Class", 0},     {"ZMsgPopClass02", 0},
    {"VEZZARODLGCLASS02", 0},     {"ZPSD02", 1}};

// A companion that hangs must not hang the uninstall with it: the close
// request waits at most this long for an answer, then start-up goes on.
const UINT kCloseTimeoutMs = 10000;
}  // namespace

int CloseCompanionPrograms() {
  if (Access().ChangesNothing()) return 0;  // a plan leaves the companions running
  for (const CompanionClass& c : kCompanions) {
    HWND window = FindWindowA(c.name, nullptr);
    if (!window) continue;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_CLOSE, 0, c.lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kCloseTimeoutMs, &ignored);
  }
  const UINT message = RegisterWindowMessageA(kUninstallCloseMessage);
  if (message) PostMessageA(HWND_BROADCAST, message, 0, 0);
  return 1;
}

}  // namespace vq
