#include <windows.h>

#include "uninstall/app/OsVersion.h"

namespace vq {

COsVersion COsVersion::FromSystem() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return COsVersion();
  return FromVersionInfo(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

}  // namespace vq
