// CMainDlg: the application object and its dialog, the only top-level window
// of the tool. It owns the database, the loading dialog and both pages, shows
// the loading dialog first, then the selection page, and starts the run.
#pragma once

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/LoadingDlg.h"
#include "uninstall/app/OsVersion.h"
#include "uninstall/app/RemovePage.h"
#include "uninstall/app/SelectPage.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace vq {

extern const char kMainWindowClass[];  // "QLNUninstallWindowClass02"

class CMainDlg : public CDialogBase {
 public:
  CMainDlg();
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  CUninstallDatabase database;
  CLoadingDlg loading;
  CSelectPage selectPage;
  CRemovePage removePage;
  CStringTable strings;
  COsVersion os;
  // The program's exit code: cancelled until a run has finished.
  int exitCode = 1602;

 private:
  void OnInitDialog();
  void RunStartUp();
  void ShowFirstPage();
  void StartRun();
  void OnRunFinished();
  void OnEnterMenuLoop();
  void EnableUninstall(bool enable);
  void EnableExit(bool enable);
  void PlacePage(HWND page);
};

}  // namespace vq
