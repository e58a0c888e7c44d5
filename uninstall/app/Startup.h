// The start-up sequence: the checks and the building of the uninstall
// database, step by step. The loading dialog runs one step per timer tick
// and shows its progress; an unattended run runs them one after another.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CUninstallDatabase;

class CStartup {
 public:
  static constexpr int kDoneStep = 11;

  struct Outcome {
    int next = 0;               // the step to run next (kDoneStep: all done)
    UINT failure = 0;           // a message id when a check failed: the start-up ends
    bool scriptsMissing = false;  // step 5 found no script (a warning, not a failure)
    bool repeated = false;      // step 8 found no printer the first time: back to step 1
  };

  CStartup(CUninstallDatabase& database, const COsVersion& os, const CommandLineOptions& options)
      : db_(database), os_(os), options_(options) {}

  Outcome RunStep(int step);
  const std::vector<std::string>& Scripts() const { return scripts_; }

 private:
  Outcome RunStepUnguarded(int step);
  void CollectScripts();
  Outcome BuildInventory();

  CUninstallDatabase& db_;
  COsVersion os_;
  const CommandLineOptions& options_;
  std::vector<std::string> scripts_;

  // Process-wide, never reset: the once-only pause of step 3 and the
  // number of inventory runs of step 8.
  static bool s_pausedOnce;
  static int s_inventoryRuns;
};

}  // namespace vq
