// CUninstallDatabase: every profile read from the uninstall scripts, the
// installed printers, and the three computed profiles (everything, keep and
// removal set) that the removal phases work through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "uninstall/profile/PrinterRecord.h"
#include "uninstall/profile/UninstallProfile.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CIniFile;

// The profile of the printer-disguise tool and its executables.
extern const char kDisguiseProfileName[];  // "Vezzaro"
extern const char kDisguiseToolWin32s[];   // "VEZZARO.EXE"
extern const char kDisguiseTool32[];       // "VEZZAR32.EXE"

class CUninstallDatabase {
 public:
  int32_t restartNeeded = 0;
  int32_t removeCount = 0;
  int32_t keptCount = 0;
  CUninstallProfile everything;
  CUninstallProfile keep;
  CUninstallProfile removal;
  std::vector<CPrinterRecord> printers;
  int32_t disguiseToolKept = 0;
  // The everything profile is the disguise tool's alone (switch UNVEZZ): the
  // scripts' driver entries take no part in the run.
  bool disguiseToolOnly = false;
  std::vector<CUninstallProfile> profiles;
  COsVersion osVersion;

  // Reads one script into profiles. Returns false when it was rejected
  // (cannot be read, or no entries in any starter section); `reason` then
  // says why.
  bool ReadScript(const std::string& path, std::string* reason = nullptr);
  // The same for a file already parsed (used by the tools and tests).
  bool ReadScript(const CIniFile& file, std::string* reason = nullptr);

  bool FindProfileByName(const std::string& name, CUninstallProfile& out) const;
  bool FindManufacturerProfile(const std::string& driverName, CUninstallProfile& out) const;
  bool BuildEverythingProfile(CUninstallProfile& out);
  // The everything profile as loading builds it: BuildEverythingProfile, then
  // the disguise tool's profile taken alone (`unvezz`) or taken out.
  void PrepareEverythingProfile(bool unvezz);
  void NormaliseAll();
  void ComputeRemovalSet();
  void AddWholePackageItems(CUninstallProfile& target);
  int CountListedPrinters() const;
  // Whether the removal set names nothing to remove.
  bool RemovalSetIsEmpty() const;

  // Whether a printer is one of this package's: it carries the maker's mark,
  // or a driver entry of the scripts (UnPrinterDrivers) names its driver.
  bool IsPackagePrinter(const CPrinterRecord& printer) const;
  // Keeps every listed printer that is not the package's, as if its row had
  // been left unselected; what an unattended run without filter switches
  // does, so that it never removes another maker's printers.
  void KeepOtherMakersPrinters();

 private:
  void SortAndDedupeProfiles();
};

// "drive+dir+name+ext" of a script path, rebuilt the way the path object
// splits it; used for the scripts' own entries in the Files list.
bool HasScriptExtension(const std::string& path);

}  // namespace vq
