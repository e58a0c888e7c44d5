// The phases of an uninstall run in their fixed order. The progress page runs
// one step per timer tick and shows the rows; an unattended run can run them
// one after the other. Steps 0 to 16 are phases; what step 17 (the finish)
// shows is up to the caller.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "uninstall/engine/BackupFolder.h"
#include "uninstall/engine/BackupLayer.h"
#include "uninstall/engine/RemovalContext.h"

namespace vq {

class CRemovalRun {
 public:
  static constexpr int kFinishStep = 17;

  explicit CRemovalRun(CRemovalContext& context) : ctx_(context) {}
  ~CRemovalRun();
  CRemovalRun(const CRemovalRun&) = delete;
  CRemovalRun& operator=(const CRemovalRun&) = delete;

  // Builds the folder lists (they only grow from run to run), resolves the
  // driver folder and, unless the run only plans, creates the run's backup
  // under `backupRoot` (DefaultBackupRoot() when empty), through which every
  // change of the run is saved before it is made; the next step is 0. False,
  // with `reason`, when the backup cannot be written: the run must then
  // change nothing (a backup is never skipped).
  bool Start(const std::string& backupRoot, const std::string& commandLine, std::string& reason);
  // Runs the phase of step `step`. Returns false when the step must run
  // again later (the disguise tool is still undoing its work).
  bool RunPhase(int step);

  // The finish: the completion message, or the restart question and the
  // restart it asks for (message 5055 when that failed).
  enum FinishResult {
    kFinishedDone,
    kFinishedRestartDeclined,
    kFinishedRestarting,
    kFinishedRestartFailed,
    kFinishedNotStarted  // the backup could not be written: nothing was changed
  };
  FinishResult Finish();

  // The folder of the backup the run writes (or would write, in a plan).
  const std::string& BackupFolder() const { return backupFolder_; }

  // The disguise tool the run started (empty when none was found).
  const std::string& DisguiseToolPath() const { return disguiseToolPath_; }

 private:
  void BuildFolderLists();
  // Appends the folder `setPlace` sets a CFileSpec to, asked twice as the
  // spooler may answer late after its restart.
  template <typename SetPlace>
  void AddFolder(std::vector<std::string>& list, SetPlace setPlace);
  bool DisguiseToolRunning();
  void RestartSpooler();
  bool StartBackup(const std::string& backupRoot, const std::string& commandLine,
                   std::string& reason);
  void EndBackup();
  bool RunPhaseUnguarded(int step);

  CRemovalContext& ctx_;
  std::string backupFolder_;
  std::unique_ptr<CBackupFolder> backup_;
  std::unique_ptr<CBackupLayer> backupLayer_;
  std::unique_ptr<CAccessLayerOverride> backupSeam_;
  HANDLE disguiseTool_ = nullptr;  // its process, or 1 on Win32s (watched by its dialog)
  std::string disguiseToolPath_;
};

}  // namespace vq
