// The host's main window: a modeless dialog that owns the simulated printer,
// answers the library's messages and calls its entry points.
#pragma once

#include <windows.h>

#include "statusdlg/HostContract.h"
#include "tools/statushost/Library.h"
#include "tools/statushost/SimulatedPrinter.h"

// The bitmap a static control shows, deleted when replaced or at the end.
class CBitmapHandle {
 public:
  CBitmapHandle() = default;
  ~CBitmapHandle() { Reset(nullptr); }
  CBitmapHandle(const CBitmapHandle&) = delete;
  CBitmapHandle& operator=(const CBitmapHandle&) = delete;
  void Reset(HBITMAP bitmap) {
    if (m_bitmap) DeleteObject(m_bitmap);
    m_bitmap = bitmap;
  }
  HBITMAP Get() const { return m_bitmap; }

 private:
  HBITMAP m_bitmap = nullptr;
};

class CStatusHost {
 public:
  // Loads BELDRA02.dll from the program's folder and creates the window.
  bool Create(HINSTANCE instance, const char* libraryPath);
  HWND Handle() const { return m_hWnd; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void OnInitDialog();
  void OnCommand(int id, int code);
  void OnHostMessage(UINT msg, WPARAM wp, LPARAM lp);
  void ShowResult(const char* call, int result);
  void ShowPicture();
  const LOGFONTA* FontBlock();

  HWND m_hWnd = nullptr;
  CLibrary m_library;
  CBitmapHandle m_picture;
  CSimulatedPrinter m_printer;
  LOGFONTA m_font = {};
};
