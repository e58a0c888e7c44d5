// statushost, the demo host, used as a person would: it starts, shows the
// dialogs from its buttons and logs the messages they send.
#include <string>

#include <gtest/gtest.h>

#include "tests/gui/statusdlg/DialogDriver.h"
#include "tests/gui/statusdlg/TestLibrary.h"
#include "tools/statushost/resource.h"
#include "statusdlg/resource.h"

namespace {

// The host program, ended when the test ends.
class CHostProcess {
 public:
  CHostProcess() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    strcpy(slash ? slash + 1 : path, "statushost.exe");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process))
      m_process = PROCESS_INFORMATION();
  }
  ~CHostProcess() {
    if (!m_process.hProcess) return;
    if (WaitForSingleObject(m_process.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(m_process.hProcess, 1);
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
  }
  CHostProcess(const CHostProcess&) = delete;
  CHostProcess& operator=(const CHostProcess&) = delete;
  bool Started() const { return m_process.hProcess != nullptr; }

 private:
  PROCESS_INFORMATION m_process = {};
};

std::string LogLines(HWND host) {
  HWND list = GetDlgItem(host, IDC_LOG);
  std::string lines;
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    // Asked in UTF-16: Wine hands an ANSI LB_GETTEXT across processes cut
    // after its first character. The log is plain ASCII.
    wchar_t line[256] = L"";
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
    for (const wchar_t* c = line; *c; ++c) lines += static_cast<char>(*c);
    lines += "\n";
  }
  return lines;
}

// Presses one of the host's buttons and handles the dialog it opens.
void UseDialog(HWND host, int button, const std::string& caption, const std::function<void(HWND)>& drive) {
  SetForegroundWindow(host);
  PostMessageA(host, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  HWND dialog = WaitForDialog(caption.c_str());
  ASSERT_TRUE(dialog) << caption;
  drive(dialog);
  EXPECT_TRUE(WaitUntilClosed(dialog));
}

TEST(HostProgramTest, ShowsTheDialogsFromItsButtonsAndLogsTheirMessages) {
  CHostProcess process;
  ASSERT_TRUE(process.Started());
  HWND host = WaitForDialog("Status monitor host");
  ASSERT_TRUE(host);
  const HMODULE library = Beldra().Get();

  std::wstring capacity;
  UseDialog(host, IDC_SHOW_SUPPLIES, LibraryString(library, IDS_SUPPLIES_TITLE), [&](HWND dialog) {
    capacity = ItemTextW(dialog, IDC_MAGENTA_CAPACITY);
    PressButton(dialog, IDOK);
  });
  UseDialog(host, IDC_SHOW_MODE, LibraryString(library, IDS_MODE_TITLE),
            [&](HWND dialog) { PressButton(dialog, IDOK); });
  UseDialog(host, IDC_SHOW_BIAS, LibraryString(library, IDS_MODE_TITLE),
            [&](HWND dialog) { PressButton(dialog, IDCANCEL); });
  Sleep(300);
  const std::string log = LogLines(host);
  PostMessageA(host, WM_CLOSE, 0, 0);

  EXPECT_EQ(L"Desconhecido", capacity);  // the simulated printer's odd magenta cartridge
  EXPECT_EQ(
      "TonerLevelDialogDoModal returned 20\n"
      "SDM_GETAUTOREPLACE -> 0\n"
      "SDM_GETAUTOCONTINUE -> 1\n"
      "SDM_GETENERGYSAVER -> 15\n"
      "SDM_SETAUTOCONTINUE 1\n"
      "SDM_SETAUTOREPLACE 0\n"
      "SDM_SETENERGYSAVER 15\n"
      "ModeSettingDialogDoModal returned 1\n"
      "SDM_GETDUPLEXDENSITY -> 2\n"
      "SDM_GETAUTOREPLACE -> 0\n"
      "SDM_GETREPLACEFLAG -> 1\n"
      "SDM_GETAUTOCONTINUE -> 1\n"
      "SDM_GETENERGYSAVER -> 15\n"
      "VoltageBiasDialogDoModal returned 2\n",
      log);
}

}  // namespace
