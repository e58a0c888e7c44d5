// No exception leaves a dialog procedure or a control's window procedure: on
// the 32-bit build an exception that reached the system's frames of the
// modal loop (or of a sent message) would end the host process at once.
#include <windows.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "statusdlg/Controls.h"
#include "statusdlg/ModalDialog.h"
#include "statusdlg/resource.h"

namespace {

// The wait box's template with handlers that throw, at the start or in the
// first timer tick.
class CThrowingDialog : public CModalDialog {
 public:
  explicit CThrowingDialog(bool atStart) : CModalDialog(IDD_REPLACE_WAIT), m_atStart(atStart) {}

 protected:
  BOOL OnInitDialog() override {
    if (m_atStart) throw std::runtime_error("thrown at the start of a dialog");
    SetTimer(m_hWnd, 1, 10, nullptr);
    return TRUE;
  }
  bool OnTimer(UINT_PTR) override { throw std::runtime_error("thrown in a timer tick"); }

 private:
  bool m_atStart;
};

TEST(DialogExceptionTest, HandlerThatThrowsEndsTheDialogAsOneThatCouldNotRun) {
  for (bool atStart : {true, false}) {
    CThrowingDialog dialog(atStart);
    EXPECT_EQ(-1, dialog.DoModal()) << (atStart ? "start" : "timer");
  }
}

class CThrowingControl : public CSubclassedWindow {
 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_APP) throw std::runtime_error("thrown in a control's window procedure");
    return DefaultProc(msg, wp, lp);
  }
};

TEST(DialogExceptionTest, ControlWhoseHandlerThrowsAnswersTheMessageAsHandled) {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 50, 20, parent, reinterpret_cast<HMENU>(100),
                              nullptr, nullptr));
  {
    CThrowingControl control;
    ASSERT_TRUE(control.SubclassDlgItem(100, parent));
    EXPECT_EQ(0, SendMessageA(control.Handle(), WM_APP, 0, 0));
  }
  DestroyWindow(parent);
}

}  // namespace
