// COsVersion: which Windows the tool runs on, as the two codes every
// platform branch of the tool tests, and the two facts of the Windows after
// XP that those codes cannot tell: the major version and whether Windows is
// 64-bit (the 32-bit tool then runs under WOW64).
#pragma once

#include <cstdint>

namespace vq {

class COsVersion {
 public:
  enum Platform : int32_t { kPlatformOther = 0, kPlatformWin32s = 1, kPlatformWin9x = 2, kPlatformNT = 3 };
  enum Version : int32_t {
    kVersionOther = 0, kVersionWin32s = 1, kVersion95 = 2, kVersion98 = 3, kVersionNT3 = 4,
    kVersionNT4 = 5, kVersionNT5 = 6, kVersionMe = 7, kVersionXP = 8
  };

  COsVersion() = default;  // all zero: the version query failed or was not made
  COsVersion(int32_t platformCode, int32_t versionCode)
      : platformCode_(platformCode), versionCode_(versionCode) {}

  // Codes from the fields of OSVERSIONINFO (dwPlatformId, major, minor).
  static COsVersion FromVersionInfo(uint32_t platformId, uint32_t major, uint32_t minor);
  // Codes of the running system (GetVersionExA; all zero when it fails),
  // with its major version and bitness. Windows builds only.
  static COsVersion FromSystem();

  int32_t PlatformCode() const { return platformCode_; }
  int32_t VersionCode() const { return versionCode_; }
  bool IsWin32s() const { return platformCode_ == kPlatformWin32s; }
  bool IsWin9x() const { return platformCode_ == kPlatformWin9x; }
  bool IsNT() const { return platformCode_ == kPlatformNT; }

  // Windows 2000 and later: access lists inherit automatically.
  bool IsWindows2000OrLater() const { return IsNT() && majorVersion_ >= 5; }
  // Windows Vista and later: driver packages stay in the driver store.
  bool IsVistaOrLater() const { return IsNT() && majorVersion_ >= 6; }
  // 64-bit Windows: a "Windows x64" print environment, the real system
  // folder beside the 32-bit one, two views of HKLM\SOFTWARE.
  bool Is64BitWindows() const { return sixtyFourBit_; }
  COsVersion WithMajorVersion(uint32_t major) const {
    COsVersion v = *this;
    v.majorVersion_ = major;
    return v;
  }
  COsVersion With64BitWindows(bool sixtyFourBit) const {
    COsVersion v = *this;
    v.sixtyFourBit_ = sixtyFourBit;
    return v;
  }

 private:
  static COsVersion FromCodes(uint32_t platformId, uint32_t major, uint32_t minor);

  int32_t platformCode_ = 0;
  int32_t versionCode_ = 0;
  uint32_t majorVersion_ = 0;
  bool sixtyFourBit_ = false;
};

}  // namespace vq
