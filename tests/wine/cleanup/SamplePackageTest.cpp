// The sample package installed by the fixture, its scripts read and the
// removal set computed with no printer kept: these phases remove what the
// scripts name, and leave what the catch-all and ignore entries protect.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/FileRemoval.h"
#include "uninstall/engine/RegistryRemoval.h"
#include "uninstall/engine/ShellRemoval.h"
#include "uninstall/engine/StartupEntries.h"

using namespace cleanup_test;
using namespace vq::fixture;

namespace {

std::string IniValue(const std::string& file, const char* section, const char* key) {
  char value[128] = "";
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
  GetPrivateProfileStringA(section, key, "(none)", value, sizeof(value), (WindowsFolder() + file).c_str());
  return value;
}

std::string ShortcutPath(int csidl, const std::string& group, const std::string& file) {
  char dir[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, dir);
  return std::string(dir) + "\\" + (group.empty() ? "" : group + "\\") + file;
}

}  // namespace

TEST(SamplePackage, PhasesRemoveWhatTheScriptsNameAndKeepWhatCatchAllAndIgnoreProtect) {
  for (const std::string& problem : InstallPackage(TheSamplePackage())) ADD_FAILURE() << problem;
  TestRun run(WinXP());
  run.db.osVersion = run.ctx.os;
  ASSERT_TRUE(run.db.ReadScript(SourceScript("driver")));
  ASSERT_TRUE(run.db.ReadScript(SourceScript("program")));
  run.db.PrepareEverythingProfile(false);
  run.db.ComputeRemovalSet();  // no printer listed: none kept, the whole package goes
  run.ctx.lastDriverName = "VARDEN QUILLAN vintara 7310K PS";

  vq::CollectOemFolders(run.ctx);
  vq::RemoveShortcuts(run.ctx);
  vq::RemoveIniEntries(run.ctx);
  vq::RemoveLoadRunEntries(run.ctx);
  vq::PrepareFolderPaths(run.ctx);
  vq::RemoveFiles(run.ctx);
  vq::RemoveOemInfFiles(run.ctx);
  vq::RemoveRegistryItems(run.ctx);

  // Files: the catch-all's QVSHARE02.DLL, BELDRA02.DLL and QSTATMON.EXE and the
  // ignored colour profile stay; the hook DLL goes with the driver's files.
  const std::string install = FolderOf(Place::kInstall);
  for (const std::string& gone :
       {FolderOf(Place::kSystem) + "QVSTAT02.EXE", FolderOf(Place::kSystem) + "QVRES02.DLL",
        FolderOf(Place::kSystem) + "QV7310PP.DLL", FolderOf(Place::kWindows) + "QV7310.INI",
        FolderOf(Place::kDriverSub) + "QV7310.DLL", FolderOf(Place::kDriverSub) + "QVCOMMON.DLL",
        FolderOf(Place::kSystem) + "QV7310HK.DLL", install + "QVSTAT02.EXE",
        FolderOf(Place::kTool) + "VEZZAR32.EXE"})
    EXPECT_FALSE(FileExists(gone)) << gone;
  for (const std::string& kept :
       {FolderOf(Place::kSystem) + "QVSHARE02.DLL", FolderOf(Place::kColor) + "QV7310.ICM", install + "BELDRA02.DLL", install + "QSTATMON.EXE"})
    EXPECT_TRUE(FileExists(kept)) << kept;
  EXPECT_FALSE(FolderExists(FolderOf(Place::kInstallStatus)));
  EXPECT_FALSE(FolderExists(install + "Status"));
  EXPECT_FALSE(FolderExists(FolderOf(Place::kTool)));
  EXPECT_EQ(run.db.restartNeeded, 0);

  EXPECT_EQ(IniValue("win.ini", "Quillan", "DefaultModel"), "(none)");
  EXPECT_EQ(IniValue("win.ini", "Quillan", "vintara 7310K"), "(none)");
  EXPECT_EQ(IniValue("win.ini", "Quillan", "vintara 7310K PS"), "(none)");
  EXPECT_EQ(IniValue("qvstat.ini", "Printers", "vintara 7310K"), "(none)");
  EXPECT_EQ(IniValue("qvstat.ini", "Printers", "Laser do corredor"), "FILE:");

  EXPECT_FALSE(RegistryValueExists("HKLM", kRunKey, "Quillan Status 7310K"));
  EXPECT_FALSE(RegistryValueExists("HKLM", kRunKey, "Vezzaro"));

  for (const SampleShortcut& s : TheSamplePackage().shortcuts)
    EXPECT_FALSE(FileExists(ShortcutPath(s.csidl, s.group, s.file))) << s.file;

  const std::string inf = FolderOf(Place::kWindows) + "inf\\";
  EXPECT_FALSE(FileExists(inf + "oem7.inf"));
  EXPECT_FALSE(FileExists(inf + "oem8.inf"));
  EXPECT_TRUE(FileExists(inf + "oem9.inf"));

  const std::string maker = "SOFTWARE\\VARDEN QUILLAN";
  for (const char* gone : {"\\OEM02", "\\QSR32_02", "\\Filters", "\\vintara 7310K", "\\vintara 7310K PS",
                           "\\Common", "\\Vezzaro"})
    EXPECT_FALSE(RegistryKeyExists("HKLM", maker + gone)) << gone;
  EXPECT_TRUE(RegistryValueExists("HKLM", maker + "\\Shared", "Users"));
  EXPECT_FALSE(RegistryValueExists("HKCU", "Software\\VARDEN QUILLAN\\Status", "WindowPos"));
  EXPECT_TRUE(RegistryValueExists("HKCU", "Software\\VARDEN QUILLAN\\Status", "Colour"));
  EXPECT_FALSE(RegistryKeyExists("HKCU", "Software\\VARDEN QUILLAN\\Vezzaro"));
}
