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

int RebootWithPrivilege() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return 0;
  CKernelHandle token(raw);
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    return 0;
  SetLastError(ERROR_SUCCESS);
  AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
  // Success with ERROR_NOT_ALL_ASSIGNED means the privilege is not held.
  if (GetLastError() != ERROR_SUCCESS) return 0;
  return ExitWindowsEx(EWX_REBOOT, 0) ? 1 : 0;
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
      return userAgreed && !ExitWindowsEx(EWX_REBOOT, 0);
    default:
      return userAgreed && !RebootWithPrivilege();
  }
}

}  // namespace vq
