// unmcheck's work, apart from argument handling: read the scripts, compute as
// the uninstall tool does, and describe the result as JSON.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "uninstall/profile/PrinterRecord.h"
#include "uninstall/profile/UninstallProfile.h"

namespace vq {

struct CheckOptions {
  int platformCode = 3;  // COsVersion platform code: 1 Win32s, 2 Windows 9x, 3 NT
  bool unvezz = false;
  bool lint = false;
  std::vector<std::string> scripts;
  std::vector<CPrinterRecord> printers;
};

// Reads the scripts in the tool's order (sorted paths; over-long and repeated
// paths are passed over and reported), builds the profiles, applies the
// printer rule of `unvezz` and computes the removal set. Fails (false,
// `error` set) only when a script file cannot be opened.
bool RunCheck(const CheckOptions& options, nlohmann::ordered_json& report, std::string& error);

// A profile's thirteen lists as one object, item texts in UTF-8.
nlohmann::ordered_json ListsJson(const CUninstallProfile& profile);

// The whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& content);

// Parses the printers file's JSON text into records; false with `error` set
// when it is malformed.
bool ParsePrinters(const std::string& jsonText, std::vector<CPrinterRecord>& printers,
                   std::string& error);

}  // namespace vq
