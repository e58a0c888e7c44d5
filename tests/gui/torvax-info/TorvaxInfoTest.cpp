// The about box and the extra-information dialog of the real TORVAX02, opened
// through its system menu and its context menu, read back from this process
// and compared with what the same core computes here for the same scripts
// and the same selection. The sample package is installed in the prefix,
// with one more maker printer whose driver no script names.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>

#include "tests/gui/torvax-info/RemoteList.h"
#include "tests/gui/torvax/GuiDriver.h"
#include "tests/wine/core/WineTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/profile/PrinterInventory.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

using gui::CProgram;
using vq::fixture::FolderOf;
using vq::fixture::Place;
using Rows = std::vector<std::vector<std::string>>;

namespace {

const char kMainClass[] = "QLNUninstallWindowClass02";
const char kCaption[] = "Desinstala\xE7\xE3o";
const char kAboutTitle[] = "CaixaSobre";
const char kSwitchKey[] = "SOFTWARE\\VARDEN QUILLAN\\TORVAX02";
const char kTitleMultiple[] = "Extra Info - Multiple Printers";

const char kOffice[] = "vintara 7310K (escrit\xF3rio)";
const char kPs[] = "vintara 7310K PS";
const char kPsFinance[] = "vintara 7310K PS (financeiro)";
const char kXl[] = "vintara XL disfar\xE7\x61\x64\x61";
const char kHall[] = "Laser do corredor";
const char kUnscripted[] = "vintara 5100";  // a maker printer whose driver no script names

// The category buttons and how each item splits into the list's columns.
struct CategoryColumns {
  int button;
  vq::Category list;  // kDirectorys stands for the folder variables
  int columns;
  bool lastEndsAtComma;
};
const CategoryColumns kCategories[] = {
    {IDC_CAT_DELETEINI, vq::kDeleteIni, 3, true},
    {IDC_CAT_DELETELOADRUN, vq::kDeleteLoadRun, 2, true},
    {IDC_CAT_DRIVERS, vq::kDrivers, 1, false},
    {IDC_CAT_FILES, vq::kFiles, 1, false},
    {IDC_CAT_HOOKS, vq::kHooks, 2, false},
    {IDC_CAT_MONITORS, vq::kMonitors, 1, false},
    {IDC_CAT_REGISTRY, vq::kRegistryKeys, 4, false},
    {IDC_CAT_PRINTPROCESSORS, vq::kPrintProcessors, 1, false},
    {IDC_CAT_SERVICES, vq::kServices, 1, false},
    {IDC_CAT_SHORTCUTS, vq::kShortcuts, 3, false},
    {IDC_CAT_UNSELFREGISTER, vq::kUnSelfRegister, 2, false},
    {IDC_CAT_DIRECTORIES, vq::kDirectorys, 2, false},
};

std::string Shot(const char* name) {
  const std::string dir = ProgramFolder() + "screenshots\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + name;
}

std::string Tool() { return "\"" + SiblingPath("TORVAX02.exe") + "\""; }

// The per-user value that offers the extra information; null removes the key.
void SetOfferSwitch(const char* value) {
  if (!value) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSwitchKey);
    return;
  }
  RegSetValueA(HKEY_CURRENT_USER, kSwitchKey, REG_SZ, value, static_cast<DWORD>(strlen(value)));
}

// A list item split the way the dialog shows it, padded to the column count.
std::vector<std::string> Split(const std::string& item, const CategoryColumns& c) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (int column = 0; column < c.columns && start != std::string::npos; ++column) {
    const bool last = column + 1 == c.columns;
    const std::size_t comma = item.find(',', start);
    if (last && !c.lastEndsAtComma) {
      cells.push_back(item.substr(start));
      break;
    }
    cells.push_back(item.substr(start, comma == std::string::npos ? comma : comma - start));
    start = comma == std::string::npos ? comma : comma + 1;
  }
  cells.resize(c.columns);
  return cells;
}

std::string WithBackslash(const char* folder) {
  std::string s(folder);
  if (!s.empty() && s.back() != '\\') s += '\\';
  return s;
}

