// CInstanceLock: one run of the tool at a time on the machine, quiet or not.
// Two runs would stop and start the same spooler and remove from the same
// lists of printers, drivers and files, so the first run holds a named mutex
// from its first moment to its end and every later start finds it there.
#pragma once

#include <windows.h>

#include "uninstall/system/Handles.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

extern const char kInstanceMutexName[];  // "QLNUninstallInstance02"

class CInstanceLock {
 public:
  enum State {
    kHeld,           // this run is the only one
    kHeldElsewhere,  // another run holds the lock
    kFailed,         // the mutex could not be created (error())
  };

  // Creates the mutex. From Windows 2000 on it lives in the global namespace,
  // so that a run in another session (fast user switching, a remote desktop)
  // counts too; older systems have one namespace and refuse the prefix.
  explicit CInstanceLock(const COsVersion& os);

  State state() const { return state_; }
  DWORD error() const { return error_; }

 private:
  CKernelHandle mutex_;
  State state_ = kFailed;
  DWORD error_ = ERROR_SUCCESS;
};

}  // namespace vq
