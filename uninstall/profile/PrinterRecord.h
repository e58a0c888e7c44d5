// CPrinterRecord: one installed printer as the inventory found it, with the
// flags the selection page and the removal phases change.
#pragma once

#include <cstdint>
#include <string>

namespace vq {

struct CPrinterRecord {
  std::string printerName;   // as the spooler reports it (at most 259 characters)
  std::string driverName;
  std::string disguiseName;  // the printer's VezzPrinter value; empty when none
  std::string serverName;    // server of a printer connection; empty when local
  int32_t isMakerDriver = 0; // has the QuillanDriver02 value (always 1 on Win32s)
  int32_t isDefault = 0;
  int32_t keep = 0;          // not to be removed
  int32_t isDisguise = 0;    // disguise name but no maker mark: never listed or tied
  int32_t removed = 0;       // gone after a removal phase
  int32_t listed = 1;        // passes the command-line filters
  // Nonzero when the printer could not be opened (its name is beyond the ANSI
  // code page, its server is down, its access list shuts the tool out): the
  // Win32 error. Such a printer is never offered and always kept, tied to
  // its profile by the driver name the spooler's list gave (empty when even
  // that could not be read).
  uint32_t openError = 0;
};

}  // namespace vq
