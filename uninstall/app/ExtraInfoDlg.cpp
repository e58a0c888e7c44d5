#include "uninstall/app/ExtraInfoDlg.h"

#include <commctrl.h>

#include "uninstall/app/Ui.h"
#include "uninstall/app/WaitCursor.h"
#include "uninstall/profile/FileSpec.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

namespace vq {

// A category button: the list it shows (none for the folder variables), the
// column headers, and whether the last column ends at the next comma.
struct CategoryView {
  int button;
  int list;  // a Category, or kFolderVariablesView
  bool lastEndsAtComma;
  int columnCount;
  const char* columns[4];
};

namespace {

const int kFolderVariablesView = -1;
const int kInitialColumnWidth = 200;
const int kHeaderMargins = 24;  // room for a header item's text margins

const CategoryView kCategoryViews[] = {
    {IDC_CAT_DELETEINI, kDeleteIni, true, 3, {"file", "section", "entry"}},
    {IDC_CAT_DELETELOADRUN, kDeleteLoadRun, true, 2, {"Display", "File Name"}},
    {IDC_CAT_DRIVERS, kDrivers, false, 1, {"driver"}},
    {IDC_CAT_FILES, kFiles, false, 1, {"file"}},
    {IDC_CAT_HOOKS, kHooks, false, 2, {"file", "export"}},
    {IDC_CAT_MONITORS, kMonitors, false, 1, {"Monitor Name"}},
    {IDC_CAT_REGISTRY, kRegistryKeys, false, 4, {"Base Key", "Sub Key", "Value Name", "Deltree"}},
    {IDC_CAT_PRINTPROCESSORS, kPrintProcessors, false, 1, {"Print Processor Name"}},
    {IDC_CAT_SERVICES, kServices, false, 1, {"NT Service Name"}},
    {IDC_CAT_SHORTCUTS, kShortcuts, false, 3,
     {"Program Group", "Shortcut Description", "Special Location"}},
    {IDC_CAT_UNSELFREGISTER, kUnSelfRegister, false, 2, {"FileName", "Function Export"}},
    {IDC_CAT_DIRECTORIES, kFolderVariablesView, false, 2, {"Dir Variable", "Dir Location"}},
};
const int kCategoryViewCount = sizeof(kCategoryViews) / sizeof(kCategoryViews[0]);

const char kTitleMultiple[] = "Extra Info - Multiple Printers";
const char kTitlePrinter[] = "Extra Info - Printer: ";
const char kTitleMaker[] = "Extra Info - Mfg: ";
const char kTitleUnknown[] = "Extra Info - EMPTY AND UNKNOWN SETTINGS!!!";
const char kEmptyRow[] = "(empty)";

using Rows = std::vector<std::vector<std::string>>;

// One item split at commas into the view's columns (quotes are not special).
// The last column takes the rest of the item, or, for the INI and Load/Run
// entries, only the text up to the next comma.
std::vector<std::string> SplitItem(const std::string& item, const CategoryView& view) {
  char text[kFieldChars + 1];
  CopyBounded(text, sizeof(text), item.c_str());
  std::vector<std::string> cells;
  char* cell = text;
  for (int c = 0; c < view.columnCount && cell; ++c) {
    char* next = (c + 1 < view.columnCount || view.lastEndsAtComma) ? SplitAt(cell, ',') : nullptr;
    cells.push_back(cell);
    cell = next;
  }
  return cells;
}

Rows ItemRows(const ItemList& items, const CategoryView& view) {
  Rows rows;
  for (const std::string& item : items) rows.push_back(SplitItem(item, view));
  return rows;
}

Rows FolderVariableRows(const COsVersion& os) {
  Rows rows;
  CFileSpec folder(os);
  for (const FolderVariable& v : kFolderVariables) {
    folder.SetFolder(v.id);
    rows.push_back({v.name, folder.FolderPath()});
  }
  return rows;
}

// The driver of the printer the user chose alone: the last offered printer
// that is not kept. Read before the removal set is computed, because that
// also clears the keep flag of the chosen printer's disguises, and a disguise
// later in the list would otherwise be taken for the chosen printer.
std::string ChosenDriver(const CUninstallDatabase& database) {
  std::string driver;
  for (const CPrinterRecord& r : database.printers) {
    if (!r.isDisguise && !r.removed && r.listed && !r.keep) driver = r.driverName;
  }
  return driver;
}

}  // namespace

CExtraInfoDlg::CExtraInfoDlg(const CUninstallDatabase* database, int selectedCount)
    : database(database), selectedCount(selectedCount) {}

INT_PTR CExtraInfoDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  FontOverride(hwnd, message);
  if (EndOnCommonCommand(hwnd, message, wParam)) return 1;
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
  }
  return 0;
}

