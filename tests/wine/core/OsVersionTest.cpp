// COsVersion from GetVersionExA, with Wine pretending to be each Windows
// version for the probe program (HKCU\Software\Wine\AppDefaults\<exe>\Version).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/wine/core/WineTestSupport.h"

namespace {

DWORD RunProbeAs(const char* version) {
  const std::string key = "Software\\Wine\\AppDefaults\\osversion_probe.exe";
  HKEY h;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(h, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>(strlen(version) + 1));
  RegCloseKey(h);
  DWORD code = RunAndWait(SiblingPath("osversion_probe.exe"));
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  return code;
}

}  // namespace

TEST(OsVersionUnderWine, CodesForEachWindowsVersion) {
  struct Case { const char* version; DWORD expected; } cases[] = {
      {"win31", 11}, {"win95", 22}, {"win98", 23}, {"winme", 27},
      {"nt40", 35},  {"win2k", 36}, {"winxp", 38}, {"win7", 30}};
  for (const Case& c : cases) EXPECT_EQ(RunProbeAs(c.version), c.expected) << c.version;
}
