// The service control manager: deleting the package's NT services, and
// stopping and starting the spooler.
#pragma once

#include <string>

#include "uninstall/system/OsVersion.h"

namespace vq {

class CUninstallDatabase;

// Services of Windows itself, which no script removes.
bool IsWindowsService(const std::string& name);

// Deletes every service of the removal set's Services list (Windows NT only)
// but Windows' own; each deletion, and each service already marked for
// deletion, sets the database's restart-needed flag.
void RemoveServices(CUninstallDatabase& db, const COsVersion& os);

// Stops the spooler and waits until it has stopped, bounded by its wait
// hint; a spooler still starting is first let finish. 1 when it is stopped.
int StopSpooler();
// Starts the spooler and waits until it runs, bounded by its wait hint; a
// spooler still stopping is first let finish. 1 when it runs (also when it
// already did).
int StartSpooler();
// Windows 95: closes the spooler process's window; 1 when it was found.
int CloseSpoolerWindow();

}  // namespace vq
