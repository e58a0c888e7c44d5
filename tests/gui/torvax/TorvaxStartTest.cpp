// TORVAX02 as a person starts it: the loading dialog, the selection page with
// the sample package's printers, a second start, Exit, and the first page
// under the command-line switches. The real program runs in its own process
// in a prefix where the sample package is installed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/gui/torvax/GuiDriver.h"
#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/res/resource.h"

using gui::CProgram;

namespace {

const char kMainClass[] = "QLNUninstallWindowClass02";
const char kCaption[] = "Desinstala\xE7\xE3o";
const char kLoadingTitle[] = "Iniciando desinstala\xE7\xE3o...";
using Rows = std::vector<std::vector<std::string>>;

const std::vector<std::string> kOffice = {vq::fixture::kOfficePrinter, vq::fixture::kSamplePclDriver,
                                          "Local", "Sim", "Sim", "(n/a)"};
const std::vector<std::string> kPs = {"vintara 7310K PS", "VARDEN QUILLAN vintara 7310K PS", "Local",
                                      "N\xE3o", "Sim", "(n/a)"};
const std::vector<std::string> kPsFinance = {"vintara 7310K PS (financeiro)",
                                             "VARDEN QUILLAN vintara 7310K PS", "Local", "N\xE3o",
                                             "Sim", "(n/a)"};
const std::vector<std::string> kXl = {"vintara XL disfar\xE7\x61\x64\x61",
                                      "VARDEN QUILLAN vintara 7310K XL", "Local", "N\xE3o", "Sim",
                                      "vintara 7310K PS"};
const std::vector<std::string> kHall = {"Laser do corredor", "Generic Office Laser", "Local",
                                        "N\xE3o", "N\xE3o", "(n/a)"};

Rows Sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::string Shot(const char* name) {
  const std::string dir = ProgramFolder() + "screenshots\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + name;
}

class TorvaxStart : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const std::string& p : vq::fixture::InstallPackage(vq::fixture::TheSamplePackage()))
      ADD_FAILURE() << p;
  }

  static std::string Tool(const std::string& arguments = "") {
    return "\"" + SiblingPath("TORVAX02.exe") + "\"" + (arguments.empty() ? "" : " " + arguments);
  }

  // Waits for the main dialog and leaves it with Exit, without a run.
  static void ExitWithoutUninstalling(CProgram& tool) {
    HWND main = gui::WaitForWindow(tool.Id(), kMainClass, kCaption);
    ASSERT_NE(main, nullptr);
    gui::PressButton(main, IDC_EXIT);
    EXPECT_EQ(tool.WaitForExit(20000), 1602u);  // left without a run: cancelled
  }

  // Starts the tool and waits for its main dialog with a filled list.
  HWND StartToSelection(CProgram& program, const std::string& arguments, size_t rows) {
    EXPECT_TRUE(program.Start(Tool(arguments)));
    HWND main = gui::WaitForWindow(program.Id(), kMainClass, kCaption);
    if (!main) return nullptr;
    HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::ReadListView(list, 6).size() == rows; }));
    return main;
  }
};

}  // namespace

TEST_F(TorvaxStart, LoadingThenSelectionPageWithTheOfferedPrinters) {
  CProgram tool;
  ASSERT_TRUE(tool.Start(Tool()));
  HWND loading = gui::WaitForWindow(tool.Id(), "#32770", kLoadingTitle);
  ASSERT_NE(loading, nullptr);
  EXPECT_NE(gui::WindowText(gui::FindDescendant(loading, IDC_LOADTEXT)).find("banco de dados"),
            std::string::npos);
  gui::Settle(loading);
  gui::SaveScreenshot(Shot("loading.bmp"));

  HWND main = gui::WaitForWindow(tool.Id(), kMainClass, kCaption);
  ASSERT_NE(main, nullptr);
  HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::ReadListView(list, 6).size() == 5; }));
  // The disguised-only printer "Recepção" is not offered.
  EXPECT_EQ(Sorted(gui::ReadListView(list, 6)), Sorted({kOffice, kPs, kPsFinance, kXl, kHall}));
  HWND uninstall = GetDlgItem(main, IDC_UNINSTALL);
  EXPECT_FALSE(IsWindowEnabled(uninstall));  // nothing selected yet
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_EXIT)));
  EXPECT_EQ(gui::WindowText(uninstall), "&Desinstalar");
  gui::Settle(main);
  gui::SaveScreenshot(Shot("selection.bmp"));

  ASSERT_TRUE(gui::SelectRows(list, {0, 2}));
  EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(uninstall) != FALSE; }));
  EXPECT_EQ(gui::SelectedRows(list), (std::vector<int>{0, 2}));
  gui::Settle(main);
  gui::SaveScreenshot(Shot("selection-chosen.bmp"));

  // A second start brings this one forward and leaves at once, saying that
  // another instance runs.
  CProgram second;
  ASSERT_TRUE(second.Start(Tool()));
  EXPECT_EQ(second.WaitForExit(20000), 1618u);
  EXPECT_TRUE(tool.Running());

  // Exit ends the program without a question.
  gui::PressButton(main, IDC_EXIT);
  EXPECT_EQ(tool.WaitForExit(20000), 1602u);  // left without a run: cancelled
}

