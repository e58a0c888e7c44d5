// Thin wrappers over the common controls the dialogs use. They do not own the
// window; the dialog template creates it and the dialog destroys it.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Base of controls whose window procedure a class takes over (subclassing).
class CSubclassedWindow {
 public:
  CSubclassedWindow() = default;
  virtual ~CSubclassedWindow();
  CSubclassedWindow(const CSubclassedWindow&) = delete;
  CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;

  bool SubclassDlgItem(int id, HWND dialog);
  HWND Handle() const { return m_hWnd; }

 protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
  HWND m_hWnd = nullptr;

 private:
  void Unsubclass();
  static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  WNDPROC m_oldProc = nullptr;
};

class CProgressCtrl : public CSubclassedWindow {
 public:
  void SetRange(int minimum, int maximum) {
    SendMessageA(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
  }
  void SetPos(int position) { SendMessageA(m_hWnd, PBM_SETPOS, position, 0); }
};

class CUpDownCtrl {
 public:
  void Attach(HWND window) { m_hWnd = window; }
  void SetRange(int minimum, int maximum) {
    SendMessageA(m_hWnd, UDM_SETRANGE, 0, MAKELPARAM(maximum, minimum));
  }
  void SetPos(int position) { SendMessageA(m_hWnd, UDM_SETPOS, 0, MAKELPARAM(position, 0)); }
  int GetPos() const { return static_cast<short>(LOWORD(SendMessageA(m_hWnd, UDM_GETPOS, 0, 0))); }

 private:
  HWND m_hWnd = nullptr;
};

class CComboBox {
 public:
  void Attach(HWND window) { m_hWnd = window; }
  HWND Handle() const { return m_hWnd; }
  int AddString(const char* text, LPARAM data) {
    int index = static_cast<int>(SendMessageA(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    if (index >= 0) SendMessageA(m_hWnd, CB_SETITEMDATA, index, data);
    return index;
  }
  int GetCount() const { return static_cast<int>(SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }
  void SetCurSel(int index) { SendMessageA(m_hWnd, CB_SETCURSEL, index, 0); }
  LPARAM GetItemData(int index) const { return SendMessageA(m_hWnd, CB_GETITEMDATA, index, 0); }
  // Selects the first entry whose item data equals data; none when no entry does.
  void SelectByData(LPARAM data);

 private:
  HWND m_hWnd = nullptr;
};

class CTrackBar {
 public:
  void Attach(HWND window) { m_hWnd = window; }
  void SetRange(int minimum, int maximum) {
    SendMessageA(m_hWnd, TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageA(m_hWnd, TBM_SETRANGEMAX, TRUE, maximum);
  }
  void SetTic(int position) { SendMessageA(m_hWnd, TBM_SETTIC, 0, position); }
  void SetTicFreq(int frequency) { SendMessageA(m_hWnd, TBM_SETTICFREQ, frequency, 0); }
  void SetPos(int position) { SendMessageA(m_hWnd, TBM_SETPOS, TRUE, position); }
  int GetPos() const { return static_cast<int>(SendMessageA(m_hWnd, TBM_GETPOS, 0, 0)); }

 private:
  HWND m_hWnd = nullptr;
};
