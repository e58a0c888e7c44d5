#include "uninstall/app/RemovePage.h"

#include "uninstall/app/Ui.h"
#include "uninstall/engine/Services.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"
#include "uninstall/system/SpoolerHandles.h"

namespace vq {

bool CRemovePage::s_inTimer = false;

namespace {
const int kRowText[CRemovePage::kRowCount] = {2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2023};
const int kRowIcon[CRemovePage::kRowCount] = {IDC_ROW0_ICON, IDC_ROW1_ICON, IDC_ROW2_ICON,
                                              IDC_ROW3_ICON, IDC_ROW4_ICON, IDC_ROW5_ICON,
                                              IDC_ROW6_ICON, IDC_ROW7_ICON, IDC_ROW8_ICON};
const UINT kTickMs = 200;
}  // namespace

CRemovePage::CRemovePage() : rows_(kRowText, kRowIcon, kRowCount) {
  context.os = COsVersion::FromSystem();
}

CRemovePage::~CRemovePage() = default;

INT_PTR CRemovePage::DialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_SHOWWINDOW:
      if (wParam) Redraw(true);
      return 0;
    case WM_CTLCOLORSTATIC:
      return rows_.OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                    currentRow, progressActive);
    case WM_PAINT:
      rows_.OnPaint();
      return 1;
    case WM_TIMER:
      if (wParam == IDT_REMOVE) RunTimerStep();
      return 1;
  }
  return 0;
}

void CRemovePage::OnInitDialog() {
  context.pageWindow = hwnd;
  rows_.Create(hwnd);
  for (int r = 0; r < kRowCount; ++r) strings_.SetItemTextFrom(hwnd, kRowText[r], IDS_ROW0 + r);
}

void CRemovePage::Redraw(bool reset) {
  if (reset) currentRow = 0;
  progressActive = !reset;
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  if (progressActive) ++currentRow;
}

void CRemovePage::ShowRow(int row) {
  currentRow = row;
  Redraw(false);
}

void CRemovePage::Start(const std::string& backupRoot) {
  EnableWindow(GetDlgItem(GetParent(hwnd), IDC_UNINSTALL), FALSE);
  std::string reason;
  if (!run.Start(backupRoot, GetCommandLineA(), reason)) {
    // Never remove what could not be saved: the run ends before its first change.
    ShowMessageFrom(IDS_NOBACKUP, {run.BackupFolder()}, MB_ICONHAND);
    PostMessageA(GetParent(hwnd), WM_APP_RUN_FINISHED, CRemovalRun::kFinishedNotStarted, 0);
    return;
  }
  step = 0;
  Redraw(true);
  SetTimer(hwnd, IDT_REMOVE, kTickMs, nullptr);
}

// Rows shown around each step: `before` is shown before the phase runs,
// `after` once it has run (-1: none). Step 3 marks row 2 current first; step
// 15 marks every row done.
namespace {
struct StepRows {
  int before;
  int after;
};
const StepRows kStepRows[CRemovalRun::kFinishStep] = {
    {0, 1},   {1, -1},  {-1, 2}, {-1, 3}, {-1, 4}, {-1, 5}, {-1, 6}, {-1, -1}, {-1, 7},
    {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, 8}, {-1, -1}, {-1, CRemovePage::kRowCount},
    {-1, -1}};
}  // namespace

void CRemovePage::RunTimerStep() {
  if (s_inTimer) return;  // message boxes inside a phase pump further ticks
  CReentrancyGuard guard(s_inTimer);
  if (waitCursor) SetCursor(waitCursor);
  if (step >= CRemovalRun::kFinishStep) {
    Finish();
    return;
  }
  const StepRows rows = kStepRows[step];
  if (step == 0) {
    waitCursor = LoadCursorA(nullptr, IDC_WAIT);
    previousCursor = SetCursor(waitCursor);
  }
  if (step == 3) currentRow = 2;
  if (rows.before >= 0) ShowRow(rows.before);
  if (!run.RunPhase(step)) return;  // look again at the next tick
  if (rows.after >= 0) ShowRow(rows.after);
  ++step;
}

void CRemovePage::Finish() {
  KillTimer(hwnd, IDT_REMOVE);
  SetCursor(previousCursor);
  waitCursor = nullptr;
  // The main dialog decides what follows: the selection page again, or the
  // end of the program after a restart question.
  const CRemovalRun::FinishResult result = run.Finish();
  PostMessageA(GetParent(hwnd), WM_APP_RUN_FINISHED, static_cast<WPARAM>(result), 0);
}

}  // namespace vq
