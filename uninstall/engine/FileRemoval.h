// The file phase of an uninstall run: every file named by the removal set's
// Files items is deleted, by its name, from the system folders, the printer
// driver folders (two levels of subfolders) and the maker's installation
// folders (three levels; the folders the run emptied are removed). A file
// that a driver, monitor or print processor that stays still needs is kept. A
// file in use is deleted at the next start of Windows and sets the
// restart-needed flag.
#pragma once

#include "uninstall/engine/FileIndex.h"
#include "uninstall/engine/RemovalContext.h"

namespace vq {

// Sets windowsPath, driverPath, installationFolders (the OemFolders items the
// guard accepts, logged when refused) and driverSubPath (the driver folder's
// subfolder named by the first Directorys item; empty when there is none or
// it is not a plain folder name below the driver folder).
void PrepareFolderPaths(CRemovalContext& ctx);

// Reads what the drivers, monitors and print processors that stay need, then
// deletes every Files item everywhere (each tree walked once), then, when no
// printer stays, the restart helper ZRESTART.EXE, or on Win32s schedules
// zreg32s.ini.
void RemoveFiles(CRemovalContext& ctx);

// Deletes the file `name` (only its name and extension count in the system
// and driver folders) everywhere; sets the restart-needed flag when a
// deletion had to be scheduled. With an index the trees are searched through
// it and the emptied installation folders go when the index's
// RemoveEmptiedFolders runs; without one each tree is walked for this name.
// Operating-system files (kernel32.dll, win.ini, ...) and the files of
// ctx.filesInUse are never deleted, from any folder.
void DeleteFileEverywhere(CRemovalContext& ctx, const char* name, CFileIndex* index = nullptr);

// Walks `folder` and `depth` levels of subfolders, deleting or scheduling
// every file named `name`; with `removeFolders`, removes the subfolders in
// which it deleted a file when they are empty now. 1 when a deletion had to
// be scheduled.
int DeleteInTree(const COsVersion& os, const char* folder, const char* name, int depth,
                 bool removeFolders);

// Removes the driver folder's subfolder (driverSubPath) when it is empty.
int RemoveDriverSubfolder(CRemovalContext& ctx);

// Operating-system files that a script may not delete.
bool IsProtectedFileName(const char* name);

// The folder an OemFolders item stands for, as the file system spells it,
// ending with a backslash: the item itself when it names a folder, the folder
// of the file it names otherwise. Folders are compared as the file system
// knows them, whatever the spelling ("C:\\", "\\\\?\\C:\\", "C:\\windows/",
// "C:\\windows.\\", short names). Empty when it does not exist. Empty, with the
// reason in `refusal`, when it is no absolute path (checked before anything
// is resolved), a drive's root, a network folder, a junction or another
// reparse point or a folder below one, any folder of Windows or one that
// holds Windows, a folder every program or user shares (Program Files and
// Common Files of either bitness, the profiles' folder, the all-users
// profile and shared application data, the current user's profile) or one
// that holds such a folder, or a user's profile.
std::string InstallationFolderOf(const std::string& item, std::string* refusal = nullptr);

}  // namespace vq
