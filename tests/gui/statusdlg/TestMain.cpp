// Runs the dialog tests inside a Wine virtual desktop, so that windows get
// frames, activation behaves as on Windows and the screenshots show what a
// user sees. The program sets its own desktop in the (private) prefix and
// starts itself again inside it.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "statusdlg/ResourceText.h"
#include "tests/gui/statusdlg/TestLibrary.h"

namespace {

const char kMarker[] = "VQ_BELDRA_DESKTOP";

class CRegKey {
 public:
  CRegKey() = default;
  ~CRegKey() {
    if (m_key) RegCloseKey(m_key);
  }
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;
  bool Create(HKEY parent, const char* path) {
    return RegCreateKeyExA(parent, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key, nullptr) == ERROR_SUCCESS;
  }
  bool SetString(const char* name, const char* value) {
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(strlen(value) + 1)) == ERROR_SUCCESS;
  }

 private:
  HKEY m_key = nullptr;
};

int RunInVirtualDesktop() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* name = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
  std::string appKey = std::string("Software\\Wine\\AppDefaults\\") + name + "\\Explorer";
  CRegKey app, desktops, x11;
  if (!app.Create(HKEY_CURRENT_USER, appKey.c_str()) || !app.SetString("Desktop", "beldra") ||
      !desktops.Create(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops") ||
      !desktops.SetString("beldra", "1024x768") || !x11.Create(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver") ||
      !x11.SetString("Managed", "N"))
    return 3;
  SetEnvironmentVariableA(kMarker, "1");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path, GetCommandLineA(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
    return 4;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 5;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
  if (!GetEnvironmentVariableA(kMarker, nullptr, 0)) return RunInVirtualDesktop();
  testing::InitGoogleTest(&argc, argv);
  // The dialogs linked into this program take their templates from it.
  SetResourceModule(GetModuleHandleA(nullptr));
  if (!Beldra().Get()) {
    fprintf(stderr, "BELDRA02.dll not found beside the test program\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