HWND CExtraInfoDlg::List() const { return GetDlgItem(hwnd, IDC_EXTRALIST); }

void CExtraInfoDlg::OnInitDialog() {
  CheckDlgButton(hwnd, kCategoryViews[0].button, BST_CHECKED);
  FillList();
  EnableWindow(GetDlgItem(hwnd, IDC_PROFILEONLY), selectedCount == 1);
  CenterWindow(hwnd, nullptr);
}

void CExtraInfoDlg::OnCommand(WORD id, WORD code) {
  if (code != BN_CLICKED) return;
  if (id == IDC_PROFILEONLY) {
    thisProfileOnly = IsDlgButtonChecked(hwnd, IDC_PROFILEONLY) == BST_CHECKED && selectedCount == 1;
    FillList();
    return;
  }
  for (int i = 0; i < kCategoryViewCount; ++i) {
    if (kCategoryViews[i].button != id) continue;
    category = i + 1;
    FillList();
    return;
  }
}

std::string CExtraInfoDlg::ChooseProfile(const CUninstallDatabase& computed,
                                         CUninstallProfile& shown) const {
  if (thisProfileOnly) {
    const std::string driver = ChosenDriver(*database);
    if (computed.FindProfileByName(driver, shown)) return kTitlePrinter + shown.entryName;
    if (computed.FindManufacturerProfile(driver, shown)) return kTitleMaker + shown.entryName;
  }
  shown.Assign(computed.removal);
  return thisProfileOnly ? kTitleUnknown : kTitleMultiple;
}

void CExtraInfoDlg::FillList() {
  CWaitCursor wait;
  HWND list = List();
  ListView_DeleteAllItems(list);
  while (ListView_DeleteColumn(list, 0)) {
  }
  if (category < 1 || category > kCategoryViewCount || !database) return;

  // The removal set for the current selection, computed on a copy: computing
  // it changes the database (the everything profile gains the whole package's
  // items when no printer is kept, and disguises lose their keep flag), and a
  // look at the dialog must not change what a later run removes.
  CUninstallDatabase computed = *database;
  computed.ComputeRemovalSet();
  CUninstallProfile shown;
  SetWindowTextA(hwnd, ChooseProfile(computed, shown).c_str());

  const CategoryView& view = kCategoryViews[category - 1];
  InsertColumns(view);
  Rows rows = view.list == kFolderVariablesView
                  ? FolderVariableRows(database->osVersion)
                  : ItemRows(shown.List(static_cast<Category>(view.list)), view);
  if (rows.empty()) rows.push_back({kEmptyRow});
  for (const std::vector<std::string>& row : rows) InsertRow(row);
  for (int c = 0; c < view.columnCount; ++c) SizeColumn(view, c);
}

// Sized to contents and header. Some list views measure the header text
// without the header's own margins and cut it ("Base K..."), so the column
// is widened to the whole header text when it came out narrower.
void CExtraInfoDlg::SizeColumn(const CategoryView& view, int column) {
  HWND list = List();
  ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE_USEHEADER);
  const int headerWidth = ListView_GetStringWidth(list, view.columns[column]) + kHeaderMargins;
  if (ListView_GetColumnWidth(list, column) < headerWidth)
    ListView_SetColumnWidth(list, column, headerWidth);
}

void CExtraInfoDlg::InsertColumns(const CategoryView& view) {
  for (int c = 0; c < view.columnCount; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kInitialColumnWidth;
    column.pszText = const_cast<char*>(view.columns[c]);
    column.iSubItem = c;
    SendMessageA(List(), LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
}

void CExtraInfoDlg::InsertRow(const std::vector<std::string>& cells) {
  HWND list = List();
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = ListView_GetItemCount(list);
  item.pszText = const_cast<char*>(cells[0].c_str());
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  for (std::size_t c = 1; c < cells.size(); ++c) {
    LVITEMA cell = {};
    cell.iSubItem = static_cast<int>(c);
    cell.pszText = const_cast<char*>(cells[c].c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  }
}

}  // namespace vq
