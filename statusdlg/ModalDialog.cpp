#include "statusdlg/ModalDialog.h"

#include <commctrl.h>

#include "statusdlg/ResourceText.h"

void DDX_Text(CDataExchange& dx, int id, int32_t& value) {
  if (!dx.save) {
    SetDlgItemInt(dx.dialog, id, static_cast<UINT>(value), TRUE);
    return;
  }
  BOOL ok = FALSE;
  const int read = static_cast<int>(GetDlgItemInt(dx.dialog, id, &ok, TRUE));
  if (ok) value = read;
}

void DDX_Text(CDataExchange& dx, int id, std::string& text) {
  if (!dx.save) {
    SetDlgItemTextA(dx.dialog, id, text.c_str());
    return;
  }
  char buffer[512];
  GetDlgItemTextA(dx.dialog, id, buffer, sizeof buffer);
  text = buffer;
}

HWND FindSafeOwner() {
  HWND window = GetActiveWindow();
  while (window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
  return window ? GetLastActivePopup(window) : nullptr;
}

INT_PTR CModalDialog::DoModal() {
  // The templates use the progress, up-down and trackbar classes; a host need
  // not have registered them.
  // InitCommonControls registers them all on every version of the common
  // controls; InitCommonControlsEx is missing from the 4.00 of Windows 95 and
  // NT 4.0.
  InitCommonControls();
  m_owner = FindSafeOwner();
  return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(m_templateId), m_owner, &DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  CModalDialog* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CModalDialog*>(lp);
    SetWindowLongPtrA(window, DWLP_USER, lp);
    self->m_hWnd = window;
  } else {
    self = reinterpret_cast<CModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  // No exception may leave here: on 32-bit Windows it cannot unwind through
  // the system's frames of the modal loop, and the host process would end. A
  // handler that throws ends the dialog as one that could not run (-1).
  try {
    result = self->Dispatch(msg, wp, lp);
  } catch (...) {
    ::EndDialog(window, -1);
    result = TRUE;
  }
  if (msg == WM_NCDESTROY) self->m_hWnd = nullptr;
  return result;
}

INT_PTR CModalDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const int code = HIWORD(wp);
      if (OnCommand(id, code)) return TRUE;
      if (id == IDOK && code == BN_CLICKED) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(reinterpret_cast<NMHDR*>(lp), result)) return FALSE;
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_TIMER:
      return OnTimer(static_cast<UINT_PTR>(wp)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

BOOL CModalDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CModalDialog::OnOK() {
  UpdateData(true);
  EndDialog(IDOK);
}

void CModalDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CModalDialog::OnCommand(int, int) { return false; }

bool CModalDialog::OnNotify(NMHDR*, LRESULT&) { return false; }

bool CModalDialog::OnTimer(UINT_PTR) { return false; }

void CModalDialog::DoDataExchange(CDataExchange&) {}

void CModalDialog::UpdateData(bool save) {
  CDataExchange dx = {m_hWnd, save};
  DoDataExchange(dx);
}

void CModalDialog::SendToOwner(UINT msg, WPARAM wp) const {
  if (m_owner) SendMessageA(m_owner, msg, wp, 0);
}

bool CModalDialog::AskOwner(UINT msg, int32_t& answer) const {
  if (!m_owner) return false;
  // Filled with a value no question of the contract has for an answer
  // (densities -5..5, minutes, flags, colours, status codes), so that a host
  // that returns without writing can be told from one that answers.
  const int32_t kNoAnswer = INT32_MIN;
  int32_t written = kNoAnswer;
  SendMessageA(m_owner, msg, 0, reinterpret_cast<LPARAM>(&written));
  if (written == kNoAnswer) return false;
  answer = written;
  return true;
}

int32_t CModalDialog::AskOwner(UINT msg) const {
  int32_t answer = 0;
  AskOwner(msg, answer);
  return answer;
}

void CModalDialog::ApplyFont(const LOGFONTA& font) {
  if (font.lfHeight == 0 && font.lfWidth == 0) return;
  if (!m_font.CreateIndirect(font)) return;
  for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);
}
