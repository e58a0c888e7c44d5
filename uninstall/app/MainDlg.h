// CMainDlg: the application object and its dialog, the only top-level window
// of the tool. It owns the database, the loading dialog and both pages, shows
// the loading dialog first, then the selection page, and starts the run.
#pragma once

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/LoadingDlg.h"
#include "uninstall/app/RemovePage.h"
#include "uninstall/app/SelectPage.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/system/OsVersion.h"

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
  int exitCode = kExitCancelled;

 private:
  bool OnCommand(WORD id);  // whether the command is the dialog's
  void OnInitDialog();
  void RunStartUp();
  void ShowFirstPage();
  void StartRun();
  void OnRunFinished(int finishResult);
  void OnEnterMenuLoop();
  void UpdateUndoEntry(HMENU system);
  void OnUndo();
  void EnableUninstall(bool enable);
  void EnableExit(bool enable);
  void PlacePage(HWND page);

  // From Uninstall to the end of the run (or of an undo): nothing ends the
  // dialog then, so that no phase is left undone (a spooler stopped and
  // never started again).
  bool running_ = false;
};

}  // namespace vq
