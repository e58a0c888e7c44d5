#include "uninstall/app/DialogBase.h"

#include <exception>
#include <string>

#include "uninstall/engine/ActionLog.h"
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

namespace {
void LogEscapedException(UINT message, const char* what) {
  LogOutcome("internal error", "message " + std::to_string(message), what);
}
}  // namespace

// No exception may leave here: on 32-bit Windows the C++ unwinder cannot pass
// the system's frames of the dialog's message loop, and the process would end
// at once. The phases catch what they can; what still arrives is logged and
// the message counts as not handled.
INT_PTR CALLBACK DialogDispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  auto* dialog = reinterpret_cast<CDialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (dialog) {
    dialog->hwnd = hwnd;
    try {
      return dialog->DialogProc(hwnd, message, wParam, lParam);
    } catch (const std::exception& e) {
      LogEscapedException(message, e.what());
    } catch (...) {
      LogEscapedException(message, "unknown exception");
    }
    return 0;
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
