// Deleting one file, or, when it is in use, having it deleted at the next
// start of Windows by the means of each version: MoveFileExA on Windows NT 4.0
// and later, WININIT.INI on Windows 95, 98 and Me, and the package's program
// zwininit on Win32s and Windows NT 3.x.
#pragma once

#include <string>

#include "uninstall/system/OsVersion.h"

namespace vq {

enum class DeleteResult {
  kGone,       // deleted, or nothing to delete (no such file or folder, or a folder)
  kScheduled,  // in use: deleted at the next start of Windows
  kFailed,     // neither deleted nor scheduled (logged with its error)
};

// Deletes the file, or has it deleted at the next start when it is in use.
// Only a schedule that was written counts as scheduled.
DeleteResult DeleteOrSchedule(const COsVersion& os, const char* path);

// Adds "NUL=<path>" to the [rename] section of WININIT.INI in the Windows
// folder (the file and the section are made when missing; a second section
// is never started). The path is written as WININIT reads it: its 8.3 form in
// the OEM code page. False, with nothing written and `failure` (when given)
// saying why, when the file has no 8.3 form or the line could not be written.
bool ScheduleWininit(const char* path, const char** failure = nullptr);

// Takes back the deletion of `path` at the next start that a run scheduled,
// by the means of the Windows version: its pair leaves PendingFileRenameOperations
// (NT 4.0 and later), its line WININIT.INI's [rename] section (Windows 9x),
// its entry zwininit.ini (Win32s, NT 3.x). True when one was found and taken out.
bool CancelPendingDeletion(const COsVersion& os, const std::string& path);

// Writes `path`=NUL into section "RENAME" of zwininit.ini beside the tool.
// 1 when written; 0 when zwininit.exe is not beside the tool or the line
// could not be written.
int ScheduleZwininit(const char* path);

// Clears the read-only attribute of an existing file.
void ClearReadOnly(const char* path);

}  // namespace vq
