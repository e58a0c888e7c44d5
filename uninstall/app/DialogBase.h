// CDialogBase: the base of every dialog object of the tool, and the one
// dispatch procedure through which all of them receive their messages.
//
// A dialog is created with DialogDispatch and a pointer to its object as the
// creation parameter; the object is owned by whoever shows the dialog, never
// by the window.
#pragma once

#include <windows.h>

namespace vq {

class CDialogBase {
 public:
  virtual ~CDialogBase() = default;
  virtual INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // Modal and modeless creation from a template of `instance`.
  INT_PTR DoModal(HINSTANCE instance, LPCSTR templateName, HWND owner);
  HWND CreateModeless(HINSTANCE instance, LPCSTR templateName, HWND parent);

  HWND hwnd = nullptr;  // written by the dispatcher on every message
};

INT_PTR CALLBACK DialogDispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Holds a timer handler's re-entrancy flag set for its scope, and clears it
// however the scope ends (an exception included), so that a failed tick never
// blocks the ticks after it.
class CReentrancyGuard {
 public:
  explicit CReentrancyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~CReentrancyGuard() { flag_ = false; }
  CReentrancyGuard(const CReentrancyGuard&) = delete;
  CReentrancyGuard& operator=(const CReentrancyGuard&) = delete;

 private:
  bool& flag_;
};

// The command handling every dialog shares: ids 1 (IDOK), 2 (IDCANCEL) and
// 2008 (Exit) end the dialog with 1. Returns whether it handled the message.
bool EndOnCommonCommand(HWND hwnd, UINT message, WPARAM wParam);

}  // namespace vq
