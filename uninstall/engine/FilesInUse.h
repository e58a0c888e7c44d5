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
  // processor. What was there before is forgotten. It must be read while
  // the spooler answers: a run that stops it (Windows NT 3.x and 4.0) reads
  // it before. When one of the spooler's lists cannot be read, nobody can
  // tell which file is free: the list is incomplete.
  void Collect(const COsVersion& os, const std::vector<const char*>& environments);
  bool Collected() const { return collected_; }
  // False when a list of the spooler could not be read: then every file of
  // the shared folders must be taken as in use.
  bool Complete() const { return complete_; }

  // Who needs the file `name` (folder and case do not matter), for the log:
  // "driver "X" (Windows NT x86)"; null when nobody does.
  const std::string* UserOf(const std::string& name) const;

  // Records that `user` needs the file `path` (only its name counts).
  void Add(const std::string& path, const std::string& user);
  // Forgets everything, also that it was read (a new run reads it again).
  void Clear() {
    users_.clear();
    collected_ = false;
    complete_ = true;
  }

 private:
  // Each false when the spooler could not list what it holds.
  bool CollectDrivers(const char* environment);
  bool CollectMonitors();
  bool CollectProcessors(const COsVersion& os, const char* environment);

  std::unordered_map<std::string, std::string> users_;  // file name key -> first user
  bool collected_ = false;
  bool complete_ = true;
};

}  // namespace vq
