// Installation folders from the registry, shortcut files from the Programs
// and Startup folders, program-manager commands to a test PROGMAN DDE server
// (a plain Wine prefix has none), and the device installer's INF copies.
#include <windows.h>
#include <ddeml.h>
#include <setupapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestThread.h"
#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/ActionLog.h"
#include "uninstall/engine/ShellRemoval.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"

using namespace cleanup_test;
using vq::fixture::FileExists;
using vq::fixture::SetRegistryText;

namespace {

// Longer than the five seconds a transaction waits for its answer.
constexpr DWORD kSlowCommandMs = 6500;

// A program manager for the tests: registers the DDE service "PROGMAN" on its
// own thread, records every command, refuses ShowGroup of "Missing" and takes
// longer than the tool waits over a command on the group "Slow".
class CTestProgman {
 public:
  CTestProgman() : thread_([this] { Run(); }) { started_.Wait(); }
  ~CTestProgman() { PostThreadMessageA(thread_.Id(), WM_QUIT, 0, 0); }
  bool Registered() const { return registered_; }
  std::vector<std::string> Commands() {
    vq::test::CTestLock::Hold hold(lock_);
    return commands_;
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data, ULONG_PTR,
                                    ULONG_PTR) {
    CTestProgman* self = s_instance;
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(topic, self->name_) == 0);
    if (type != XTYP_EXECUTE) return nullptr;
    char command[256] = "";
    DdeGetData(data, reinterpret_cast<BYTE*>(command), sizeof(command) - 1, 0);
    vq::test::CTestLock::Hold hold(self->lock_);
    self->commands_.push_back(command);
    if (std::string(command).find("ShowGroup(Missing") != std::string::npos)
      return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    if (std::string(command).find("(Slow)") != std::string::npos) Sleep(kSlowCommandMs);
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
  }
  void Run() {
    s_instance = this;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
    if (DdeInitializeA(&instance_, Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
        DMLERR_NO_ERROR) {
      name_ = DdeCreateStringHandleA(instance_, "PROGMAN", CP_WINANSI);
      registered_ = DdeNameService(instance_, name_, nullptr, DNS_REGISTER) != nullptr;
    }
    started_.Set();
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    if (instance_) {
      DdeNameService(instance_, name_, nullptr, DNS_UNREGISTER);
      DdeFreeStringHandle(instance_, name_);
      DdeUninitialize(instance_);
    }
  }

  static CTestProgman* s_instance;
  vq::test::CTestLock lock_;
  vq::test::CTestEvent started_;
  bool registered_ = false;
  DWORD instance_ = 0;
  HSZ name_ = nullptr;
  std::vector<std::string> commands_;
  vq::test::CTestThread thread_;  // last: starts once the members above exist
};
CTestProgman* CTestProgman::s_instance = nullptr;

// Windows: the connection's WM_DDE_INITIATE broadcast waits for every
// top-level window, and a hung one holds it without limit (KB 4077003);
// Wine's gives up after 2 s. The first connection is held until the test
// lets it go, as when the window answers at last; it then connects.
class CHungWindow : public vq::CAccessLayer {
 public:
  ~CHungWindow() override {
    release_.Set();
    if (held_) returned_.Wait();  // the held thread is out of this object
  }
  HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context) override {
    const bool first = InterlockedExchange(&held_, 1) == 0;
    if (first) release_.Wait();
    HCONV conversation = vq::CAccessLayer::DdeConnect(instance, service, topic, context);
    if (first) returned_.Set();
    return conversation;
  }

 private:
  LONG held_ = 0;
  vq::test::CTestEvent release_, returned_;
};

std::string OutcomeOf(const std::vector<vq::ActionRecord>& records, const std::string& command) {
  for (const vq::ActionRecord& r : records)
    if (r.what == "program-manager command" && r.target == "\"" + command + "\"") return r.outcome;
  return std::string();
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path))) return "";
  return std::string(path) + "\\";
}

}  // namespace

