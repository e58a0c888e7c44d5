#include "statusdlg/Controls.h"

namespace {
const char kObjectProperty[] = "BeldraControlObject";
}

CSubclassedWindow::~CSubclassedWindow() { Unsubclass(); }

bool CSubclassedWindow::SubclassDlgItem(int id, HWND dialog) {
  HWND window = GetDlgItem(dialog, id);
  if (!window || m_hWnd) return false;
  m_hWnd = window;
  SetPropA(window, kObjectProperty, this);
  m_oldProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
  return true;
}

void CSubclassedWindow::Unsubclass() {
  if (!m_hWnd) return;
  SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  RemovePropA(m_hWnd, kObjectProperty);
  m_hWnd = nullptr;
  m_oldProc = nullptr;
}

LRESULT CSubclassedWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  return DefaultProc(msg, wp, lp);
}

LRESULT CSubclassedWindow::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  return CallWindowProcA(m_oldProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CSubclassedWindow::Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<CSubclassedWindow*>(GetPropA(window, kObjectProperty));
  if (!self) return DefWindowProcA(window, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    // The window goes before the object: hand it back to its own procedure.
    WNDPROC old = self->m_oldProc;
    self->Unsubclass();
    return CallWindowProcA(old, window, msg, wp, lp);
  }
  // No exception may leave a window procedure (the system's frames below it
  // cannot be unwound on 32-bit Windows); a message whose handler throws
  // counts as handled.
  try {
    return self->WindowProc(msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

void CComboBox::SelectByData(LPARAM data) {
  const int count = GetCount();
  for (int i = 0; i < count; ++i) {
    if (GetItemData(i) == data) {
      SetCurSel(i);
      return;
    }
  }
  SetCurSel(-1);
}
