// Files: the system folders, the driver folders (two levels below, not
// three), the installation folders (three levels, emptied folders removed),
// files in use scheduled by each Windows version's means, the index giving
// what one walk per name gives, and the guards.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/FileRemoval.h"
#include "uninstall/engine/RebootDeletion.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"

using namespace cleanup_test;
using vq::fixture::FileExists;

namespace {

// Every file and folder below `root`, relative to it, folders ending with '\'.
void List(const std::string& root, const std::string& relative, std::set<std::string>& out) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.insert(relative + name + "\\");
      List(root, relative + name + "\\", out);
    } else {
      out.insert(relative + name);
    }
  } while (FindNextFileA(h, &found));
  FindClose(h);
}
std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH] = "";
  GetShortPathNameA(path.c_str(), shortPath, sizeof(shortPath));
  return shortPath;
}

std::string ShellFolder(int csidl) {
  char folder[MAX_PATH] = "";
  return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, folder)) ? folder : "";
}

std::set<std::string> Listing(const std::string& root) {
  std::set<std::string> out;
  List(root, "", out);
  return out;
}

}  // namespace

namespace {
// Windows File Protection guarding one file no name list knows.
class CFileProtection : public vq::CAccessLayer {
 public:
  BOOL SfcIsFileProtectedA(LPCSTR path) override {
    return std::string(path).find("QVSFC01.DLL") != std::string::npos;
  }
};
}  // namespace

