// The end of a run that needs a restart: Windows is restarted by the means
// of its version, and on Win32s the package's helpers are set up for the
// next start.
#pragma once

#include "uninstall/engine/RemovalContext.h"

namespace vq {

// Restarts Windows when `userAgreed`: Win32s through ZRESTART.EXE (after the
// Win32s preparation, made whatever the answer), Windows 95, 98 and Me with
// a plain reboot, every other version with RebootWithPrivilege. Returns true
// when a restart was attempted and could not be started (the caller then
// tells the user to restart by hand).
bool Restart(CRemovalContext& ctx, bool userAgreed);

// Win32s: schedules the tool's own ZRESTART.EXE for deletion at the next
// start and adds ZWININIT to the programs loaded then.
void PrepareWin32sRestart(CRemovalContext& ctx);

// Enables the shutdown privilege of this process and asks for a reboot.
// 1 when the reboot was started; 0 when the privilege is not held or the
// request failed.
int RebootWithPrivilege();

}  // namespace vq