Rows FolderVariableRows() {
  char printProcessors[MAX_PATH] = "", drivers40[MAX_PATH] = "";
  DWORD needed = 0;
  GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(printProcessors),
                              sizeof(printProcessors), &needed);
  GetPrinterDriverDirectoryA(nullptr, const_cast<char*>("Windows 4.0"), 1,
                             reinterpret_cast<BYTE*>(drivers40), sizeof(drivers40), &needed);
  return {{"WINDIR", FolderOf(Place::kWindows)},
          {"SYSDIR", FolderOf(Place::kSystem)},
          {"COLORDIR", FolderOf(Place::kColor)},
          {"PRINTPROCDIR", WithBackslash(printProcessors)},
          {"PRINTPROCDIR_W40", WithBackslash(printProcessors)},
          {"PRINTDRIVERDIR", FolderOf(Place::kDriver)},
          {"PRINTDRIVERDIR_W40", WithBackslash(drivers40)}};
}

Rows ExpectedRows(const vq::CUninstallProfile& profile, const CategoryColumns& c) {
  if (c.list == vq::kDirectorys) return FolderVariableRows();
  Rows rows;
  for (const std::string& item : profile.List(c.list)) rows.push_back(Split(item, c));
  if (rows.empty()) rows.push_back(Split("(empty)", c));
  return rows;
}

// The database as the tool builds it from the installed scripts and printers,
// with the selection's keep flags and the removal set computed: what unmcheck
// computes for the same scripts and printers.
vq::CUninstallDatabase Computed(const std::vector<std::string>& selected) {
  vq::CUninstallDatabase db;
  db.osVersion = vq::COsVersion::FromSystem();
  db.ReadScript(FolderOf(Place::kSystem) + "Qunz__02.unm");
  db.ReadScript(FolderOf(Place::kDriver) + "Qunz__02.unm");
  db.PrepareEverythingProfile(false);
  vq::BuildListOfInstalledPrinters(db.printers, db.osVersion, vq::CommandLineOptions());
  for (vq::CPrinterRecord& r : db.printers) {
    if (r.isDisguise || !r.listed) continue;
    r.keep = std::find(selected.begin(), selected.end(), r.printerName) == selected.end();
  }
  db.ComputeRemovalSet();
  return db;
}

vq::CUninstallProfile RemovalSet(const std::vector<std::string>& selected) {
  return Computed(selected).removal;
}

vq::CUninstallProfile ProfileOf(const std::string& name, bool manufacturer = false) {
  vq::CUninstallDatabase db = Computed({});
  vq::CUninstallProfile p;
  EXPECT_TRUE(manufacturer ? db.FindManufacturerProfile(name, p) : db.FindProfileByName(name, p))
      << name;
  return p;
}

int ColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

// Clicks every category button in turn and compares the list with `profile`.
void ExpectCategories(HWND dialog, const vq::CUninstallProfile& profile, const std::string& context) {
  HWND list = GetDlgItem(dialog, IDC_EXTRALIST);
  for (const CategoryColumns& c : kCategories) {
    // BM_CLICK is handled before SendMessage returns, the refill with it.
    SendMessageA(GetDlgItem(dialog, c.button), BM_CLICK, 0, 0);
    const std::string name = context + ", category " + gui::WindowText(GetDlgItem(dialog, c.button));
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, c.button), BM_GETCHECK, 0, 0), BST_CHECKED) << name;
    EXPECT_EQ(ColumnCount(list), c.columns) << name;
    EXPECT_EQ(gui::ReadListView(list, c.columns), ExpectedRows(profile, c)) << name;
  }
}

