// Starting the package installer from the folder of the selected driver's INF.
#pragma once

#include <windows.h>
#include <setupapi.h>

// The installer's file name and arguments from the string table, each into
// a buffer of MAX_PATH characters.
void LoadInstallerCommand(char* installerFile, char* installerArgs);

// Writes the folder part of `path` (up to and including its last backslash)
// into `folder` (`size` bytes). Fails with ERROR_BAD_PATHNAME when the path
// has no folder and with ERROR_INSUFFICIENT_BUFFER when it does not fit; the
// error is also left as the thread's last error.
bool GetFolderOfPath(const char* path, char* folder, int size);

// Starts the installer (string table: file name and arguments) from the INF
// folder of the driver selected for `element` of `set`, with that folder as
// working folder. Returns 0 or a Win32 error code.
DWORD LaunchInstaller(HDEVINFO set, PSP_DEVINFO_DATA element);
