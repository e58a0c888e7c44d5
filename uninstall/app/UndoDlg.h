// CUndoDlg: the undo's progress, in the rows of the uninstall's progress
// page: the backup verified once more (it may have changed while the
// confirmation was open), then restored; at the end the completion message
// over the finished rows. One step per timer tick, so that each row is seen
// running before its work.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/ProgressRows.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/engine/Undo.h"
#include "uninstall/profile/BackupManifest.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CUndoDlg : public CDialogBase {
 public:
  static constexpr int kRowCount = 2;

  // `confirmed`: the backup of `folder` as the person confirmed it.
  CUndoDlg(const std::string& folder, const BackupManifest& confirmed, const COsVersion& os,
           bool planOnly);
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // How the undo ended; set when the dialog ends.
  int exitCode = kExitFailed;

 private:
  void OnInitDialog();
  void OnTimer();
  void RunStep();
  bool Verify();
  void End(int code);

  std::string folder_;
  BackupManifest confirmed_;
  COsVersion os_;
  bool planOnly_;
  UndoResult result_;
  int step_ = 0;  // the row running; kRowCount: all done
  CProgressRows rows_;
  CStringTable strings_;
  bool inTimer_ = false;
};

}  // namespace vq
