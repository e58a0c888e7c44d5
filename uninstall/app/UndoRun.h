// The switch UNDO and the main dialog's "undo the last uninstall": the
// backup an uninstall run wrote is found, read and verified whole, confirmed
// by the person at the screen (not in a quiet run) and put back in the
// reverse order of the run, only what is missing; the exit code tells how.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/engine/Undo.h"
#include "uninstall/profile/BackupManifest.h"
#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

// The backup folder an undo puts back: `undoPath` names a backup folder (one
// that holds a manifest) or a folder whose newest backup folder is taken;
// empty, the newest under `backupRoot` (switch BACKUP), or under
// DefaultBackupRoot() without it. Empty when there is none.
std::string UndoBackupFolder(const std::string& undoPath, const std::string& backupRoot);

// The date of the run the backup is of, as a person in Brazil writes it:
// "09/12/2026 14:03:59" for "2026-12-09 14:03:59"; another text (a manifest
// written by hand) as it is.
std::string BackupDate(const BackupManifest& manifest);

// Reads the backup in `folder` and verifies every file it saved. When it
// cannot be trusted, the reason goes to the log, the person is told, and the
// result is false: nothing of it may be restored then.
bool ReadVerifiedBackup(const std::string& folder, BackupManifest& manifest);

// Runs the undo the switches ask for (UNDO, QUIET, FORCERESTART, BACKUP,
// PLAN) and returns its exit code: 0 all restored or in place already, 3010
// restored and a restart completes it (1641 when the tool started it), 1603
// with conflicts or failures (the log lists each), 1602 when the person
// declined, 87 when there is no backup or it cannot be trusted (nothing is
// touched then). Quiet: no window, every message to the log. A plan (switch
// PLAN, or an access layer that changes nothing) decides and logs what it
// would restore and changes nothing. `owner`: the window the confirmation
// and the progress belong to (null: none).
int RunUndo(const CommandLineOptions& options, const COsVersion& os, HWND owner = nullptr);

// The end of an undo that restored: its completion message (to the log in a
// quiet run), or the restart question and the restart (none in a plan,
// `planOnly`); the exit code.
int FinishUndo(const UndoResult& result, const COsVersion& os, bool planOnly);

}  // namespace vq
