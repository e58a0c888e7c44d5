// The file phase of an uninstall run: every file named by the removal set's
// Files items is deleted, by its name, from the system folders, the printer
// driver folders (two levels of subfolders) and the maker's installation
// folders (three levels, emptied folders removed). A file in use is deleted
// at the next start of Windows and sets the restart-needed flag.
#pragma once

#include "uninstall/engine/FileIndex.h"
#include "uninstall/engine/RemovalContext.h"

namespace vq {

// Sets windowsPath, driverPath and driverSubPath (the driver folder's
// subfolder named by the first Directorys item; empty when there is none or
// it is not a plain folder name below the driver folder).
void PrepareFolderPaths(CRemovalContext& ctx);

// Deletes every Files item everywhere (each tree walked once), then, when no
// printer stays, the restart helper ZRESTART.EXE, or on Win32s schedules
// zreg32s.ini.
void RemoveFiles(CRemovalContext& ctx);

// Deletes the file `name` (only its name and extension count in the system
// and driver folders) everywhere; sets the restart-needed flag when a
// deletion had to be scheduled. With an index the trees are searched through
// it and the emptied installation folders go when the index's
// RemoveEmptiedFolders runs; without one each tree is walked for this name.
// Operating-system files (kernel32.dll, win.ini, ...) are never deleted from
// the system and driver folders.
void DeleteFileEverywhere(CRemovalContext& ctx, const char* name, CFileIndex* index = nullptr);

// Walks `folder` and `depth` levels of subfolders, deleting or scheduling
// every file named `name`; removes the subfolders it entered when they are
// empty and `removeFolders` is set. 1 when a deletion had to be scheduled.
int DeleteInTree(const COsVersion& os, const char* folder, const char* name, int depth,
                 bool removeFolders);

// Removes the driver folder's subfolder (driverSubPath) when it is empty.
int RemoveDriverSubfolder(CRemovalContext& ctx);

// Operating-system files that a script may not delete from the system folders.
bool IsProtectedFileName(const char* name);

// The folder an OemFolders item stands for, ending with a backslash: the item
// itself when it names a folder, the folder of the file it names otherwise.
// Empty when it is no absolute path, has "." or ".." parts, or is a drive's
// root, the Windows, system or program-files folder or one that holds them.
std::string InstallationFolderOf(const std::string& item);

}  // namespace vq
