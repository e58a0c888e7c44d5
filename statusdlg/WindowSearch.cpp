#include "statusdlg/WindowSearch.h"

#include <string.h>

namespace {

// How long a window of this process may take to tell its title.
const UINT kTitleTimeoutMs = 500;

struct TitleSearch {
  const char* title;
  InternalGetWindowTextFn internalGetText;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TitleSearch*>(context);
  char title[160];
  if (ReadWindowTitle(window, title, sizeof title, search->internalGetText) &&
      strcmp(title, search->title) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

InternalGetWindowTextFn SystemInternalGetWindowText() {
  HMODULE user = GetModuleHandleA("user32.dll");
  if (!user) return nullptr;
  return reinterpret_cast<InternalGetWindowTextFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(user, "InternalGetWindowText")));
}

bool ReadWindowTitle(HWND window, char* title, int size, InternalGetWindowTextFn internalGetText) {
  if (size <= 0) return false;
  title[0] = '\0';
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return GetWindowTextA(window, title, size) > 0;
  if (internalGetText) {
    wchar_t wide[160];
    if (internalGetText(window, wide, sizeof wide / sizeof wide[0]) <= 0) return false;
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, title, size, nullptr, nullptr);
    title[size - 1] = '\0';
    return length > 0;
  }
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(title),
                           SMTO_ABORTIFHUNG, kTitleTimeoutMs, &length))
    return false;
  title[size - 1] = '\0';
  return length > 0;
}

HWND FindWindowByTitle(const char* title) {
  TitleSearch search = {title, SystemInternalGetWindowText(), nullptr};
  EnumWindows(&MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
