// CLevelBar painting into a memory DC, checked pixel by pixel.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "statusdlg/LevelBar.h"
#include "statusdlg/ResourceText.h"

namespace {

const COLORREF kBackground = RGB(1, 2, 3);  // what lies beneath the control
const COLORREF kFill = RGB(0xFF, 0, 0);
const COLORREF kEmpty = RGB(0, 0x80, 0);
const COLORREF kEnd = RGB(0xC0, 0xC0, 0xC0);  // 192 strips, as the black bar
const int kWidth = 200;
const int kHeight = 24;

// A 32-bit DIB selected into a memory DC, filled with the background colour.
class CMemoryCanvas {
 public:
  CMemoryCanvas() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    m_old = SelectObject(m_dc, m_bitmap);
    RECT all = {0, 0, kWidth, kHeight};
    HBRUSH brush = CreateSolidBrush(kBackground);
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
  }
  ~CMemoryCanvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  HDC Dc() const { return m_dc; }
  COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }
  int Count(COLORREF colour) const {
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) count += At(x, y) == colour;
    return count;
  }
  // Columns of the top row in the colour, which the centred text never reaches.
  int CountTopRow(COLORREF colour) const {
    int count = 0;
    for (int x = 0; x < kWidth; ++x) count += At(x, 0) == colour;
    return count;
  }

 private:
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
};

class LevelBarTest : public testing::Test {
 protected:
  LevelBarTest() {
    bar.m_fillColour = kFill;
    bar.m_endColour = kEnd;
    bar.m_emptyColour = kEmpty;
    bar.m_font.lfHeight = -12;
    strcpy(bar.m_font.lfFaceName, "Tahoma");
  }
  void Paint(int position) {
    bar.m_position = position;
    bar.Draw(canvas.Dc(), kWidth, kHeight);
  }
  int TextPixels() const { return canvas.Count(RGB(0, 130, 80)); }

  CLevelBar bar;
  CMemoryCanvas canvas;
};

TEST_F(LevelBarTest, PositionZeroFillsTheFirstStripOnlyAndShowsZeroPercent) {
  Paint(0);
  // 200 pixels in 192 strips: the first strip edge past 0 is at 1.
  EXPECT_EQ(1, canvas.CountTopRow(kFill));
  EXPECT_EQ(kFill, canvas.At(0, 0));
  EXPECT_EQ(kWidth - 1, canvas.CountTopRow(kEmpty));
  EXPECT_GT(TextPixels(), 0);
}

TEST_F(LevelBarTest, FillEndsAtTheFirstStripEdgeBeyondTheLevel) {
  Paint(37);
  // Level edge 74; strips are 200/192 wide, the 72nd ends at 75.
  EXPECT_EQ(kFill, canvas.At(74, 0));
  EXPECT_EQ(kEmpty, canvas.At(75, 0));
  EXPECT_EQ(75, canvas.CountTopRow(kFill));
  EXPECT_EQ(kWidth - 75, canvas.CountTopRow(kEmpty));
  // The fill reaches one pixel below the client area; the bottom row is fill.
  EXPECT_EQ(kFill, canvas.At(10, kHeight - 1));
}

TEST_F(LevelBarTest, FullPositionFillsTheWholeWidth) {
  Paint(100);
  EXPECT_EQ(kWidth, canvas.CountTopRow(kFill));
  EXPECT_EQ(0, canvas.CountTopRow(kEmpty));
  EXPECT_GT(TextPixels(), 0);
}

// The columns that hold the text colour: [first, last], or {kWidth, -1}.
std::pair<int, int> InkColumns(const CMemoryCanvas& canvas) {
  std::pair<int, int> ink(kWidth, -1);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (canvas.At(x, y) == RGB(0, 130, 80)) {
        ink.first = std::min(ink.first, x);
        ink.second = std::max(ink.second, x);
      }
  return ink;
}

