#include "uninstall/system/OsVersion.h"

namespace vq {

COsVersion COsVersion::FromVersionInfo(uint32_t platformId, uint32_t major, uint32_t minor) {
  return FromCodes(platformId, major, minor).WithMajorVersion(major);
}

COsVersion COsVersion::FromCodes(uint32_t platformId, uint32_t major, uint32_t minor) {
  // dwPlatformId: 0 Win32s, 1 Windows 9x, 2 Windows NT.
  switch (platformId) {
    case 0:
      return COsVersion(kPlatformWin32s, kVersionWin32s);
    case 1: {
      int32_t v = kVersionOther;
      if (minor == 0) v = kVersion95;
      else if (minor == 10) v = kVersion98;
      else if (minor == 90) v = kVersionMe;
      return COsVersion(kPlatformWin9x, v);
    }
    case 2: {
      int32_t v = kVersionOther;
      if (major == 3) v = kVersionNT3;
      else if (major == 4) v = kVersionNT4;
      else if (major == 5) v = (minor == 1) ? kVersionXP : kVersionNT5;
      return COsVersion(kPlatformNT, v);
    }
    default:
      return COsVersion(kPlatformOther, kVersionOther);
  }
}

}  // namespace vq
