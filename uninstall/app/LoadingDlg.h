// CLoadingDlg: the start-up checks and the building of the uninstall
// database, one step per timer tick so the progress bar moves between them.
#pragma once

#include <string>
#include <vector>

#include "uninstall/app/CommandLineOptions.h"
#include "uninstall/app/DialogBase.h"
#include "uninstall/app/OsVersion.h"
#include "uninstall/app/StringTable.h"

namespace vq {

class CUninstallDatabase;

class CLoadingDlg : public CDialogBase {
 public:
  CLoadingDlg();
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  const CommandLineOptions& Options() const { return options; }

  int step = 0;
  CommandLineOptions options;
  COsVersion os;
  std::vector<std::string> scripts;
  CStringTable strings;
  CUninstallDatabase* database = nullptr;

 private:
  void OnInitDialog();
  void OnTimer();
  void OnCancelRequest();
  bool RunStep();  // false when the step failed and ended the dialog
  bool Fail(UINT messageId);
  void CollectScripts();
  bool BuildInventory();

  // Process-wide, never reset: the timer's re-entrancy flag, the once-only
  // pause of step 3, and the number of inventory runs of step 8.
  static bool s_inTimer;
  static bool s_pausedOnce;
  static int s_inventoryRuns;
};

}  // namespace vq
