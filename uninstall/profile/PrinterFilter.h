// Which printers the command line offers for removal: the MFG, PRN and UNVEZZ
// rules of the inventory, without the spooler, so that unmcheck applies them
// exactly as the uninstall tool does.
#pragma once

#include <string>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/profile/PrinterRecord.h"

namespace vq {

// Whether the command line filters the printers offered (MFG, PRN or UNVEZZ).
bool HasPrinterFilters(const CommandLineOptions& options);

// Whether the command line offers a printer with this driver and disguise
// name for removal. UNVEZZ offers exactly the printers with a disguise name,
// whatever MFG and PRN say; MFG offers driver names it begins, PRN driver
// names it equals (quotes removed, without regard to case); with none of the
// three every printer is offered.
bool IsOfferedByCommandLine(const CommandLineOptions& options, const std::string& driverName,
                            const std::string& disguiseName);

// A printer that is not offered is neither listed nor removed.
inline void Withhold(CPrinterRecord& record) {
  record.listed = 0;
  record.keep = 1;
}

}  // namespace vq
