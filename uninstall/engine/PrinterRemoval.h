// The printer phase of an uninstall run: the printers chosen for removal go,
// with their jobs, their per-printer class key and the registry traces the
// spooler leaves; a deleted default printer is replaced by a kept one.
#pragma once

#include "uninstall/engine/RemovalContext.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// Walks the database's printers in list order and removes every one that is
// neither kept, a disguise nor already removed. Sets `removed` (and, after a
// default change, `isDefault`) on the records and `lastDriverName` in the
// context. Shows message 5013 or 5014 when the default printer went.
void RemovePrinters(CRemovalContext& ctx);

// Makes `name` the default printer; an empty `name` takes the first printer
// the spooler lists and receives its name. 1 when done, 0 when the printer
// cannot be opened or read.
int MakeDefaultPrinter(char name[260], const COsVersion& os);

}  // namespace vq
