#include "uninstall/app/ProgressRows.h"

#include "uninstall/profile/Settings.h"
#include "uninstall/res/resource.h"

namespace vq {

namespace {
enum StateImage { kPending = 0, kDone = 1, kRunning = 2 };
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

CProgressRows::~CProgressRows() {
  if (normalFont_) DeleteObject(normalFont_);
  if (boldFont_) DeleteObject(boldFont_);
  if (stateImages_) ImageList_Destroy(stateImages_);
}

void CProgressRows::Create(HWND page) {
  page_ = page;
  normalFont_ = CreateRowFont(page, FW_NORMAL);
  boldFont_ = CreateRowFont(page, FW_BOLD);
  stateImages_ = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_STATES), 16,
                                      10, kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

void CProgressRows::PaintRow(int row, HDC dc, int current, bool active) {
  int image = kPending;
  HFONT font = normalFont_;
  if (active && row < current) image = kDone;
  if (active && row == current) {
    image = kRunning;
    font = boldFont_;
  }
  SendDlgItemMessageA(page_, textIds_[row], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (stateImages_ && dc) ImageList_Draw(stateImages_, image, dc, 0, 0, ILD_NORMAL);
}

INT_PTR CProgressRows::OnCtlColorStatic(HDC dc, HWND control, int current, bool active) {
  for (int r = 0; r < count_; ++r) {
    if (GetDlgItem(page_, iconIds_[r]) != control) continue;
    PaintRow(r, dc, current, active);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
  }
  return 0;
}

void CProgressRows::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(page_, &ps);
  EndPaint(page_, &ps);
  for (int r = 0; r < count_; ++r) InvalidateRect(GetDlgItem(page_, iconIds_[r]), nullptr, TRUE);
}

}  // namespace vq
