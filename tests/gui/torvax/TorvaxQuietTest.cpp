// Unattended uninstalls: QUIET removes what the switches offer (without them
// only the package's own printers) without any window, LOG records every
// action, one run at a time holds the machine, and the exit code tells the
// outcome as installers tell theirs.
#include <windows.h>
#include <winspool.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tests/gui/torvax/GuiDriver.h"
#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/MachineState.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/app/Ui.h"
#include "uninstall/app/Unattended.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/BackupFolder.h"
#include "uninstall/profile/BackupManifest.h"
#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/res/resource.h"

using gui::CProgram;
using namespace vq::fixture;

namespace {

const char kMainClass[] = "QLNUninstallWindowClass02";
const char kCaption[] = "Desinstala\xE7\xE3o";
const char kLogFolder[] = "C:\\vq_quiet\\";
const char kLog[] = "C:\\vq_quiet\\uninstall.log";
const char kPsSwitch[] = "/PRN:\"VARDEN QUILLAN vintara 7310K PS\"";
const char kPlan[] = "C:\\vq_quiet\\plan.json";

std::set<std::string> InstalledPrinterSet() {
  const std::vector<std::string> names = InstalledPrinters();
  return std::set<std::string>(names.begin(), names.end());
}

std::string ReadLog() { return ReadFileText(kLog); }

// A backup folder as an uninstall run leaves it, with one entry; `saved`, when
// given, is that entry's saved file 0001.bin, recorded as `recorded`.
void WriteBackup(const std::string& folder, const char* kind, const vq::ManifestJson& item,
                 const std::string* saved = nullptr, const std::string& recorded = "") {
  vq::BackupManifest manifest;
  manifest.created = "2026-12-09 14:03:59";
  manifest.commandLine = "TORVAX02.exe /QUIET";
  manifest.windows = "platform 3, version 8";
  ASSERT_TRUE(CreateFolderPath(folder));
  vq::BackupEntry entry{kind, item, {}};
  if (saved) {
    entry.files.push_back({"0001.bin", recorded.size(), vq::Sha256Hex(recorded.data(), recorded.size())});
    EXPECT_TRUE(WriteFileText(folder + "0001.bin", *saved));
  }
  manifest.entries.push_back(entry);
  EXPECT_TRUE(WriteFileText(folder + vq::kManifestName, vq::ManifestText(manifest)));
}

std::string Tool(const std::string& arguments) {
  return "\"" + SiblingPath("TORVAX02.exe") + "\" " + arguments;
}

bool ProcessRuns(const char* exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry))
    found = lstrcmpiA(entry.szExeFile, exeName) == 0;
  CloseHandle(snapshot);
  return found;
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

// The stand-in for the disguise tool in its OEMPaths folder: it stays open
// until the event "VQTestDisguiseToolExit" is set, or the object goes.
class CStayingDisguiseTool {
 public:
  CStayingDisguiseTool()
      : folder_(FolderOf(Place::kTool)),
        exit_(CreateEventA(nullptr, TRUE, FALSE, "VQTestDisguiseToolExit")) {
    DeleteFileA((folder_ + "started-with.txt").c_str());
    EXPECT_TRUE(CopyFileA(SiblingPath("VEZZAR32.exe").c_str(), (folder_ + "VEZZAR32.EXE").c_str(), FALSE));
  }
  ~CStayingDisguiseTool() {
    SetEvent(exit_);
    CloseHandle(exit_);
  }
  bool WaitUntilStarted() {
    return gui::WaitUntil([&] { return FileExists(folder_ + "started-with.txt"); });
  }
  void End() { SetEvent(exit_); }

 private:
  std::string folder_;
  HANDLE exit_;
};

class TorvaxQuiet : public testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& p : InstallPackage(TheSamplePackage())) ADD_FAILURE() << p;
    CreateDirectoryA(kLogFolder, nullptr);
    DeleteFileA(kLog);
  }
  // Runs the tool and returns its exit code; a window waiting for someone
  // would never let it end, so a time-out fails the test. With `box`, the
  // run must show a message box holding that text, which is answered.
  DWORD Run(const std::string& arguments, const char* box = nullptr) {
    CProgram tool;
    EXPECT_TRUE(tool.Start(Tool(arguments)));
    if (box) {
      HWND shown = gui::WaitForMessageBox(tool.Id(), kCaption, box);
      EXPECT_NE(shown, nullptr) << arguments;
      if (shown) PostMessageA(shown, WM_COMMAND, IDOK, 0);
    }
    const DWORD code = tool.WaitForExit(60000);
    EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "the quiet run waited for someone";
    return code;
  }
};

}  // namespace

