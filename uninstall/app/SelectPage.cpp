#include "uninstall/app/SelectPage.h"

#include <cstddef>

#include "uninstall/app/ExtraInfoDlg.h"
#include "uninstall/app/Ui.h"
#include "uninstall/app/WaitCursor.h"
#include "uninstall/profile/UninstallDatabase.h"
#include "uninstall/res/resource.h"

namespace vq {

namespace {
const COLORREF kMaskColour = RGB(255, 0, 255);
const int kColumnCount = 6;
const UINT kColumnHeaders[kColumnCount] = {IDS_COL_NAME,    IDS_COL_DRIVER, IDS_COL_LOCATION,
                                           IDS_COL_DEFAULT, IDS_COL_MAKER,  IDS_COL_DISGUISE};

// Row icon: 1 default, 2 connection to another computer, 4 disguise name.
int RowIcon(const CPrinterRecord& r) {
  return (r.isDefault ? 1 : 0) + (r.serverName.empty() ? 0 : 2) + (r.disguiseName.empty() ? 0 : 4);
}

bool IsOffered(const CPrinterRecord& r) { return !r.isDisguise && !r.removed && r.listed; }

// The item data of a row that stands for no printer (the loading row).
const LPARAM kNoRecord = -1;

}  // namespace

bool ExtraInfoOffered() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VARDEN QUILLAN\\TORVAX02", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return false;
  char value[64] = "";
  LONG size = sizeof(value);
  LONG rc = RegQueryValueA(key, nullptr, value, &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && value[0] != '\0';
}

CSelectPage::CSelectPage() : os_(COsVersion::FromSystem()) {}

CSelectPage::~CSelectPage() {
  if (menu_) DestroyMenu(menu_);
  // The image lists belong to the list view (attached without LVS_SHAREIMAGELISTS).
}

INT_PTR CSelectPage::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  FontOverride(hwnd, message);
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return 1;
    case WM_SHOWWINDOW:
      visible = wParam != 0;
      return 0;
    case WM_NOTIFY:
      OnNotify(reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
  }
  return 0;
}

void CSelectPage::OnInitDialog() {
  HWND list = List();
  for (int c = 0; c < kColumnCount; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = const_cast<char*>(strings_.Load(kColumnHeaders[c]));
    column.iSubItem = c;
    SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
  ListView_DeleteAllItems(list);
  LVITEMA loading = {};
  loading.mask = LVIF_TEXT | LVIF_PARAM;
  loading.pszText = const_cast<char*>(strings_.Load(IDS_LOADING));
  loading.lParam = kNoRecord;
  SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&loading));

  HINSTANCE instance = GetModuleHandleA(nullptr);
  smallIcons_ = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_SMALLICONS), 18, 10,
                                     kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  largeIcons_ = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_LARGEICONS), 32, 10,
                                     kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  ListView_SetImageList(list, smallIcons_, LVSIL_SMALL);
  ListView_SetImageList(list, largeIcons_, LVSIL_NORMAL);
  SetWindowLongPtrA(list, GWL_STYLE, GetWindowLongPtrA(list, GWL_STYLE) | LVS_SHOWSELALWAYS);
  strings_.SetItemTextFrom(hwnd, IDC_SELECTLABEL, IDS_SELECTLABEL);
  strings_.SetItemTextFrom(hwnd, IDC_SELECTWARNING, IDS_SELECTWARNING);
}

void CSelectPage::InsertRow(int index, int counter, const CPrinterRecord& r) {
  HWND list = List();
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(r.printerName.c_str());
  item.iImage = RowIcon(r);
  item.lParam = counter;
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  const char* yes = strings_.Load(IDS_YES);
  const char* no = strings_.Load(IDS_NO);
  const char* cells[kColumnCount - 1] = {
      r.driverName.c_str(),
      r.serverName.empty() ? strings_.Load(IDS_LOCAL) : r.serverName.c_str(),
      r.isDefault ? yes : no,
      r.isMakerDriver ? yes : no,
      r.disguiseName.empty() ? strings_.Load(IDS_NOTAPPLICABLE) : r.disguiseName.c_str()};
  for (int c = 1; c < kColumnCount; ++c) {
    LVITEMA cell = {};
    cell.iSubItem = c;
    cell.pszText = const_cast<char*>(cells[c - 1]);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  }
}

void CSelectPage::Refresh() {
  CWaitCursor wait;
  HWND list = List();
  SetView(kDetails);
  ListView_DeleteAllItems(list);
  if (!database || database->CountListedPrinters() == 0) return;
  int counter = 0;
  for (const CPrinterRecord& r : database->printers) {
    if (IsOffered(r)) InsertRow(counter, counter, r);
    ++counter;
  }
  for (int c = 0; c < kColumnCount; ++c) ListView_SetColumnWidth(list, c, LVSCW_AUTOSIZE_USEHEADER);
  SetView(kList);
  SetFocus(list);
  ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
  SendMessageA(MainDialog(), WM_APP_ENABLE_UNINSTALL, 0, 0);
}

