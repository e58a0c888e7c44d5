// The small dialog-class layer the five dialogs of the library share: a modal
// run on a resource template, start/OK/Cancel hooks, one message dispatch and
// data exchange between members and controls.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <string>

#include "statusdlg/Gdi.h"

// One direction of a data exchange: save = controls into members.
struct CDataExchange {
  HWND dialog;
  bool save;
};

// A signed decimal integer in an edit or static control. A text that is not a
// number leaves the member unchanged.
void DDX_Text(CDataExchange& dx, int id, int32_t& value);
void DDX_Text(CDataExchange& dx, int id, std::string& text);

// The owner of a dialog created without an explicit parent: the calling
// thread's active window, climbed to its first ancestor that is not a child,
// then that window's last active pop-up. Null when the thread has no active
// window.
HWND FindSafeOwner();

class CModalDialog {
 public:
  explicit CModalDialog(UINT templateId) : m_templateId(templateId) {}
  virtual ~CModalDialog() = default;
  CModalDialog(const CModalDialog&) = delete;
  CModalDialog& operator=(const CModalDialog&) = delete;

  // Runs the dialog; its end code, or -1 when it could not be created.
  INT_PTR DoModal();
  HWND Handle() const { return m_hWnd; }

 protected:
  // Hooks. The default start transfers members into controls; the default OK
  // transfers controls into members and ends with IDOK; Cancel ends with
  // IDCANCEL without a transfer.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual bool OnCommand(int id, int code);
  virtual bool OnNotify(NMHDR* header, LRESULT& result);
  virtual bool OnTimer(UINT_PTR id);
  virtual void DoDataExchange(CDataExchange& dx);

  void UpdateData(bool save);
  void EndDialog(INT_PTR code) { ::EndDialog(m_hWnd, code); }
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  void SetItemText(int id, const char* text) { SetDlgItemTextA(m_hWnd, id, text); }
  bool IsChecked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
  void SetCheck(int id, bool checked) { CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED); }
  void EnableItem(int id, bool enable) { EnableWindow(Item(id), enable); }

  // Host messages go to the owner found when the dialog started; without an
  // owner nothing is sent and nothing is answered.
  HWND Owner() const { return m_owner; }
  void SendToOwner(UINT msg, WPARAM wp) const;
  // Asks the owner a GET question. True when the host wrote an answer into
  // `answer`; otherwise (no owner, or a host that returns without writing)
  // `answer` keeps the value it had.
  bool AskOwner(UINT msg, int32_t& answer) const;
  // The host's answer, or 0 when it gives none.
  int32_t AskOwner(UINT msg) const;

  // Creates a font from the block when its height or width is nonzero and sets
  // it, with redraw, on every control. The font lives as long as the object.
  void ApplyFont(const LOGFONTA& font);

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

  UINT m_templateId;
  HWND m_owner = nullptr;
  CFontHandle m_font;
};