TEST_F(TorvaxQuiet, PrnRemovesExactlyThosePrintersAndLogsEachAction) {
  const std::set<std::string> before = InstalledPrinterSet();
  const DWORD code = Run(std::string("/QUIET ") + kPsSwitch + " /LOG:" + kLog);
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

  // The undo of the run's backup brings the printers back; a second undo
  // finds everything in place, restores nothing and says so.
  const DWORD undone = Run(std::string("/QUIET /UNDO /LOG:") + kLog);
  EXPECT_TRUE(undone == 0 || undone == 3010) << undone << "\n" << ReadLog();
  EXPECT_EQ(InstalledPrinterSet(), before);
  EXPECT_EQ(Run(std::string("/QUIET /UNDO /LOG:") + kLog), 0u) << ReadLog();
  EXPECT_NE(ReadLog().find("nothing to restore"), std::string::npos) << ReadLog();
}

// Without MFG, PRN or UNVEZZ only the package's printers go: another maker's
// PostScript and Unidrv printers, and a printer of a driver no script names,
// stay with their drivers, as if left unselected. The package's hook is
// called with a window, as in a run with windows.
TEST_F(TorvaxQuiet, WithoutFiltersOnlyThePackagesPrintersGo) {
  for (const std::string& p : InstallPackage(TheBystanderPackage())) ADD_FAILURE() << p;
  const std::set<std::string> before = InstalledPrinterSet();
  const std::string hookLog = std::string(kLogFolder) + "hook.log";
  DeleteFileA(hookLog.c_str());
  ASSERT_TRUE(CopyFileA(VQ_RECORDING_HOOK,
                        (FolderOf(Place::kDriver) + "QV7310HK.DLL").c_str(), FALSE));
  SetEnvironmentVariableA("VQ_HOOK_LOG", hookLog.c_str());  // the tool inherits it
  const DWORD code = Run(std::string("/QUIET /LOG:") + kLog);
  SetEnvironmentVariableA("VQ_HOOK_LOG", nullptr);
  EXPECT_TRUE(code == 0 || code == 3010) << code;
  // The disguise-only printer is never removed by a run.
  EXPECT_EQ(InstalledPrinterSet(), (std::set<std::string>{"Colorpage 400 (sala)", kHallPrinter,
                                                          "Mono 20", kReceptionPrinter}));
  const std::set<std::string> drivers = InstalledDrivers();
  for (const char* other : {kSampleGenericDriver, "TREMONA Colorpage 400 PS", "TREMONA Mono 20"})
    EXPECT_EQ(drivers.count(other), 1u) << other;
  for (const char* own : {kSamplePclDriver, kSamplePsDriver, kSampleXlDriver})
    EXPECT_EQ(drivers.count(own), 0u) << own;
  EXPECT_NE(ReadLog().find("printer \"Mono 20\": kept: not a printer of this package"),
            std::string::npos)
      << ReadLog();
  // "tag|dll|window|instance|tool folder|0|current folder"
  const std::string call = ReadFileText(hookLog);
  const std::size_t window = call.find('|', call.find('|') + 1) + 1;
  ASSERT_NE(window, 0u) << "the hook was not called";
  EXPECT_NE(std::strtoull(call.c_str() + window, nullptr, 16), 0u) << call;

  // The user has chosen another default since: the undo brings the printers
  // back but leaves that choice, and says so (1603, a conflict in the log).
  ASSERT_TRUE(SetDefaultPrinterA("Mono 20"));
  EXPECT_EQ(Run(std::string("/QUIET /UNDO /LOG:") + kLog), 1603u) << ReadLog();
  EXPECT_EQ(InstalledPrinterSet(), before);
  char device[256] = "";
  GetProfileStringA("windows", "device", "", device, sizeof(device));
  EXPECT_EQ(std::string(device).substr(0, 8), "Mono 20,") << ReadLog();
  EXPECT_NE(ReadLog().find("make default \"vintara 7310K (escrit\xC3\xB3rio)\": conflict"), std::string::npos)
      << ReadLog();
}

