// COsVersion: which Windows the tool runs on, as the two codes every
// platform branch of the tool tests.
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
  // Codes of the running system (GetVersionExA; all zero when it fails).
  // Windows builds only.
  static COsVersion FromSystem();

  int32_t PlatformCode() const { return platformCode_; }
  int32_t VersionCode() const { return versionCode_; }
  bool IsWin32s() const { return platformCode_ == kPlatformWin32s; }
  bool IsWin9x() const { return platformCode_ == kPlatformWin9x; }
  bool IsNT() const { return platformCode_ == kPlatformNT; }

 private:
  int32_t platformCode_ = 0;
  int32_t versionCode_ = 0;
};

}  // namespace vq
