#include "uninstall/profile/ScriptPaths.h"

#include <unordered_set>

#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallProfile.h"

namespace vq {

ScriptPathList OrderScriptPaths(const std::vector<std::string>& found) {
  ScriptPathList list;
  std::unordered_set<std::string> seen;
  for (const std::string& path : found) {
    if (path.size() > kFieldChars) list.tooLong.push_back(path);
    else if (!seen.insert(FoldedCopy(path)).second) list.repeated.push_back(path);
    else list.read.push_back(path);
  }
  // The first spelling of a repeated path is the one kept, as the list
  // normalisation keeps the first of equal items.
  NormaliseList(list.read);
  return list;
}

}  // namespace vq
