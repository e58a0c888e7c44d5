#include "uninstall/app/Plan.h"

#include <windows.h>

#include <vector>

#include "uninstall/app/Unattended.h"
#include "uninstall/app/UndoRun.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/PlanLayer.h"
#include "uninstall/profile/PlanReport.h"
#include "uninstall/system/Handles.h"

namespace vq {

namespace {

bool WriteText(const std::string& path, const std::string& text) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid() && WriteAll(file.Get(), text);
}

// The run would reach its end: the plan is the whole removal.
bool WouldFinish(int exitCode) {
  return exitCode == kExitDone || exitCode == kExitRestartNeeded || exitCode == kExitRestartStarted;
}

// The run's action records go to `records` while the object lives.
class CRecordsSink {
 public:
  explicit CRecordsSink(std::vector<ActionRecord>& records) { SetProcessActionRecords(&records); }
  ~CRecordsSink() { SetProcessActionRecords(nullptr); }
  CRecordsSink(const CRecordsSink&) = delete;
  CRecordsSink& operator=(const CRecordsSink&) = delete;
};

}  // namespace

int WritePlan(const CommandLineOptions& options, const COsVersion& os, const std::string& path) {
  std::vector<ActionRecord> records;
  int exitCode;
  {
    CPlanLayer plan;
    CAccessLayerOverride seam(plan);
    CRecordsSink sink(records);
    exitCode = options.Count("UNDO") >= 0 ? RunUndo(options, os) : RunQuietly(options, os);
  }
  if (!WriteText(path, PlanJson(records, GetCommandLineA(), exitCode))) {
    LogAction("write plan", Quoted(path), GetLastError());
    return kExitStartupFailed;
  }
  LogAction("write plan", Quoted(path));
  return WouldFinish(exitCode) ? kExitDone : exitCode;
}

}  // namespace vq
