#include "uninstall/profile/SystemFolderPaths.h"

#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {

// Subfolders of System32 that a 32-bit program reaches unredirected.
const char* const kExemptSubfolders[] = {"catroot", "catroot2", "DriverStore", "drivers\\etc",
                                         "LogFiles", "spool"};

bool IsExempt(const std::string& rest) {
  for (const char* folder : kExemptSubfolders) {
    const std::string prefix = folder;
    if (StartsWithNoCase(rest, prefix) && (rest.size() == prefix.size() || rest[prefix.size()] == '\\'))
      return true;
  }
  return false;
}

}  // namespace

std::string NativeSystemPath(const std::string& path, const std::string& windows) {
  if (windows.empty() || windows.back() != '\\') return path;
  const std::string sysnative = windows + "Sysnative\\", system32 = windows + "System32\\";
  if (StartsWithNoCase(path, sysnative)) return system32 + path.substr(sysnative.size());
  if (StartsWithNoCase(path, system32)) {
    const std::string rest = path.substr(system32.size());
    if (!IsExempt(rest)) return windows + "SysWOW64\\" + rest;
  }
  return path;
}

}  // namespace vq
