#include "uninstall/engine/Restart.h"

#include <windows.h>

#include <string>

#include "uninstall/engine/RebootDeletion.h"
#include "uninstall/engine/StartupEntries.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"

namespace vq {

namespace {

const char kRestartHelper[] = "ZRESTART.EXE";

bool StartRestartHelper() {
  const std::string commandLine = std::string(kRestartHelper) + " -d";
  return WinExec(commandLine.c_str(), SW_HIDE) >= 32;
}

}  // namespace

void PrepareWin32sRestart(CRemovalContext& ctx) {
  CFileSpec tool(ctx.os);
  tool.SetFolder(kFolderProgram);
  const std::string folder = tool.FolderPath();
  if (!folder.empty()) ScheduleZwininit((folder + kRestartHelper).c_str());
  AddLoadRunEntry(ctx, nullptr, "ZWININIT");
}

namespace {

// The reason a restart of the tool gives (SHTDN_REASON_MAJOR_APPLICATION |
// SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED): a planned
// restart that finishes an uninstall.
constexpr DWORD kPlannedUninstallRestart = 0x00040000 | 0x00000002 | 0x80000000;

// Enables the shutdown privilege of the process's token; false when the
// process does not hold it.
bool EnableShutdownPrivilege() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  CKernelHandle token(raw);
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    return false;
  SetLastError(ERROR_SUCCESS);
  AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
  // Success with ERROR_NOT_ALL_ASSIGNED means the privilege is not held.
  return GetLastError() == ERROR_SUCCESS;
}

}  // namespace

int RebootWithPrivilege() {
  if (!EnableShutdownPrivilege()) return 0;
  // ExitWindowsEx ends the caller's session, which for the interactive user
  // restarts the machine; for LocalSystem (a deployment agent) it would end
  // nothing the user sees, so the machine's restart is asked for itself.
  if (Access().RunsAsLocalSystem())
    return Access().InitiateSystemShutdownExA(nullptr, nullptr, 0, FALSE, TRUE,
                                              kPlannedUninstallRestart)
               ? 1
               : 0;
  return Access().ExitWindowsEx(EWX_REBOOT, 0) ? 1 : 0;
}

bool Restart(CRemovalContext& ctx, bool userAgreed) {
  if (Access().ChangesNothing()) return false;  // a plan restarts nothing
  switch (ctx.os.VersionCode()) {
    case COsVersion::kVersionWin32s:
      PrepareWin32sRestart(ctx);
      return userAgreed && !StartRestartHelper();
    case COsVersion::kVersion95:
    case COsVersion::kVersion98:
    case COsVersion::kVersionMe:
      return userAgreed && !Access().ExitWindowsEx(EWX_REBOOT, 0);
    default:
      return userAgreed && !RebootWithPrivilege();
  }
}

}  // namespace vq