TEST(OemFolders, EveryValueOfTheOemPathsKeyBecomesAnInstallationFolder) {
  const std::string key = "SOFTWARE\\VARDEN QUILLAN\\OEM02\\OEMPaths";
  ASSERT_TRUE(SetRegistryText("HKLM", key, "Install", "C:\\Program Files\\VARDEN QUILLAN"));
  ASSERT_TRUE(SetRegistryText("HKLM", key, "Anything", "C:\\VQ Elsewhere\\"));
  ASSERT_TRUE(SetRegistryText("HKLM", key, "Again", "c:\\program files\\varden quillan"));
  ASSERT_TRUE(SetRegistryText("HKLM", key, "Long", std::string(300, 'x')));
  TestRun run;
  run.List(vq::kOemFolders) = {"C:\\Earlier\\"};
  vq::CollectOemFolders(run.ctx);
  const vq::ItemList expected = {"C:\\Earlier\\", "C:\\Program Files\\VARDEN QUILLAN", "C:\\VQ Elsewhere\\"};
  const vq::ItemList& folders = run.List(vq::kOemFolders);
  ASSERT_EQ(folders.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(vq::EqualNoCase(folders[i], expected[i])) << folders[i];
}

TEST(Shortcuts, FilesGoFromTheGroupAndStartupFoldersAsNamedLnkAndPif) {
  const std::string programs = ShellFolder(CSIDL_PROGRAMS), common = ShellFolder(CSIDL_COMMON_PROGRAMS),
                    startup = ShellFolder(CSIDL_STARTUP), commonStartup = ShellFolder(CSIDL_COMMON_STARTUP);
  ASSERT_FALSE(programs.empty());
  const std::string group = "VARDEN QUILLAN\\";
  CreateFiles({programs + group + "Tela de status vintara 7310K.lnk",
               common + group + "Tela de status vintara 7310K.lnk", programs + group + "Vezzaro.pif",
               programs + group + "Vezzaro", programs + group + "Other.lnk",
               startup + "Quillan Status 7310K.lnk", commonStartup + "Quillan Status 7310K.PIF",
               programs + group + "Quillan Status 7310K.lnk", startup + "Tela de status vintara 7310K.lnk"});
  TestRun run(WinXP());
  run.List(vq::kShortcuts) = {"\"VARDEN QUILLAN\",\"Tela de status vintara 7310K\"",
                              "VARDEN QUILLAN,Vezzaro",
                              "VARDEN QUILLAN,Quillan Status 7310K,\"startup\"",
                              "..\\..,Other", ",Other"};
  vq::RemoveShortcuts(run.ctx);
  EXPECT_FALSE(FileExists(programs + group + "Tela de status vintara 7310K.lnk"));
  EXPECT_FALSE(FileExists(common + group + "Tela de status vintara 7310K.lnk"));
  EXPECT_FALSE(FileExists(programs + group + "Vezzaro.pif"));
  EXPECT_FALSE(FileExists(programs + group + "Vezzaro"));
  EXPECT_FALSE(FileExists(startup + "Quillan Status 7310K.lnk"));
  EXPECT_FALSE(FileExists(commonStartup + "Quillan Status 7310K.PIF"));
  EXPECT_FALSE(FileExists(programs + group + "Quillan Status 7310K.lnk"));
  EXPECT_TRUE(FileExists(programs + group + "Other.lnk"));
  // Without STARTUP the Startup folders are not looked at.
  EXPECT_TRUE(FileExists(startup + "Tela de status vintara 7310K.lnk"));
  EXPECT_TRUE(FolderExists(programs + group));
  EXPECT_EQ(run.db.restartNeeded, 0);
}

TEST(Shortcuts, ProgramManagerGetsGroupAndItemCommandsInDescendingOrder) {
  // Wine's desktop answers as program manager too once it runs; the test's
  // server, registered last, is the one that answers first.
  CTestProgman progman;
  ASSERT_TRUE(progman.Registered());
  TestRun win32s(Win32s());
  win32s.List(vq::kShortcuts) = {"VARDEN QUILLAN,Tela de status", "\"VARDEN QUILLAN\"",
                                 "Missing,Item", "Zeta,\"Item Z\",STARTUP",
                                 "Evil)][DeleteGroup(Accessories,x",  // would be two commands
                                 std::string(60, 'G') + ",x"};        // over 63 characters
  vq::RemoveShortcuts(win32s.ctx);
  EXPECT_EQ(progman.Commands(),
            (std::vector<std::string>{"[ShowGroup(Zeta,1)]", "[DeleteItem(Item Z)]",
                                      "[ShowGroup(VARDEN QUILLAN,1)]", "[DeleteItem(Tela de status)]",
                                      "[ShowGroup(Missing,1)]", "[DeleteGroup(VARDEN QUILLAN)]"}));
  EXPECT_EQ(vq::SendProgmanCommand("[ShowGroup(Missing,1)]"), 0);
  EXPECT_EQ(vq::SendProgmanCommand("[DeleteGroup(X)]"), 1);

  // Elsewhere a group alone still goes through the program manager.
  TestRun xp(WinXP());
  xp.List(vq::kShortcuts) = {"VARDEN QUILLAN"};
  vq::RemoveShortcuts(xp.ctx);
  EXPECT_EQ(progman.Commands().back(), "[DeleteGroup(VARDEN QUILLAN)]");

  // A conversation that does not end is given up at its limit, the log says
  // so, and the run goes on: a hung window holds the connection of the first
  // group (the next one still reaches the program manager, and the command
  // given up on is not sent when the window answers at last), and the program
  // manager does not answer the command on the group "Slow".
  const struct {
    bool hungWindow;
    std::vector<std::string> groups;  // handled in descending order
    const char* givenUp;
    const char* outcome;
    DWORD limitMs;
  } kStalls[] = {
      {true, {"Alpha", "Hung"}, "[DeleteGroup(Hung)]",
       "gave up after 5000 ms: no answer to the connection", 5000},
      {false, {"Slow"}, "[DeleteGroup(Slow)]",
       "gave up after 5000 ms: the program manager did not answer the command", 12000},
  };
  for (const auto& c : kStalls) {
    SCOPED_TRACE(c.givenUp);
    CHungWindow hung;
    vq::CAccessLayer system;
    vq::CAccessLayerOverride seam(c.hungWindow ? hung : system);
    std::vector<vq::ActionRecord> records;
    vq::SetProcessActionRecords(&records);
    TestRun run(WinXP());
    run.List(vq::kShortcuts) = c.groups;
    const DWORD start = GetTickCount();
    vq::RemoveShortcuts(run.ctx);
    const DWORD elapsed = GetTickCount() - start;
    vq::SetProcessActionRecords(nullptr);
    EXPECT_GE(elapsed, 5000u);
    EXPECT_LT(elapsed, c.limitMs + 1000);
    EXPECT_EQ(OutcomeOf(records, c.givenUp), c.outcome);
  }
  const std::vector<std::string> commands = progman.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[DeleteGroup(Alpha)]"), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[DeleteGroup(Hung)]"), 0);
}

