// Hooks, INI entries and log-on entries: the hook DLLs built for these tests
// are called from the driver folder or the tool's folder with the arguments
// and current folder of the contract; INI lines go from files in the Windows
// folder; Run values go, and on Win32s the word in win.ini's Load line.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/StartupEntries.h"
#include "uninstall/profile/TextRoutines.h"

using namespace cleanup_test;
using vq::fixture::kRunKey;
using vq::fixture::RegistryValueExists;
using vq::fixture::SetRegistryText;

namespace {

struct HookCall {
  std::string tag, module, window, instance, toolFolder, reserved, currentFolder;
};

std::vector<HookCall> ReadHookLog(const std::string& path) {
  std::vector<HookCall> calls;
  std::istringstream lines(ReadText(path));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '|')) f.push_back(field);
    if (f.size() == 7) calls.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
  }
  return calls;
}

std::string Pointer(const void* p) {
  char text[32];
  std::snprintf(text, sizeof(text), "%p", p);
  return text;
}

std::string WithoutBackslash(std::string folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string LoadLine() {
  char line[256] = "";
  WriteProfileStringA(nullptr, nullptr, nullptr);
  GetProfileStringA("windows", "Load", "", line, sizeof(line));
  return line;
}

}  // namespace

TEST(Hooks, CalledFromTheDriverFolderOrTheToolFolderWithTheContractArguments) {
  const std::string driver = DriverFolder(), tool = ToolFolder();
  ASSERT_TRUE(CopyFileA((tool + "QVHKDRV_SOURCE.DLL").c_str(), (driver + "QVHKDRV.DLL").c_str(), FALSE));
  // The same name in both folders: the driver folder's copy is the one loaded.
  ASSERT_TRUE(CopyFileA((tool + "QVHKDRV_SOURCE.DLL").c_str(), (driver + "QVHKBOTH.DLL").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((tool + "QVHKTOOL.DLL").c_str(), (tool + "QVHKBOTH.DLL").c_str(), FALSE));
  const std::string log = tool + "hooklog.txt";
  DeleteFileA(log.c_str());
  SetEnvironmentVariableA("VQ_HOOK_LOG", log.c_str());
  HWND page = CreateWindowA("STATIC", "page", 0, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(page, nullptr);

  TestRun run;
  run.ctx.pageWindow = page;
  run.List(vq::kHooks) = {"QVHKDRV.DLL,UninstallHook",
                          "C:\\Somewhere\\Else\\QVHKTOOL.DLL,UninstallHook",  // folder part unused
                          "QVHKNONE.DLL,UninstallHook",                      // no such export
                          "QVHKMISSING.DLL,UninstallHook",                   // in neither folder
                          "QVHKBOTH.DLL,UninstallHook",
                          ",UninstallHook",
                          "QVHKTOOL.DLL"};
  SetCurrentDirectoryA(WindowsFolder().c_str());
  vq::RunHooks(run.ctx);

  const std::vector<HookCall> calls = ReadHookLog(log);
  ASSERT_EQ(calls.size(), 3u) << ReadText(log);
  const std::string expectedModule[] = {driver + "QVHKDRV.DLL", tool + "QVHKTOOL.DLL",
                                        driver + "QVHKBOTH.DLL"};
  const std::string expectedFolder[] = {driver, tool, driver};
  const std::string expectedTag[] = {"QVHKDRV", "QVHKTOOL", "QVHKDRV"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].tag, expectedTag[i]);
    EXPECT_TRUE(vq::EqualNoCase(calls[i].module, expectedModule[i])) << calls[i].module;
    EXPECT_EQ(calls[i].window, Pointer(page));
    EXPECT_EQ(calls[i].instance, Pointer(GetModuleHandleA(nullptr)));
    EXPECT_EQ(calls[i].toolFolder, tool);
    EXPECT_EQ(calls[i].reserved, Pointer(nullptr));
    EXPECT_TRUE(vq::EqualNoCase(WithoutBackslash(calls[i].currentFolder), WithoutBackslash(expectedFolder[i])))
        << calls[i].currentFolder;
  }
  char current[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(current), current);
  EXPECT_TRUE(vq::EqualNoCase(WithoutBackslash(current), WithoutBackslash(tool))) << current;
  // Every loaded hook was unloaded.
  EXPECT_EQ(GetModuleHandleA((driver + "QVHKDRV.DLL").c_str()), nullptr);
  EXPECT_EQ(GetModuleHandleA((tool + "QVHKTOOL.DLL").c_str()), nullptr);
  DestroyWindow(page);
  DeleteFileA((tool + "QVHKBOTH.DLL").c_str());
}

