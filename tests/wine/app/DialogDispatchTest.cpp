// The one dialog dispatch: an exception thrown inside a dialog procedure is
// caught there and logged, and the dialog goes on. On 32-bit Windows (the
// shipped build, run on the i686 tier) an exception that reached the system's
// frames of the message loop would end the process at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "TestStrings.h"
#include "tests/wine/core/WineTestSupport.h"
#include "uninstall/app/DialogBase.h"
#include "uninstall/engine/ActionLog.h"

namespace {

const UINT kThrow = WM_APP;
const UINT kFinish = WM_APP + 1;

class CThrowingDialog : public vq::CDialogBase {
 public:
  INT_PTR DialogProc(HWND window, UINT message, WPARAM, LPARAM) override {
    switch (message) {
      case WM_INITDIALOG:
        PostMessageA(window, kThrow, 0, 0);
        PostMessageA(window, kFinish, 0, 0);
        return TRUE;
      case kThrow:
        throw std::runtime_error("thrown inside a dialog procedure");
      case kFinish:
        EndDialog(window, 7);
        return TRUE;
    }
    return FALSE;
  }
};

}  // namespace

TEST(DialogDispatch, ExceptionInsideADialogIsLoggedAndTheDialogGoesOn) {
  const std::string path = MakeTempFolder("dispatch") + "run.log";
  vq::CActionLog log;
  ASSERT_TRUE(log.Open(path));
  vq::SetProcessActionLog(&log);
  CThrowingDialog dialog;
  const INT_PTR result =
      dialog.DoModal(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_DIALOG), nullptr);
  vq::SetProcessActionLog(nullptr);
  EXPECT_EQ(7, result);  // the message after the exception still arrived
  EXPECT_NE(ReadFileText(path).find("internal error message 32768: thrown inside a dialog procedure"),
            std::string::npos)
      << ReadFileText(path);
}
