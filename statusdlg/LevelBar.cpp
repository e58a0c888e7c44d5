#include "statusdlg/LevelBar.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "statusdlg/Gdi.h"
#include "statusdlg/ResourceText.h"
#include "statusdlg/resource.h"

CLevelBar::CLevelBar() : m_emptyColour(GetSysColor(COLOR_BTNFACE)) {
  memset(&m_font, 0, sizeof m_font);
}

void CLevelBar::SetRange(int minimum, int maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
  m_position = minimum;
  CProgressCtrl::SetRange(minimum, maximum);
}

void CLevelBar::SetPos(int position) {
  m_position = position;
  CProgressCtrl::SetPos(position);
}

LRESULT CLevelBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;  // everything is drawn in WM_PAINT, without flicker
    case WM_PAINT: {
      CPaintScope paint(m_hWnd);
      RECT client;
      GetClientRect(m_hWnd, &client);
      Draw(paint.Dc(), client.right, client.bottom);
      return 0;
    }
    default:
      return CProgressCtrl::WindowProc(msg, wp, lp);
  }
}

int CLevelBar::StripCount() const {
  const int red = abs(GetRValue(m_endColour) - GetRValue(m_fillColour));
  const int green = abs(GetGValue(m_endColour) - GetGValue(m_fillColour));
  const int blue = abs(GetBValue(m_endColour) - GetBValue(m_fillColour));
  return std::max(red, std::max(green, blue));
}

void CLevelBar::Draw(HDC dc, int width, int height) const {
  // A maximum of 0 or less cannot scale a level; treated as out of range.
  if (m_position < m_minimum || m_position > m_maximum || m_maximum <= 0) {
    FillSolid(dc, 0, 0, width, height, GetSysColor(COLOR_BTNFACE));
    return;
  }
  // The edge divides by the maximum, not by the span of the range. Integer
  // division truncates the exact quotient; the same in floating point comes
  // out a pixel short where the x87 unit of a 32-bit build rounds below it.
  const int edge = static_cast<int>(static_cast<long long>(m_position) * width / m_maximum);
  if (m_genuine) DrawFillOffscreen(dc, width, height, edge);

  CFontHandle font;
  font.CreateIndirect(m_font);
  CSelectObject selectFont(dc, font.Get());
  char text[64];
  const char* shown = text;
  if (m_genuine)
    snprintf(text, sizeof text, "%.0f%%", static_cast<double>(m_position) * 100.0 / m_maximum);
  else
    shown = LoadResString(IDS_NOT_GENUINE);
  SetTextColor(dc, m_textColour);
  SetBkMode(dc, TRANSPARENT);
  RECT all = {0, 0, width, height};
  DrawTextA(dc, shown, -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void CLevelBar::DrawFillOffscreen(HDC dc, int width, int height, int edge) const {
  if (StripCount() == 0) return;  // equal colours draw neither part
  RECT box;
  const bool printing = GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER;
  if (printing || GetClipBox(dc, &box) == ERROR || IsRectEmpty(&box)) {
    DrawFill(dc, width, height, edge);
    return;
  }
  const int boxWidth = box.right - box.left;
  const int boxHeight = box.bottom - box.top;
  COffscreen off(dc, boxWidth, boxHeight);
  if (!off.IsValid()) {
    DrawFill(dc, width, height, edge);
    return;
  }
  // Start from what is on the device so that any pixel the strips miss keeps
  // its colour instead of the bitmap's undefined content.
  BitBlt(off.Dc(), 0, 0, boxWidth, boxHeight, dc, box.left, box.top, SRCCOPY);
  SetWindowOrgEx(off.Dc(), box.left, box.top, nullptr);
  DrawFill(off.Dc(), width, height, edge);
  SetWindowOrgEx(off.Dc(), 0, 0, nullptr);
  BitBlt(dc, box.left, box.top, boxWidth, boxHeight, off.Dc(), 0, 0, SRCCOPY);
}

void CLevelBar::DrawFill(HDC dc, int width, int height, int edge) const {
  const int strips = StripCount();
  if (strips == 0) return;
  // Strip i spans trunc(i * width / strips) to trunc((i + 1) * width / strips),
  // computed exactly so that the last strip ends at the full width.
  for (int i = 0;; ++i) {
    const int left = static_cast<int>(static_cast<long long>(i) * width / strips);
    const int right = static_cast<int>(static_cast<long long>(i + 1) * width / strips);
    FillSolid(dc, left, 0, right, height + 1, m_fillColour);
    if (right > edge) {
      FillSolid(dc, right, 0, width, height, m_emptyColour);
      return;
    }
    if (i + 1 == strips) return;
  }
}
