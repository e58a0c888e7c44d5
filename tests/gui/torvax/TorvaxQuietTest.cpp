// Unattended uninstalls: QUIET removes what the switches offer without any
// window, LOG records every action, and the exit code tells the outcome.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "tests/gui/torvax/GuiDriver.h"
#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"

using gui::CProgram;

namespace {

const char kCaption[] = "Desinstala\xE7\xE3o";
const char kLog[] = "C:\\vq_quiet\\uninstall.log";

std::set<std::string> InstalledPrinterSet() {
  const std::vector<std::string> names = vq::fixture::InstalledPrinters();
  return std::set<std::string>(names.begin(), names.end());
}

std::string ReadLog() {
  std::ifstream in(kLog, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool SetSpoolerStart(DWORD startType) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE spooler = OpenServiceA(manager, "Spooler", SERVICE_ALL_ACCESS);
  BOOL ok = ChangeServiceConfigA(spooler, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  SERVICE_STATUS status;
  if (startType == SERVICE_DISABLED) ControlService(spooler, SERVICE_CONTROL_STOP, &status);
  CloseServiceHandle(spooler);
  CloseServiceHandle(manager);
  return ok != FALSE;
}

class TorvaxQuiet : public testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& p : vq::fixture::InstallPackage(vq::fixture::TheSamplePackage()))
      ADD_FAILURE() << p;
    CreateDirectoryA("C:\\vq_quiet", nullptr);
    DeleteFileA(kLog);
  }
  // Runs the tool and returns its exit code; a window waiting for someone
  // would never let it end, so a time-out fails the test.
  DWORD Run(const std::string& arguments) {
    CProgram tool;
    EXPECT_TRUE(tool.Start("\"" + SiblingPath("TORVAX02.exe") + "\" " + arguments));
    const DWORD code = tool.WaitForExit(60000);
    EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "the quiet run waited for someone";
    return code;
  }
};

}  // namespace

TEST_F(TorvaxQuiet, PrnRemovesExactlyThosePrintersAndLogsEachAction) {
  const std::set<std::string> before = InstalledPrinterSet();
  const DWORD code = Run(std::string("/QUIET /PRN:\"VARDEN QUILLAN vintara 7310K PS\" /LOG:") + kLog);
  const std::string log = ReadLog();
  // 3010 exactly when something was left for the next start of Windows.
  const bool scheduled = log.find("scheduled") != std::string::npos;
  EXPECT_EQ(code, scheduled ? 3010u : 0u) << log;

  std::set<std::string> expected = before;
  expected.erase("vintara 7310K PS");
  expected.erase("vintara 7310K PS (financeiro)");
  // The printer disguised as one of them goes with it.
  expected.erase("vintara XL disfar\xE7\x61\x64\x61");
  EXPECT_EQ(InstalledPrinterSet(), expected);
  EXPECT_NE(log.find("delete printer \"vintara 7310K PS\": ok"), std::string::npos) << log;
  EXPECT_NE(log.find("delete printer \"vintara 7310K PS (financeiro)\": ok"), std::string::npos);
  EXPECT_NE(log.find("delete driver \"VARDEN QUILLAN vintara 7310K PS\""), std::string::npos);
  // Files and keys only the PS driver used went, each logged.
  EXPECT_NE(log.find("QV7310PS.PPD\": ok"), std::string::npos) << log;
  EXPECT_NE(log.find("delete key tree \"HKLM\\SOFTWARE\\VARDEN QUILLAN\\vintara 7310K PS\""),
            std::string::npos);
  // The printers the switch left out are logged as kept, in UTF-8.
  EXPECT_NE(log.find("printer \"vintara 7310K (escrit\xC3\xB3rio)\": kept"), std::string::npos);
  // The completion message went to the log instead of the screen.
  EXPECT_NE(log.find("message \"Desinstala\xC3\xA7\xC3\xA3o de Impressora"), std::string::npos);
}

TEST_F(TorvaxQuiet, FailedStartUpCheckReturns1603AndChangesNothing) {
  ASSERT_TRUE(SetSpoolerStart(SERVICE_DISABLED));
  const std::set<std::string> before = InstalledPrinterSet();
  EXPECT_EQ(Run(std::string("/QUIET /LOG:") + kLog), 1603u);
  EXPECT_EQ(InstalledPrinterSet(), before);
  EXPECT_NE(ReadLog().find("O spooler est\xC3\xA1 inst\xC3\xA1vel"), std::string::npos) << ReadLog();

  // The interactive run shows the message and ends with the same code.
  CProgram tool;
  ASSERT_TRUE(tool.Start("\"" + SiblingPath("TORVAX02.exe") + "\""));
  HWND box = gui::WaitForMessageBox(tool.Id(), kCaption, "O spooler est");
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(tool.WaitForExit(30000), 1603u);
  SetSpoolerStart(SERVICE_DEMAND_START);
}

TEST_F(TorvaxQuiet, MalformedSwitchesReturn87BeforeAnythingIsRemoved) {
  const std::set<std::string> before = InstalledPrinterSet();
  EXPECT_EQ(Run("/QUIET /LOG"), 87u);
  EXPECT_EQ(Run("/QUIET:yes"), 87u);
  EXPECT_EQ(Run("/QUIET /FORCERESTART:now"), 87u);
  EXPECT_EQ(Run("/QUIET /LOG:C:\\no_such_folder\\sub\\x.log"), 87u);  // cannot be created
  EXPECT_EQ(InstalledPrinterSet(), before);
}
