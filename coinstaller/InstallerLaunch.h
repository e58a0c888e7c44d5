// Starting the package installer from the folder of the selected driver's
// INF, once the driver is installed.
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

// True when `a` and `b` name the same folder, however each is spelt (case,
// short or long names, relative parts, a final backslash or none).
bool IsSameFolder(const char* a, const char* b);

// The folder the installer is started from, with its final backslash: the
// folder of the INF the driver selected for `element` came from. Windows
// 2000 and XP copy that INF into the system's INF folder during the
// installation (oemNN.inf), and the driver detail may name the copy by then;
// the original folder is then the one the device's install parameters name
// (DriverPath: the folder searched, or with DI_ENUMSINGLEINF the INF itself).
// Returns 0 or a Win32 error code: ERROR_PROC_NOT_FOUND when the setup
// library lacks a function, the error of a failing SetupAPI call,
// ERROR_FILE_NOT_FOUND when only the copy is known, ERROR_BAD_PATHNAME or
// ERROR_INSUFFICIENT_BUFFER for a path that cannot be taken apart.
DWORD FindInstallerFolder(HDEVINFO set, PSP_DEVINFO_DATA element, char* folder, int size);

// Starts the installer (string table: file name and arguments) from that
// folder, with the folder as working folder. Returns 0 once the shell has
// started it, otherwise a Win32 error code (the shell's for a missing
// installer). The caller decides what a failure means to the user.
DWORD LaunchInstaller(HDEVINFO set, PSP_DEVINFO_DATA element);

// True when the device installer asks for no user interface: DI_QUIETINSTALL
// in the device's install parameters. False when they cannot be read.
bool IsQuietInstall(HDEVINFO set, PSP_DEVINFO_DATA element);
