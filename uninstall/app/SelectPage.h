// CSelectPage: the page that lists the installed printers that may be
// removed, in six columns with row icons, and writes the user's choice into
// the database (the keep flag of each listed printer).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CUninstallDatabase;

class CSelectPage : public CDialogBase {
 public:
  enum View { kLargeIcons = 0, kDetails = 1, kSmallIcons = 2, kList = 3 };

  CSelectPage();
  ~CSelectPage() override;
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  void Refresh();
  void CollectSelection();
  void SetView(View view);

  bool visible = false;
  int selectedCount = 0;
  CUninstallDatabase* database = nullptr;

 private:
  void OnInitDialog();
  void OnNotify(const NMHDR* header);
  void OnCommand(WORD id);
  void ShowContextMenu();
  void PrepareContextMenu();
  void InsertRow(int index, int counter, const struct CPrinterRecord& record);
  // The offered record whose index is the row's item data; null for none.
  struct CPrinterRecord* RecordOfRow(int row) const;
  int SelectedRows() const;
  View CurrentView() const;
  HWND List() const { return GetDlgItem(hwnd, IDC_LIST_ID); }
  HWND MainDialog() const { return GetParent(hwnd); }

  static constexpr int IDC_LIST_ID = 2006;

  HMENU menu_ = nullptr;       // menu 601, loaded on first use
  HMENU popup_ = nullptr;      // its first submenu
  HIMAGELIST smallIcons_ = nullptr;
  HIMAGELIST largeIcons_ = nullptr;
  CStringTable strings_;
  COsVersion os_;
};

// Whether the current user's key "SOFTWARE\VARDEN QUILLAN\TORVAX02" has a
// non-empty default value, which offers the extra-information dialog.
bool ExtraInfoOffered();

}  // namespace vq
