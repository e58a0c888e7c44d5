// System functions that not every Windows the tool runs on exports. The
// loader refuses a program that imports a function the system lacks, before
// WinMain runs, so these are looked up when called and answer
// ERROR_CALL_NOT_IMPLEMENTED where they are missing.
#pragma once

#include <windows.h>

namespace vq {

// `name` exported by the loaded module `module`, or null.
template <typename Function>
Function FindSystemFunction(const char* module, const char* name) {
  HMODULE loaded = GetModuleHandleA(module);
  if (!loaded) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

// win95, win98, me: MoveFileExA is missing or a stub that fails.
inline BOOL MoveFileExIfPresent(const char* from, const char* to, DWORD flags) {
  using Function = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  static const Function function = FindSystemFunction<Function>("kernel32.dll", "MoveFileExA");
  if (!function) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return function(from, to, flags);
}

}  // namespace vq
