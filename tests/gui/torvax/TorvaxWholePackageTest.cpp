// Uninstalling every sample printer with the real TORVAX02 leaves nothing of
// the package but what the catch-all and ignore entries protect, and the
// restart question, answered No, ends the program.
#include <windows.h>
#include <winspool.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>

#include "tests/gui/torvax/GuiDriver.h"
#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/res/resource.h"

using gui::CProgram;
using namespace vq::fixture;

namespace {

const char kCaption[] = "Desinstala\xE7\xE3o";

bool PrinterInstalled(const std::string& name) {
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) return false;
  ClosePrinter(h);
  return true;
}


std::string IniValue(const char* file, const char* section, const char* key) {
  char value[256] = "";
  GetPrivateProfileStringA(section, key, "", value, sizeof(value),
                           (FolderOf(Place::kWindows) + file).c_str());
  return value;
}


}  // namespace

TEST(TorvaxWholePackage, NothingOfThePackageRemainsButWhatItsEntriesProtect) {
  const SamplePackage& package = TheSamplePackage();
  for (const std::string& p : InstallPackage(package)) ADD_FAILURE() << p;
  // The driver's service: its deletion needs a restart to finish.
  ASSERT_TRUE(CreateTestService("QuillanSpoolHelper02"));

  CProgram tool;
  ASSERT_TRUE(tool.Start("\"" + SiblingPath("TORVAX02.exe") + "\""));
  HWND main = gui::WaitForWindow(tool.Id(), "QLNUninstallWindowClass02", kCaption);
  ASSERT_NE(main, nullptr);
  HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::ReadListView(list, 1).size() == 5; }));
  ASSERT_TRUE(gui::SelectRows(list, {0, 1, 2, 3, 4}));
  ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(main, IDC_UNINSTALL)) != FALSE; }));
  gui::PressButton(main, IDC_UNINSTALL);

  // The disguised-only printer stays and becomes the default; then the
  // restart question.
  HWND moved = gui::WaitForMessageBox(tool.Id(), kCaption, "'Recep\xE7\xE3o'");
  ASSERT_NE(moved, nullptr);
  PostMessageA(moved, WM_COMMAND, IDOK, 0);
  HWND question = gui::WaitForMessageBox(tool.Id(), kCaption, "Deseja reinicializar agora?", 60000);
  ASSERT_NE(question, nullptr);
  gui::Settle(question);
  const std::string shots = ProgramFolder() + "screenshots\\";
  CreateDirectoryA(shots.c_str(), nullptr);
  gui::SaveScreenshot(shots + "restart-question.bmp");
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  EXPECT_EQ(tool.WaitForExit(30000), 3010u);  // done; a restart finishes the job

  // Printers and drivers: every maker printer and driver is gone. The
  // disguised-only printer is never touched.
  for (const SamplePrinter& p : package.printers) {
    if (p.makerMark || p.disguiseOf.empty()) EXPECT_FALSE(PrinterInstalled(p.name)) << p.name;
    else EXPECT_TRUE(PrinterInstalled(p.name)) << p.name;
  }
  for (const SampleDriver& d : package.drivers)
    if (d.name.rfind("VARDEN", 0) == 0) {
      EXPECT_EQ(InstalledDrivers().count(d.name), 0u) << d.name;
    }

  // Files: the package's files are gone; the catch-all's and the ignore
  // entry's stay; so do the installation folder's files no script names.
  const std::set<std::string> protectedFiles = {"QVSHARE02.DLL", "QV7310.ICM", "BELDRA02.DLL",
                                                "QSTATMON.EXE"};
  for (const SampleFile& f : package.files) {
    const bool kept = protectedFiles.count(f.name) != 0;
    EXPECT_EQ(FileExists(FolderOf(f.place) + f.name), kept) << FolderOf(f.place) << f.name;
  }
  EXPECT_FALSE(FileExists(FolderOf(Place::kDriver) + "Qunz__02.unm"));
  EXPECT_FALSE(FileExists(FolderOf(Place::kSystem) + "Qunz__02.unm"));

  // Registry: the maker's keys go, but the catch-all's "Shared" key stays and
  // with it the maker's key that holds it.
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\OEM02"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\QSR32_02"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\Filters"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\vintara 7310K"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\Common"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\Vezzaro"));
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\Shared"));
  EXPECT_FALSE(RegistryValueExists("HKCU", "Software\\VARDEN QUILLAN\\Status", "WindowPos"));
  EXPECT_TRUE(RegistryValueExists("HKCU", "Software\\VARDEN QUILLAN\\Status", "Colour"));
  EXPECT_FALSE(RegistryKeyExists("HKCU", "Software\\VARDEN QUILLAN\\Vezzaro"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "System\\CurrentControlSet\\Control\\Print\\Monitors\\Quillan Network Port"));
  EXPECT_FALSE(RegistryKeyExists("HKCR", "{QV7310-PRN-0001}"));
  for (const SampleRegistryValue& v : package.runValues)
    EXPECT_FALSE(RegistryValueExists("HKLM", kRunKey, v.name)) << v.name;

  // INI lines: the package's go, another printer's stays.
  EXPECT_EQ(IniValue("win.ini", "Quillan", "DefaultModel"), "");
  EXPECT_EQ(IniValue("win.ini", "Quillan", "vintara 7310K PS"), "");
  EXPECT_EQ(IniValue("qvstat.ini", "Printers", "vintara 7310K"), "");
  EXPECT_EQ(IniValue("qvstat.ini", "Printers", "Laser do corredor"), "FILE:");

  // Shortcut files go; another maker's INF copy stays.
  char programs[MAX_PATH];
  SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs);
  EXPECT_FALSE(FileExists(std::string(programs) + "\\VARDEN QUILLAN\\Tela de status vintara 7310K.lnk"));
  EXPECT_FALSE(FileExists(std::string(programs) + "\\VARDEN QUILLAN\\Vezzaro.pif"));
  EXPECT_TRUE(FileExists(FolderOf(Place::kWindows) + "inf\\oem9.inf"));

  // The service is gone once Windows restarts.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceA(manager, "QuillanSpoolHelper02", SERVICE_QUERY_STATUS);
  EXPECT_EQ(service, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
}
