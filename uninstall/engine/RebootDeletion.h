// Deleting one file, or, when it is in use, having it deleted at the next
// start of Windows by the means of each version: MoveFileExA on Windows NT 4.0
// and later, WININIT.INI on Windows 95, 98 and Me, and the package's program
// zwininit on Win32s and Windows NT 3.x.
#pragma once

#include "uninstall/app/OsVersion.h"

namespace vq {

// 1 when the file is gone now (deleted, or there was nothing to delete: no
// such file or folder, or the path names a folder); 0 when its deletion was
// scheduled for the next start.
int DeleteOrSchedule(const COsVersion& os, const char* path);

// Appends "NUL=<path>" to the "[RENAME]" section of WININIT.INI in the Windows
// folder, writing the section header first when the file does not end in
// that section.
void ScheduleWininit(const char* path);

// Writes `path`=NUL into section "RENAME" of zwininit.ini beside the tool.
// 1 when written; 0 when zwininit.exe is not beside the tool.
int ScheduleZwininit(const char* path);

// Clears the read-only attribute of an existing file.
void ClearReadOnly(const char* path);

}  // namespace vq
