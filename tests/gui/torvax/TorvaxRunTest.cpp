// An uninstall run of the real TORVAX02: chosen printers go with the drivers
// only they used, the default printer moves to the last kept printer, and the
// run waits while the disguise tool undoes its work.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "tests/gui/torvax/GuiDriver.h"
#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/MachineState.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/BackupFolder.h"
#include "uninstall/engine/Undo.h"
#include "uninstall/res/resource.h"

using gui::CProgram;

namespace {

const char kMainClass[] = "QLNUninstallWindowClass02";
const char kCaption[] = "Desinstala\xE7\xE3o";
const std::string kOffice = vq::fixture::kOfficePrinter;
const std::string kXl = vq::fixture::kXlPrinter;



std::string DefaultPrinter() {
  char name[260] = "";
  DWORD size = sizeof(name);
  return GetDefaultPrinterA(name, &size) ? name : "";
}

int RowOf(const std::vector<std::vector<std::string>>& rows, const std::string& name) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i][0] == name) return static_cast<int>(i);
  return -1;
}

// The date of the newest backup as the undo's question names it: the
// manifest's "2026-12-09 14:03:59" as "09/12/2026 14:03:59".
std::string NewestBackupDate() {
  const std::vector<std::string> backups = vq::BackupsUnder(vq::DefaultBackupRoot());
  if (backups.empty()) return "(no backup)";
  const std::string manifest = ReadFileText(backups.front() + vq::kManifestName);
  const std::size_t at = manifest.find("\"created\": \"");
  if (at == std::string::npos) return "(no date)";
  const std::string d = manifest.substr(at + 12, 19);
  return d.substr(8, 2) + "/" + d.substr(5, 2) + "/" + d.substr(0, 4) + d.substr(10);
}

// What the main dialog's menu entry "Desfazer..." shows: the undo's
// question; null when the menu has no such entry.
HWND AskUndo(CProgram& tool, HWND main) {
  gui::ChooseSystemMenuEntry(main, 'd');
  return gui::WaitForMessageBox(tool.Id(), kCaption, nullptr, 3000);
}

std::string Shot(const char* name) {
  const std::string dir = ProgramFolder() + "screenshots\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + name;
}

class TorvaxRun : public testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& p : vq::fixture::InstallPackage(vq::fixture::TheSamplePackage()))
      ADD_FAILURE() << p;
  }

  HWND StartToSelection(CProgram& tool, const std::string& arguments) {
    EXPECT_TRUE(tool.Start("\"" + SiblingPath("TORVAX02.exe") + "\" " + arguments));
    HWND main = gui::WaitForWindow(tool.Id(), kMainClass, kCaption);
    if (main) {
      HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
      gui::WaitUntil([&] { return !gui::ReadListView(list, 1).empty(); });
    }
    return main;
  }

  // Selects the named rows and presses Uninstall.
  void Uninstall(HWND main, const std::vector<std::string>& printers) {
    HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
    const auto rows = gui::ReadListView(list, 1);
    std::vector<int> chosen;
    for (const std::string& p : printers) {
      const int row = RowOf(rows, p);
      ASSERT_GE(row, 0) << p;
      chosen.push_back(row);
    }
    ASSERT_TRUE(gui::SelectRows(list, chosen));
    HWND button = GetDlgItem(main, IDC_UNINSTALL);
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(button) != FALSE; }));
    gui::PressButton(main, IDC_UNINSTALL);
  }
};

}  // namespace

