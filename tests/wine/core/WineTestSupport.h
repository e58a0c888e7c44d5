// Small helpers shared by the Wine-tier tests: paths beside the test
// program, temporary folders, and running a program to completion.
#pragma once

#include <windows.h>

#include <string>

// Folder of the running test program, with a trailing backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string s(path);
  return s.substr(0, s.find_last_of('\\') + 1);
}

inline std::string SiblingPath(const std::string& name) { return ProgramFolder() + name; }

// A new empty folder under the temporary folder, with a trailing backslash.
inline std::string MakeTempFolder(const std::string& tag) {
  char base[MAX_PATH];
  GetTempPathA(sizeof(base), base);
  std::string folder = std::string(base) + "vq_" + tag + "_" + std::to_string(GetCurrentProcessId()) +
                       "_" + std::to_string(GetTickCount()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// The whole file; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
  std::string text;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return text;
  char block[4096];
  DWORD read = 0;
  while (ReadFile(h, block, sizeof(block), &read, nullptr) && read > 0) text.append(block, read);
  CloseHandle(h);
  return text;
}

inline bool WriteFileText(const std::string& path, const std::string& text) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == text.size();
}

// Runs `commandLine` and returns its exit code (0xFFFFFFFF when it did not start).
inline DWORD RunAndWait(const std::string& commandLine) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 0xFFFFFFFF;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

// Installs a demand-start service of this name (a stand-in binary) for the
// tests of the service phase; false when the service manager refuses.
inline bool CreateTestService(const char* name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_IGNORE, "C:\\windows\\system32\\notepad.exe",
                                     nullptr, nullptr, nullptr, nullptr, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return service != nullptr;
}