CPrinterRecord* CSelectPage::RecordOfRow(int row) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  if (item.lParam < 0 || static_cast<std::size_t>(item.lParam) >= database->printers.size())
    return nullptr;
  CPrinterRecord& r = database->printers[static_cast<std::size_t>(item.lParam)];
  return IsOffered(r) ? &r : nullptr;
}

void CSelectPage::CollectSelection() {
  selectedCount = 0;
  if (!database) return;
  // Every offered printer stays unless its own row is selected. Rows are
  // tied to records by the index Refresh gave them, never by their text: two
  // printers may share a name, and a row that maps to no record changes nothing.
  for (CPrinterRecord& r : database->printers) {
    if (IsOffered(r)) r.keep = 1;
  }
  HWND list = List();
  const int rows = ListView_GetItemCount(list);
  for (int i = 0; i < rows; ++i) {
    if (!(ListView_GetItemState(list, i, LVIS_SELECTED) & LVIS_SELECTED)) continue;
    CPrinterRecord* r = RecordOfRow(i);
    if (!r) continue;
    r->keep = 0;
    ++selectedCount;
  }
}

CSelectPage::View CSelectPage::CurrentView() const {
  switch (GetWindowLongPtrA(List(), GWL_STYLE) & LVS_TYPEMASK) {
    case LVS_ICON: return kLargeIcons;
    case LVS_SMALLICON: return kSmallIcons;
    case LVS_LIST: return kList;
    default: return kDetails;
  }
}

void CSelectPage::SetView(View view) {
  static const LONG_PTR kStyles[] = {LVS_ICON, LVS_REPORT, LVS_SMALLICON, LVS_LIST};
  HWND list = List();
  LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  if ((style & LVS_TYPEMASK) == kStyles[view]) return;
  SetWindowLongPtrA(list, GWL_STYLE, (style & ~LVS_TYPEMASK) | kStyles[view]);
}

int CSelectPage::SelectedRows() const { return ListView_GetSelectedCount(List()); }

void CSelectPage::OnNotify(const NMHDR* header) {
  if (!header || header->idFrom != IDC_PRINTERLIST) return;
  if (header->code == LVN_ITEMCHANGED) {
    if (SelectedRows() > 0) SendMessageA(MainDialog(), WM_APP_ENABLE_UNINSTALL, 1, 0);
  } else if (header->code == NM_RCLICK) {
    ShowContextMenu();
  }
}

void CSelectPage::PrepareContextMenu() {
  if (!menu_) {
    menu_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_VIEW));
    popup_ = menu_ ? GetSubMenu(menu_, 0) : nullptr;
    if (popup_ && !ExtraInfoOffered()) {
      // Without the per-user switch the extra information and its separator go.
      for (int pos : {10, 9, 8}) DeleteMenu(popup_, pos, MF_BYPOSITION);
    }
  }
  if (!popup_) return;
  static const UINT kViewCommands[] = {IDM_LARGEICONS, IDM_DETAILS, IDM_SMALLICONS, IDM_LIST};
  const View view = CurrentView();
  for (int v = 0; v < 4; ++v)
    CheckMenuItem(popup_, kViewCommands[v], MF_BYCOMMAND | (v == view ? MF_CHECKED : MF_UNCHECKED));
  const UINT state = SelectedRows() > 0 ? MF_ENABLED : MF_GRAYED;
  EnableMenuItem(popup_, IDM_REMOVE, MF_BYCOMMAND | state);
  EnableMenuItem(popup_, IDM_EXTRAINFO, MF_BYCOMMAND | state);
  SetMenuDefaultItem(popup_, IDM_REMOVE, FALSE);
}

void CSelectPage::ShowContextMenu() {
  PrepareContextMenu();
  if (!popup_) return;
  POINT at;
  GetCursorPos(&at);
  TrackPopupMenu(popup_, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
}

void CSelectPage::OnCommand(WORD id) {
  switch (id) {
    case IDM_REMOVE:
      CollectSelection();
      SendMessageA(MainDialog(), WM_APP_START_UNINSTALL, 0, 0);
      break;
    case IDM_LARGEICONS: SetView(kLargeIcons); break;
    case IDM_SMALLICONS: SetView(kSmallIcons); break;
    case IDM_LIST: SetView(kList); break;
    case IDM_DETAILS: SetView(kDetails); break;
    case IDM_SELECTALL: {
      CWaitCursor wait;
      const int rows = ListView_GetItemCount(List());
      for (int i = 0; i < rows; ++i) ListView_SetItemState(List(), i, LVIS_SELECTED, LVIS_SELECTED);
      break;
    }
    case IDM_EXTRAINFO: {
      CollectSelection();
      CExtraInfoDlg extraInfo(database, selectedCount);
      extraInfo.DoModal(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EXTRAINFO), hwnd);
      break;
    }
  }
}

}  // namespace vq