// Runs that must not touch the machine: malformed switches (87, before
// anything is read), a switch the tool does not know where the switches
// alone decide (87: a mistyped filter would widen the removal), filters that
// match no installed printer (1605), plans, with or without QUIET (0 when
// the run would reach its end), the help (0), and undos without a backup
// they can trust (87: none where they look, or one whose saved file is not
// what was saved).
TEST_F(TorvaxQuiet, RunsThatRemoveNothingChangeNothingAndSayWhy) {
  const std::string longLog = "C:\\" + std::string(700, 'L') + "\\x.log";
  // No backup where an undo looks by default; a backup that would put a
  // folder back, and one whose saved file was altered.
  const std::string root = vq::DefaultBackupRoot();
  MoveFileA(root.substr(0, root.size() - 1).c_str(), "C:\\vq_quiet\\earlier-backups");
  const std::string backups = std::string(kLogFolder) + "backups\\";
  WriteBackup(backups + "undo\\20261209-140359\\", "folder",
              {{"path", "C:\\vq_quiet\\restored\\"}, {"attributes", 16}});
  const std::string altered = "restored by an undo that does not check";
  WriteBackup(backups + "altered\\20261209-140359\\", "file", {{"path", "C:\\vq_quiet\\restored.txt"}},
              &altered, "the bytes that were saved");
  // One whose saved file is gone, one whose manifest a full disk cut short.
  WriteBackup(backups + "missing\\20261209-140359\\", "file", {{"path", "C:\\vq_quiet\\restored.txt"}},
              &altered, altered);
  DeleteFileA((backups + "missing\\20261209-140359\\0001.bin").c_str());
  WriteBackup(backups + "cut\\20261209-140359\\", "folder", {{"path", "C:\\vq_quiet\\restored\\"}});
  const std::string cutManifest = backups + "cut\\20261209-140359\\" + vq::kManifestName;
  const std::string whole = ReadFileText(cutManifest);
  EXPECT_TRUE(WriteFileText(cutManifest, whole.substr(0, whole.size() - 20)));
  const struct Case {
    std::string arguments;
    DWORD code;
    const char* box = nullptr;     // the message box the run shows
    const char* logged = nullptr;  // what the log holds afterwards
    const char* planned = nullptr; // what the plan holds afterwards
  } cases[] = {
      {"/QUIET /PRN:\"NO SUCH DRIVER\" /LOG:" + std::string(kLog), 1605, nullptr,
       "no installed printer matches them and the scripts describe nothing to remove; nothing is removed"},
      {"/QUIET /MFG:Nobody,Else", 1605},
      {"/QUIET /PRN", 1605},
      {"/QUIET /PRN:", 87},
      {"/QUIET /MFG:\"\"", 87},  // an empty prefix would begin every driver name
      {"/QUIET /PRN:a,,b", 87},
      {std::string("/QUIET /LOG:") + kLog + " /LOG:C:\\vq_quiet\\other.log", 87},
      {"/QUIET /LOG", 87},
      {"/QUIET:yes", 87},
      {"/QUIET /FORCERESTART:now", 87},
      {"/QUIET /LOG:C:\\no_such_folder\\sub\\x.log", 87},  // cannot be created
      {"/QUIET /LOG:" + longLog, 87},
      {"/QUIET /PNR:\"VARDEN QUILLAN vintara 7310K PS\" /LOG:" + std::string(kLog), 87},
      {std::string("/PLAN:") + kPlan + " /MGF:VARDEN", 87},
      {"/NOPICK /PNR:\"VARDEN QUILLAN vintara 7310K PS\"", 87, "desconhecida na linha de comando: 'PNR'"},
      {"/QUIET /?", 0},
      {"/?", 0, "/? \x97 esta ajuda\n\nC\xF3\x64igos de sa\xED\x64\x61:"},
      {"/PLAN", 87},
      {"/QUIET /PLAN:\"\"", 87},
      {std::string("/PLAN:") + kPlan + " /PLAN:C:\\vq_quiet\\other.json", 87},
      {std::string("/PLAN:") + kPlan + " /PRN:\"NO SUCH DRIVER\"", 1605},
      {"/QUIET /UNDO /LOG:" + std::string(kLog), 87, nullptr, "refused: no backup there"},
      {"/UNDO", 87, "Nenhuma c\xF3pia de seguran\xE7\x61 de desinstala\xE7\xE3o foi encontrada"},
      {"/QUIET /UNDO:" + std::string(kLogFolder), 87},  // holds no backup folder
      {"/QUIET /UNDO:" + backups + "altered /LOG:" + kLog, 87, nullptr, "is not what was saved"},
      {"/QUIET /UNDO:" + backups + "missing /LOG:" + kLog, 87, nullptr, "the saved file 0001.bin is missing"},
      {"/QUIET /UNDO:" + backups + "cut /LOG:" + kLog, 87, nullptr, "not a complete JSON document"},
      {"/UNDO:" + backups + "undo /XYZ", 87, "desconhecida na linha de comando: 'XYZ'"},
      {"/QUIET /UNDO:" + backups + "undo " + kPsSwitch, 87},  // the whole backup, never a printer's part
      {"/QUIET /UNDO: /BACKUP:" + backups + "undo", 87},    // an empty path is not "the newest"
      {std::string("/PLAN:") + kPlan + " /UNDO:" + backups + "undo", 0, nullptr, nullptr,
       "\"action\": \"restore folder\""},
      {std::string("/PLAN:") + kPlan + " " + kPsSwitch, 0},
      {std::string("/QUIET /PLAN:") + kPlan, 0},
  };
  const MachineState before = TakeMachineState();
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arguments, c.box), c.code) << c.arguments;
    if (c.logged) EXPECT_NE(ReadLog().find(c.logged), std::string::npos) << c.arguments << "\n" << ReadLog();
    if (c.planned) {
      const std::string plan = ReadFileText(kPlan);
      EXPECT_NE(plan.find(c.planned), std::string::npos) << c.arguments << "\n" << plan;
    }
  }
  // Only the log, and the service manager's counter of the spooler's restart
  // at start-up, may differ.
  const std::string log = FileEntry(kLog), plan = FileEntry(kPlan);
  const std::string counter = RegistryEntry("HKLM", "SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent");
  std::string changes;
  for (const MachineChange& change : ChangesBetween(before, TakeMachineState())) {
    if (change.entry != log && change.entry != plan && change.entry.rfind(counter, 0) != 0)
      changes += "\n  " + change.entry;
  }
  EXPECT_TRUE(changes.empty()) << "changed:" << changes;
  // The last plan: every printer of the package, nothing done.
  const std::string written = ReadFileText(kPlan);
  EXPECT_NE(written.find("\"exitCode\": 0"), std::string::npos) << written;
  EXPECT_NE(written.find("\"printers\": [\n    \"vintara 7310K"), std::string::npos) << written;
}

