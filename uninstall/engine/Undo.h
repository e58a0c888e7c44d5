// The undo of an uninstall run (switch UNDO): its backup folder read,
// verified, and put back in the reverse order of the run. Only what is
// missing is restored: a thing that exists again (reinstalled since) is left
// as it is and counted as a conflict, one that is there as the backup has it
// (an undo run before) counts as restored already. Each step is safe to
// repeat, so an undo ended the hard way is finished by running it again.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "uninstall/profile/BackupManifest.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

struct UndoResult {
  int restored = 0;       // put back now
  int alreadyThere = 0;   // as the backup has it already
  int conflicts = 0;      // exists again, otherwise: left as it is
  int failures = 0;       // could not be put back
  int notRestorable = 0;  // print jobs, what hooks and the disguise tool did
  bool restartNeeded = false;  // a restored monitor or processor loads at the next start
};

// The backup folders under `root` (the default one: DefaultBackupRoot()),
// newest first by the date and time in their names; each ends with a backslash.
std::vector<std::string> BackupsUnder(const std::string& root);

// Reads the backup in `folder` and checks every file it saved (there, of its
// size and SHA-256). False, with `reason` in a sentence, when the folder has
// no manifest, the manifest is malformed or a file is missing or altered:
// then nothing of it may be restored.
bool ReadBackup(const std::string& folder, BackupManifest& manifest, std::string& reason);

// Puts back what `manifest` (of the backup in `folder`, read by ReadBackup)
// holds, the last change first, logging each step. `planOnly`: decides and
// logs what it would do, changing nothing (switch PLAN).
UndoResult RestoreBackup(const std::string& folder, const BackupManifest& manifest,
                         const COsVersion& os, bool planOnly);

// How many entries of each kind the backup holds, for a person to confirm.
std::map<std::string, int> BackupCounts(const BackupManifest& manifest);

}  // namespace vq
