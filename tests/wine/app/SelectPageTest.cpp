// The selection page writes the user's choice into the printer records: each
// selected row's own record goes, every other offered printer stays. The page
// runs in this process on records the test makes, because Wine's spooler
// cannot hold the printers that matter here: it refuses a name of 257
// characters or more (error 87), its enumeration fails once a name has 255,
// and a second printer of the same name is never added.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestStrings.h"
#include "uninstall/app/SelectPage.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace {

vq::CPrinterRecord Printer(const std::string& name) {
  vq::CPrinterRecord r;
  r.printerName = name;
  r.driverName = "VARDEN QUILLAN vintara 7310K";
  return r;
}

vq::CPrinterRecord Disguise(const std::string& name) {
  vq::CPrinterRecord r = Printer(name);
  r.disguiseName = "Escritorio";
  r.isDisguise = 1;
  return r;
}

// Two names of 259 characters, the longest the inventory lists, that differ
// only after the 256th.
const std::string kLongA = std::string(258, 'L') + "A";
const std::string kLongB = std::string(258, 'L') + "B";

const struct SelectionCase {
  const char* what;
  std::vector<vq::CPrinterRecord> printers;
  bool refreshed;                 // false: the page still shows its loading row
  std::vector<int> selectedRows;
  std::vector<int> keep;          // each record's keep flag afterwards
  int selectedCount;
} kCases[] = {
    {"names longer than a row's text once held",
     {Printer(kLongA), Printer(kLongB), Printer("Laser")}, true, {1}, {1, 0, 1}, 1},
    {"two printers of one name, a disguise between them",
     {Printer("Escritorio"), Disguise("Recepcao"), Printer("ESCRITORIO")}, true, {1}, {1, 0, 0}, 1},
    {"the loading row stands for no printer", {Printer("Escritorio")}, false, {0}, {1}, 0},
};

class SelectPage : public testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    // The main dialog's stand-in: the page reports to its parent.
    parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                              nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }

  HWND parent_ = nullptr;
};

}  // namespace

TEST_F(SelectPage, EachSelectedRowRemovesItsOwnPrinterAndEveryOtherOfferedPrinterStays) {
  for (const SelectionCase& c : kCases) {
    SCOPED_TRACE(c.what);
    vq::CUninstallDatabase db;
    db.printers = c.printers;  // as the inventory leaves them: keep 0
    vq::CSelectPage page;
    page.database = &db;
    HWND window = page.CreateModeless(GetModuleHandleA(nullptr),
                                      MAKEINTRESOURCEA(IDD_TEST_SELECT_PAGE), parent_);
    ASSERT_NE(window, nullptr);
    if (c.refreshed) page.Refresh();
    HWND list = GetDlgItem(window, IDC_TEST_PRINTERLIST);
    for (int row : c.selectedRows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    page.CollectSelection();
    std::vector<int> keep;
    for (const vq::CPrinterRecord& r : db.printers) keep.push_back(r.keep);
    EXPECT_EQ(keep, c.keep);
    EXPECT_EQ(page.selectedCount, c.selectedCount);
    DestroyWindow(window);
  }
}