TEST_F(TorvaxQuiet, FailedStartUpCheckReturns1603AndChangesNothing) {
  ASSERT_TRUE(SetSpoolerStart(SERVICE_DISABLED));
  const std::set<std::string> before = InstalledPrinterSet();
  EXPECT_EQ(Run(std::string("/QUIET /LOG:") + kLog), 1603u);
  EXPECT_EQ(InstalledPrinterSet(), before);
  EXPECT_NE(ReadLog().find("O spooler est\xC3\xA1 inst\xC3\xA1vel"), std::string::npos) << ReadLog();

  // The interactive run shows the message and ends with the same code.
  CProgram tool;
  ASSERT_TRUE(tool.Start(Tool("")));
  HWND box = gui::WaitForMessageBox(tool.Id(), kCaption, "O spooler est");
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(tool.WaitForExit(30000), 1603u);
  SetSpoolerStart(SERVICE_DEMAND_START);
}

// Windows 98 needs a restart after every run: 3010 when the restart is left
// to the administrator, 1641 when FORCERESTART had the tool start it.
TEST_F(TorvaxQuiet, RestartLeftOrStarted) {
  gui::CPretendVersion win98("win98");
  const struct Case {
    const char* arguments;
    DWORD code;
    const char* logged;
  } cases[] = {{"", 3010, "restart declined"}, {"/FORCERESTART", 1641, "restart requested"}};
  for (const Case& c : cases) {
    for (const std::string& p : InstallPackage(TheSamplePackage())) ADD_FAILURE() << p;
    EXPECT_EQ(Run(std::string("/QUIET ") + c.arguments + " " + kPsSwitch + " /LOG:" + kLog), c.code)
        << c.arguments;
    EXPECT_NE(ReadLog().find(c.logged), std::string::npos) << ReadLog();
  }
  // Under Wine the restart really happens: wineboot ends the session, then
  // opens the Startup folder's shortcuts and the Run entries as a new start
  // of Windows does. The next test rewrites those shortcuts, so it waits.
  EXPECT_TRUE(gui::WaitUntil([] { return !ProcessRuns("wineboot.exe"); }, 60000));
}

