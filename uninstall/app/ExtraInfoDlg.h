// CExtraInfoDlg: the extra-information dialog (dialog 103), opened from the
// selection page's context menu. It lists, one category at a time, what the
// uninstall would attempt for the selected printers, or what the selected
// printer's own profile names, and the folders the folder variables stand for.
#pragma once

#include <string>
#include <vector>

#include "uninstall/app/DialogBase.h"

namespace vq {

class CUninstallDatabase;
class CUninstallProfile;
struct CategoryView;

class CExtraInfoDlg : public CDialogBase {
 public:
  CExtraInfoDlg(const CUninstallDatabase* database, int selectedCount);
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  const CUninstallDatabase* database = nullptr;  // not owned
  int selectedCount = 0;
  int category = 1;  // 1..12, the category buttons in template order
  bool thisProfileOnly = false;

 private:
  void OnInitDialog();
  void OnCommand(WORD id, WORD code);
  void FillList();
  std::string ChooseProfile(const CUninstallDatabase& computed, CUninstallProfile& shown) const;
  void InsertColumns(const CategoryView& view);
  void InsertRow(const std::vector<std::string>& cells);
  void SizeColumn(const CategoryView& view, int column);
  HWND List() const;
};

}  // namespace vq
