// Which of the script paths found the uninstall tool reads, and in which
// order. The tool and unmcheck both go through this, so that the same scripts
// give the same profiles: when two scripts name the same entry, only the
// profile of the one read first survives.
#pragma once

#include <string>
#include <vector>

namespace vq {

struct ScriptPathList {
  // The paths read, sorted ascending without regard to case.
  std::vector<std::string> read;
  // Passed over: longer than the 259-character path field. A cut path would
  // lose its file name and could name another file.
  std::vector<std::string> tooLong;
  // Passed over: equal, without regard to case, to a path given earlier
  // (Windows takes them for one file).
  std::vector<std::string> repeated;
};

ScriptPathList OrderScriptPaths(const std::vector<std::string>& found);

}  // namespace vq
