#include "uninstall/app/Startup.h"

#include <exception>
#include <string>

#include "uninstall/engine/ActionLog.h"

#include "uninstall/app/Companions.h"
#include "uninstall/app/Ui.h"
#include "uninstall/engine/Services.h"
#include "uninstall/engine/Wow64.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/PrinterInventory.h"
#include "uninstall/profile/ScriptFinder.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

namespace vq {

bool CStartup::s_pausedOnce = false;
int CStartup::s_inventoryRuns = 0;

// An unexpected failure of a step (memory exhausted) leaves the tool without
// a trustworthy picture of the machine: the start-up ends before anything is
// removed.
CStartup::Outcome CStartup::RunStep(int step) {
  try {
    return RunStepUnguarded(step);
  } catch (const std::exception& e) {
    LogOutcome("internal error", "start-up step " + std::to_string(step), e.what());
  } catch (...) {
    LogOutcome("internal error", "start-up step " + std::to_string(step), "unknown exception");
  }
  Outcome failed;
  failed.next = step;
  failed.failure = IDS_INTERNALERROR;
  return failed;
}

CStartup::Outcome CStartup::RunStepUnguarded(int step) {
  Outcome out;
  out.next = step + 1;
  switch (step) {
    case 0:
      if (!IsAdministrator(os_)) out.failure = IDS_NOTADMIN;
      break;
    case 1:
      CloseCompanionPrograms();
      break;
    case 2:
      if (os_.IsNT()) StopSpooler();  // a spooler that will not stop is started again anyway
      break;
    case 3:
      if (!s_pausedOnce) {  // give the spooler one tick to stop
        s_pausedOnce = true;
        out.next = step;
      }
      break;
    case 4:
      if (os_.IsNT() && !StartSpooler()) out.failure = IDS_SPOOLERUNSTABLE;
      break;
    case 5:
      CollectScripts();
      out.scriptsMissing = scripts_.empty();
      break;
    case 6:
      for (const std::string& path : scripts_) db_.ReadScript(path);
      break;
    case 7:
      db_.PrepareEverythingProfile(options_.Count("UNVEZZ") >= 0);
      break;
    case 8:
      return BuildInventory();
    case 9:
      CloseCompanionPrograms();
      break;
  }
  return out;
}

void CStartup::CollectScripts() {
  CFileSpec place(os_);
  place.SetFolder(kFolderPrinterDriver);
  const std::string driverFolder = place.FolderPath();
  std::vector<std::string> folders = {driverFolder};
  if (!driverFolder.empty()) folders.push_back(place.AppendSubfolder("3"));
  place.SetFolder(kFolderProgram);
  folders.push_back(place.FolderPath());
  place.SetFolder(kFolderSystem);
  folders.push_back(place.FolderPath());
  if (os_.Is64BitWindows()) {
    // A 64-bit installer leaves its script in the 64-bit drivers' folder or
    // in the system folder of its own bitness.
    place.SetSpoolerFolder(false, kEnvironmentX64);
    const std::string x64Folder = place.FolderPath();
    folders.push_back(x64Folder);
    if (!x64Folder.empty()) folders.push_back(place.AppendSubfolder("3"));
    folders.push_back(OtherSystemFolder(os_));
  }
  for (const std::string& path : CollectScriptPaths(folders)) scripts_.push_back(path);
  NormaliseList(scripts_);  // a repeated start-up finds the same scripts again
}

CStartup::Outcome CStartup::BuildInventory() {
  Outcome out;
  out.next = 9;
  const bool firstRun = (s_inventoryRuns++ == 0);
  InventoryResult result = BuildListOfInstalledPrinters(db_.printers, os_, options_);
  if (result.spoolerNotAnswering) {
    out.failure = IDS_SPOOLERNOTANSWERING;
  } else if (result.failed) {
    // The printers after the failure are unknown, and a printer that is not
    // known protects nothing of what it needs: nothing may be removed.
    LogAction(result.failure.function ? result.failure.function : "printer inventory",
              result.failure.description ? result.failure.description : "", result.failure.lastError);
    out.failure = IDS_SPOOLERNOTANSWERING;
  } else if (result.count == 0 && firstRun) {
    // Run the start-up once more from the companion shutdown. The list is
    // emptied first: the inventory only appends, and records of the first
    // attempt would otherwise be listed twice.
    db_.printers.clear();
    out.next = 1;
    out.repeated = true;
  }
  return out;
}

}  // namespace vq