TEST(IniEntries, LinesGoFromFilesInTheWindowsFolderOnly) {
  const std::string win = WindowsFolder() + "qvtest.ini", stat = WindowsFolder() + "qvstat.ini";
  ASSERT_TRUE(WriteText(win, "[Quillan]\r\nDefaultModel=vintara 7310K\r\nModelPS=QV7310PS.DLL\r\n"
                             "[Other]\r\nDefaultModel=keep\r\n"));
  ASSERT_TRUE(WriteText(stat, "[Printers]\r\nvintara 7310K=FILE:\r\nLaser do corredor=FILE:\r\n"));
  const std::string elsewhere = ToolFolder() + "qvstat.ini";
  ASSERT_TRUE(WriteText(elsewhere, "[Printers]\r\nvintara 7310K=FILE:\r\n"));

  TestRun run;
  run.List(vq::kDeleteIni) = {"qvtest.ini,Quillan,DefaultModel,ignored",
                              ToolFolder() + "qvstat.ini,Printers,vintara 7310K",  // the Windows folder's file
                              "qvtest.ini,Quillan",                               // no entry: skipped
                              "qvtest.ini,Quillan,NoSuchEntry",
                              ",Quillan,ModelPS"};
  vq::RemoveIniEntries(run.ctx);

  EXPECT_EQ(ReadText(win), "[Quillan]\r\nModelPS=QV7310PS.DLL\r\n[Other]\r\nDefaultModel=keep\r\n");
  EXPECT_EQ(ReadText(stat), "[Printers]\r\nLaser do corredor=FILE:\r\n");
  EXPECT_EQ(ReadText(elsewhere), "[Printers]\r\nvintara 7310K=FILE:\r\n");
}

TEST(LoadRunEntries, RunValuesGoAndTheLoadLineStaysOutsideWin32s) {
  ASSERT_TRUE(SetRegistryText("HKLM", kRunKey, "Quillan Status 7310K", "QVSTAT02.EXE"));
  ASSERT_TRUE(SetRegistryText("HKLM", kRunKey, "Vezzaro", "VEZZAR32.EXE"));
  ASSERT_TRUE(SetRegistryText("HKLM", kRunKey, "Someone Else", "OTHER.EXE"));
  WriteProfileStringA("windows", "Load", "QVSTAT02.EXE other.exe");

  TestRun run(WinXP());
  run.List(vq::kDeleteLoadRun) = {"\"Quillan Status 7310K\",\"QVSTAT02.EXE\"", "Vezzaro,VEZZAR32.EXE",
                                  "Someone Else,", ",OTHER.EXE"};
  vq::RemoveLoadRunEntries(run.ctx);

  EXPECT_FALSE(RegistryValueExists("HKLM", kRunKey, "Quillan Status 7310K"));
  EXPECT_FALSE(RegistryValueExists("HKLM", kRunKey, "Vezzaro"));
  EXPECT_TRUE(RegistryValueExists("HKLM", kRunKey, "Someone Else"));
  EXPECT_EQ(LoadLine(), "QVSTAT02.EXE other.exe");
  EXPECT_EQ(vq::RemoveLoadRunEntry(run.ctx, "Vezzaro", "VEZZAR32.EXE"), 0);  // already gone
}

TEST(LoadRunEntries, Win32sRemovesTheWholeWordFromTheLoadLine) {
  ASSERT_TRUE(SetRegistryText("HKLM", kRunKey, "Quillan Status 7310K", "QVSTAT02.EXE"));
  TestRun run(Win32s());

  WriteProfileStringA("windows", "Load", "First QVSTAT02.EXE Last");
  run.List(vq::kDeleteLoadRun) = {"Quillan Status 7310K,QVSTAT02.EXE"};
  vq::RemoveLoadRunEntries(run.ctx);
  EXPECT_EQ(LoadLine(), "first last");
  EXPECT_TRUE(RegistryValueExists("HKLM", kRunKey, "Quillan Status 7310K"));

  // Only inside a longer word: nothing goes; a later whole word still does.
  WriteProfileStringA("windows", "Load", "QVSTAT02.EXE.BAK QVSTAT02.EXEC");
  EXPECT_EQ(vq::RemoveLoadRunEntry(run.ctx, "x", "QVSTAT02.EXE"), 0);
  EXPECT_EQ(LoadLine(), "QVSTAT02.EXE.BAK QVSTAT02.EXEC");
  WriteProfileStringA("windows", "Load", "qvstat02.exe.bak QVSTAT02.exe");
  EXPECT_EQ(vq::RemoveLoadRunEntry(run.ctx, "x", "QVSTAT02.EXE"), 1);
  EXPECT_EQ(LoadLine(), "qvstat02.exe.bak ");
  WriteProfileStringA("windows", "Load", nullptr);
}

TEST(LoadRunEntries, AddPutsTheCommandInTheLoadLineOnceOnWin32sAndInRunElsewhere) {
  TestRun win32s(Win32s());
  WriteProfileStringA("windows", "Load", "other.exe");
  vq::AddLoadRunEntry(win32s.ctx, nullptr, "ZWININIT");
  vq::AddLoadRunEntry(win32s.ctx, nullptr, "ZWININIT");
  EXPECT_EQ(LoadLine(), "other.exe ZWININIT");
  WriteProfileStringA("windows", "Load", nullptr);

  TestRun xp(WinXP());
  vq::AddLoadRunEntry(xp.ctx, "Quillan Restart", "ZWININIT");
  EXPECT_TRUE(RegistryValueExists("HKLM", kRunKey, "Quillan Restart"));
  EXPECT_EQ(vq::RemoveLoadRunEntry(xp.ctx, "Quillan Restart", "ZWININIT"), 1);
}
