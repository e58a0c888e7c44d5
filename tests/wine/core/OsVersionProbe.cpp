// Reports the version codes of the system it runs on as its exit code
// (platform code * 10 + version code), for the version tests.
#include "uninstall/system/OsVersion.h"

int main() {
  const vq::COsVersion v = vq::COsVersion::FromSystem();
  return v.PlatformCode() * 10 + v.VersionCode();
}
