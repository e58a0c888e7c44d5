// The files that the printer drivers, port monitors and print processors
// still installed need. The file phase deletes by file name from the system
// and driver folders; a file that one of them names is kept, whoever's script
// names it: every PostScript printer of every maker shares PSCRIPT5.DLL,
// PS5UI.DLL and PSCRIPT.NTF, every Unidrv printer UNIDRV.DLL.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "uninstall/system/OsVersion.h"

namespace vq {

class CFilesInUse {
 public:
  // Reads, for each environment (null: the spooler's own), the driver,
  // configuration, data, help and dependent files of every installed driver
  // (level 3), the library of every port monitor and of every print
  // processor. What was there before is forgotten.
  void Collect(const COsVersion& os, const std::vector<const char*>& environments);

  // Who needs the file `name` (folder and case do not matter), for the log:
  // "driver "X" (Windows NT x86)"; null when nobody does.
  const std::string* UserOf(const std::string& name) const;

  // Records that `user` needs the file `path` (only its name counts).
  void Add(const std::string& path, const std::string& user);
  void Clear() { users_.clear(); }

 private:
  void CollectDrivers(const char* environment);
  void CollectMonitors();
  void CollectProcessors(const COsVersion& os, const char* environment);

  std::unordered_map<std::string, std::string> users_;  // file name key -> first user
};

}  // namespace vq