TEST_F(TorvaxStart, PrnOffersOnlyThatDriversPrinters) {
  CProgram tool;
  HWND main = StartToSelection(tool, "/PRN:\"VARDEN QUILLAN vintara 7310K PS\"", 2);
  ASSERT_NE(main, nullptr);
  HWND list = gui::FindDescendant(main, IDC_PRINTERLIST);
  EXPECT_EQ(Sorted(gui::ReadListView(list, 6)), Sorted({kPs, kPsFinance}));
  EXPECT_TRUE(IsWindowVisible(GetParent(list)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_UNINSTALL)));
  gui::PressButton(main, IDC_EXIT);
  EXPECT_EQ(tool.WaitForExit(20000), 1602u);  // left without a run: cancelled
}

TEST_F(TorvaxStart, NopickLeavesTheChoiceToTheSwitches) {
  CProgram tool;
  HWND main = StartToSelection(tool, "/PRN:\"VARDEN QUILLAN vintara 7310K PS\" -nopick", 2);
  ASSERT_NE(main, nullptr);
  // The progress page stays in front and Uninstall removes what PRN offers.
  EXPECT_FALSE(IsWindowVisible(GetParent(gui::FindDescendant(main, IDC_PRINTERLIST))));
  EXPECT_TRUE(IsWindowVisible(GetParent(gui::FindDescendant(main, IDC_ROW0_TEXT))));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_UNINSTALL)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_EXIT)));
  gui::Settle(main);
  gui::SaveScreenshot(Shot("nopick.bmp"));
  gui::PressButton(main, IDC_EXIT);
  EXPECT_EQ(tool.WaitForExit(20000), 1602u);  // left without a run: cancelled
}

// The message about a log that cannot be created names the path by its
// beginning and its end and fits the screen: a path of 700 characters once
// overran the message's buffer.
TEST_F(TorvaxStart, ALogPathTooLongToCreateIsShownWithinTheScreen) {
  const std::string path = "C:\\" + std::string(700, 'L') + "\\uninstall.log";
  CProgram tool;
  ASSERT_TRUE(tool.Start(Tool("/LOG:\"" + path + "\"")));
  HWND box = gui::WaitForMessageBox(tool.Id(), kCaption, "arquivo de registro");
  ASSERT_NE(box, nullptr);
  const std::string text = gui::MessageBoxText(box);
  EXPECT_NE(text.find("'C:\\LLLL"), std::string::npos) << text;
  EXPECT_NE(text.find("LLLL\\uninstall.log' (erro "), std::string::npos) << text;
  RECT r;
  GetWindowRect(box, &r);
  EXPECT_LE(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
  gui::Settle(box);
  gui::SaveScreenshot(Shot("log-path-too-long.bmp"));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ExitWithoutUninstalling(tool);  // the tool goes on without a log
}

TEST_F(TorvaxStart, EscOnTheLoadingDialogAsksBeforeStopping) {
  CProgram tool;
  ASSERT_TRUE(tool.Start(Tool()));
  HWND loading = gui::WaitForWindow(tool.Id(), "#32770", kLoadingTitle);
  ASSERT_NE(loading, nullptr);
  PostMessageA(loading, WM_COMMAND, IDCANCEL, 0);
  HWND question = gui::WaitForMessageBox(tool.Id(), kCaption, "Deseja parar a desinstala");
  ASSERT_NE(question, nullptr);
  gui::Settle(question);
  gui::SaveScreenshot(Shot("loading-stop-question.bmp"));
  // No: the loading goes on to the main dialog.
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  ExitWithoutUninstalling(tool);

  // Yes: the program ends without showing its main dialog.
  CProgram again;
  ASSERT_TRUE(again.Start(Tool()));
  loading = gui::WaitForWindow(again.Id(), "#32770", kLoadingTitle);
  ASSERT_NE(loading, nullptr);
  PostMessageA(loading, WM_COMMAND, IDCANCEL, 0);
  question = gui::WaitForMessageBox(again.Id(), kCaption, "Deseja parar a desinstala");
  ASSERT_NE(question, nullptr);
  PostMessageA(question, WM_COMMAND, IDYES, 0);
  EXPECT_EQ(again.WaitForExit(20000), 1602u);
  EXPECT_EQ(gui::WaitForWindow(again.Id(), kMainClass, nullptr, 500), nullptr);
}


TEST_F(TorvaxStart, PlatformBranchesOfTheRealProgram) {
  {
    // Windows 98: no administrator check, no spooler restart, level-5 inventory.
    gui::CPretendVersion win98("win98");
    CProgram tool;
    HWND main = StartToSelection(tool, "", 5);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Sorted(gui::ReadListView(gui::FindDescendant(main, IDC_PRINTERLIST), 6)),
              Sorted({kOffice, kPs, kPsFinance, kXl, kHall}));
    gui::PressButton(main, IDC_EXIT);
    EXPECT_EQ(tool.WaitForExit(20000), 1602u);  // left without a run: cancelled
  }
  {
    // Win32s: every printer counts as a maker printer, so none is a disguise
    // and "Recepção" is offered too.
    gui::CPretendVersion win31("win31");
    CProgram tool;
    HWND main = StartToSelection(tool, "", 6);
    ASSERT_NE(main, nullptr);
    const Rows rows = gui::ReadListView(gui::FindDescendant(main, IDC_PRINTERLIST), 6);
    for (const auto& row : rows) EXPECT_EQ(row[4], "Sim") << row[0];
    gui::PressButton(main, IDC_EXIT);
    EXPECT_EQ(tool.WaitForExit(20000), 1602u);  // left without a run: cancelled
  }
}
