#include "uninstall/app/UndoDlg.h"

#include <exception>

#include "uninstall/app/Ui.h"
#include "uninstall/app/UndoRun.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/res/resource.h"

namespace vq {

namespace {
const int kRowText[CUndoDlg::kRowCount] = {IDC_UNDOROW0_TEXT, IDC_UNDOROW1_TEXT};
const int kRowIcon[CUndoDlg::kRowCount] = {IDC_UNDOROW0_ICON, IDC_UNDOROW1_ICON};
const UINT kTickMs = 200;
}  // namespace

CUndoDlg::CUndoDlg(const std::string& folder, const BackupManifest& confirmed, const COsVersion& os,
                   bool planOnly)
    : folder_(folder), confirmed_(confirmed), os_(os), planOnly_(planOnly),
      rows_(kRowText, kRowIcon, kRowCount) {}

INT_PTR CUndoDlg::DialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_CTLCOLORSTATIC:
      return rows_.OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                    step_, true);
    case WM_PAINT:
      rows_.OnPaint();
      return 1;
    case WM_TIMER:
      if (wParam == IDT_UNDO) OnTimer();
      return 1;
    case WM_COMMAND:
      // Esc and Enter end nothing: a restore left half done is finished only
      // by running the undo again.
      return 1;
  }
  return 0;
}

void CUndoDlg::OnInitDialog() {
  strings_.SetWindowTextFrom(hwnd, IDS_UNDOTITLE);
  const std::string label = FillPlaceholders(
      strings_.Load(IDS_UNDOLABEL),
      {ElideMiddle(BackupDate(confirmed_), kMessageValueChars), ElideMiddle(folder_, kMessageValueChars)});
  SetDlgItemTextA(hwnd, IDC_UNDOLABEL, label.c_str());
  for (int r = 0; r < kRowCount; ++r) strings_.SetItemTextFrom(hwnd, kRowText[r], IDS_UNDOROW0 + r);
  rows_.Create(hwnd);
  CenterWindow(hwnd, GetWindow(hwnd, GW_OWNER));
  SetTimer(hwnd, IDT_UNDO, kTickMs, nullptr);
}

void CUndoDlg::OnTimer() {
  if (inTimer_) return;  // the messages of a step pump further ticks
  CReentrancyGuard guard(inTimer_);
  // The row about to run is drawn bold before its work holds the window
  // (after the last one: every row done, under the completion message).
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  try {
    RunStep();
  } catch (const std::exception& e) {
    LogOutcome("internal error", "undo step " + std::to_string(step_), e.what());
    ++result_.failures;
    step_ = kRowCount;
  } catch (...) {
    LogOutcome("internal error", "undo step " + std::to_string(step_), "unknown exception");
    ++result_.failures;
    step_ = kRowCount;
  }
}

void CUndoDlg::RunStep() {
  switch (step_) {
    case 0:
      if (!Verify()) return End(kExitBadBackup);
      ++step_;
      return;
    case 1:
      result_ = RestoreBackup(folder_, confirmed_, os_, planOnly_);
      ++step_;
      return;
    default:
      // Every row done; the completion message over them.
      KillTimer(hwnd, IDT_UNDO);
      return End(FinishUndo(result_, os_, planOnly_));
  }
}

// What is restored is what the person confirmed: the backup is read and
// verified again, and must still be that one.
bool CUndoDlg::Verify() {
  BackupManifest now;
  if (!ReadVerifiedBackup(folder_, now)) return false;
  if (ManifestText(now) == ManifestText(confirmed_)) return true;
  LogOutcome("backup folder", Quoted(folder_),
             "refused: it changed after it was confirmed; nothing is restored");
  ShowMessageFrom(IDS_UNDOBADBACKUP, {folder_}, MB_ICONHAND | MB_SETFOREGROUND);
  return false;
}

void CUndoDlg::End(int code) {
  KillTimer(hwnd, IDT_UNDO);
  exitCode = code;
  EndDialog(hwnd, 1);
}

}  // namespace vq
