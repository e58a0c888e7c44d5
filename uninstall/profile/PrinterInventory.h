// The installed-printer inventory: one CPrinterRecord per local printer and
// per printer connection, with its driver, default, maker and disguise marks,
// filtered by the command-line switches MFG, PRN and UNVEZZ.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/profile/PrinterRecord.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// Raised inside the inventory when the spooler fails part-way, and caught by
// it: what failed, with two labelled values.
struct _QuickExceptionInfo {
  DWORD lastError;
  const char* function;
  const char* description;
  const char* firstLabel;
  DWORD firstValue;
  const char* secondLabel;
  DWORD secondValue;
};

// How a build ended, beyond its count.
struct InventoryResult {
  int count = 0;                      // printers opened and recorded
  bool spoolerNotAnswering = false;   // size request failed with 1722: the caller
                                      // shows message 5060 and ends the loading
  bool failed = false;                // a failure record was raised and caught
  _QuickExceptionInfo failure = {};   // valid when `failed`
};

extern const char kMakerMarkValue[];     // "QuillanDriver02"
extern const char kDisguiseMarkValue[];  // "VezzPrinter"

// Appends to `printers` (never empties it) and returns how the build ended.
// A name the spooler reports longer than 259 characters is recorded cut to
// 259, never offered and always kept: a cut name must not be used to delete
// a printer, but its driver's files must stay protected. So is a printer
// that cannot be opened (`openError`), with the driver the spooler's list
// names for it: it stays, so what it needs stays. `count` counts both.
InventoryResult BuildListOfInstalledPrinters(std::vector<CPrinterRecord>& printers,
                                             const COsVersion& os,
                                             const CommandLineOptions& options);

}  // namespace vq
