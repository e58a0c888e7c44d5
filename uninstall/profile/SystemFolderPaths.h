// How a 32-bit program on 64-bit Windows names the two system folders. Its
// "%windir%\System32" is the 32-bit folder (SysWOW64) by file-system
// redirection, except for the few subfolders Windows exempts ("spool",
// "drivers\etc", ...), and "%windir%\Sysnative" is the real System32. The
// native spelling is what the rest of the system (the log's reader, the
// deletions Windows makes at the next start) understands.
#pragma once

#include <string>

namespace vq {

// `path` as the 64-bit system spells it: "<windows>\Sysnative\x" is
// "<windows>\System32\x", a redirected "<windows>\System32\x" is
// "<windows>\SysWOW64\x"; any other path is returned as it is. `windows`
// is the Windows folder with a trailing backslash; case is ignored.
std::string NativeSystemPath(const std::string& path, const std::string& windows);

}  // namespace vq
