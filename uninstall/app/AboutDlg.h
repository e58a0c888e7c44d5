// CAboutDlg: the about box (dialog 101), opened from the main dialog's system
// menu. Besides the tool's title and legal notice it lists the tool's
// version, when it was built, the platform it runs on and three memory figures.
#pragma once

#include <string>

#include "uninstall/app/DialogBase.h"
#include "uninstall/app/StringTable.h"
#include "uninstall/system/OsVersion.h"

namespace vq {

class CAboutDlg : public CDialogBase {
 public:
  CAboutDlg();
  INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnInitDialog();
  void InsertColumns();
  void AddRow(const char* label, const std::string& value);
  HWND List() const;

  CStringTable strings_;
  COsVersion os_;
};

// "major.minor.build.patch" ("%u.%02u.%02u.%02u") of the fixed file version in
// the program's own version resource; empty when it has none.
std::string ProgramVersionText();

// "Win32s", "Win9x", "WinNT", or "Windows" for any other platform code.
const char* PlatformName(const COsVersion& os);

}  // namespace vq