class TorvaxInfo : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const std::string& p : vq::fixture::InstallPackage(vq::fixture::TheSamplePackage()))
      ADD_FAILURE() << p;
    vq::fixture::SamplePackage unscripted;
    unscripted.port = "FILE:";
    unscripted.drivers = {{"VARDEN QUILLAN vintara 5100", "QV5100.DLL", "QV5100.INI", "QV5100UI.DLL",
                           "", {}}};
    unscripted.printers = {{kUnscripted, "VARDEN QUILLAN vintara 5100", true, "", "", false}};
    for (const std::string& p : vq::fixture::InstallDriversAndPrinters(unscripted)) ADD_FAILURE() << p;
  }
  void TearDown() override { SetOfferSwitch(nullptr); }

  // Starts the tool and waits for its selection page with the six offered printers.
  void Start() {
    ASSERT_TRUE(tool_.Start(Tool()));
    main_ = gui::WaitForWindow(tool_.Id(), kMainClass, kCaption);
    ASSERT_NE(main_, nullptr);
    list_ = gui::FindDescendant(main_, IDC_PRINTERLIST);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::ReadListView(list_, 1).size() == 6; }));
  }

  void Exit() {
    gui::PressButton(main_, IDC_EXIT);
    EXPECT_EQ(tool_.WaitForExit(20000), 1602u);  // left without a run: cancelled
  }

  HWND OpenAbout() {
    PostMessageA(main_, WM_SYSCOMMAND, IDS_ABOUTMENU, 0);
    return gui::WaitForWindow(tool_.Id(), "#32770", kAboutTitle);
  }

  void Select(const std::vector<std::string>& names) {
    const Rows rows = gui::ReadListView(list_, 1);
    std::vector<int> indexes;
    for (const std::string& name : names) {
      auto it = std::find(rows.begin(), rows.end(), std::vector<std::string>{name});
      ASSERT_NE(it, rows.end()) << name;
      indexes.push_back(static_cast<int>(it - rows.begin()));
    }
    ASSERT_TRUE(gui::ReplaceSelection(list_, indexes));
  }

  // Right-clicks the first selected row, which opens the context menu, and
  // chooses its last entry with the keyboard (Up from no selection goes to
  // the last entry, Enter chooses it): "Outros detalhes..." when the menu
  // offers it, "Selecionar todos" when it does not.
  void ChooseLastMenuEntry() {
    const std::vector<int> selected = gui::SelectedRows(list_);
    ASSERT_FALSE(selected.empty());
    const RECT r = gui::ItemLabelRect(list_, selected[0]);
    ASSERT_LT(r.left, r.right);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(list_, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(list_, WM_RBUTTONUP, 0, at);
    // The menu's loop reads these from the tool's queue once it is open.
    PostMessageA(list_, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(list_, WM_KEYDOWN, VK_RETURN, 0);
  }

  HWND OpenExtraInfo(const std::vector<std::string>& names) {
    Select(names);
    ChooseLastMenuEntry();
    return gui::WaitForWindow(tool_.Id(), "#32770", kTitleMultiple);
  }

  void Close(HWND dialog) {
    gui::PressButton(dialog, IDOK);
    EXPECT_TRUE(gui::WaitUntilGone(dialog));
  }

  // Checks "View this profile's UNZ settings only" and waits for the title.
  bool ShowProfileOnly(HWND dialog, const std::string& title) {
    SendMessageA(GetDlgItem(dialog, IDC_PROFILEONLY), BM_CLICK, 0, 0);
    return gui::WaitUntil([&] { return gui::WindowText(dialog) == title; }, 5000);
  }

  CProgram tool_;
  HWND main_ = nullptr;
  HWND list_ = nullptr;
};

std::string FileVersionOf(const std::string& path) {
  DWORD ignored = 0;
  std::vector<BYTE> data(GetFileVersionInfoSizeA(path.c_str(), &ignored));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (data.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &size) || !fixed)
    return "";
  char text[64];
  std::snprintf(text, sizeof(text), "%u.%02u.%02u.%02u", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
  return text;
}

unsigned long long Kilobytes(const std::string& cell) {
  EXPECT_TRUE(std::regex_match(cell, std::regex("[0-9]+ kb"))) << cell;
  return std::strtoull(cell.c_str(), nullptr, 10);
}

}  // namespace

