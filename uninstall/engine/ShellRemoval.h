// What the maker's installers registered with the shell and the device
// installer: the installation folders recorded in the registry, program
// groups and shortcut files, and the INF copies the device installer kept.
#pragma once

#include <string>
#include <vector>

#include "uninstall/engine/RemovalContext.h"

namespace vq {

// The non-empty values of HKLM\`keyPath` (at most 260 bytes each; a maker's
// list of folders), in every registry view, in the order read.
std::vector<std::string> FolderValues(const COsVersion& os, const char* keyPath);

// Appends the folders of HKLM\SOFTWARE\VARDEN QUILLAN\OEM02\OEMPaths to the
// removal set's OemFolders list and normalises it.
void CollectOemFolders(CRemovalContext& ctx);

// Handles the Shortcuts items ("group[,item[,location]]") in descending
// order: a group alone is deleted through the program manager, unless a
// script names a shortcut in it that this run does not remove; an item is
// deleted through it on Win32s, elsewhere as files (as named, ".LNK" and
// ".PIF") from the Programs folders' group subfolder and, for the location
// STARTUP, the Startup folders.
void RemoveShortcuts(CRemovalContext& ctx);

// Sends one command (at most 63 characters) to the program manager over DDE.
// A connection that takes over 5 s and a command left without an answer for
// 5 s are given up, and the log says so. 1 when it was accepted.
int SendProgmanCommand(const char* command);

// Uninstalls <Windows>\inf\oem*.inf files whose [Strings] PrinterName is
// exactly the name of a driver this run deleted (removedDrivers) and that no
// environment has any more: through the device installer, with their .pnf,
// where it offers that (Windows XP and later), elsewhere as files.
void RemoveOemInfFiles(CRemovalContext& ctx);

// Windows 98 and Me: the same for the maker's INF copies under inf\other,
// with their "OEM Name" values of the setup registry.
void RemoveWin9xInfFiles(CRemovalContext& ctx);

}  // namespace vq
