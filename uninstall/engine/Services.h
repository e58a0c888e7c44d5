// The service control manager: deleting the package's NT services, and
// stopping and starting the spooler.
#pragma once

#include "uninstall/app/OsVersion.h"

namespace vq {

class CUninstallDatabase;

// Deletes every service of the removal set's Services list (Windows NT only);
// each deletion, and each service already marked for deletion, sets the
// database's restart-needed flag.
void RemoveServices(CUninstallDatabase& db, const COsVersion& os);

// 1 when the stop request was accepted (no wait for the stopped state).
int StopSpooler();
// 1 when the spooler was started or was already running.
int StartSpooler();
// Windows 95: closes the spooler process's window; 1 when it was found.
int CloseSpoolerWindow();

}  // namespace vq
