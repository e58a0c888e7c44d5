// CRemovePage: the progress page of an uninstall run. It runs one removal
// phase per timer tick and shows the progress in nine rows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/ProgressRows.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/engine/RemovalContext.h"
#include "uninstall/engine/RemovalRun.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CUninstallDatabase;

class CRemovePage : public CDialogBase {
 public:
  static constexpr int kRowCount = 9;

  CRemovePage();
  ~CRemovePage() override;
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Starts a run; its backup folder is made in `backupRoot` (the default
  // one when empty).
  void Start(const std::string& backupRoot);
  void RunTimerStep();
  void Redraw(bool reset);

  int step = 0;
  int currentRow = 0;
  bool progressActive = false;
  HCURSOR waitCursor = nullptr;
  HCURSOR previousCursor = nullptr;
  // The database, the version, the folder lists and the fields the removal
  // phases share (lastDriverName, windowsPath, driverPath, driverSubPath).
  CRemovalContext context;
  CRemovalRun run{context};

 private:
  void OnInitDialog();
  void ShowRow(int row);
  void Finish();

  CProgressRows rows_;
  CStringTable strings_;

  static bool s_inTimer;
};

}  // namespace vq