namespace {
// The device installer of Windows XP and later, which deletes the copy
// (through Wine's, forced to); one that reports success and leaves the copy,
// as Wine's does; or none, as before Windows XP.
enum class Installer { kDeletes, kLeavesTheCopy, kMissing };
class CDeviceInstaller : public vq::CAccessLayer {
 public:
  explicit CDeviceInstaller(Installer kind) : kind_(kind) {}
  std::vector<std::string> calls;  // "<file name> <flags>"
  BOOL SetupUninstallOEMInfA(LPCSTR name, DWORD flags, PVOID reserved) override {
    if (kind_ == Installer::kMissing) {
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    calls.push_back(std::string(name) + " " + std::to_string(flags));
    if (kind_ == Installer::kDeletes) flags |= SUOI_FORCEDELETE;
    return vq::CAccessLayer::SetupUninstallOEMInfA(name, flags, reserved);
  }

 private:
  Installer kind_;
};
}  // namespace

// Driver names of their own: no driver of that name is installed in this prefix.
TEST(InfCopies, OnlyCopiesOfADriverTheRunDeletedGoThroughTheDeviceInstallerWhereItIs) {
  const std::string inf = WindowsFolder() + "inf\\";
  CreateDirectoryA(inf.c_str(), nullptr);
  auto write = [&](const std::string& name, const std::string& printer) {
    return WriteText(inf + name, "[Version]\r\nClass=Printer\r\n[Strings]\r\nPrinterName=\"" + printer + "\"\r\n");
  };
  for (const Installer installer : {Installer::kDeletes, Installer::kLeavesTheCopy, Installer::kMissing}) {
    ASSERT_TRUE(write("oem7.inf", "VQ INF Test vintara PS"));
    ASSERT_TRUE(write("oem8.inf", "VQ INF Test vintara PS Color"));  // another model
    ASSERT_TRUE(write("oem9.inf", "Generic Office Laser"));
    ASSERT_TRUE(write("oem10.inf", ""));
    ASSERT_TRUE(write("oem11.inf", "vq inf test VINTARA ps"));
    ASSERT_TRUE(write("other7.inf", "VQ INF Test vintara PS"));
    SetFileAttributesA((inf + "oem7.inf").c_str(), FILE_ATTRIBUTE_READONLY);
    CDeviceInstaller layer(installer);
    vq::CAccessLayerOverride seam(layer);

    TestRun none;  // no driver deleted in this program run: nothing to look for
    vq::RemoveOemInfFiles(none.ctx);
    EXPECT_TRUE(FileExists(inf + "oem7.inf"));

    TestRun run;
    run.ctx.removedDrivers = {"VQ INF Test vintara PS"};
    vq::RemoveOemInfFiles(run.ctx);
    const int kind = static_cast<int>(installer);
    EXPECT_FALSE(FileExists(inf + "oem7.inf")) << kind;
    EXPECT_FALSE(FileExists(inf + "oem11.inf")) << kind;
    for (const char* stays : {"oem8.inf", "oem9.inf", "oem10.inf", "other7.inf"})
      EXPECT_TRUE(FileExists(inf + stays)) << stays << " " << kind;
    std::sort(layer.calls.begin(), layer.calls.end());
    const std::vector<std::string> calls = {"oem11.inf 0", "oem7.inf 0"};
    EXPECT_EQ(layer.calls, installer == Installer::kMissing ? std::vector<std::string>() : calls);
  }
}

TEST(InfCopies, Windows9xCopiesUnderOtherLoseTheirOemNameValue) {
  const std::string other = WindowsFolder() + "inf\\other\\";
  vq::fixture::CreateFolderPath(other);
  const std::string match = other + "VARDEN QUILLANQ9x____7310.inf", keep = other + "VARDEN QUILLANQ9x____XL.inf";
  ASSERT_TRUE(WriteText(match, "[Strings]\r\nPrinterName=VQ INF Test vintara 9x\r\n"));
  ASSERT_TRUE(WriteText(keep, "[Strings]\r\nPrinterName=Someone else\r\n"));
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\SetupX\\INF\\OEM Name";
  ASSERT_TRUE(SetRegistryText("HKLM", key, match, "x"));
  ASSERT_TRUE(SetRegistryText("HKLM", key, keep, "x"));
  TestRun run(Win98());
  run.ctx.removedDrivers = {"VQ INF Test vintara 9x"};
  vq::RemoveWin9xInfFiles(run.ctx);
  EXPECT_FALSE(FileExists(match));
  EXPECT_TRUE(FileExists(keep));
  EXPECT_FALSE(vq::fixture::RegistryValueExists("HKLM", key, match));
  EXPECT_TRUE(vq::fixture::RegistryValueExists("HKLM", key, keep));
}
