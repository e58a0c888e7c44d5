#include <windows.h>

#include "uninstall/system/OsVersion.h"
#include "uninstall/system/SystemFunctions.h"

namespace vq {

namespace {

// A 64-bit program runs on 64-bit Windows only; a 32-bit one asks whether it
// runs under WOW64 (IsWow64Process: Windows XP SP2 and later, missing before).
bool RunsOn64BitWindows() {
  if (sizeof(void*) == 8) return true;
  using Function = BOOL(WINAPI*)(HANDLE, PBOOL);
  const Function isWow64 = FindSystemFunction<Function>("kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

COsVersion COsVersion::FromSystem() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return COsVersion();
  return FromVersionInfo(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion)
      .With64BitWindows(RunsOn64BitWindows());
}

}  // namespace vq