TEST_F(LevelBarTest, PercentTextIsCentred) {
  Paint(50);
  const std::pair<int, int> ink = InkColumns(canvas);
  ASSERT_LT(ink.first, ink.second);

  // Where the centred text must be, from the font the system actually
  // selected for the bar's font block (its face may differ on another
  // machine): the same text drawn at the left edge gives the glyphs' ink
  // offset, its extent the width that centring splits.
  CMemoryCanvas reference;
  HFONT font = CreateFontIndirectA(&bar.m_font);
  HGDIOBJ old = SelectObject(reference.Dc(), font);
  SIZE extent = {};
  GetTextExtentPoint32A(reference.Dc(), "50%", 3, &extent);
  SetTextColor(reference.Dc(), RGB(0, 130, 80));
  SetBkMode(reference.Dc(), TRANSPARENT);
  TextOutA(reference.Dc(), 0, 0, "50%", 3);
  SelectObject(reference.Dc(), old);
  DeleteObject(font);
  const std::pair<int, int> leftInk = InkColumns(reference);
  ASSERT_LT(leftInk.first, leftInk.second);

  const int start = (kWidth - extent.cx) / 2;
  EXPECT_NEAR(start + leftInk.first, ink.first, 1);
  EXPECT_NEAR(start + leftInk.second, ink.second, 1);
}

TEST_F(LevelBarTest, PositionOutsideTheRangePaintsButtonFaceWithoutText) {
  for (int position : {101, -1}) {
    Paint(position);
    EXPECT_EQ(kWidth * kHeight, canvas.Count(GetSysColor(COLOR_BTNFACE))) << position;
  }
}

TEST_F(LevelBarTest, NonGenuineCartridgeShowsOnlyTheText) {
  bar.m_genuine = 0;
  Paint(60);
  EXPECT_EQ(0, canvas.Count(kFill));
  EXPECT_EQ(0, canvas.Count(kEmpty));
  EXPECT_GT(TextPixels(), 20);
  EXPECT_EQ(kBackground, canvas.At(0, 0));
}

TEST_F(LevelBarTest, FillColourEqualToTheEndColourDrawsNoFillButTheText) {
  bar.m_endColour = kFill;
  Paint(60);
  EXPECT_EQ(0, canvas.Count(kFill));
  EXPECT_EQ(0, canvas.Count(kEmpty));
  EXPECT_GT(TextPixels(), 0);
}

TEST_F(LevelBarTest, OffscreenFillLandsInTheClippingBoxOnly) {
  // Only the part from x 50 to 150 is to be painted: the off-screen bitmap
  // covers that box and is copied back to the same place.
  IntersectClipRect(canvas.Dc(), 50, 0, 150, kHeight);
  Paint(37);
  EXPECT_EQ(kBackground, canvas.At(49, 0));
  EXPECT_EQ(kFill, canvas.At(50, 0));
  EXPECT_EQ(kFill, canvas.At(74, 0));
  EXPECT_EQ(kEmpty, canvas.At(75, 0));
  EXPECT_EQ(kEmpty, canvas.At(149, 0));
  EXPECT_EQ(kBackground, canvas.At(150, 0));
}

TEST_F(LevelBarTest, RangeAndPositionReachTheProgressControl) {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  HWND control = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 200, 20, parent,
                                 reinterpret_cast<HMENU>(100), nullptr, nullptr);
  ASSERT_TRUE(control);
  ASSERT_TRUE(bar.SubclassDlgItem(100, parent));
  bar.SetRange(10, 90);
  EXPECT_EQ(10, bar.m_position);
  EXPECT_EQ(10, SendMessageA(control, PBM_GETRANGE, TRUE, 0));
  EXPECT_EQ(90, SendMessageA(control, PBM_GETRANGE, FALSE, 0));
  bar.SetPos(42);
  EXPECT_EQ(42, bar.m_position);
  EXPECT_EQ(42, SendMessageA(control, PBM_GETPOS, 0, 0));
  // The control's own background erase is answered without drawing.
  EXPECT_EQ(TRUE, SendMessageA(control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0));
  EXPECT_EQ(kBackground, canvas.At(5, 5));
  DestroyWindow(parent);
}

}  // namespace
