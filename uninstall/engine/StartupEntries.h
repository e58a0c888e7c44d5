// The phases that undo what the maker's installers hooked into Windows outside
// the spooler: the add-ons' own clean-up exports, INI entries in the Windows
// folder, and the programs started at log-on (the Run key, or the "Load" line
// of win.ini on Win32s).
#pragma once

#include "uninstall/engine/RemovalContext.h"

namespace vq {

// Calls the export named by each Hooks item ("file,export"), loading the DLL
// from the printer driver folder or, when it is only there, from the tool's
// own folder, with that folder current while it runs. Each export gets the
// page window, its instance, the tool's folder (ending with a backslash) and 0.
void RunHooks(CRemovalContext& ctx);

// Deletes the line of each DeleteIni item ("file,section,entry") from that
// file in the Windows folder (only the file's name is used).
void RemoveIniEntries(CRemovalContext& ctx);

// Removes each DeleteLoadRun item ("value name,command") with RemoveLoadRunEntry.
void RemoveLoadRunEntries(CRemovalContext& ctx);

// Win32s: removes the word `command` from win.ini's "Load" line (the line is
// written back in lower case); elsewhere deletes the Run value `valueName`.
// 1 when an entry was removed.
int RemoveLoadRunEntry(CRemovalContext& ctx, const char* valueName, const char* command);

// Win32s: appends `command` to win.ini's "Load" line unless it is there;
// elsewhere sets the Run value `valueName` (null: the key's default value).
void AddLoadRunEntry(CRemovalContext& ctx, const char* valueName, const char* command);

}  // namespace vq
