#include "tools/statushost/StatusHost.h"

#include <stdio.h>
#include <string.h>

#include "tools/statushost/PictureNames.h"
#include "tools/statushost/resource.h"


bool CStatusHost::Create(HINSTANCE instance, const char* libraryPath) {
  if (!m_library.Load(libraryPath)) {
    char text[400];
    snprintf(text, sizeof text, "Cannot load %s (error %lu).", libraryPath, GetLastError());
    MessageBoxA(nullptr, text, "Status monitor host", MB_OK | MB_ICONSTOP);
    return false;
  }
  // A font block a host might pass: 8-point Tahoma.
  m_font.lfHeight = -11;
  m_font.lfWeight = FW_NORMAL;
  m_font.lfCharSet = DEFAULT_CHARSET;
  strcpy(m_font.lfFaceName, "Tahoma");
  m_hWnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_HOST), nullptr, &DialogProc,
                              reinterpret_cast<LPARAM>(this));
  if (!m_hWnd) return false;
  ShowWindow(m_hWnd, SW_SHOW);
  return true;
}

INT_PTR CALLBACK CStatusHost::DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lp);
    reinterpret_cast<CStatusHost*>(lp)->m_hWnd = window;
  }
  auto* self = reinterpret_cast<CStatusHost*>(GetWindowLongPtrA(window, DWLP_USER));
  return self ? self->Dispatch(msg, wp, lp) : FALSE;
}

INT_PTR CStatusHost::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(m_hWnd);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      if (msg >= SDM_GETSTATUS && msg <= SDM_GETREPLACEFLAG) {
        OnHostMessage(msg, wp, lp);
        return TRUE;
      }
      return FALSE;
  }
}

void CStatusHost::OnInitDialog() {
  CheckDlgButton(m_hWnd, IDC_REPLACE_FLAG, m_printer.replaceFlag ? BST_CHECKED : BST_UNCHECKED);
  HWND list = GetDlgItem(m_hWnd, IDC_PICTURE_LIST);
  for (const char* name : kPictureNames) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageA(list, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(m_hWnd, IDC_LOG, LB_SETHORIZONTALEXTENT, 600, 0);
  ShowPicture();
}

void CStatusHost::OnHostMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (!m_printer.Handle(msg, wp, lp)) return;
  HWND log = GetDlgItem(m_hWnd, IDC_LOG);
  const std::string line = CSimulatedPrinter::Describe(m_printer.log.back());
  const LRESULT index = SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageA(log, LB_SETTOPINDEX, index, 0);
}

const LOGFONTA* CStatusHost::FontBlock() {
  static const LOGFONTA kTemplateFont = {};  // height and width 0: the template's font
  return IsDlgButtonChecked(m_hWnd, IDC_HOST_FONT) == BST_CHECKED ? &m_font : &kTemplateFont;
}

void CStatusHost::ShowResult(const char* call, int result) {
  char text[64];
  snprintf(text, sizeof text, "%d", result);
  SetDlgItemTextA(m_hWnd, IDC_RESULT, text);
  char line[128];
  snprintf(line, sizeof line, "%s returned %d", call, result);
  HWND log = GetDlgItem(m_hWnd, IDC_LOG);
  const LRESULT index = SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  SendMessageA(log, LB_SETTOPINDEX, index, 0);
}

void CStatusHost::OnCommand(int id, int code) {
  m_printer.replaceFlag = IsDlgButtonChecked(m_hWnd, IDC_REPLACE_FLAG) == BST_CHECKED;
  switch (id) {
    case IDC_SHOW_SUPPLIES: {
      auto show = m_library.Proc<TonerLevelDialogDoModalFn>("TonerLevelDialogDoModal");
      if (!show) return;
      const int threshold = show(&m_printer.supplies, FontBlock());
      // The threshold the user left is the printer's new setting.
      m_printer.supplies.notifyThreshold = threshold;
      ShowResult("TonerLevelDialogDoModal", threshold);
      return;
    }
    case IDC_SHOW_REPLACE: {
      auto show = m_library.Proc<TonerReplaceDialogDoModalFn>("TonerReplaceDialogDoModal");
      if (show) ShowResult("TonerReplaceDialogDoModal", show(m_hWnd));
      return;
    }
    case IDC_SHOW_MODE: {
      auto show = m_library.Proc<ModeSettingDialogDoModalFn>("ModeSettingDialogDoModal");
      if (show) ShowResult("ModeSettingDialogDoModal", show(0, FontBlock()));
      return;
    }
    case IDC_SHOW_BIAS: {
      auto show = m_library.Proc<VoltageBiasDialogDoModalFn>("VoltageBiasDialogDoModal");
      if (show) ShowResult("VoltageBiasDialogDoModal", show(m_printer.duplexDensity));
      return;
    }
    case IDC_CLEAR_LOG:
      SendDlgItemMessageA(m_hWnd, IDC_LOG, LB_RESETCONTENT, 0, 0);
      return;
    case IDC_PICTURE_LIST:
      if (code == CBN_SELCHANGE) ShowPicture();
      return;
    case IDCANCEL:
      DestroyWindow(m_hWnd);
      return;
    default:
      return;
  }
}

void CStatusHost::ShowPicture() {
  const int index = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_PICTURE_LIST, CB_GETCURSEL, 0, 0));
  if (index < 0 || index >= 54) return;
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(m_library.Get(), kPictureNames[index], IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  SendDlgItemMessageA(m_hWnd, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  m_picture.Reset(bitmap);
}
