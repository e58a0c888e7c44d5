#include "uninstall/app/RemovePage.h"

#include "uninstall/app/Ui.h"
#include "uninstall/engine/Services.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/Settings.h"
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
enum StateImage { kPending = 0, kDone = 1, kRunning = 2 };
const UINT kTickMs = 200;
const COLORREF kMaskColour = RGB(255, 0, 255);

// The row fonts follow the font settings. Without a settings file the face is
// empty and the sizes 1, which would give an unreadable one-pixel font: the
// page's own dialog font is used then, at the same weight.
HFONT CreateRowFont(HWND page, int weight) {
  const CSettings& s = ProcessSettings();
  if (s.fontType[0] == '\0') {
    LOGFONTA lf = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof(lf), &lf))
      GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfWeight = weight;
    return CreateFontIndirectA(&lf);
  }
  return CreateFontA(s.fontHeight, s.fontWidth, 0, 0, weight, FALSE, FALSE, FALSE,
                     static_cast<BYTE>(s.fontCharSet), 0, 0, 0,
                     static_cast<BYTE>(s.fontPitch | s.fontFamily), s.fontType);
}

}  // namespace

CRemovePage::CRemovePage() { context.os = COsVersion::FromSystem(); }

CRemovePage::~CRemovePage() {
  if (normalFont_) DeleteObject(normalFont_);
  if (boldFont_) DeleteObject(boldFont_);
  if (stateImages_) ImageList_Destroy(stateImages_);
}

INT_PTR CRemovePage::DialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_SHOWWINDOW:
      if (wParam) Redraw(true);
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      for (int r = 0; r < kRowCount; ++r) InvalidateRect(GetDlgItem(hwnd, kRowIcon[r]), nullptr, TRUE);
      return 1;
    }
    case WM_TIMER:
      if (wParam == IDT_REMOVE) RunTimerStep();
      return 1;
  }
  return 0;
}

void CRemovePage::OnInitDialog() {
  context.pageWindow = hwnd;
  normalFont_ = CreateRowFont(hwnd, FW_NORMAL);
  boldFont_ = CreateRowFont(hwnd, FW_BOLD);
  stateImages_ = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_STATES), 16,
                                      10, kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  for (int r = 0; r < kRowCount; ++r) strings_.SetItemTextFrom(hwnd, kRowText[r], IDS_ROW0 + r);
}

void CRemovePage::PaintRow(int row, HDC dc) {
  int image = kPending;
  HFONT font = normalFont_;
  if (progressActive && row < currentRow) image = kDone;
  if (progressActive && row == currentRow) {
    image = kRunning;
    font = boldFont_;
  }
  SendDlgItemMessageA(hwnd, kRowText[row], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (stateImages_ && dc) ImageList_Draw(stateImages_, image, dc, 0, 0, ILD_NORMAL);
}

INT_PTR CRemovePage::OnCtlColorStatic(HDC dc, HWND control) {
  for (int r = 0; r < kRowCount; ++r) {
    if (GetDlgItem(hwnd, kRowIcon[r]) != control) continue;
    PaintRow(r, dc);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
  }
  return 0;
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