TEST_F(TorvaxInfo, AboutBoxShowsVersionBuildPlatformAndMemory) {
  Start();
  HWND about = OpenAbout();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(gui::WindowText(GetDlgItem(about, IDC_TOOLTITLE)),
            "Ferramenta de desinstala\xE7\xE3o do driver de impressora VARDEN QUILLAN");
  EXPECT_NE(gui::WindowText(GetDlgItem(about, IDC_LEGALNOTICE)).find("VARDEN QUILLAN"), std::string::npos);
  const Rows rows = gui::ReadListView(GetDlgItem(about, IDC_ABOUTLIST), 2);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Vers\xE3o", FileVersionOf(SiblingPath("TORVAX02.exe"))}));
  EXPECT_EQ(rows[0][1], "2.10.00.01");
  EXPECT_EQ(rows[1][0], "Criar selo");
  EXPECT_TRUE(std::regex_match(rows[1][1], std::regex("[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} "
                                                      "[0-9]{2}:[0-9]{2}:[0-9]{2}")))
      << rows[1][1];
  EXPECT_EQ(rows[2], (std::vector<std::string>{"Plataforma OS", "WinNT"}));

  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof(memory);
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  EXPECT_EQ(rows[3][0], "Free Physical RAM");
  const unsigned long long physical = Kilobytes(rows[3][1]);
  EXPECT_GT(physical, 0u);
  EXPECT_LE(physical, memory.ullTotalPhys / 1024);
  // The tool is built like this test: a 64-bit process has more than 2^31 kb
  // of free address space, and the figure must not wrap to a negative number.
  EXPECT_EQ(rows[4][0], "Free Virtual RAM");
  const unsigned long long virtualFree = Kilobytes(rows[4][1]);
  EXPECT_GT(virtualFree, sizeof(void*) == 8 ? 0x80000000ull : 0ull);
  EXPECT_LE(virtualFree, memory.ullTotalVirtual / 1024);
  EXPECT_EQ(rows[5], (std::vector<std::string>{"Swap File Size",
                                               std::to_string(memory.ullTotalPageFile / 1024) + " kb"}));
  gui::Settle(about);
  gui::SaveScreenshot(Shot("about.bmp"));

  // OK closes it; the main dialog goes on.
  Close(about);
  EXPECT_TRUE(tool_.Running());
  Exit();
}

TEST_F(TorvaxInfo, AboutBoxUnderWindows98NamesTheWin9xPlatform) {
  gui::CPretendVersion win98("win98");
  Start();
  HWND about = OpenAbout();
  ASSERT_NE(about, nullptr);
  const Rows rows = gui::ReadListView(GetDlgItem(about, IDC_ABOUTLIST), 2);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[2], (std::vector<std::string>{"Plataforma OS", "Win9x"}));
  EXPECT_EQ(rows[0][1], "2.10.00.01");
  Close(about);
  Exit();
}

TEST_F(TorvaxInfo, ContextMenuOffersExtraInfoOnlyWithANonEmptyPerUserValue) {
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    SetOfferSwitch(value);
    Start();
    Select({kPs});
    // The menu's last entry is then "Selecionar todos": every row gets selected.
    ChooseLastMenuEntry();
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::SelectedRows(list_).size() == 6; }, 10000))
        << (value ? "empty value" : "no key");
    EXPECT_EQ(gui::WaitForWindow(tool_.Id(), "#32770", kTitleMultiple, 1000), nullptr);
    Exit();
  }
  SetOfferSwitch("1");
  Start();
  HWND extra = OpenExtraInfo({kPs});
  ASSERT_NE(extra, nullptr);
  Close(extra);
  Exit();
}

