// CLoadingDlg: the start-up checks and the building of the uninstall
// database, one step per timer tick so the progress bar moves between them.
#pragma once

#include <memory>

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/Startup.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CUninstallDatabase;

class CLoadingDlg : public CDialogBase {
 public:
  CLoadingDlg();
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  const CommandLineOptions& Options() const { return options; }

  int step = 0;
  bool failed = false;  // a start-up check failed (rather than the user stopping it)
  CommandLineOptions options;
  COsVersion os;
  CStringTable strings;
  CUninstallDatabase* database = nullptr;  // set before the dialog is shown

 private:
  void OnInitDialog();
  void OnTimer();
  void OnCancelRequest();
  bool RunStep();  // false when the step failed and ended the dialog
  bool Fail(UINT messageId);

  std::unique_ptr<CStartup> startup_;  // made when the database is known
  // Process-wide, never reset: the timer's re-entrancy flag.
  static bool s_inTimer;
};

}  // namespace vq