TEST_F(TorvaxRun, ChosenPrintersGoWithTheDriversOnlyTheyUsed) {
  // The new default is the last printer in list order that stays.
  const std::vector<std::string> before = vq::fixture::InstalledPrinters();
  std::string candidate;
  for (const std::string& p : before)
    if (p != kOffice && p != kXl) candidate = p;
  ASSERT_EQ(DefaultPrinter(), kOffice);
  // No backup yet: the menu offers no undo.
  const std::string root = vq::DefaultBackupRoot();
  MoveFileA(root.substr(0, root.size() - 1).c_str(), (root.substr(0, root.size() - 1) + ".old").c_str());

  CProgram tool;
  HWND main = StartToSelection(tool, "");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(AskUndo(tool, main), nullptr);
  Uninstall(main, {kOffice, kXl});

  HWND moved = gui::WaitForMessageBox(tool.Id(), kCaption, "A nova impressora padr");
  ASSERT_NE(moved, nullptr);
  EXPECT_NE(gui::MessageBoxText(moved).find("'" + candidate + "'"), std::string::npos)
      << gui::MessageBoxText(moved);
  gui::Settle(moved);
  gui::SaveScreenshot(Shot("run-default-moved.bmp"));
  PostMessageA(moved, WM_COMMAND, IDOK, 0);

  HWND done = gui::WaitForMessageBox(tool.Id(), kCaption, "Desinstala\xE7\xE3o de Impressora conclu");
  ASSERT_NE(done, nullptr);
  gui::Settle(done);
  gui::SaveScreenshot(Shot("run-done.bmp"));
  PostMessageA(done, WM_COMMAND, IDOK, 0);

  // Printers remain, so the selection page comes back without the removed ones.
  HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
  ASSERT_TRUE(gui::WaitUntil([&] {
    return IsWindowVisible(GetParent(list)) && gui::ReadListView(list, 1).size() == 3;
  }));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_UNINSTALL)));

  const std::vector<std::string> after = vq::fixture::InstalledPrinters();
  const std::set<std::string> remaining(after.begin(), after.end());
  EXPECT_EQ(remaining.count(kOffice), 0u);
  EXPECT_EQ(remaining.count(kXl), 0u);
  EXPECT_EQ(remaining.size(), before.size() - 2);
  EXPECT_EQ(DefaultPrinter(), candidate);
  const std::set<std::string> drivers = vq::fixture::InstalledDrivers();
  EXPECT_EQ(drivers.count(vq::fixture::kSamplePclDriver), 0u);
  EXPECT_EQ(drivers.count(vq::fixture::kSampleXlDriver), 0u);
  EXPECT_EQ(drivers.count(vq::fixture::kSamplePsDriver), 1u);
  EXPECT_EQ(drivers.count(vq::fixture::kSampleGenericDriver), 1u);
  EXPECT_FALSE(vq::fixture::RegistryKeyExists("HKCR", "{QV7310-PRN-0001}"));

  // A second run in the same program run removes a further printer.
  Uninstall(main, {vq::fixture::kHallPrinter});
  done = gui::WaitForMessageBox(tool.Id(), kCaption, "Desinstala\xE7\xE3o de Impressora conclu");
  ASSERT_NE(done, nullptr);
  PostMessageA(done, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::ReadListView(list, 1).size() == 2; }));

  // The menu now undoes the last run: its question names the backup's date
  // and what it holds, and No changes nothing.
  HWND question = AskUndo(tool, main);
  ASSERT_NE(question, nullptr);
  const std::string asked = gui::MessageBoxText(question);
  EXPECT_NE(asked.find("Desfazer a desinstala\xE7\xE3o de " + NewestBackupDate() + "?"), std::string::npos)
      << asked;
  EXPECT_NE(asked.find("\n1 impressora\n"), std::string::npos) << asked;
  gui::Settle(question);
  gui::SaveScreenshot(Shot("undo-question.bmp"));
  const vq::fixture::MachineState unchanged = vq::fixture::TakeMachineState();
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  ASSERT_TRUE(gui::WaitUntilGone(question));
  gui::Settle(main);
  EXPECT_TRUE(vq::fixture::ChangesBetween(unchanged, vq::fixture::TakeMachineState()).empty());
  EXPECT_TRUE(tool.Running());

  // Yes: the undo shows its rows, then its completion over them, and the
  // program ends with the undo's code; the printer of the last run is back.
  question = AskUndo(tool, main);
  ASSERT_NE(question, nullptr);
  PostMessageA(question, WM_COMMAND, IDYES, 0);
  HWND progress = gui::WaitForWindow(tool.Id(), "#32770", "Desfazer a desinstala\xE7\xE3o", 10000);
  EXPECT_NE(progress, nullptr);
  gui::SaveScreenshot(Shot("undo-progress.bmp"));  // a row running, if caught
  HWND undone = gui::WaitForMessageBox(tool.Id(), kCaption, "A desinstala\xE7\xE3o foi desfeita");
  ASSERT_NE(undone, nullptr);
  // The completion moved below the window, whose rows are all done.
  RECT under;
  GetWindowRect(progress, &under);
  SetWindowPos(undone, nullptr, under.left, under.bottom + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  gui::Settle(undone);
  gui::SaveScreenshot(Shot("undo-done.bmp"));
  PostMessageA(undone, WM_COMMAND, IDOK, 0);
  const DWORD code = tool.WaitForExit(30000);
  EXPECT_TRUE(code == 0 || code == 3010) << code;
  const std::vector<std::string> back = vq::fixture::InstalledPrinters();
  EXPECT_EQ(std::count(back.begin(), back.end(), vq::fixture::kHallPrinter), 1);
  EXPECT_EQ(back.size(), before.size() - 2);
}

