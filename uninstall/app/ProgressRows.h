// CProgressRows: the rows in which a progress window shows its steps, as the
// uninstall's progress page and the undo's window do: per row a state icon of
// bitmap 305 (pending, done, running) beside its text, the running row's text
// in bold. The icons are empty static controls, painted when they ask their
// page for their colours.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace vq {

class CProgressRows {
 public:
  // The rows' text and icon control ids, `count` of each; the arrays must
  // outlive the object.
  CProgressRows(const int* textIds, const int* iconIds, int count)
      : textIds_(textIds), iconIds_(iconIds), count_(count) {}
  ~CProgressRows();
  CProgressRows(const CProgressRows&) = delete;
  CProgressRows& operator=(const CProgressRows&) = delete;

  // Creates the row fonts and the state images for `page`; at WM_INITDIALOG.
  void Create(HWND page);

  // WM_CTLCOLORSTATIC of the page: for a row's icon, gives the row its font
  // and draws its state (rows before `current` done, `current` running; all
  // pending unless `active`) and returns the null brush; 0 for any other
  // control.
  INT_PTR OnCtlColorStatic(HDC dc, HWND control, int current, bool active);

  // WM_PAINT of the page: its background, then the icons again over it.
  void OnPaint();

 private:
  void PaintRow(int row, HDC dc, int current, bool active);

  const int* textIds_;
  const int* iconIds_;
  int count_;
  HWND page_ = nullptr;
  HFONT normalFont_ = nullptr;
  HFONT boldFont_ = nullptr;
  HIMAGELIST stateImages_ = nullptr;
};

}  // namespace vq
