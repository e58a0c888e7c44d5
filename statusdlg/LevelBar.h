// A progress-bar control whose painting is taken over to show one supply
// level: the fill colour up to the level, the empty colour after it, and the
// percentage (or the non-genuine text) centred on top.
#pragma once

#include <windows.h>

#include "statusdlg/Controls.h"

class CLevelBar : public CProgressCtrl {
 public:
  CLevelBar();

  // Stores the range, moves the position to the minimum and tells the control.
  void SetRange(int minimum, int maximum);
  void SetPos(int position);

  // Paints the whole bar for a client rectangle of the given size into dc.
  void Draw(HDC dc, int width, int height) const;

  // Written directly by the owner.
  LOGFONTA m_font;
  int m_minimum = 0;
  int m_maximum = 100;
  int m_position = 0;
  COLORREF m_fillColour = 0;
  COLORREF m_endColour = 0;  // only decides the number of strips
  COLORREF m_emptyColour;
  COLORREF m_textColour = RGB(0, 130, 80);
  int m_genuine = 1;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  int StripCount() const;
  void DrawFill(HDC dc, int width, int height, int edge) const;
  void DrawFillOffscreen(HDC dc, int width, int height, int edge) const;
};
