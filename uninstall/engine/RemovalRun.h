// The phases of an uninstall run in their fixed order. The progress page runs
// one step per timer tick and shows the rows; an unattended run can run them
// one after the other. Steps 0 to 16 are phases; what step 17 (the finish)
// shows is up to the caller.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/engine/RemovalContext.h"

namespace vq {

class CRemovalRun {
 public:
  static constexpr int kFinishStep = 17;

  explicit CRemovalRun(CRemovalContext& context) : ctx_(context) {}
  ~CRemovalRun();
  CRemovalRun(const CRemovalRun&) = delete;
  CRemovalRun& operator=(const CRemovalRun&) = delete;

  // Builds the folder lists (they only grow from run to run) and resolves
  // the driver folder; the next step is 0.
  void Start();
  // Runs the phase of step `step`. Returns false when the step must run
  // again later (the disguise tool is still undoing its work).
  bool RunPhase(int step);

  // The finish: the completion message, or the restart question and the
  // restart it asks for (message 5055 when that failed).
  enum FinishResult { kFinishedDone, kFinishedRestartDeclined, kFinishedRestarting, kFinishedRestartFailed };
  FinishResult Finish();

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
  bool RunPhaseUnguarded(int step);

  CRemovalContext& ctx_;
  HANDLE disguiseTool_ = nullptr;  // its process, or 1 on Win32s (watched by its dialog)
  std::string disguiseToolPath_;
};

}  // namespace vq