TEST(Files, SystemFoldersLoseTheNamedFileButNeverAnOperatingSystemFile) {
  const std::string system = SystemFolder(), windows = WindowsFolder();
  CreateFiles({system + "QVSYS01.DLL", windows + "QVSYS01.DLL", system + "QVSFC01.DLL"});
  CFileProtection protection;
  vq::CAccessLayerOverride seam(protection);
  SetFileAttributesA((system + "QVSYS01.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(FileExists(system + "kernel32.dll"));
  ASSERT_TRUE(FileExists(windows + "win.ini") || WriteText(windows + "win.ini", "[windows]\r\n"));

  TestRun run;
  run.List(vq::kFiles) = {"C:\\Elsewhere\\QVSYS01.DLL=ignored", "kernel32.dll", "WIN.INI", "..", "*.dll",
                          "QVSFC01.DLL"};
  vq::RemoveFiles(run.ctx);
  EXPECT_FALSE(FileExists(system + "QVSYS01.DLL"));
  EXPECT_FALSE(FileExists(windows + "QVSYS01.DLL"));
  EXPECT_TRUE(FileExists(system + "kernel32.dll"));
  EXPECT_TRUE(FileExists(system + "QVSFC01.DLL"));
  EXPECT_TRUE(FileExists(windows + "win.ini"));
  EXPECT_TRUE(FolderExists(system));
  EXPECT_EQ(run.db.restartNeeded, 0);
  EXPECT_TRUE(vq::IsProtectedFileName("SPOOLSV.EXE"));
  EXPECT_FALSE(vq::IsProtectedFileName("QV7310.DLL"));
}

TEST(Files, DriverFoldersAreSearchedTwoLevelsDeepAndKeepTheirFolders) {
  const std::string driver = DriverFolder();
  CreateFiles({driver + "QVDRV01.DLL", driver + "QVT\\QVDRV01.DLL", driver + "QVT\\L2\\QVDRV01.DLL",
               driver + "QVT\\L2\\L3\\QVDRV01.DLL"});
  TestRun run;
  run.List(vq::kFiles) = {"QVDRV01.DLL"};
  vq::RemoveFiles(run.ctx);
  EXPECT_FALSE(FileExists(driver + "QVDRV01.DLL"));
  EXPECT_FALSE(FileExists(driver + "QVT\\QVDRV01.DLL"));
  EXPECT_FALSE(FileExists(driver + "QVT\\L2\\QVDRV01.DLL"));
  EXPECT_TRUE(FileExists(driver + "QVT\\L2\\L3\\QVDRV01.DLL"));
  EXPECT_TRUE(FolderExists(driver + "QVT\\L2\\"));
}

TEST(Files, InstallationFoldersAreSearchedThreeLevelsDeepAndOnlyTheFoldersTheRunEmptiedGo) {
  const std::string install = "C:\\VQ Install\\", other = "C:\\VQ Program\\";
  CreateFiles({install + "QVI.EXE", install + "A\\QVI.EXE", install + "A\\B\\QVI.EXE",
               install + "A\\B\\C\\QVI.EXE", install + "A\\B\\C\\D\\QVI.EXE", install + "Keep\\README.TXT",
               install + "Keep\\QVI.EXE", other + "prog.exe", other + "Sub\\QVI.EXE"});
  CreateDirectoryA((install + "EmptyBefore").c_str(), nullptr);
  TestRun run;
  run.db.keptCount = 1;  // ZRESTART.EXE stays out of this
  // A folder, spelled oddly; a program's path.
  run.List(vq::kOemFolders) = {"C:/VQ Install//.", other + "prog.exe"};
  run.List(vq::kFiles) = {"QVI.EXE", "prog.exe"};
  vq::PrepareFolderPaths(run.ctx);
  vq::RemoveFiles(run.ctx);
  EXPECT_FALSE(FileExists(install + "QVI.EXE"));
  EXPECT_FALSE(FileExists(install + "A\\B\\C\\QVI.EXE"));
  EXPECT_TRUE(FileExists(install + "A\\B\\C\\D\\QVI.EXE"));  // four levels below
  EXPECT_TRUE(FolderExists(install + "A\\B\\C\\D\\"));
  EXPECT_TRUE(FileExists(install + "Keep\\README.TXT"));
  EXPECT_FALSE(FileExists(install + "Keep\\QVI.EXE"));
  EXPECT_TRUE(FolderExists(install + "EmptyBefore"));  // empty before the run: not the run's
  EXPECT_FALSE(FolderExists(other));  // emptied whole, then removed itself
}

TEST(Files, InstallationFoldersAreComparedAsTheFileSystemKnowsThem) {
  const std::string profile = ShellFolder(CSIDL_PROFILE);
  const std::string profiles = profile.substr(0, profile.find_last_of('\\') + 1);
  CreateFiles({"C:\\VQ Root\\QVX.DLL", "C:\\QVX.DLL", "C:\\Program Files\\VQ Someone\\QVX.DLL",
               "C:\\VQ Relative\\QVX.DLL", "C:\\Program Files\\Common Files\\VQ Someone\\QVX.DLL",
               profiles + "VQ Someone Else\\QVX.DLL"});
  ASSERT_TRUE(vq::fixture::CreateJunction("C:\\VQ Junction", "C:\\VQ Root"));
  char current[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(current), current);
  SetCurrentDirectoryA("C:\\");  // what a relative value would be resolved against
  // Every way of writing a drive's root, Windows' own folders or a folder
  // that holds them is refused, and every folder inside Windows; a network
  // folder too; what all programs and users share and their profiles; a
  // relative value, however it would resolve; a junction and what lies
  // behind it.
  for (const std::string& item : std::vector<std::string>{
           "C:\\", "C:\\\\", "C:/", "\\\\?\\C:\\", "C:\\.", "C:\\VQ Root\\..\\", "C:\\windows",
           "C:\\windows\\\\", "C:\\windows/", "C:\\windows.\\", "C:\\WINDOWS\\system32\\spool",
           "C:\\windows\\inf", "C:\\WINDOWS\\Fonts\\", "C:\\Program Files", "C:\\PROGRA~1",
           "\\\\?\\UNC\\server\\share\\VQ", "\\\\server\\share\\VQ", "C:\\Program Files\\Common Files",
           ShellFolder(CSIDL_PROGRAM_FILES_COMMON), ShellFolder(CSIDL_COMMON_APPDATA), profile, profiles,
           profiles + "VQ Someone Else", "VQ Relative", "C:VQ Relative", "\\VQ Relative",
           "C:\\VQ Junction", "C:\\VQ Junction\\QVX.DLL"}) {
    std::string refusal;
    EXPECT_EQ(vq::InstallationFolderOf(item, &refusal), "") << item;
    EXPECT_NE(refusal, "") << item;
  }
  // A folder that does not exist has nothing to search; one that does is
  // found whatever its spelling.
  for (const char* item : {"C:\\Program Files\\VQ Gone", "relative\\folder\\"})
    EXPECT_EQ(vq::InstallationFolderOf(item), "") << item;
  for (const char* item : {"C:\\VQ Root", "C:/VQ Root/", "C:\\VQ Root\\.", "\\\\?\\C:\\VQ Root",
                           "C:\\VQ Root\\QVX.DLL"})
    EXPECT_TRUE(vq::EqualNoCase(vq::InstallationFolderOf(item), "C:\\VQ Root\\")) << item;

  TestRun run;
  run.db.keptCount = 1;
  run.List(vq::kOemFolders) = {"C:\\\\", "\\\\?\\C:\\", "C:\\windows.\\", "C:\\Program Files",
                               "C:VQ Relative", "C:\\Program Files\\Common Files", "C:\\VQ Junction",
                               profiles + "VQ Someone Else"};
  run.List(vq::kFiles) = {"QVX.DLL"};
  vq::PrepareFolderPaths(run.ctx);
  EXPECT_TRUE(run.ctx.installationFolders.empty());
  vq::RemoveFiles(run.ctx);
  SetCurrentDirectoryA(current);
  for (const std::string& decoy :
       {std::string("C:\\QVX.DLL"), std::string("C:\\Program Files\\VQ Someone\\QVX.DLL"),
        std::string("C:\\VQ Root\\QVX.DLL"), std::string("C:\\VQ Relative\\QVX.DLL"),
        std::string("C:\\Program Files\\Common Files\\VQ Someone\\QVX.DLL"),
        profiles + "VQ Someone Else\\QVX.DLL"})
    EXPECT_TRUE(FileExists(decoy)) << decoy;
}

TEST(Files, AFileInUseIsScheduledWithMoveFileExOnWindowsNT) {
  const std::string held = SystemFolder() + "QVHELD01.DLL";
  CreateFiles({held});
  ClearPendingDeletions();
  TestRun run(WinXP());
  run.db.keptCount = 1;
  run.List(vq::kFiles) = {"QVHELD01.DLL", "QVNOWHERE.DLL"};
  {
    CHeldFile open(held);
    ASSERT_TRUE(open.IsHeld());
    vq::RemoveFiles(run.ctx);
  }
  EXPECT_EQ(run.db.restartNeeded, 1);
  const std::vector<std::string> pending = PendingDeletions();
  EXPECT_EQ(std::count_if(pending.begin(), pending.end(),
                          [&](const std::string& p) { return vq::EqualNoCase(p, held); }),
            1);
  // A name that exists nowhere changes nothing.
  TestRun quiet(WinXP());
  quiet.db.keptCount = 1;
  quiet.List(vq::kFiles) = {"QVNOWHERE.DLL"};
  vq::RemoveFiles(quiet.ctx);
  EXPECT_EQ(quiet.db.restartNeeded, 0);
  ClearPendingDeletions();
}

namespace {
// win95, win98, me: GetShortPathName answers with the path as given, as for a
// name that is already 8.3 on FAT (accented letters included, kept there in
// the OEM code page), or on a volume that keeps no 8.3 aliases, where the
// long path comes back ("Naming Files, Paths, and Namespaces": 8.3 alias
// generation can be disabled, so an alias may not exist on disk).
class CNamesAsGiven : public vq::CAccessLayer {
 public:
  DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) override {
    const DWORD length = static_cast<DWORD>(std::strlen(longPath));
    if (length >= size) return length + 1;
    std::strcpy(shortPath, longPath);
    return length;
  }
};

// The outcome the log gives the deletion of `path`; empty when none.
std::string LoggedOutcome(const std::vector<vq::ActionRecord>& records, const std::string& path) {
  for (const vq::ActionRecord& r : records)
    if (r.what == "delete file" && vq::EqualNoCase(r.target, "\"" + path + "\"")) return r.outcome;
  return std::string();
}
}  // namespace

TEST(Files, WindowsNinetyEightSchedulesInWininitAsWininitReadsIt) {
  const std::string wininit = WindowsFolder() + "WININIT.INI";
  DeleteFileA(wininit.c_str());
  const std::string a = SystemFolder() + "QV Held Long 02.DLL", b = SystemFolder() + "QVHELD03.DLL";
  CreateFiles({a, b});
  TestRun run(Win98());
  run.db.keptCount = 1;
  run.List(vq::kFiles) = {"QV Held Long 02.DLL", "QVHELD03.DLL"};
  {
    CHeldFile holdA(a), holdB(b);
    vq::RemoveFiles(run.ctx);
  }
  EXPECT_EQ(run.db.restartNeeded, 1);
  // WININIT reads short (8.3) paths, under one [rename] header.
  const std::string shortA = ShortPath(a), shortB = ShortPath(b);
  EXPECT_NE(shortA, a);
  EXPECT_EQ(ReadText(wininit), "[RENAME]\r\nNUL=" + shortA + "\r\nNUL=" + shortB + "\r\n");

  // A file whose 8.3 name has an accented letter goes in the OEM code page
  // (code page 437 here: É is 0x90); one on a volume without 8.3 names is
  // not scheduled, and asks for no restart.
  ASSERT_EQ(GetOEMCP(), 437u);
  const std::string accented = SystemFolder() + "QV\xC9" "04.DLL";
  const std::string longName = SystemFolder() + "QV No Alias 05.DLL";
  CreateFiles({accented, longName});
  DeleteFileA(wininit.c_str());
  CNamesAsGiven fat;
  vq::CAccessLayerOverride seam(fat);
  std::vector<vq::ActionRecord> records;
  vq::SetProcessActionRecords(&records);
  TestRun oem(Win98());
  oem.db.keptCount = 1;
  oem.List(vq::kFiles) = {"QV\xC9" "04.DLL"};
  TestRun noAlias(Win98());
  noAlias.db.keptCount = 1;
  noAlias.List(vq::kFiles) = {"QV No Alias 05.DLL"};
  {
    CHeldFile holdAccented(accented), holdLong(longName);
    vq::RemoveFiles(oem.ctx);
    vq::RemoveFiles(noAlias.ctx);
  }
  vq::SetProcessActionRecords(nullptr);
  EXPECT_EQ(ReadText(wininit), "[RENAME]\r\nNUL=" + SystemFolder() + "QV\x90" "04.DLL\r\n");
  EXPECT_EQ(oem.db.restartNeeded, 1);
  EXPECT_EQ(noAlias.db.restartNeeded, 0);
  EXPECT_EQ(LoggedOutcome(records, longName),
            "in use (error 32), scheduling failed: no 8.3 name that WININIT can read");
  DeleteFileA(wininit.c_str());
}

TEST(Files, WininitLinesGoIntoTheRenameSectionThereIs) {
  const std::string wininit = WindowsFolder() + "WININIT.INI", file = "C:\\QVNEW06.DLL";
  CreateFiles({file});
  const std::string line = "NUL=" + file + "\r\n";
  const struct {
    std::string before, after;
  } kCases[] = {
      {"[RENAME]\r\nNUL=C:\\OLD.DLL\r\n[Other]\r\nx=1",
       "[RENAME]\r\nNUL=C:\\OLD.DLL\r\n" + line + "[Other]\r\nx=1"},
      {"[Other]\r\nx=1\r\n[ rename ]\r\nNUL=C:\\OLD.DLL\r\n\r\n[Last]\r\n",
       "[Other]\r\nx=1\r\n[ rename ]\r\nNUL=C:\\OLD.DLL\r\n" + line + "\r\n[Last]\r\n"},
      {"[rename]\r\nNUL=C:\\OLD.DLL", "[rename]\r\nNUL=C:\\OLD.DLL\r\n" + line},
  };
  for (const auto& c : kCases) {
    ASSERT_TRUE(WriteText(wininit, c.before));
    EXPECT_TRUE(vq::ScheduleWininit(file.c_str()));
    EXPECT_EQ(ReadText(wininit), c.after) << c.before;
  }
  DeleteFileA(wininit.c_str());
}

TEST(Files, Win32sSchedulesInZwininitOnlyWithZwininitBesideTheTool) {
  const std::string tool = ToolFolder(), list = tool + "zwininit.ini", program = tool + "zwininit.exe";
  const std::string held = SystemFolder() + "QVHELD04.DLL";
  CreateFiles({held});
  DeleteFileA(list.c_str());
  DeleteFileA(program.c_str());
  TestRun run(Win32s());
  run.db.keptCount = 1;
  run.List(vq::kFiles) = {"QVHELD04.DLL"};
  {
    CHeldFile hold(held);
    // No zwininit.exe: nothing is scheduled, and a restart would not help.
    vq::RemoveFiles(run.ctx);
    EXPECT_EQ(run.db.restartNeeded, 0);
    EXPECT_FALSE(FileExists(list));
    ASSERT_TRUE(WriteText(program, "MZ"));
    vq::RemoveFiles(run.ctx);
    EXPECT_EQ(run.db.restartNeeded, 1);
  }
  char value[64] = "";
  GetPrivateProfileStringA("RENAME", held.c_str(), "", value, sizeof(value), list.c_str());
  EXPECT_STREQ(value, "NUL");
  DeleteFileA(list.c_str());
  DeleteFileA(program.c_str());
}

TEST(Files, RestartHelperGoesOnlyWhenNothingStaysAndNoRestartIsNeeded) {
  const std::string helper = WindowsFolder() + "ZRESTART.EXE";
  CreateFiles({helper});
  TestRun needed;
  needed.db.restartNeeded = 1;
  vq::RemoveFiles(needed.ctx);
  EXPECT_TRUE(FileExists(helper));
  TestRun kept;
  kept.db.keptCount = 1;
  vq::RemoveFiles(kept.ctx);
  EXPECT_TRUE(FileExists(helper));
  TestRun last;
  vq::RemoveFiles(last.ctx);
  EXPECT_FALSE(FileExists(helper));
}

TEST(Files, DriverSubfolderComesFromTheFirstDirectorysItemAndStaysBelowTheDriverFolder) {
  TestRun run;
  run.List(vq::kDirectorys) = {"QV7310", "ZZ"};
  vq::PrepareFolderPaths(run.ctx);
  EXPECT_EQ(run.ctx.windowsPath, WindowsFolder());
  EXPECT_EQ(run.ctx.driverPath, DriverFolder());
  EXPECT_EQ(run.ctx.driverSubPath, DriverFolder() + "QV7310\\");
  CreateDirectoryA(run.ctx.driverSubPath.c_str(), nullptr);
  EXPECT_EQ(vq::RemoveDriverSubfolder(run.ctx), 1);
  EXPECT_FALSE(FolderExists(run.ctx.driverSubPath));

  for (const char* hostile : {"..\\..", "C:\\WINDOWS", "\\Root"}) {
    TestRun bad;
    bad.List(vq::kDirectorys) = {hostile};
    vq::PrepareFolderPaths(bad.ctx);
    EXPECT_EQ(bad.ctx.driverSubPath, "") << hostile;
    EXPECT_EQ(vq::RemoveDriverSubfolder(bad.ctx), 0);
  }
}

// The index gives exactly what walking every tree once per name gives: the
// same files deleted or scheduled, the same folders removed, the same flag.
// Both find a name whatever the case of its accented letters, keep what a
// driver that stays names and Windows' own files, and enter no junction.
TEST(Files, IndexGivesWhatOneWalkPerNameGives) {
  const std::string roots[2] = {"C:\\VQ Same A\\", "C:\\VQ Same B\\"};
  const std::vector<std::string> relative = {
      "N1.DLL", "n2.dll", "X\\N1.DLL", "X\\Y\\N3.DLL", "X\\Y\\Z\\N1.DLL", "X\\Y\\Z\\W\\N1.DLL",
      "X\\Y\\Z\\W\\keep.txt", "P\\N2.DLL", "P\\Q\\N2.DLL", "P\\Q\\keep.txt", "R\\S\\T\\N3.DLL",
      "HELD\\N3.DLL", "N1.DLL.bak", "Y\\Configura\xE7\xE3o.dat", "U\\CONFIGURA\xC7\xC3O.INI",
      "kernel32.dll"};
  const std::vector<const char*> names = {"N1.DLL", "N2.DLL", "N3.DLL", "absent.dll",
                                          "CONFIGURA\xC7\xC3O.DAT", "CONFIGURA\xC7\xC3O.INI", "KERNEL32.DLL"};
  std::set<std::string> after[2];
  int flags[2];
  std::vector<std::string> pending[2];
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> paths;
    for (const std::string& r : relative) paths.push_back(roots[i] + r);
    CreateFiles(paths);
    const std::string behind = roots[i].substr(0, roots[i].size() - 1) + " Behind\\";
    CreateFiles({behind + "N1.DLL"});
    ASSERT_TRUE(vq::fixture::CreateJunction(roots[i] + "J", behind));
    CreateDirectoryA((roots[i] + "E1").c_str(), nullptr);
    CreateDirectoryA((roots[i] + "E1\\E2").c_str(), nullptr);
    ClearPendingDeletions();
    TestRun run(WinXP());
    run.db.keptCount = 1;
    run.List(vq::kOemFolders) = {roots[i], roots[i] + "P"};  // nested trees
    vq::PrepareFolderPaths(run.ctx);
    run.ctx.filesInUse.Add(DriverFolder() + "Configura\xE7\xE3o.ini", "driver \"VQ Kept\"");
    CHeldFile hold(roots[i] + "HELD\\N3.DLL");
    if (i == 0) {
      for (const char* name : names) vq::DeleteFileEverywhere(run.ctx, name);
    } else {
      vq::CFileIndex index;
      for (const char* name : names) vq::DeleteFileEverywhere(run.ctx, name, &index);
      index.RemoveEmptiedFolders();
    }
    after[i] = Listing(roots[i]);
    flags[i] = run.db.restartNeeded;
    for (const std::string& p : PendingDeletions()) pending[i].push_back(p.substr(roots[i].size()));
  }
  EXPECT_EQ(after[0], after[1]);
  EXPECT_EQ(flags[0], 1);
  EXPECT_EQ(flags[0], flags[1]);
  EXPECT_EQ(pending[0], pending[1]);
  EXPECT_EQ(after[0].count("X\\Y\\Z\\W\\N1.DLL"), 1u);
  EXPECT_EQ(after[0].count("E1\\"), 1u);  // empty before the run: it stays
  EXPECT_EQ(after[0].count("R\\"), 0u);
  EXPECT_EQ(after[0].count("Y\\"), 0u);
  EXPECT_EQ(after[0].count("U\\CONFIGURA\xC7\xC3O.INI"), 1u);
  EXPECT_EQ(after[0].count("kernel32.dll"), 1u);
  EXPECT_EQ(after[0].count("J\\N1.DLL"), 1u);
  ClearPendingDeletions();
}