TEST_F(TorvaxInfo, ExtraInfoForSeveralPrintersShowsTheirRemovalSet) {
  SetOfferSwitch("1");
  Start();
  // Every printer chosen: nothing is kept, so the whole package's items join.
  const std::vector<std::string> all = {kOffice, kPs, kPsFinance, kXl, kHall, kUnscripted};
  HWND extra = OpenExtraInfo(all);
  ASSERT_NE(extra, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(extra, IDC_PROFILEONLY)));
  ExpectCategories(extra, RemovalSet(all), "all printers");
  Close(extra);

  // Two printers: what is listed is this selection's removal set, untouched
  // by the look at the previous one.
  extra = OpenExtraInfo({kOffice, kPsFinance});
  ASSERT_NE(extra, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(extra, IDC_PROFILEONLY)));
  // The first category is checked at the start.
  EXPECT_EQ(SendMessageA(GetDlgItem(extra, IDC_CAT_DELETEINI), BM_GETCHECK, 0, 0), BST_CHECKED);
  const vq::CUninstallProfile two = RemovalSet({kOffice, kPsFinance});
  EXPECT_EQ(gui::ReadListView(GetDlgItem(extra, IDC_EXTRALIST), 3), ExpectedRows(two, kCategories[0]));
  ExpectCategories(extra, two, "two printers");
  SendMessageA(GetDlgItem(extra, IDC_CAT_FILES), BM_CLICK, 0, 0);
  gui::Settle(extra);
  gui::SaveScreenshot(Shot("extra-info-two-printers.bmp"));
  // Even a check forced onto the disabled box leaves the removal set: it
  // counts only with exactly one printer chosen.
  SendMessageA(GetDlgItem(extra, IDC_PROFILEONLY), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(GetDlgItem(extra, IDC_PROFILEONLY), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(gui::WindowText(extra), kTitleMultiple);
  EXPECT_EQ(gui::ReadListView(GetDlgItem(extra, IDC_EXTRALIST), 1), ExpectedRows(two, kCategories[3]));
  Close(extra);
  Exit();
}

TEST_F(TorvaxInfo, ExtraInfoForOnePrinterShowsItsOwnProfile) {
  SetOfferSwitch("1");
  Start();
  // A printer with a driver profile. Its disguise "vintara XL disfarçada"
  // goes with it, but the profile shown is the chosen printer's.
  HWND extra = OpenExtraInfo({kPs});
  ASSERT_NE(extra, nullptr);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(extra, IDC_PROFILEONLY)));
  ExpectCategories(extra, RemovalSet({kPs}), "one printer, removal set");
  ASSERT_TRUE(ShowProfileOnly(extra, "Extra Info - Printer: VARDEN QUILLAN vintara 7310K PS"))
      << gui::WindowText(extra);
  // The category stays; its profile has no Hooks, so the list reads "(empty)".
  SendMessageA(GetDlgItem(extra, IDC_CAT_HOOKS), BM_CLICK, 0, 0);
  EXPECT_EQ(gui::ReadListView(GetDlgItem(extra, IDC_EXTRALIST), 2), (Rows{{"(empty)", ""}}));
  ExpectCategories(extra, ProfileOf("VARDEN QUILLAN vintara 7310K PS"), "driver profile");
  SendMessageA(GetDlgItem(extra, IDC_CAT_REGISTRY), BM_CLICK, 0, 0);
  gui::Settle(extra);
  gui::SaveScreenshot(Shot("extra-info-one-printer.bmp"));
  // Unchecking goes back to the removal set.
  SendMessageA(GetDlgItem(extra, IDC_PROFILEONLY), BM_CLICK, 0, 0);
  EXPECT_EQ(gui::WindowText(extra), kTitleMultiple);
  Close(extra);

  // A maker driver that no script names: the maker's profile.
  extra = OpenExtraInfo({kUnscripted});
  ASSERT_NE(extra, nullptr);
  ASSERT_TRUE(ShowProfileOnly(extra, "Extra Info - Mfg: VARDEN QUILLAN")) << gui::WindowText(extra);
  ExpectCategories(extra, ProfileOf("VARDEN QUILLAN vintara 5100", true), "maker profile");
  Close(extra);

  // Someone else's driver: no profile at all, the removal set is shown.
  extra = OpenExtraInfo({kHall});
  ASSERT_NE(extra, nullptr);
  ASSERT_TRUE(ShowProfileOnly(extra, "Extra Info - EMPTY AND UNKNOWN SETTINGS!!!"))
      << gui::WindowText(extra);
  ExpectCategories(extra, RemovalSet({kHall}), "unknown driver");
  Close(extra);
  Exit();
}
