// Asking the maker's companion programs (status monitors, the installer, the
// disguise tool's dialog...) to close before their files are removed.
#pragma once

namespace vq {

extern const char kUninstallCloseMessage[];  // "QUninstClose02"

// Sends WM_CLOSE to the first top-level window of each companion class, then
// broadcasts the registered message QUninstClose02. Always 1.
int CloseCompanionPrograms();

}  // namespace vq