// One run at a time, quiet or not: a quiet run waiting for the disguise tool
// holds the machine against a second quiet run (whose log, the same file,
// stays the first run's) and an interactive one; an interactive run holds it
// against a quiet one, and a second interactive start brings it forward.
// The help is no run: it answers while a run holds the machine, and holds
// nothing while it is shown.
TEST_F(TorvaxQuiet, ASecondRunEndsWith1618AndTouchesNothing) {
  {
    CStayingDisguiseTool disguiseTool;
    CProgram first;
    ASSERT_TRUE(first.Start(Tool(std::string("/QUIET /UNVEZZ /LOG:") + kLog)));
    ASSERT_TRUE(disguiseTool.WaitUntilStarted());
    const std::string firstLog = ReadLog();
    EXPECT_EQ(Run(std::string("/QUIET /LOG:") + kLog), 1618u);
    EXPECT_EQ(Run(""), 1618u);  // a quiet run has no window to bring forward
    EXPECT_EQ(Run("/?", "esta ajuda"), 0u);
    EXPECT_EQ(ReadLog().substr(0, firstLog.size()), firstLog);
    EXPECT_TRUE(first.Running());
    disguiseTool.End();
    const DWORD code = first.WaitForExit(60000);
    EXPECT_TRUE(code == 0 || code == 3010) << code;
  }
  CProgram interactive;
  ASSERT_TRUE(interactive.Start(Tool("")));
  HWND main = gui::WaitForWindow(interactive.Id(), kMainClass, kCaption);
  ASSERT_NE(main, nullptr);
  const std::set<std::string> before = InstalledPrinterSet();
  EXPECT_EQ(Run("/QUIET"), 1618u);
  EXPECT_EQ(Run(""), 1618u);
  EXPECT_EQ(InstalledPrinterSet(), before);
  gui::PressButton(main, IDC_EXIT);
  EXPECT_EQ(interactive.WaitForExit(20000), 1602u);

  CProgram help;
  ASSERT_TRUE(help.Start(Tool("/?")));
  HWND box = gui::WaitForMessageBox(help.Id(), kCaption, "esta ajuda");
  ASSERT_NE(box, nullptr);
  // Not held by the help: it ends as a run that matches no printer does
  // (here it finishes what the runs above left of the package).
  const DWORD code = Run("/QUIET /PRN:\"NO SUCH DRIVER\"");
  EXPECT_TRUE(code == 0 || code == 3010 || code == 1605) << code;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(help.WaitForExit(20000), 0u);
}

// The disguise tool may wait for someone forever: a quiet run waits for it
// only so long, and then ends before anything is removed. (The tool's own
// limit is five minutes; this run is given two seconds.)
TEST_F(TorvaxQuiet, TheWaitForTheDisguiseToolHasALimit) {
  CStayingDisguiseTool disguiseTool;
  vq::CActionLog log;
  ASSERT_TRUE(log.Open(kLog));
  vq::SetProcessActionLog(&log);
  vq::SetQuietAnswers(true, false);
  const std::set<std::string> before = InstalledPrinterSet();
  vq::CommandLineOptions options;
  options.Parse("TORVAX02.exe /QUIET /UNVEZZ");
  const DWORD start = GetTickCount();
  EXPECT_EQ(vq::RunQuietly(options, vq::COsVersion::FromSystem(), 2000), 1603);
  const DWORD elapsed = GetTickCount() - start;
  vq::SetProcessActionLog(nullptr);
  EXPECT_TRUE(disguiseTool.WaitUntilStarted());
  EXPECT_GE(elapsed, 2000u);
  EXPECT_LT(elapsed, 30000u);
  EXPECT_EQ(InstalledPrinterSet(), before);
  EXPECT_NE(ReadLog().find("still running after 2 s; the run ends and nothing is removed"),
            std::string::npos)
      << ReadLog();
}