TEST_F(TorvaxRun, TheRunWaitsWhileTheDisguiseToolUndoesItsWork) {
  // The disguise tool's folder (OEMPaths) gets a stand-in that stays open.
  const std::string folder = vq::fixture::FolderOf(vq::fixture::Place::kTool);
  ASSERT_TRUE(CopyFileA(SiblingPath("VEZZAR32.exe").c_str(), (folder + "VEZZAR32.EXE").c_str(), FALSE));
  HANDLE exitEvent = CreateEventA(nullptr, TRUE, FALSE, "VQTestDisguiseToolExit");

  CProgram tool;
  HWND main = StartToSelection(tool, "/UNVEZZ");  // the disguise tool's items alone
  ASSERT_NE(main, nullptr);
  Uninstall(main, {kXl});
  // The run starts the tool with " /d" and holds at row 1 while it runs.
  ASSERT_TRUE(gui::WaitUntil([&] { return vq::fixture::FileExists(folder + "started-with.txt"); }));
  Sleep(2000);
  EXPECT_EQ(gui::WaitForMessageBox(tool.Id(), kCaption, nullptr, 500), nullptr);
  gui::Settle(main);
  gui::SaveScreenshot(Shot("run-waiting-for-disguise-tool.bmp"));
  char started[512] = "";
  if (FILE* f = std::fopen((folder + "started-with.txt").c_str(), "r")) {
    std::fgets(started, sizeof(started), f);
    std::fclose(f);
  }
  EXPECT_STREQ(started, " /d");

  SetEvent(exitEvent);
  HWND done = gui::WaitForMessageBox(tool.Id(), kCaption, "Desinstala\xE7\xE3o de Impressora");
  ASSERT_NE(done, nullptr);
  PostMessageA(done, WM_COMMAND, IDOK, 0);
  CloseHandle(exitEvent);
  tool.WaitForExit(5000);
}

// Nothing ends the program while a run is in progress: Esc, Enter, Exit and
// the close entry are passed over until the run has reached its end (an
// early end once left the spooler of Windows NT 4.0 stopped and the printers
// gone with the exit code "cancelled"). Windows 98 asks the restart question
// after every run; No ends the program with 3010.
TEST_F(TorvaxRun, NothingEndsTheProgramDuringARun) {
  gui::CPretendVersion win98("win98");
  CProgram tool;
  HWND main = StartToSelection(tool, "");
  ASSERT_NE(main, nullptr);
  Uninstall(main, {vq::fixture::kPsPrinter});
  HWND exitButton = GetDlgItem(main, IDC_EXIT);
  ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(exitButton) == FALSE; }));
  const struct WayOut {
    UINT message;
    WPARAM wParam;
  } kWaysOut[] = {{WM_KEYDOWN, VK_ESCAPE}, {WM_COMMAND, IDCANCEL}, {WM_KEYDOWN, VK_RETURN},
                  {WM_COMMAND, IDOK},      {WM_COMMAND, IDC_EXIT}, {WM_CLOSE, 0}};
  HWND question = nullptr;
  int tries = 0;
  while (!question && tool.Running() && tries++ < 200) {
    for (const WayOut& w : kWaysOut) PostMessageA(main, w.message, w.wParam, 0);
    question = gui::WaitForMessageBox(tool.Id(), kCaption, "Deseja reinicializar agora", 100);
  }
  ASSERT_NE(question, nullptr) << "the program ended during the run: " << tool.WaitForExit(0);
  EXPECT_FALSE(IsWindowEnabled(exitButton));
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  EXPECT_EQ(tool.WaitForExit(30000), 3010u);  // done; the restart was left to the user
  const std::vector<std::string> printers = vq::fixture::InstalledPrinters();
  EXPECT_EQ(std::count(printers.begin(), printers.end(), vq::fixture::kPsPrinter), 0);
}
