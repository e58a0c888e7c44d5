#include "uninstall/app/DialogBase.h"

#include "uninstall/res/resource.h"

namespace vq {

INT_PTR CDialogBase::DialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

INT_PTR CDialogBase::DoModal(HINSTANCE instance, LPCSTR templateName, HWND owner) {
  return DialogBoxParamA(instance, templateName, owner, DialogDispatch,
                         reinterpret_cast<LPARAM>(this));
}

HWND CDialogBase::CreateModeless(HINSTANCE instance, LPCSTR templateName, HWND parent) {
  return CreateDialogParamA(instance, templateName, parent, DialogDispatch,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK DialogDispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  auto* dialog = reinterpret_cast<CDialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (dialog) {
    dialog->hwnd = hwnd;
    return dialog->DialogProc(hwnd, message, wParam, lParam);
  }
  // Before WM_INITDIALOG there is no object: OK and Cancel still end the dialog.
  if (message == WM_COMMAND && HIWORD(wParam) == 0 &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(hwnd, LOWORD(wParam) == IDOK ? 1 : 0);
    return 1;
  }
  return 0;
}

bool EndOnCommonCommand(HWND hwnd, UINT message, WPARAM wParam) {
  if (message != WM_COMMAND) return false;
  const WORD id = LOWORD(wParam);
  if (id != IDOK && id != IDCANCEL && id != IDC_EXIT) return false;
  EndDialog(hwnd, 1);
  return true;
}

}  // namespace vq
