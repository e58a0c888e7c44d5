// System functions that not every Windows the tool runs on exports. The
// loader refuses a program that imports a function the system lacks, before
// WinMain runs, so these are looked up when called and answer
// ERROR_CALL_NOT_IMPLEMENTED where they are missing.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/system/Handles.h"

namespace vq {

// `name` exported by the loaded module `module`, or null.
template <typename Function>
Function FindSystemFunction(const char* module, const char* name) {
  HMODULE loaded = GetModuleHandleA(module);
  if (!loaded) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

// A library of the system folder, loaded by its full path so that a file of
// that name beside the tool is never the one loaded; invalid when missing.
inline CModule LoadSystemLibrary(const char* name) {
  char folder[MAX_PATH] = "";
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (!length || length >= MAX_PATH) return CModule();
  return CModule(LoadLibraryA((std::string(folder) + "\\" + name).c_str()));
}

// `name` exported by `module`, or null when either is missing.
template <typename Function>
Function ExportOf(const CModule& module, const char* name) {
  if (!module.IsValid()) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
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
