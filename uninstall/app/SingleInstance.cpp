#include "uninstall/app/SingleInstance.h"

#include <string>

namespace vq {

const char kInstanceMutexName[] = "QLNUninstallInstance02";

namespace {
// NT 3.x and 4.0 have no session namespaces; Windows 9x and Win32s neither.
bool HasGlobalNamespace(const COsVersion& os) {
  return os.IsNT() && os.VersionCode() != COsVersion::kVersionNT3 &&
         os.VersionCode() != COsVersion::kVersionNT4;
}
}  // namespace

CInstanceLock::CInstanceLock(const COsVersion& os) {
  const std::string name =
      (HasGlobalNamespace(os) ? std::string("Global\\") : std::string()) + kInstanceMutexName;
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  error_ = GetLastError();
  mutex_.Attach(mutex);
  if (mutex_.IsValid()) {
    state_ = (error_ == ERROR_ALREADY_EXISTS) ? kHeldElsewhere : kHeld;
  } else {
    // A mutex of that name that another user's run created and this one may
    // not open is a run all the same.
    state_ = (error_ == ERROR_ACCESS_DENIED) ? kHeldElsewhere : kFailed;
  }
}

}  // namespace vq
