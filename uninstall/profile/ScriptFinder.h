// Finding the uninstall scripts in the folders where the installers put them.
#pragma once

#include <string>
#include <vector>

namespace vq {

extern const char kScriptFileName[];  // "Qunz__02.unm"

// Appends the full path of every match of `pattern` in `folder` to `paths`
// (directories are passed over). The search runs with `folder` as the current
// directory; afterwards the current directory is the program's own folder. A
// missing folder adds nothing.
void FindScripts(std::vector<std::string>& paths, const std::string& folder,
                 const std::string& pattern);

// FindScripts over `folders` in order, then what OrderScriptPaths reads:
// sorted without regard to case, paths over 259 characters and repeated
// paths dropped. The list the loading dialog reads.
std::vector<std::string> CollectScriptPaths(const std::vector<std::string>& folders);

}  // namespace vq
